#!/bin/sh
# Failing disks: every write aimed at a full file system, a read-only one and a
# read-only target, and the converter killed part way through a write. After
# each: the file that was there is byte for byte intact, no partial file stands
# under a target name, a leftover temporary file is recognisable by its name
# ("~NAME.N.tmp"), and the failure was reported (exit status 1 and a message).
#
# Usage: fault_injection.sh LUMAGROVE LGTESTS
# Mounts need root: the script runs itself again in a mount namespace of its
# own (as root, or as the root of a user namespace), so nothing it mounts is
# seen outside and every mount goes away with it. Exit 77 (skipped) when
# neither is possible.
set -u
if [ "${LG_FI_INSIDE:-}" != 1 ]; then
    export LG_FI_INSIDE=1
    if [ "$(id -u)" = 0 ]; then exec unshare -m --propagation private sh "$0" "$@"; fi
    if unshare -rm true 2>/dev/null; then exec unshare -rm sh "$0" "$@"; fi
    echo "SKIP: mounting a tmpfs needs root or user namespaces"
    exit 77
fi
BIN=$1
TESTS=$2
DIR=$(mktemp -d)
cleanup() {
    for m in "$DIR"/full "$DIR"/part "$DIR"/ro "$DIR"/big; do umount "$m" 2>/dev/null; done
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
for m in full part ro; do
    before=$(state "$DIR/$m")
    for t in $TYPES; do
        for name in original new; do
            "$BIN" "$DIR/in.bmp" "/c=$DIR/$m/$name.$t" >/dev/null 2>"$DIR/err"
            st=$?
            if [ "$t" = emf ] || [ "$t" = lwf ] && grep -q "not supported in this build\|Unsupported save type" "$DIR/err"; then :
            elif [ $st != 1 ] || [ ! -s "$DIR/err" ]; then bad "$m $name.$t: status $st, message '$(cat "$DIR/err")'"
            else ok; fi
            [ "$(state "$DIR/$m")" = "$before" ] && ok || bad "$m $name.$t: the disk changed"
        done
    done
    "$BIN" "$DIR/in.bmp" "$DIR/in2.bmp" "/batch=$DIR/$m/batch" /type=PNG >"$DIR/out" 2>&1
    st=$?
    [ $st = 1 ] && grep -q "2 errors" "$DIR/out" && ok || bad "$m batch: status $st: $(cat "$DIR/out")"
    [ "$(state "$DIR/$m")" = "$before" ] && ok || bad "$m batch: the disk changed"
done

# A read-only target in a directory that takes changes.
mkdir -p "$DIR/big"
mount -t tmpfs -o size=256m tmpfs "$DIR/big"
head -c 5000 /dev/urandom >"$DIR/big/locked.png"
chmod 444 "$DIR/big/locked.png"
cp "$DIR/big/locked.png" "$DIR/locked.copy"
"$BIN" "$DIR/in.bmp" "/c=$DIR/big/locked.png" >/dev/null 2>"$DIR/err"
st=$?
[ $st = 1 ] && [ -s "$DIR/err" ] && ok || bad "read-only target: status $st"
cmp -s "$DIR/big/locked.png" "$DIR/locked.copy" && ok || bad "read-only target: changed"
[ "$(ls -A "$DIR/big")" = "locked.png" ] && ok || bad "read-only target: left $(ls -A "$DIR/big")"
rm -f "$DIR/big/locked.png"

# In process: settings, copy, move, rename, delete, every writer, page and
# frame extraction (tests/test_fault_injection.cpp).
for m in full part; do
    LG_FAULT_FULL="$DIR/$m" LG_FAULT_READONLY="$DIR/ro" LG_FAULT_INPUTS="$DIR/inputs" \
        "$TESTS" --gtest_filter='FaultInjection.*' >"$DIR/gtest" 2>&1
    st=$?
    if [ $st = 0 ] && ! grep -q SKIPPED "$DIR/gtest" && grep -q "PASSED.* 3 tests" "$DIR/gtest"; then ok
    else bad "in-process writes on $m:"; cat "$DIR/gtest"; fi
done

# The converter killed at a range of moments while it writes a large file
# over an existing one: the target is the old file or the whole new one.
convert -size 2400x1600 xc: +noise Random -type truecolor "BMP3:$DIR/large.bmp"
"$BIN" "$DIR/large.bmp" "/c=$DIR/big/reference.png" || bad "reference conversion"
head -c 5000 /dev/urandom >"$DIR/old.png"
hits=0
for d in 0 0.02 0.05 0.1 0.15 0.2 0.3 0.4 0.5 0.6 0.7 0.8 1 1.2 1.5 2 2.5 3; do
    for sig in KILL TERM; do
        cp "$DIR/old.png" "$DIR/big/target.png"
        "$BIN" "$DIR/large.bmp" "/c=$DIR/big/target.png" >/dev/null 2>&1 &
        pid=$!
        sleep "$d"
        kill -s "$sig" "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        if cmp -s "$DIR/big/target.png" "$DIR/old.png" || cmp -s "$DIR/big/target.png" "$DIR/big/reference.png"; then ok
        else bad "killed ($sig) after ${d}s: target.png is neither the old nor the new file"; fi
        others=$(cd "$DIR/big" && ls -A | grep -v -x -e target.png -e reference.png)
        strays=$(printf '%s\n' "$others" | grep -c -x '~target\.png\.[0-9]*\.tmp')
        [ "$strays" -gt 0 ] && hits=$((hits + 1))
        if [ -n "$others" ] && [ "$(printf '%s\n' "$others" | grep -v -c -x '~target\.png\.[0-9]*\.tmp')" != 0 ]; then
            bad "killed ($sig) after ${d}s: left $others"
        else ok; fi
        (cd "$DIR/big" && rm -f ./~target.png.*.tmp)
    done
done
echo "kills that caught a write in progress (a recognisable temporary file left): $hits of 36"

echo "fault injection: $pass passed, $fail failed"
[ $fail = 0 ]
