#!/bin/sh
# Pictures for the end-to-end tests, made by ImageMagick.
set -eu
out=$1
mkdir -p "$out"
[ -f "$out/gradient24.bmp" ] || convert -size 64x48 gradient:'#ff2000-#0030ff' -type truecolor BMP3:"$out/gradient24.bmp"
[ -f "$out/palette8.bmp" ] || convert -size 40x30 gradient:'#ffffff-#208020' -fill '#c03010' -draw 'circle 20,15 20,4' \
    -fill '#1060e0' -draw 'rectangle 0,0 12,8' -type palette -colors 64 \
    -compress none BMP3:"$out/palette8.bmp"
[ -f "$out/anim.gif" ] || convert -delay 20 -size 30x20 xc:red xc:lime xc:blue -loop 0 "$out/anim.gif"
[ -f "$out/pages.tif" ] || convert -size 24x16 xc:'#c02020' xc:'#20a040' xc:'#2040c0' -compress lzw "$out/pages.tif"
sh "$(dirname "$0")/make_files_data.sh" "$out"
sh "$(dirname "$0")/make_edit_refs.sh" "$out"
