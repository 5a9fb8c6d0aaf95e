#!/bin/sh
# make test: sets up what is missing, builds every target and runs every test:
# native unit tests (ASan + UBSan), the same tests and the end-to-end tests
# under Wine in a virtual X screen, and a short fuzz smoke (8 s per target;
# FUZZ_SMOKE_SECONDS=n to change).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
START=$(date +%s)
scripts/setup.sh
. scripts/wine-env.sh

# The product is always built; the Windows tests run on the build this host
# can execute (see scripts/wine-env.sh).
scripts/build.sh native win32
[ "$LG_TEST_BUILD" = win32 ] || scripts/build.sh "$LG_TEST_BUILD"

status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j2 || status=1

echo "== Windows tests under Wine ($LG_TEST_BUILD build)"
DISP=:$(( $$ % 500 + 600 ))
Xvfb "$DISP" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
cleanup() { wineserver -k 2>/dev/null || true; kill "$XVFB" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=$DISP
wineserver -p  # one server for the whole run: each start then costs little
# Start Wine's own background processes now, detached from ctest's output
# pipes; started by the first test they would hold those pipes open.
"$WINE" wineboot >/dev/null 2>&1 </dev/null || true
ctest --test-dir "build/$LG_TEST_BUILD" --output-on-failure || status=1

echo "== fuzz smoke"
scripts/fuzz.sh "${FUZZ_SMOKE_SECONDS:-8}" || status=1

echo "== make test took $(( $(date +%s) - START )) s"
exit $status
