#!/bin/sh
# make test: sets up what is missing, builds every target and runs every test:
# native unit tests (ASan + UBSan), the Windows unit tests, converter and
# end-to-end tests under Wine in virtual X screens, and a short fuzz smoke
# (8 s per target; FUZZ_SMOKE_SECONDS=n to change). The summary names the
# build each suite ran on and how its 32-bit code ran.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
START=$(date +%s)
scripts/setup.sh
. scripts/wine-env.sh
. scripts/xvfb.sh

# The product is always built and its unit tests and converter always run,
# natively or under qemu-i386. The end-to-end suites run on the product where
# 32-bit code runs natively, else on the same sources built for x86_64.
scripts/build.sh native win32 fuzz
[ "$LG_E2E_BUILD" = win32 ] || scripts/build.sh "$LG_E2E_BUILD"

SUMMARY=""
status=0
record() {   # name, build/how, start time, exit status
    if [ "$4" = 0 ]; then result=passed; else result=FAILED; status=1; fi
    SUMMARY="$SUMMARY
  $result  $1: $2, $(( $(date +%s) - $3 )) s"
}
suite() {   # name, build/how, command...
    name=$1 how=$2
    shift 2
    echo "== $name ($how)"
    t0=$(date +%s)
    rc=0
    "$@" || rc=$?
    record "$name" "$how" "$t0" "$rc"
}

SLOTS=${LG_WINE_SLOTS:-3}  # Windows tests at once (Wine slots, below)
SLOT_ROOT=$ROOT/build/wine-tests
XVFB_PIDS=""
FUZZ_PID=""
cleanup() {
    for d in "$SLOT_ROOT"/[0-9]*/prefix; do
        [ -d "$d" ] && WINEPREFIX=$d wineserver -k 2>/dev/null || true
    done
    [ -z "$XVFB_PIDS$FUZZ_PID" ] || kill $XVFB_PIDS $FUZZ_PID 2>/dev/null || true
}
trap cleanup EXIT

suite "native unit and converter tests" "build/native, x86_64 Linux, ASan+UBSan" \
    ctest --test-dir build/native --output-on-failure -j2

# The fuzz smoke keeps a processor busy while the Windows tests mostly wait
# for Wine and X: it runs beside them, its output shown when it is done.
FUZZ_HOW="build/fuzz, clang libFuzzer, ${FUZZ_SMOKE_SECONDS:-8} s a target, beside the Windows tests"
FUZZ_LOG=$ROOT/build/fuzz/smoke.log
FUZZ_T0=$(date +%s)
scripts/fuzz.sh "${FUZZ_SMOKE_SECONDS:-8}" >"$FUZZ_LOG" 2>&1 &
FUZZ_PID=$!

# The Windows tests run in parallel in Wine slots, each a copy of the
# project's prefix with a wineserver of its own (kept up for the whole run,
# so each start of a test program costs a fraction of a second) and a
# virtual screen of its own: the clipboard, the settings file in the Windows
# directory and the temporary directory are then private to the test that
# holds the slot. ctest hands the slots out (see scripts/wine-run.sh); the
# copies are kept under build/wine-tests for the next run. Dialogs close
# without waiting for a window manager there is none of ("Managed"=N).
BOOTS=""
start_slot() {   # slot number
    d=$SLOT_ROOT/$1
    xvfb_start || return 1
    XVFB_PIDS="$XVFB_PIDS $XVFB_PID"
    echo "$XVFB_DISPLAY" >"$d/display"
    # In the background, so the slots start together. A server left over
    # from a run that was cut off serves a screen that is gone: it ends first.
    # Wine's own background processes start now, detached from ctest's output
    # pipes; started by the first test they would hold those pipes open.
    (
        export WINEPREFIX="$d/prefix" DISPLAY="$XVFB_DISPLAY"
        new=
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" && cp -a "$BASE_PREFIX/." "$WINEPREFIX" || exit 1
            new=1
        fi
        wineserver -k 2>/dev/null && wineserver -w
        wineserver -p || true
        "$WINE" wineboot </dev/null >/dev/null 2>&1 || true
        [ -z "$new" ] ||
            "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    ) &
    BOOTS="$BOOTS $!"
}
BASE_PREFIX=$WINEPREFIX
mkdir -p "$SLOT_ROOT"
RESOURCES=$SLOT_ROOT/resources.json
ids=""
i=0
while [ $i -lt "$SLOTS" ] && [ "$LG_X86_32" != none ]; do
    mkdir -p "$SLOT_ROOT/$i"
    start_slot $i || { echo "== could not set up Wine slot $i in $SLOT_ROOT"; exit 1; }
    ids="$ids${ids:+, }{\"id\": \"$i\", \"slots\": 1}"
    i=$((i + 1))
done
for boot in $BOOTS; do
    wait "$boot" || { echo "== could not set up the Wine slots in $SLOT_ROOT"; exit 1; }
done
printf '{"version": {"major": 1, "minor": 0}, "local": [{"wine": [%s]}]}\n' "$ids" >"$RESOURCES"
wine_tests() {   # build directory, ctest options...
    dir=$1
    shift
    ctest --test-dir "$dir" --output-on-failure -j "$SLOTS" --resource-spec-file "$RESOURCES" "$@"
}

UNIT='^(testdata|core|shell|converter_parity|fault_injection|fuzz_seeds|fuzz_.*_replay)$'
case $LG_X86_32 in
native)
    suite "Windows unit tests, converter and end-to-end tests" "build/win32 (the product), i686 run natively under Wine" \
        wine_tests build/win32 ;;
emulated)
    suite "Windows unit tests and converter" "build/win32 (the product), i686 under qemu-i386 emulation and Wine" \
        wine_tests build/win32 -R "$UNIT"
    suite "Windows end-to-end tests" "build/win64, x86_64 under Wine: this host runs no 32-bit code natively" \
        wine_tests build/win64 -E "$UNIT" ;;
*)
    echo "== this host runs no 32-bit x86 code and qemu-i386 could not be registered"
    SUMMARY="$SUMMARY
  FAILED  Windows tests of build/win32: no way to run 32-bit x86 code here"
    status=1 ;;
esac

echo "== fuzz smoke ($FUZZ_HOW)"
rc=0
wait "$FUZZ_PID" || rc=$?
FUZZ_PID=""
cat "$FUZZ_LOG"
record "fuzz smoke" "$FUZZ_HOW" "$FUZZ_T0" "$rc"

echo "== summary (32-bit x86 code on this host: $LG_X86_32)$SUMMARY"
echo "== make test took $(( $(date +%s) - START )) s"
exit $status
