#!/bin/sh
# Failing disks: every write aimed at a full file system, a read-only one and a
# read-only target, and the converter killed part way through a write. After
# each: the file that was there is byte for byte intact, no partial file stands
# under a target name, a leftover temporary file is recognisable by its name
# ("~NAME.N.tmp"), and the failure was reported (exit status 1 and a message).
#
# Usage: fault_injection.sh LUMAGROVE LGTESTS [WINE_RUN]
# With WINE_RUN (scripts/wine-run.sh) the two programs are Windows builds and
# run under Wine, writing through drive Z:.
# Mounts need root. Natively the script runs itself again in a mount namespace
# of its own (as root, or as the root of a user namespace), so nothing it
# mounts is seen outside and every mount goes away with it. Under Wine the
# files are opened by the wineserver, which runs outside any namespace the test
# could make: the mounts are then made where every process sees them, below a
# temporary directory, and taken down on the way out. Exit 77 (skipped) when
# none of this is possible.
set -u
RUN=${3:-}
if [ -n "$RUN" ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "SKIP: mounting a tmpfs that Wine's server sees needs root"
        exit 77
    fi
elif [ "${LG_FI_INSIDE:-}" != 1 ]; then
    export LG_FI_INSIDE=1
    if [ "$(id -u)" = 0 ]; then exec unshare -m --propagation private sh "$0" "$@"; fi
    if unshare -rm true 2>/dev/null; then exec unshare -rm sh "$0" "$@"; fi
    echo "SKIP: mounting a tmpfs needs root or user namespaces"
    exit 77
fi
BIN=$1
TESTS=$2
DIR=$(mktemp -d)
# The programs: run directly, or under Wine with paths on drive Z:.
if [ -n "$RUN" ]; then
    p() { printf 'Z:%s' "$1" | tr / '\\'; }
    conv() { "$RUN" "$BIN" "$@"; }
    tests() { "$RUN" "$TESTS" "$@"; }
else
    p() { printf '%s' "$1"; }
    conv() { "$BIN" "$@"; }
    tests() { "$TESTS" "$@"; }
fi
cleanup() {
    # Lazily where Wine's server may still hold a directory open.
    for m in "$DIR"/full "$DIR"/part "$DIR"/ro "$DIR"/big "$DIR"/half "$DIR"/halfro; do
        while mountpoint -q "$m"; do umount "$m" 2>/dev/null || umount -l "$m"; done
    done
    rm -rf "$DIR"
}
trap cleanup EXIT
export LUMAGROVE_HOME="$DIR/home"
pass=0
fail=0
ok() { pass=$((pass + 1)); }
bad() { echo "FAIL $*"; fail=$((fail + 1)); }

# The pictures: noise does not compress, so no output fits in the room left.
mkdir -p "$DIR/inputs"
convert -size 400x300 xc: +noise Random -type truecolor "BMP3:$DIR/in.bmp"
convert -size 300x200 xc: +noise Random -type truecolor "BMP3:$DIR/in2.bmp"
convert -size 400x300 xc: +noise Random -quality 95 "$DIR/in.jpg"
convert -size 300x200 xc:red xc:lime xc:blue -loop 0 "$DIR/inputs/anim.gif"
convert -size 300x200 xc:red xc:lime xc:blue "$DIR/inputs/pages.tif"

TYPES="bmp jpg png tif gif pcx ico emf lwf webp"
# A mount with one file of every save type, a misnamed file and a settings
# file in it; then `room` bytes are left free (0: none).
prepare() {  # dir, room in KiB
    mkdir -p "$1"
    mount -t tmpfs -o size=1m tmpfs "$1" || { echo "cannot mount a tmpfs"; exit 1; }
    for t in $TYPES; do head -c 3000 /dev/urandom >"$1/original.$t"; done
    cp "$DIR/in2.bmp" "$1/misnamed.gif"
    printf '[Viewing]\r\nKey=old\r\n' >"$1/settings.ini"
    mkdir "$1/batch"
    dd if=/dev/zero of="$1/zz_fill" bs=1k 2>/dev/null
    [ "$2" = 0 ] || truncate -s "-$2k" "$1/zz_fill"
}
# Names, sizes and contents of every file below a directory.
state() { (cd "$1" && find . -type f | sort | xargs md5sum); }

prepare "$DIR/full" 0
prepare "$DIR/part" 32
prepare "$DIR/ro" 200
mount -o remount,ro "$DIR/ro"

# The converter: a single conversion to every type, and a batch conversion.
# Under Wine, where each start costs seconds, three types: the in-process
# tests below try every writer there.
if [ -n "$RUN" ]; then CONVERT_TYPES="bmp png emf"; else CONVERT_TYPES=$TYPES; fi
for m in full part ro; do
    before=$(state "$DIR/$m")
    for t in $CONVERT_TYPES; do
        for name in original new; do
            conv "$(p "$DIR/in.bmp")" "/c=$(p "$DIR/$m/$name.$t")" >/dev/null 2>"$DIR/err"
            st=$?
            if [ "$t" = emf ] || [ "$t" = lwf ] && grep -q "not supported in this build\|Unsupported save type" "$DIR/err"; then :
            elif [ $st != 1 ] || [ ! -s "$DIR/err" ]; then bad "$m $name.$t: status $st, message '$(cat "$DIR/err")'"
            else ok; fi
            [ "$(state "$DIR/$m")" = "$before" ] && ok || bad "$m $name.$t: the disk changed"
        done
    done
    # JPEG to BMP goes straight from the decoder into the file, band by band.
    for name in original new; do
        conv "$(p "$DIR/in.jpg")" "/c=$(p "$DIR/$m/$name.bmp")" >/dev/null 2>"$DIR/err"
        st=$?
        [ $st = 1 ] && grep -q "BMP Save error" "$DIR/err" && ok || bad "$m jpg to $name.bmp: status $st, message '$(cat "$DIR/err")'"
        [ "$(state "$DIR/$m")" = "$before" ] && ok || bad "$m jpg to $name.bmp: the disk changed"
    done
    conv "$(p "$DIR/in.bmp")" "$(p "$DIR/in2.bmp")" "/batch=$(p "$DIR/$m/batch")" /type=PNG >"$DIR/out" 2>&1
    st=$?
    [ $st = 1 ] && grep -q "2 errors" "$DIR/out" && ok || bad "$m batch: status $st: $(cat "$DIR/out")"
    [ "$(state "$DIR/$m")" = "$before" ] && ok || bad "$m batch: the disk changed"
done

# Batches whose disk fills, or turns read-only, halfway (the large pictures
# take 0.8 MB each in PNG, the small ones a page). Every file is
# reported once; an output written is whole (the bytes of the same batch into
# a roomy directory); a failed one leaves nothing, not even a temporary file;
# a small file after the disk filled still converts; status 1.
mkdir -p "$DIR/hb" "$DIR/ref"
for i in 0 1 2 3 4 5 6 7 8 9; do
    if [ $((i % 2)) = 0 ]; then convert -size 600x450 xc: +noise Random -type truecolor "BMP3:$DIR/hb/n$i.bmp"
    else convert -size 200x150 xc:teal -type truecolor "BMP3:$DIR/hb/f$i.bmp"; fi
done
hb=$(cd "$DIR/hb" && ls)
# batch_args DIR: the ten pictures into DIR as PNG.
batch_args() { for f in $hb; do p "$DIR/hb/$f"; echo; done; printf '/batch=%s\n/type=PNG\n' "$(p "$1")"; }
# check_batch NAME DIR OUTPUT STATUS: the report against the disk.
check_batch() {
    tr -d '\r' <"$3" >"$3.lines"  # Windows programs end lines in CR LF
    set -- "$1" "$2" "$3.lines" "$4" "${5:-}"
    [ "$4" = 1 ] && ok || bad "$1: status $4"
    [ "$(grep -c '^Converting: ' "$3")" = "$(echo "$hb" | wc -l)" ] && ok || bad "$1: not one line per file: $(cat "$3")"
    for f in $hb; do
        [ "$(grep -c -F -x "Converting: $(p "$DIR/hb/$f")" "$3")" = 1 ] && ok || bad "$1: $f reported $(grep -c "$f" "$3") times"
        out="${f%.bmp}.PNG"
        result=$(grep -A1 -F -x "Converting: $(p "$DIR/hb/$f")" "$3" | tail -n 1)
        if [ "$result" = "... Ok" ]; then
            cmp -s "$2/$out" "$DIR/ref/$out" && ok || bad "$1: $out reported written but damaged or missing"
        else
            [ ! -e "$2/$out" ] && ok || bad "$1: $out failed ($result) but stands there"
        fi
    done
    # A write in flight when the directory turned read-only cannot take its
    # temporary file away: a recognisable name is all that may be left.
    [ -z "$(find "$2" -mindepth 1 ! -name '*.PNG' ! -name "${5:-*.PNG}")" ] && ok || bad "$1: left $(ls -A "$2")"
}
# shellcheck disable=SC2046
(IFS='
'; conv $(batch_args "$DIR/ref")) >/dev/null 2>&1 || bad "reference batch"
mkdir -p "$DIR/half"
mount -t tmpfs -o size=1200k tmpfs "$DIR/half"
# shellcheck disable=SC2046
(IFS='
'; conv $(batch_args "$DIR/half")) >"$DIR/out" 2>&1
st=$?
check_batch "disk full halfway" "$DIR/half" "$DIR/out" $st
# The small pictures fit after the disk filled; some large ones did not.
[ "$(find "$DIR/half" -name 'f*' | wc -l)" = 5 ] && ok || bad "disk full halfway: small pictures not all written"
large=$(find "$DIR/half" -name 'n*' | wc -l)
[ "$large" -lt 5 ] && [ "$large" -gt 0 ] && ok ||
    bad "disk full halfway: the disk did not fill halfway: $(ls "$DIR/half")"
# Read-only once the first output stands: a read-only view of the directory
# is mounted over it (files open for writing there keep their way out, but
# no name can be made, renamed or removed any more).
mkdir -p "$DIR/halfro"
mount -t tmpfs -o size=16m tmpfs "$DIR/halfro"
# shellcheck disable=SC2046
(IFS='
'; set -- $(batch_args "$DIR/halfro"); if [ -z "$RUN" ]; then exec "$BIN" "$@"; else conv "$@"; fi) >"$DIR/out" 2>&1 &
pid=$!
turned=0
# Natively the converter is held at each look (it cannot run on while the
# mount turns); under Wine the process started is a script, and the race is run.
while kill -0 $pid 2>/dev/null; do
    [ -z "$RUN" ] && kill -STOP $pid 2>/dev/null
    if [ -n "$(find "$DIR/halfro" -name '*.PNG')" ]; then
        mount --bind "$DIR/halfro" "$DIR/halfro" && mount -o remount,bind,ro "$DIR/halfro" && turned=1
    fi
    [ -z "$RUN" ] && kill -CONT $pid 2>/dev/null
    [ $turned = 1 ] && break
done
wait $pid
st=$?
if [ $turned = 1 ] && [ "$(ls "$DIR/halfro" | wc -l)" -lt 10 ]; then
    check_batch "read-only halfway" "$DIR/halfro" "$DIR/out" $st '~[fn][0-9].PNG.[0-9]*.tmp'
    [ "$(tr -d '\r' <"$DIR/out" | grep -c -F -x '... Ok')" -lt 10 ] && ok || bad "read-only halfway: every file written"
else
    echo "note: the batch ended before its disk turned read-only (not counted)"
fi

# A read-only target in a directory that takes changes.
mkdir -p "$DIR/big"
mount -t tmpfs -o size=256m tmpfs "$DIR/big"
head -c 5000 /dev/urandom >"$DIR/big/locked.png"
chmod 444 "$DIR/big/locked.png"
cp "$DIR/big/locked.png" "$DIR/locked.copy"
conv "$(p "$DIR/in.bmp")" "/c=$(p "$DIR/big/locked.png")" >/dev/null 2>"$DIR/err"
st=$?
[ $st = 1 ] && [ -s "$DIR/err" ] && ok || bad "read-only target: status $st"
cmp -s "$DIR/big/locked.png" "$DIR/locked.copy" && ok || bad "read-only target: changed"
[ "$(ls -A "$DIR/big")" = "locked.png" ] && ok || bad "read-only target: left $(ls -A "$DIR/big")"
rm -f "$DIR/big/locked.png"

# In process: settings, copy, move, rename, delete, every writer, page and
# frame extraction (tests/test_fault_injection.cpp).
for m in full part; do
    LG_FAULT_FULL=$(p "$DIR/$m") LG_FAULT_READONLY=$(p "$DIR/ro") LG_FAULT_INPUTS=$(p "$DIR/inputs") \
        tests --gtest_filter='FaultInjection.*' >"$DIR/gtest" 2>&1
    st=$?
    if [ $st = 0 ] && ! grep -q SKIPPED "$DIR/gtest" && grep -q "PASSED.* 3 tests" "$DIR/gtest"; then ok
    else bad "in-process writes on $m:"; cat "$DIR/gtest"; fi
done

# The converter killed at a range of moments while it writes a large file
# over an existing one: the target is the old file or the whole new one. The
# moments are fractions of the time a whole conversion takes here (Wine's
# start, and under emulation everything, is slower). A BMP to PNG, and a JPEG
# to BMP, whose rows go into the file band by band as they are decoded.
# kill_test INPUT TYPE
kill_test() {
    ref="$DIR/big/reference.$2" target="$DIR/big/target.$2" old="$DIR/old.$2"
    t0=$(date +%s%N)
    conv "$(p "$1")" "/c=$(p "$ref")" >/dev/null || bad "reference conversion to $2"
    took=$(( ($(date +%s%N) - t0) / 1000000 ))  # ms
    head -c 5000 /dev/urandom >"$old"
    hits=0 kills=0
    # In per cent of that time; fewer under Wine, where each start costs seconds.
    if [ -n "$RUN" ]; then fractions="0 20 35 50 60 70 80 90 100 120"
    else fractions="0 2 5 10 15 20 30 40 50 60 70 80 90 100 110 130 160 200"; fi
    for f in $fractions; do
        d=$(awk "BEGIN { printf \"%.3f\", $took * $f / 100000 }")
        for sig in KILL TERM; do
            kills=$((kills + 1))
            cp "$old" "$target"
            if [ -n "$RUN" ]; then
                "$RUN" "$BIN" "$(p "$1")" "/c=$(p "$target")" >/dev/null 2>&1 &
            else
                "$BIN" "$1" "/c=$target" >/dev/null 2>&1 &
            fi
            pid=$!
            sleep "$d"
            kill -s "$sig" "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
            if cmp -s "$target" "$old" || cmp -s "$target" "$ref"; then ok
            else bad "killed ($sig) after ${d}s: target.$2 is neither the old nor the new file"; fi
            others=$(cd "$DIR/big" && ls -A | grep -v -x -e "target.$2" -e "reference.$2")
            strays=$(printf '%s\n' "$others" | grep -c -x "~target\.$2\.[0-9]*\.tmp")
            [ "$strays" -gt 0 ] && hits=$((hits + 1))
            if [ -n "$others" ] && [ "$(printf '%s\n' "$others" | grep -v -c -x "~target\.$2\.[0-9]*\.tmp")" != 0 ]; then
                bad "killed ($sig) after ${d}s: left $others"
            else ok; fi
            (cd "$DIR/big" && rm -f ./~target."$2".*.tmp)
        done
    done
    rm -f "$ref" "$target"
    echo "$2: kills that caught a write in progress (a recognisable temporary file left): $hits of $kills (a whole conversion: $took ms)"
}
convert -size 2400x1600 xc: +noise Random -type truecolor "BMP3:$DIR/large.bmp"
kill_test "$DIR/large.bmp" png
convert "$DIR/large.bmp" -quality 90 "$DIR/large.jpg"
kill_test "$DIR/large.jpg" bmp

echo "fault injection: $pass passed, $fail failed"
[ $fail = 0 ]
