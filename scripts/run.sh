#!/bin/sh
# make run: sets up what is missing, builds, and opens LUMAGR32.EXE under Wine
# on FILE (default: the sample picture drawn by tools/sample.cpp). Without a
# display it runs under Xvfb, saves a screenshot to build/run.png and ends.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/setup.sh
. scripts/wine-env.sh
scripts/build.sh native "$LG_E2E_BUILD"

FILE=${FILE:-}
if [ -z "$FILE" ]; then
    FILE=build/sample.bmp
    build/native/lgsample "$FILE"
fi
case "$FILE" in /*) ;; *) FILE="$PWD/$FILE" ;; esac
EXE="$ROOT/build/$LG_E2E_BUILD/LUMAGR32.EXE"
WINFILE="Z:$(printf '%s' "$FILE" | tr '/' '\\')"
cd "$(dirname "$FILE")"

if [ -n "${DISPLAY:-}" ]; then
    echo "Opening $FILE"
    exec "$WINE" "$EXE" "$WINFILE"
fi

# No display: a virtual screen, a Wine desktop window (so the frame and
# caption are drawn), a screenshot, and an end.
. "$ROOT/scripts/xvfb.sh"
xvfb_start
trap 'kill $XVFB_PID 2>/dev/null; wineserver -k 2>/dev/null || true' EXIT
export DISPLAY=$XVFB_DISPLAY
"$WINE" explorer /desktop=Lumagrove,800x600 "$EXE" "$WINFILE" >/dev/null 2>&1 &
sleep "${RUN_SECONDS:-8}"
xwd -root -silent | convert xwd:- -crop 800x600+0+0 +repage "$ROOT/build/run.png"
echo "No display: the viewer ran under Xvfb; screenshot saved to build/run.png"
