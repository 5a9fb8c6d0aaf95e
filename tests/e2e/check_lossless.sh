#!/bin/sh
# Compares the JPEG files the lossless-turn test saved from the viewer with
# jpegtran -perfect of the originals: djpeg must decode both to the same
# pixels. The re-encoded picture with partial edge blocks is only turned.
# Usage: check_lossless.sh E2E_DATA
set -u
data=$1
dir=$data/lossless
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
same() {  # saved-name original jpegtran-options...
    saved=$1 original=$2
    shift 2
    if ! jpegtran -perfect "$@" -outfile "$tmp/ref.jpg" "$data/$original" ||
       ! djpeg -ppm -outfile "$tmp/ref.ppm" "$tmp/ref.jpg" ||
       ! djpeg -ppm -outfile "$tmp/got.ppm" "$dir/$saved"; then
        echo "FAIL: $saved cannot be compared"; failed=1; return
    fi
    cmp -s "$tmp/ref.ppm" "$tmp/got.ppm" || { echo "FAIL: $saved differs from jpegtran $*"; failed=1; }
}
same rot90.jpg turn48.jpg -rotate 90
same rot180.jpg turn48.jpg -rotate 180
same rot270.jpg turn48.jpg -rotate 270
same fliph.jpg turn48.jpg -flip horizontal
same flipv.jpg turn48.jpg -flip vertical
same transpose.jpg turn48.jpg -transpose
same four.jpg turn48.jpg
# Reached by steps: decoded ahead, kept, turned.
same zz2step.jpg turn48.jpg -rotate 90
# Turned upright by its tag at the load, then flipped: the transpose of the
# stored blocks, and the tag says 1.
same cam.jpg turncam.jpg -transpose
got=$(exiftool -s3 -n -Orientation "$dir/cam.jpg")
[ "$got" = 1 ] || { echo "FAIL: cam.jpg orientation '$got', expected 1"; failed=1; }
got=$(identify -format '%wx%h' "$dir/odd.jpg")
[ "$got" = 30x45 ] || { echo "FAIL: odd.jpg is '$got', expected 30x45"; failed=1; }
[ $failed = 0 ] && echo "lossless turns: all saved files match jpegtran"
exit $failed
