#!/bin/sh
# make test: sets up what is missing, builds every target and runs every test:
# native unit tests (ASan + UBSan), the Windows unit tests, converter and
# end-to-end tests under Wine in a virtual X screen, and a short fuzz smoke
# (8 s per target; FUZZ_SMOKE_SECONDS=n to change). The summary names the
# build each suite ran on and how its 32-bit code ran.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
START=$(date +%s)
scripts/setup.sh
. scripts/wine-env.sh

# The product is always built and its unit tests and converter always run,
# natively or under qemu-i386. The end-to-end suites run on the product where
# 32-bit code runs natively, else on the same sources built for x86_64.
scripts/build.sh native win32
[ "$LG_E2E_BUILD" = win32 ] || scripts/build.sh "$LG_E2E_BUILD"

SUMMARY=""
status=0
suite() {   # name, build/how, command...
    name=$1 how=$2
    shift 2
    echo "== $name ($how)"
    t0=$(date +%s)
    if "$@"; then result=passed; else result=FAILED; status=1; fi
    SUMMARY="$SUMMARY
  $result  $name: $how, $(( $(date +%s) - t0 )) s"
}

suite "native unit and converter tests" "build/native, x86_64 Linux, ASan+UBSan" \
    ctest --test-dir build/native --output-on-failure -j2

DISP=:$(( $$ % 500 + 600 ))
Xvfb "$DISP" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
cleanup() { wineserver -k 2>/dev/null || true; kill "$XVFB" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=$DISP
wineserver -p || true  # one server for the whole run (2: one is already up)
# Start Wine's own background processes now, detached from ctest's output
# pipes; started by the first test they would hold those pipes open.
"$WINE" wineboot >/dev/null 2>&1 </dev/null || true

UNIT='^(testdata|core|converter_parity)$'
case $LG_X86_32 in
native)
    suite "Windows unit tests, converter and end-to-end tests" "build/win32 (the product), i686 run natively under Wine" \
        ctest --test-dir build/win32 --output-on-failure ;;
emulated)
    suite "Windows unit tests and converter" "build/win32 (the product), i686 under qemu-i386 emulation and Wine" \
        ctest --test-dir build/win32 --output-on-failure -R "$UNIT"
    suite "Windows end-to-end tests" "build/win64, x86_64 under Wine: this host runs no 32-bit code natively" \
        ctest --test-dir build/win64 --output-on-failure -E "$UNIT" ;;
*)
    echo "== this host runs no 32-bit x86 code and qemu-i386 could not be registered"
    SUMMARY="$SUMMARY
  FAILED  Windows tests of build/win32: no way to run 32-bit x86 code here"
    status=1 ;;
esac

suite "fuzz smoke" "build/fuzz, clang libFuzzer, ${FUZZ_SMOKE_SECONDS:-8} s a target" \
    scripts/fuzz.sh "${FUZZ_SMOKE_SECONDS:-8}"

echo "== summary (32-bit x86 code on this host: $LG_X86_32)$SUMMARY"
echo "== make test took $(( $(date +%s) - START )) s"
exit $status
