#!/bin/sh
# make bench: times lumagrove beside cp, ImageMagick, GraphicsMagick and
# libvips on one 24-megapixel photo-like picture, in one run:
#   1. BMP -> BMP conversion (24 bits in, 24 bits out)
#   2. reduction to 256 colours with Floyd-Steinberg dithering, with the mean
#      absolute error of every tool's result against the original (per
#      channel, 0..255, by quantize_bench --error); lumagrove twice: the median
#      cut and "Better colour reduction"
#   3. GIF decoding: ImageMagick's 256-colour GIF of the picture to an 8-bit BMP
#   4. GIF encoding: that 8-bit BMP to GIF, with the size of every tool's file
#   5. JPEG -> BMP: the picture as a quality-90 JPEG (djpeg -bmp is the floor)
#   6. PNG -> BMP: the picture as ImageMagick writes it in PNG
#  6b. JPEG -> PNG: that JPEG written as PNG, with the size of every file
#   7. TIFF -> BMP: the picture as ImageMagick writes it in LZW-compressed TIFF
#  7c. Targa -> BMP and PCX -> BMP: the picture as ImageMagick writes them
#      (run-length coded)
#  7b. WebP -> BMP: the picture as cwebp writes it at quality 90 (dwebp -bmp
#      is the floor)
# Prints the best of BENCH_RUNS runs (default 3) per tool; a run longer than
# 10 s is not repeated. Tools that cannot be had are skipped. Workloads and
# results are kept under build/bench/.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
OUT="$ROOT/build/bench"
RUNS=${BENCH_RUNS:-3}
WIDTH=6000
HEIGHT=4000
export DEBIAN_FRONTEND=noninteractive
mkdir -p "$OUT"

say() { printf '[bench] %s\n' "$*"; }

# --- tools -----------------------------------------------------------------
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo -n"; fi
todo=""
command -v gm >/dev/null 2>&1 || todo="$todo graphicsmagick"
command -v vips >/dev/null 2>&1 || todo="$todo libvips-tools"
command -v convert >/dev/null 2>&1 || todo="$todo imagemagick"
if [ -n "$todo" ]; then
    say "installing$todo"
    # shellcheck disable=SC2086
    { $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends $todo; } >/dev/null 2>&1 ||
        say "could not install$todo; going on without what is missing"
fi
has() { command -v "$1" >/dev/null 2>&1; }
if ! has convert; then
    say "ImageMagick's convert is needed to make the test picture"
    exit 1
fi

# --- build -----------------------------------------------------------------
# Only what is timed here; the log is shown when the build fails.
[ -f build/release/build.ninja ] || cmake --preset release >"$OUT/build.log" 2>&1
if ! cmake --build build/release -j "${JOBS:-2}" --target lgcore lumagrove >"$OUT/build.log" 2>&1; then
    tail -n 30 "$OUT/build.log"
    say "the release build failed (log: $OUT/build.log)"
    exit 1
fi
LUMAGROVE="$ROOT/build/release/lumagrove"
QBENCH="$OUT/quantize_bench"
LIB="$ROOT/build/release/liblgcore.a"
# newer A B: A was changed after B.
newer() { [ -n "$(find "$1" -newer "$2" 2>/dev/null)" ]; }
if [ ! -x "$QBENCH" ] || newer "$LIB" "$QBENCH" || newer bench/quantize_bench.cpp "$QBENCH"; then
    say "building quantize_bench"
    # shellcheck disable=SC2046
    g++ -O2 -std=c++17 -Wall -Wextra -Isrc bench/quantize_bench.cpp "$LIB" "$ROOT/build/release/liblg_transupp.a" \
        $(pkg-config --libs libtiff-4 libpng libwebpdemux libdeflate 2>/dev/null || echo -ltiff -lpng -lwebpdemux -lwebp -ldeflate) \
        -ljpeg -lz -lpthread -o "$QBENCH"
fi

# --- workload --------------------------------------------------------------
# A plasma field (deterministic seed) over a gradient with a little noise:
# smooth areas, fine detail and tens of thousands of colours, like a photo.
PHOTO="$OUT/photo-${WIDTH}x${HEIGHT}.bmp"
if [ ! -s "$PHOTO" ]; then
    say "making ${WIDTH}x${HEIGHT} test picture"
    convert -seed 7 -size $((WIDTH / 4))x$((HEIGHT / 4)) plasma:fractal -resize "${WIDTH}x${HEIGHT}!" \
        '(' -size "${WIDTH}x${HEIGHT}" gradient:skyblue-darkgreen ')' -compose overlay -composite \
        -seed 7 -attenuate 0.3 +noise Gaussian -type TrueColor BMP3:"$PHOTO.tmp"
    mv "$PHOTO.tmp" "$PHOTO"
fi
# libvips reads PPM itself; its BMP goes through ImageMagick.
PPM="$OUT/photo.ppm"
if [ ! -s "$PPM" ] || newer "$PHOTO" "$PPM"; then convert "$PHOTO" "$PPM"; fi

# --- timing ----------------------------------------------------------------
now_ns() { date +%s%N; }

# best_of CMD...: prints the best wall time in seconds, or "failed".
best_of() {
    best=""
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        start=$(now_ns)
        if ! "$@" >/dev/null 2>"$OUT/last.err"; then
            echo failed
            return
        fi
        t=$(( $(now_ns) - start ))
        if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
        [ "$t" -gt 10000000000 ] && break
        i=$((i + 1))
    done
    awk -v t="$best" 'BEGIN { printf "%.3f", t / 1e9 }'
}

if has hyperfine; then
    best_of() {
        # hyperfine runs the command through no shell (-N); quote nothing.
        if hyperfine -N -r "$RUNS" --export-csv "$OUT/hf.csv" "$*" >/dev/null 2>"$OUT/last.err"; then
            awk -F, 'NR == 2 { printf "%.3f", $7 }' "$OUT/hf.csv"
        else
            echo failed
        fi
    }
fi

ROWS="$OUT/rows.txt"
: >"$ROWS"
# row SECTION TOOL SECONDS [ERROR]
row() { echo "$1|$2|$3|${4:-}" >>"$ROWS"; }

# error FILE: mean absolute error of a result against the original.
error_of() {
    f=$1
    case "$f" in
    *.bmp) "$QBENCH" --error "$PHOTO" "$f" 2>/dev/null || echo "?" ;;
    *) convert "$f" BMP3:"$OUT/check.bmp" && "$QBENCH" --error "$PHOTO" "$OUT/check.bmp" 2>/dev/null || echo "?" ;;
    esac
}

# --- 1. BMP -> BMP -----------------------------------------------------------
say "BMP -> BMP"
row convert lumagrove "$(best_of "$LUMAGROVE" "$PHOTO" "/c=$OUT/lg.bmp")"
row convert cp "$(best_of cp "$PHOTO" "$OUT/cp.bmp")"
row convert "ImageMagick convert" "$(best_of convert "$PHOTO" "BMP3:$OUT/im.bmp")"
if has gm; then row convert "gm convert" "$(best_of gm convert "$PHOTO" "BMP3:$OUT/gm.bmp")"; fi
if has vips; then row convert "vips copy" "$(best_of vips copy "$PHOTO" "$OUT/vips.bmp")"; fi

# --- 2. 256 colours, dithered ----------------------------------------------
say "reduction to 256 colours"
t=$(best_of "$QBENCH" "$PHOTO" "$OUT/lg-256.bmp")
"$QBENCH" "$PHOTO" "$OUT/lg-256.bmp" 2>"$OUT/lg-steps.txt" || true
row quantize lumagrove "$t" "$(error_of "$OUT/lg-256.bmp")"
t=$(best_of "$QBENCH" "$PHOTO" "$OUT/lg-better-256.bmp" 256 better)
"$QBENCH" "$PHOTO" "$OUT/lg-better-256.bmp" 256 better 2>"$OUT/lg-better-steps.txt" || true
row quantize "lumagrove better" "$t" "$(error_of "$OUT/lg-better-256.bmp")"
# Uncompressed output, as ours: both would otherwise choose RLE8.
t=$(best_of convert "$PHOTO" -dither FloydSteinberg -colors 256 -compress None "BMP3:$OUT/im-256.bmp")
row quantize "ImageMagick -colors 256" "$t" "$([ "$t" = failed ] || error_of "$OUT/im-256.bmp")"
if has gm; then
    t=$(best_of gm convert "$PHOTO" -dither -colors 256 -compress None "BMP3:$OUT/gm-256.bmp")
    row quantize "gm convert -colors 256" "$t" "$([ "$t" = failed ] || error_of "$OUT/gm-256.bmp")"
fi
if has vips; then
    # libimagequant through the PNG writer (fastest zlib level), from PPM.
    t=$(best_of vips pngsave "$PPM" "$OUT/vips-256.png" --palette --dither 1 --compression 1)
    row quantize "vips pngsave --palette" "$t" "$([ "$t" = failed ] || error_of "$OUT/vips-256.png")"
fi

# --- 3. and 4. GIF ---------------------------------------------------------
# The 256-colour picture comes from ImageMagick once; every tool writes an
# uncompressed 8-bit BMP from it, and every tool encodes that BMP again.
GIF256="$OUT/photo-256.gif"
BMP256="$OUT/photo-256.bmp"
if [ ! -s "$GIF256" ] || newer "$PHOTO" "$GIF256"; then
    say "making the 256-colour GIF"
    convert "$PHOTO" -dither FloydSteinberg -colors 256 GIF:"$GIF256.tmp"
    mv "$GIF256.tmp" "$GIF256"
fi
if [ ! -s "$BMP256" ] || newer "$GIF256" "$BMP256"; then convert "$GIF256" -compress None BMP3:"$BMP256"; fi
say "GIF decoding"
row gifdec lumagrove "$(best_of "$LUMAGROVE" "$GIF256" "/c=$OUT/lg-gif.bmp")"
row gifdec "ImageMagick convert" "$(best_of convert "$GIF256" -compress None "BMP3:$OUT/im-gif.bmp")"
if has gm; then row gifdec "gm convert" "$(best_of gm convert "$GIF256" -compress None "BMP3:$OUT/gm-gif.bmp")"; fi
say "GIF encoding"
# size FILE: megabytes, three decimals.
size_of() { [ -s "$1" ] && awk -v b="$(wc -c <"$1")" 'BEGIN { printf "%.3f MB", b / 1e6 }' || echo "?"; }
t=$(best_of "$LUMAGROVE" "$BMP256" "/c=$OUT/lg-enc.gif")
row gifenc lumagrove "$t" "$(size_of "$OUT/lg-enc.gif")"
t=$(best_of convert "$BMP256" "GIF:$OUT/im-enc.gif")
row gifenc "ImageMagick convert" "$t" "$(size_of "$OUT/im-enc.gif")"
if has gm; then
    t=$(best_of gm convert "$BMP256" "GIF:$OUT/gm-enc.gif")
    row gifenc "gm convert" "$t" "$(size_of "$OUT/gm-enc.gif")"
fi

# --- 5. and 6. JPEG and PNG -------------------------------------------------
# The converter reads its settings: a fresh home keeps a greyscale load away.
LUMAGROVE_HOME="$OUT/home"
export LUMAGROVE_HOME
mkdir -p "$LUMAGROVE_HOME"
JPEG="$OUT/photo.jpg"
PNG="$OUT/photo.png"
if has cjpeg && { [ ! -s "$JPEG" ] || newer "$PPM" "$JPEG"; }; then cjpeg -quality 90 "$PPM" >"$JPEG"; fi
if [ ! -s "$PNG" ] || newer "$PPM" "$PNG"; then convert "$PPM" "$PNG"; fi
# decode SECTION INPUT: every tool writes a 24-bit BMP.
decode() {
    row "$1" lumagrove "$(best_of "$LUMAGROVE" "$2" "/c=$OUT/lg-$1.bmp")"
    if [ "$1" = jpeg ] && has djpeg; then row "$1" "djpeg -bmp" "$(best_of djpeg -bmp -outfile "$OUT/dj-$1.bmp" "$2")"; fi
    if [ "$1" = webp ]; then row "$1" "dwebp -bmp" "$(best_of dwebp -quiet -bmp "$2" -o "$OUT/dj-$1.bmp")"; fi
    row "$1" "ImageMagick convert" "$(best_of convert "$2" "BMP3:$OUT/im-$1.bmp")"
    if has gm; then row "$1" "gm convert" "$(best_of gm convert "$2" "BMP3:$OUT/gm-$1.bmp")"; fi
    if has vips; then row "$1" "vips copy" "$(best_of vips copy "$2" "$OUT/vips-$1.bmp")"; fi
}
if [ -s "$JPEG" ]; then
    say "JPEG -> BMP"
    decode jpeg "$JPEG"
fi
say "PNG -> BMP"
decode png "$PNG"
# --- 6b. JPEG -> PNG: time and file size (the PNG writer's settings) ---------
if [ -s "$JPEG" ]; then
    say "JPEG -> PNG"
    for t in lumagrove convert gm vips; do
        case $t in
        lumagrove) tool=lumagrove; set -- "$LUMAGROVE" "$JPEG" "/c=$OUT/lg-topng.png" ;;
        convert) tool="ImageMagick convert"; set -- convert "$JPEG" "$OUT/im-topng.png" ;;
        gm) has gm || continue; tool="gm convert"; set -- gm convert "$JPEG" "$OUT/gm-topng.png" ;;
        vips) has vips || continue; tool="vips copy"; set -- vips copy "$JPEG" "$OUT/vips-topng.png" ;;
        esac
        tm=$(best_of "$@")
        eval "f=\${$#}"; f=${f#/c=}
        row topng "$tool" "$tm" "$(size_of "$f")"
    done
fi

# --- 7. TIFF ---------------------------------------------------------------
TIFF="$OUT/photo-lzw.tif"
if [ ! -s "$TIFF" ] || newer "$PPM" "$TIFF"; then convert "$PPM" -compress LZW "$TIFF"; fi
say "TIFF (LZW) -> BMP"
decode tiff "$TIFF"

# --- 7c. Targa and PCX (libvips reads neither without ImageMagick's loader) ---
for kind in tga pcx; do
    f="$OUT/photo.$kind"
    if [ ! -s "$f" ] || newer "$PPM" "$f"; then convert "$PPM" -compress RLE "$f"; fi
    say "$kind -> BMP"
    decode "$kind" "$f"
done

# --- 7b. WebP ---------------------------------------------------------------
WEBP="$OUT/photo.webp"
if has cwebp && has dwebp; then
    if [ ! -s "$WEBP" ] || newer "$PPM" "$WEBP"; then cwebp -quiet -q 90 "$PPM" -o "$WEBP"; fi
    say "WebP -> BMP"
    decode webp "$WEBP"
fi

# --- table -----------------------------------------------------------------
echo
echo "Picture: ${WIDTH}x${HEIGHT}, 24 bits ($(($(wc -c <"$PHOTO") / 1000000)) MB BMP); best of $RUNS runs"
echo "(ratio = tool time / lumagrove time; error = mean absolute difference per channel from the original)"
awk -F'|' '
    function head(title, last) { printf "\n%s\n%-28s %9s %8s %10s\n", title, "tool", "time s", "ratio", last }
    $1 == "convert" && !c { head("1. BMP -> BMP", ""); c = 1 }
    $1 == "quantize" && !q { head("2. 256 colours, Floyd-Steinberg", "error"); q = 1 }
    $1 == "gifdec" && !d { head("3. GIF (256 colours) -> 8-bit BMP", ""); d = 1 }
    $1 == "gifenc" && !e { head("4. 8-bit BMP -> GIF", "file"); e = 1 }
    $1 == "jpeg" && !j { head("5. JPEG (quality 90) -> BMP", ""); j = 1 }
    $1 == "png" && !p { head("6. PNG -> BMP", ""); p = 1 }
    $1 == "topng" && !g { head("6b. JPEG (quality 90) -> PNG", "file"); g = 1 }
    $1 == "tiff" && !t { head("7. TIFF (LZW) -> BMP", ""); t = 1 }
    $1 == "tga" && !a { head("7c. Targa (RLE) -> BMP", ""); a = 1 }
    $1 == "pcx" && !x { head("7c. PCX (RLE) -> BMP", ""); x = 1 }
    $1 == "webp" && !w { head("7b. WebP (quality 90) -> BMP", ""); w = 1 }
    $2 == "lumagrove" { base = $3 }
    $1 == "quantize" && $2 == "lumagrove better" { bt = $3; be = $4 }
    $1 == "quantize" && $2 == "ImageMagick -colors 256" { it = $3; ie = $4 }
    {
        ratio = ($3 == "failed" || base == "failed" || base == 0) ? "-" : sprintf("%.2f", $3 / base)
        printf "%-28s %9s %8s %10s\n", $2, $3, ratio, ($1 == "quantize" || $1 == "gifenc" || $1 == "topng" ? $4 : "")
    }
    END {
        if (bt != "" && it != "" && bt != "failed" && it != "failed" && it > 0 && ie > 0)
            printf "\nBetter colour reduction / ImageMagick -colors 256: time %.2f, error %.2f (goals: <= 0.5, < 1)\n", bt / it, be / ie
    }
' "$ROWS"
echo
echo "lumagrove 256 colours, steps: $(cat "$OUT/lg-steps.txt")"
# The results take half a gigabyte; the workload stays for the next run.
rm -f "$OUT"/lg*.bmp "$OUT"/cp.bmp "$OUT"/im*.bmp "$OUT"/gm*.bmp "$OUT"/vips*.bmp "$OUT"/vips*.png "$OUT"/check.bmp \
    "$OUT"/*-enc.gif "$OUT"/dj-*.bmp "$OUT"/*-topng.png

# --- 8. onwards: image operations and the batch -----------------------------
sh "$ROOT/bench/ops.sh"
sh "$ROOT/bench/batch.sh"
