#!/bin/sh
# Runs a Windows test program on a virtual screen of 256 colours (8 bits, a
# palette): its own Xvfb, and the Wine prefix's server restarted on it before
# and after, so the program and every Wine process of the prefix see that
# screen. Under make test the prefix is the test's own Wine slot.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
if [ -n "${CTEST_RESOURCE_GROUP_0_WINE:-}" ]; then
    slot=${CTEST_RESOURCE_GROUP_0_WINE#id:}
    export WINEPREFIX_OVERRIDE="$ROOT/build/wine-tests/${slot%%,*}/prefix"
    unset CTEST_RESOURCE_GROUP_0_WINE
fi
. "$ROOT/scripts/wine-env.sh"
. "$ROOT/scripts/xvfb.sh"
xvfb_start 1024x768x8 || exit 1
export DISPLAY="$XVFB_DISPLAY"
wineserver -k 2>/dev/null && wineserver -w
"$ROOT/scripts/wine-run.sh" "$@"
status=$?
wineserver -k 2>/dev/null && wineserver -w
kill "$XVFB_PID" 2>/dev/null
wait "$XVFB_PID" 2>/dev/null
exit $status
