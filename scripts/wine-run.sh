#!/bin/sh
# Runs a Windows program of the project under Wine with the project's prefix:
# a 32-bit program through the 32-bit loader (natively, or under qemu-i386
# where this host has no 32-bit code segment), a 64-bit one through wine64.
# Under make test, ctest hands each Windows test one of the Wine slots that
# scripts/test.sh set up (CTEST_RESOURCE_GROUP_0_WINE is "id:N,slots:1"): the
# slot's own prefix, with its wineserver, and its own virtual screen.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# --own-output (the end-to-end tests): the program's output goes to files,
# shown once it has ended. A Windows process it starts in the background
# (one of Wine's services, say) inherits that output; through ctest's pipe
# it would keep ctest waiting after the test has ended, until its timeout.
# Without it the program replaces this script, so that a signal sent to
# this process reaches the program (the converter's kill test).
own=
if [ "${1:-}" = --own-output ]; then
    own=1
    shift
fi
if [ -n "${CTEST_RESOURCE_GROUP_0_WINE:-}" ]; then
    slot=${CTEST_RESOURCE_GROUP_0_WINE#id:}
    slot="$ROOT/build/wine-tests/${slot%%,*}"
    WINEPREFIX_OVERRIDE="$slot/prefix"
    DISPLAY=$(cat "$slot/display") || exit 1
    export DISPLAY
fi
. "$ROOT/scripts/wine-env.sh"

# The machine field of the PE header: 14c for i386, 8664 for x86_64.
run() {
    if [ -z "$own" ]; then exec "$@"; fi
    out=$(mktemp) && err=$(mktemp) || exit 1
    "$@" >"$out" 2>"$err"
    rc=$?
    cat "$out"
    cat "$err" >&2
    rm -f "$out" "$err"
    exit $rc
}

pe_machine() {
    off=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$off" ] && od -An -tx2 -j$((off + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

if [ "$(pe_machine "$1")" = 14c ]; then
    if [ "$LG_X86_32" = none ]; then
        echo "wine-run.sh: this host runs no 32-bit x86 code and has no emulator registered (run scripts/setup.sh)" >&2
        exit 126
    fi
    unset WINELOADER
    run /usr/lib/wine/wine "$@"
fi
run "$WINE" "$@"
