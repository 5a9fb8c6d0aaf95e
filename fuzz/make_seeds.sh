#!/bin/sh
# Writes small hand-made seeds for the fuzz targets into OUTDIR: the BMP cases
# the picture tools do not write (RLE4, RLE8 with deltas and absolute runs,
# top-down rows, 16-bit files without and with bit fields behind a short
# header), clipboard files and an animated cursor.
# With a second argument, the .bmp files of that directory are copied in too.
# Usage: fuzz/make_seeds.sh OUTDIR [TESTDATA_DIR]
set -eu

[ $# -ge 1 ] || { echo "usage: $0 OUTDIR [TESTDATA_DIR]" >&2; exit 2; }
OUT=$1
mkdir -p "$OUT"

# Bytes given in hex.
hex() {
    for b in "$@"; do
        # shellcheck disable=SC2059
        printf "\\$(printf %03o "0x$b")"
    done
}
le16() { hex "$(printf %02x $(($1 & 255)))" "$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# bmp_head WIDTH HEIGHT BITS COMPRESSION COLOURS DATA_OFFSET
bmp_head() {
    hex 42 4d; le32 0; le32 0; le32 "$6"
    le32 40; le32 "$1"; le32 "$2"; le16 1; le16 "$3"
    le32 "$4"; le32 0; le32 2835; le32 2835; le32 "$5"; le32 0
}
grey_table() {
    i=0
    while [ "$i" -lt "$1" ]; do
        v=$(printf %02x $((i * 255 / ($1 - 1))))
        hex "$v" "$v" "$v" 00
        i=$((i + 1))
    done
}

{ bmp_head 6 3 4 2 16 118; grey_table 16
  hex 00 03 12 30 03 45 00 00 00 02 01 01 00 05 9a bc d0 00 04 0f 00 01; } > "$OUT/seed_rle4.bmp"
{ bmp_head 7 3 8 1 4 70; grey_table 4
  hex 03 01 00 03 02 03 01 00 00 00 00 02 02 01 02 03 00 01; } > "$OUT/seed_rle8.bmp"
{ bmp_head 3 -2 24 0 0 54
  hex ff 00 00 00 ff 00 00 00 ff 00 00 00 10 20 30 40 50 60 70 80 90 00 00 00; } > "$OUT/seed_topdown.bmp"
{ bmp_head 3 2 16 0 0 54
  hex ff 7f 1f 00 e0 03 00 00 00 7c 00 80 ff ff 00 00; } > "$OUT/seed_555.bmp"
{ bmp_head 3 2 16 3 0 66; le32 63488; le32 2016; le32 31
  hex 00 f8 e0 07 1f 00 00 00 ff ff 00 00 20 08 00 00; } > "$OUT/seed_565.bmp"
{ hex 42 4d; le32 0; le32 0; le32 32; le32 12; le16 5; le16 2; le16 1; le16 1
  hex 00 00 00 ff ff ff a8 00 00 00 50 00 00 00; } > "$OUT/seed_os2.bmp"

# A clipboard file holding a 2 x 2 8-bit bitmap of a 2-colour table, and a
# 3 x 1 16-bit one.
{ le16 50000; le16 1; le16 8; le32 56; le32 93; head -c 79 /dev/zero
  le32 40; le32 2; le32 2; le16 1; le16 8; le32 0; le32 0; le32 0; le32 0; le32 2; le32 0
  hex 00 00 00 00 ff ff ff 00 00 01 00 00 01 00 00 00; } > "$OUT/seed_dib.clp"
{ le16 50000; le16 1; le16 8; le32 48; le32 93; head -c 79 /dev/zero
  le32 40; le32 3; le32 1; le16 1; le16 16; le32 0; le32 0; le32 0; le32 0; le32 0; le32 0
  hex 00 7c 1f 00 e0 03 00 00; } > "$OUT/seed_555.clp"
# An animated cursor: two steps over one icon of the test pictures.
if [ $# -ge 2 ] && [ -f "$2/ic_b4.ico" ]; then
    ico=$(wc -c < "$2/ic_b4.ico")
    pad=$((ico % 2))
    fram=$((12 + ico + pad))
    { printf RIFF; le32 $((4 + 44 + 8 + fram)); printf ACON
      printf anih; le32 36; le32 36; le32 1; le32 2; le32 0; le32 0; le32 0; le32 0; le32 10; le32 1
      printf LIST; le32 "$fram"; printf fram; printf icon; le32 "$ico"; cat "$2/ic_b4.ico"
      [ "$pad" = 0 ] || hex 00; } > "$OUT/seed_cursor.ani"
fi

# The TIFF structure of an Exif block (the target puts the identifier in
# front): big-endian, one IFD with orientation 6 and a next-IFD link that
# points back at itself.
{ hex 4d 4d 00 2a 00 00 00 08 00 01 01 12 00 03 00 00 00 01 00 06 00 00 00 00 00 08; } > "$OUT/seed_exif.tif"

if [ $# -ge 2 ]; then
    for f in "$2"/*.bmp; do
        [ -f "$f" ] && cp "$f" "$OUT/"
    done
fi
exit 0
