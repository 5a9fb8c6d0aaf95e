#!/bin/sh
# Builds the artwork program, runs it and checks the files it writes: the
# layouts windres and Windows expect, read back by ImageMagick as a second
# opinion. Usage: test_resources.sh tools/draw_resources.cpp
set -u
SRC=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILED=0

fail() { echo "FAIL: $*"; FAILED=1; }
u8()  { od -An -tu1 -j"$2" -N1 "$1" | tr -d ' '; }
u16() { od -An -tu2 -j"$2" -N2 --endian=little "$1" | tr -d ' '; }
u32() { od -An -tu4 -j"$2" -N4 --endian=little "$1" | tr -d ' '; }
size() { wc -c <"$1" | tr -d ' '; }
expect() { [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"; }

${CXX:-c++} -std=c++17 -O1 -Wall -Wextra -Werror -o "$WORK/draw" "$SRC" || { echo "FAIL: compile"; exit 1; }
"$WORK/draw" "$WORK" || { echo "FAIL: draw_resources exited with $?"; exit 1; }
if "$WORK/draw" >/dev/null 2>&1; then fail "no output directory accepted"; fi
if "$WORK/draw" "$WORK/missing/dir" 2>/dev/null; then fail "unwritable directory reported as success"; fi

# Checks one directory entry of an icon or cursor file and the image it points
# to: in range, 40-byte header with twice the height, sizes that add up.
# check_entry FILE INDEX SIZE BITS
check_entry() {
  f=$1 e=$((6 + 16 * $2))
  expect "$f entry $2 width" "$(u8 "$f" $e)" "$3"
  expect "$f entry $2 height" "$(u8 "$f" $((e + 1)))" "$3"
  bytes=$(u32 "$f" $((e + 8))) off=$(u32 "$f" $((e + 12)))
  [ $((off + bytes)) -le "$(size "$f")" ] || fail "$f entry $2 points past the end"
  expect "$f image $2 header size" "$(u32 "$f" "$off")" 40
  expect "$f image $2 width" "$(u32 "$f" $((off + 4)))" "$3"
  expect "$f image $2 doubled height" "$(u32 "$f" $((off + 8)))" $(($3 * 2))
  expect "$f image $2 bits" "$(u16 "$f" $((off + 14)))" "$4"
  colours=0; [ "$4" -le 8 ] && colours=$((1 << $4))
  stride=$(( ($3 * $4 + 31) / 32 * 4 )) mask=$(( ($3 + 31) / 32 * 4 ))
  expect "$f image $2 byte count" "$bytes" $((40 + 4 * colours + ($stride + $mask) * $3))
}

ICO=$WORK/lumagrove.ico
expect "icon type" "$(u16 "$ICO" 2)" 1
expect "icon count" "$(u16 "$ICO" 4)" 2
check_entry "$ICO" 0 32 24
check_entry "$ICO" 1 16 24
expect "icon entry 0 bit count" "$(u16 "$ICO" 12)" 24
expect "icon frames" "$(identify -format '%wx%h ' "$ICO")" "32x32 16x16 "
# Corners see the desktop, the middle of the picture does not.
for frame in 0 1; do
  expect "icon $frame corner alpha" "$(convert "$ICO[$frame]" -format '%[fx:p{0,0}.a]' info:)" 0
  expect "icon $frame centre alpha" "$(convert "$ICO[$frame]" -format '%[fx:p{w/2,h/2}.a]' info:)" 1
done

# check_cursor FILE HOTX HOTY: a 32x32 monochrome cursor whose hot spot is
# where it should be and lies on a drawn pixel.
check_cursor() {
  expect "$1 type" "$(u16 "$1" 2)" 2
  expect "$1 count" "$(u16 "$1" 4)" 1
  check_entry "$1" 0 32 1
  expect "$1 hot spot" "$(u16 "$1" 10),$(u16 "$1" 12)" "$2,$3"
  expect "$1 hot spot drawn" "$(convert "$1" -format "%[fx:p{$2,$3}.a]" info:)" 1
  expect "$1 read back" "$(identify -format '%m %wx%h' "$1")" "CUR 32x32"
}
check_cursor "$WORK/hand.cur" 16 17
check_cursor "$WORK/cross.cur" 15 15

BMP=$WORK/toolbar.bmp
expect "toolbar magic" "$(head -c 2 "$BMP")" BM
expect "toolbar file size field" "$(u32 "$BMP" 2)" "$(size "$BMP")"
expect "toolbar pixel offset" "$(u32 "$BMP" 10)" $((14 + 40 + 64))
expect "toolbar bits" "$(u16 "$BMP" 28)" 4
expect "toolbar read back" "$(identify -format '%wx%h' "$BMP")" 256x15
# Every one of the sixteen pictures is drawn, on the button face.
i=0
while [ $i -lt 16 ]; do
  drawn=$(convert "$BMP" -crop 16x15+$((i * 16))+0 +repage txt:- | grep -vc -e '#C0C0C0' -e '^#')
  [ "$drawn" -ge 30 ] || fail "toolbar image $i has only $drawn drawn pixels"
  i=$((i + 1))
done
expect "toolbar background" "$(convert "$BMP" -format '%[hex:p{0,0}]' info:)" C0C0C0

[ $FAILED -eq 0 ] && echo "artwork files are sound"
exit $FAILED
