#!/bin/sh
# The converter as a user runs it: exit status and messages for good and bad
# command lines. Usage: cli_test.sh LUMAGROVE_BINARY
set -u
BIN=$1
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
# The converter reads the save options from its settings file: a scratch one,
# never the user's.
export LUMAGROVE_HOME="$DIR/home"
pass=0
fail=0

check() {  # name, expected status, expected text in stderr (may be empty), command...
    name=$1 want=$2 text=$3
    shift 3
    "$@" >"$DIR/out" 2>"$DIR/err"
    got=$?
    if [ "$got" != "$want" ]; then
        echo "FAIL $name: status $got, expected $want"; cat "$DIR/err"; fail=$((fail + 1)); return
    fi
    if [ -n "$text" ] && ! grep -qF -- "$text" "$DIR/err"; then
        echo "FAIL $name: stderr lacks '$text'"; cat "$DIR/err"; fail=$((fail + 1)); return
    fi
    pass=$((pass + 1))
}

convert -size 30x20 gradient:red-blue -type truecolor "BMP3:$DIR/in.bmp"
mkdir -p "$DIR/with space" "$DIR/out dir"
cp "$DIR/in.bmp" "$DIR/with space/a b.bmp"

check converts 0 "" "$BIN" "$DIR/in.bmp" "/c=$DIR/out.bmp"
[ "$(convert "$DIR/in.bmp" ppm:- | md5sum)" = "$(convert "$DIR/out.bmp" ppm:- | md5sum)" ] ||
    { echo "FAIL converts: pixels differ"; fail=$((fail + 1)); }
check paths-with-blanks-and-slashes 0 "" "$BIN" "$DIR/with space/a b.bmp" "/c=$DIR/out dir/c d.bmp"
[ -f "$DIR/out dir/c d.bmp" ] || { echo "FAIL no output in a folder with a blank"; fail=$((fail + 1)); }
check missing-input 1 "Error! Can't load" "$BIN" "$DIR/none.bmp" "/c=$DIR/x.bmp"
check directory-as-input 1 "Error! Can't load" "$BIN" "$DIR" "/c=$DIR/x.bmp"
check unknown-ending 1 "Unsupported save type" "$BIN" "$DIR/in.bmp" "/c=$DIR/x.xyz"
check unwritable-dir 1 "Can't create file" "$BIN" "$DIR/in.bmp" "/c=$DIR/no/such/dir/x.bmp"
check no-arguments 2 "usage" "$BIN"
check no-output 2 "no output file" "$BIN" "$DIR/in.bmp"
check empty-output 2 "no output file" "$BIN" "$DIR/in.bmp" "/c="
check unknown-option 2 "unknown option" "$BIN" "$DIR/in.bmp" "/zz" "/c=$DIR/x.bmp"
check version 0 "" "$BIN" --version
grep -q "libjpeg" "$DIR/out" || { echo "FAIL version text"; fail=$((fail + 1)); }

# Names in any language, in and out, one at a time and in a batch.
mkdir -p "$DIR/Φωτογραφίες 写真 📷"
convert -size 36x24 xc:'#30a050' -fill '#f0e020' -draw 'rectangle 0,0 35,5' PNG24:"$DIR/Φωτογραφίες 写真 📷/写真 2026.png"
cp "$DIR/in.bmp" "$DIR/Φωτογραφίες 写真 📷/Ελληνικά.bmp"
check foreign-names 0 "" "$BIN" "$DIR/Φωτογραφίες 写真 📷/写真 2026.png" "/c=$DIR/Φωτογραφίες 写真 📷/📷 café.bmp"
[ "$(convert "$DIR/Φωτογραφίες 写真 📷/写真 2026.png" ppm:- | md5sum)" = \
  "$(convert "$DIR/Φωτογραφίες 写真 📷/📷 café.bmp" ppm:- | md5sum)" ] ||
    { echo "FAIL foreign-names: pixels differ"; fail=$((fail + 1)); }
check foreign-names-batch 0 "" "$BIN" "$DIR/Φωτογραφίες 写真 📷/Ελληνικά.bmp" "$DIR/Φωτογραφίες 写真 📷/写真 2026.png" \
    "/batch=$DIR/转换 μετατροπή" /type=png
[ "$(convert "$DIR/in.bmp" ppm:- | md5sum)" = "$(convert "$DIR/转换 μετατροπή/Ελληνικά.PNG" ppm:- | md5sum)" ] &&
  [ -f "$DIR/转换 μετατροπή/写真 2026.PNG" ] || { echo "FAIL foreign-names-batch"; ls "$DIR"/*; fail=$((fail + 1)); }

# A failed save leaves the file it would have replaced.
printf 'keep' > "$DIR/keep.gif"
"$BIN" "$DIR/none.bmp" "/c=$DIR/keep.gif" 2>/dev/null
[ "$(cat "$DIR/keep.gif")" = keep ] || { echo "FAIL existing file destroyed"; fail=$((fail + 1)); }

# JPEG to BMP goes from the decoder straight into the file, band by band:
# djpeg's pixels (the same fast settings). A damaged JPEG is reported and
# leaves the file it would have replaced, and nothing beside it.
convert -size 203x1301 -seed 2 plasma:fractal -quality 90 "$DIR/photo.jpg"
check jpeg-to-bmp 0 "" "$BIN" "$DIR/photo.jpg" "/c=$DIR/photo.bmp"
djpeg -dct fast -nosmooth -bmp "$DIR/photo.jpg" >"$DIR/dj.bmp"
[ "$(tail -c +55 "$DIR/photo.bmp" | md5sum)" = "$(tail -c +55 "$DIR/dj.bmp" | md5sum)" ] ||
    { echo "FAIL jpeg-to-bmp: not djpeg's pixels"; fail=$((fail + 1)); }
head -c 150 "$DIR/photo.jpg" >"$DIR/damaged.jpg"
cp "$DIR/photo.bmp" "$DIR/photo.copy"
check damaged-jpeg 1 "Error! Can't load: $DIR/damaged.jpg (" "$BIN" "$DIR/damaged.jpg" "/c=$DIR/photo.bmp"
cmp -s "$DIR/photo.bmp" "$DIR/photo.copy" && [ -z "$(find "$DIR" -maxdepth 1 -name '*.tmp')" ] ||
    { echo "FAIL damaged-jpeg: the old file changed or a temporary file stayed"; fail=$((fail + 1)); }

# The batch form: several inputs, one output directory, existing outputs kept.
mkdir -p "$DIR/batch/out"
printf 'keep' > "$DIR/batch/out/in.PNG"
check batch-keeps-existing 1 "" \
    "$BIN" "$DIR/in.bmp" "$DIR/with space/a b.bmp" "/batch=$DIR/batch/out" /type=png
[ "$(cat "$DIR/batch/out/in.PNG")" = keep ] || { echo "FAIL batch replaced an output"; fail=$((fail + 1)); }
[ -f "$DIR/batch/out/a b.PNG" ] || { echo "FAIL batch wrote no a b.PNG"; fail=$((fail + 1)); }
grep -q "^Error: Destination file already exists: .*in.PNG$" "$DIR/out" &&
    grep -q "^1 errors$" "$DIR/out" || { echo "FAIL batch lines"; cat "$DIR/out"; fail=$((fail + 1)); }
check batch-new-directory 0 "" "$BIN" "$DIR/in.bmp" "/batch=$DIR/batch/new/deeper"
[ -f "$DIR/batch/new/deeper/in.JPG" ] || { echo "FAIL batch made no directory"; fail=$((fail + 1)); }
check batch-unknown-type 2 "unknown output type" "$BIN" "$DIR/in.bmp" "/batch=$DIR/batch" /type=avif
# WebP both ways: the batch writes one, dwebp reads it, the converter reads it back.
check batch-webp 0 "" "$BIN" "$DIR/in.bmp" "/batch=$DIR/batch" /type=webp
dwebp -quiet "$DIR/batch/in.WEBP" -ppm -o "$DIR/webp.ppm" || { echo "FAIL dwebp reads no batch WebP"; fail=$((fail + 1)); }
check webp-to-bmp 0 "" "$BIN" "$DIR/batch/in.WEBP" "/c=$DIR/webp.bmp"
[ "$(convert "$DIR/webp.bmp" -depth 8 rgb:- | md5sum)" = "$(convert "$DIR/webp.ppm" -depth 8 rgb:- | md5sum)" ] ||
    { echo "FAIL the BMP from WebP is not what dwebp decodes"; fail=$((fail + 1)); }

# Saving a photo as GIF reduces its colours: with [Others] BetterReduction=1
# the converter and its batch both use the better reduction, whose error
# (ImageMagick's compare) is below the median cut's.
convert -seed 5 -size 60x40 plasma:fractal -resize '240x160!' -type truecolor "BMP3:$DIR/photo.bmp"
check gif-median-cut 0 "" "$BIN" "$DIR/photo.bmp" "/c=$DIR/cut.gif"
mkdir -p "$DIR/home"
printf '[Others]\nBetterReduction=1\n' >"$DIR/home/LUMAGR32.INI"
check gif-better 0 "" "$BIN" "$DIR/photo.bmp" "/c=$DIR/better.gif"
check gif-better-batch 0 "" "$BIN" "$DIR/photo.bmp" "/batch=$DIR/better" /type=gif
rm -f "$DIR/home/LUMAGR32.INI"
mae() { compare -metric MAE "$DIR/photo.bmp" "$1" null: 2>&1 | sed 's/.*(\(.*\)).*/\1/'; }
awk -v a="$(mae "$DIR/better.gif")" -v b="$(mae "$DIR/cut.gif")" 'BEGIN { exit !(a > 0 && a < b) }' ||
    { echo "FAIL better reduction: error $(mae "$DIR/better.gif") against $(mae "$DIR/cut.gif")"; fail=$((fail + 1)); }
[ "$(convert "$DIR/better.gif" rgb:- | md5sum)" = "$(convert "$DIR/better/photo.GIF" rgb:- | md5sum)" ] ||
    { echo "FAIL the batch's better GIF differs"; fail=$((fail + 1)); }

echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
