#!/bin/sh
# Installs what the build and the tests need and cross-builds the Win32
# libraries. Idempotent: each step checks whether its result is already there.
# Usage: scripts/setup.sh            (everything)
#        scripts/setup.sh --native   (only what the native build needs)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build"
DEPS="$BUILD/deps"          # cross-built libraries land in $DEPS/win32
JOBS=${JOBS:-2}
export DEBIAN_FRONTEND=noninteractive

say() { printf '[setup] %s\n' "$*"; }

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

NATIVE_PKGS="build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
 libjpeg62-turbo-dev libpng-dev zlib1g-dev libtiff-dev libgtest-dev
 imagemagick netpbm libtiff-tools libjpeg-turbo-progs gifsicle giflib-tools icoutils
 libwebp-dev webp libimage-exiftool-perl ccache libdeflate-dev"
WIN32_PKGS="g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev nasm dpkg-dev xvfb xauth x11-apps"
WINE_PKGS="wine wine64 wine32:i386"

missing() {
    out=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || out="$out $p"
    done
    echo "$out"
}

UPDATED=0
apt_update_once() {
    if [ "$UPDATED" = 0 ]; then
        say "apt-get update"
        # A mirror in mid-sync can fail one index (seen for bookworm-security's
        # i386 list); retry once, then go on with what did arrive: the install
        # step below fails clearly if a package is really unreachable.
        $SUDO apt-get update -qq || { sleep 5; $SUDO apt-get update -qq; } ||
            say "apt-get update reported errors; going on with the lists it has"
        UPDATED=1
    fi
}

install_pkgs() {
    todo=$(missing "$@")
    if [ -n "$todo" ]; then
        apt_update_once
        say "installing$todo"
        # shellcheck disable=SC2086
        $SUDO apt-get install -y -qq --no-install-recommends $todo >/dev/null
    fi
}

# shellcheck disable=SC2086
install_pkgs $NATIVE_PKGS
[ "${1:-}" = "--native" ] && exit 0

# shellcheck disable=SC2086
install_pkgs $WIN32_PKGS
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
    UPDATED=0
fi
# A mirror caught in mid-sync may hold no usable i386 list for a suite (seen
# for bookworm-security) while its amd64 list is current. Wine's 32-bit half
# then cannot be installed: its libraries must match the amd64 versions
# exactly. The pool still holds those i386 packages under the amd64 file
# names with the architecture swapped, so they are fetched from there and
# installed together with Wine.
i386_from_pool() {
    pool="$BUILD/deps/i386-pool"
    rm -rf "$pool" && mkdir -p "$pool"
    apt-get indextargets --format '$(FILENAME) $(REPO_URI)' 'Created-By: Packages' 'Architecture: amd64' |
    while read -r list uri; do
        [ -e "$(echo "$list" | sed 's/binary-amd64/binary-i386/')" ] && continue
        /usr/lib/apt/apt-helper cat-file "$list" |
            awk -v uri="$uri" '/^Package: /{p=$2} /^Version: /{v=$2} /^Multi-Arch: same/{m=1} /^Filename: /{f=$2}
                 /^$/{if (m && f ~ /_amd64\.deb$/) {sub(/_amd64\.deb$/, "_i386.deb", f); print p, v, uri f}; p=v=f=""; m=0}'
    done > "$pool/offer"
    # Every package of Wine's 32-bit closure whose amd64 candidate is newer
    # than anything the i386 lists offer.
    needed=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
                 --no-replaces --no-enhances wine32:i386 2>/dev/null | sed -n 's/^\([^ <].*\):i386$/\1/p' | sort -u)
    # shellcheck disable=SC2086
    apt-cache policy $(for p in $needed; do echo "$p:amd64 $p:i386"; done) 2>/dev/null |
        awk '/^[^ ].*:$/{sub(/:$/, ""); name=$0} /^  Candidate: /{print name, $2}' |
        awk '{split($1, n, ":"); if (n[2] == "i386") i386[n[1]] = $2; else amd[n[1]] = $2}
             END {for (p in amd) if (amd[p] != "(none)" && amd[p] != i386[p]) print p, amd[p]}' |
    while read -r pkg want; do
        url=$(awk -v p="$pkg" -v v="$want" '$1 == p && $2 == v {print $3; exit}' "$pool/offer")
        [ -n "$url" ] && /usr/lib/apt/apt-helper download-file "$url" "$pool/${url##*/}" >/dev/null 2>&1 ||
            say "no i386 package $pkg $want in the pool"
    done
    set -- "$pool"/*.deb
    [ -e "$1" ] || return 1
    say "installing Wine with $# i386 packages taken from the pool"
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -qq --no-install-recommends "$@" $WINE_PKGS >/dev/null
}
# shellcheck disable=SC2086
install_pkgs $WINE_PKGS || i386_from_pool

# --- Win32 libraries, cross-built from Debian's source packages -------------
SRC="$DEPS/src"
APTDIR="$DEPS/apt"
mkdir -p "$SRC"

# A private apt configuration that only knows deb-src entries derived from the
# system's own deb entries (main suite); the system's sources stay untouched.
fetch_source() {   # $1 = source package, $2 = directory glob it unpacks to
    if ls -d "$SRC"/$2 >/dev/null 2>&1; then return 0; fi
    if [ ! -f "$APTDIR/lists.done" ]; then
        mkdir -p "$APTDIR/sources.list.d" "$APTDIR/lists/partial" "$APTDIR/cache/archives/partial"
        : > "$APTDIR/sources.list"
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [ -f "$f" ] || continue
            awk '$1=="deb" { $1="deb-src"; print }' "$f" >> "$APTDIR/sources.list"
        done
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] || continue
            # deb822 stanzas: keep those with Types: deb, keep the first suite only
            awk 'BEGIN{RS=""; FS="\n"} {
                    t=0; out="";
                    for (i=1;i<=NF;i++) {
                        line=$i
                        if (line ~ /^#/) continue
                        if (line ~ /^Types:/) { if (line ~ /[ \t]deb([ \t]|$)/) t=1; line="Types: deb-src" }
                        if (line ~ /^Suites:/) { split(line, s, /[ \t]+/); line="Suites: " s[2] }
                        out=out line "\n"
                    }
                    if (t && out ~ /Suites: [a-z]+\n/ && out !~ /security/) printf "%s\n", out
                 }' "$f" > "$APTDIR/sources.list.d/$(basename "$f")"
        done
        say "fetching source package lists (private apt configuration)"
        apt-get -o Dir::Etc::SourceList="$APTDIR/sources.list" \
                -o Dir::Etc::SourceParts="$APTDIR/sources.list.d" \
                -o Dir::State::Lists="$APTDIR/lists" \
                -o Dir::Cache="$APTDIR/cache" \
                -qq update
        touch "$APTDIR/lists.done"
    fi
    say "fetching source of $1"
    (cd "$SRC" && apt-get -o Dir::Etc::SourceList="$APTDIR/sources.list" \
                -o Dir::Etc::SourceParts="$APTDIR/sources.list.d" \
                -o Dir::State::Lists="$APTDIR/lists" \
                -o Dir::Cache="$APTDIR/cache" \
                -qq source "$1" >/dev/null)
}

# One static set of libjpeg-turbo, libpng, zlib and libtiff per Windows
# architecture: i686 for the product, x86_64 for the test build (see README).
build_win_libs() {   # $1 = i686 or x86_64, $2 = prefix directory
ARCH=$1; PREFIX=$2; TRIPLE=$ARCH-w64-mingw32
TOOLCHAIN="$ROOT/cmake/mingw-$ARCH.cmake"
# Libraries built with other compiler flags are built again.
WANT=$(sha256sum "$TOOLCHAIN" | cut -d' ' -f1)
if [ "$(cat "$PREFIX/toolchain.sha256" 2>/dev/null)" != "$WANT" ]; then
    rm -rf "$PREFIX" "$DEPS"/b-*-"$ARCH"
fi
mkdir -p "$PREFIX/lib" "$PREFIX/include"
cross_cmake() {    # $1 = source dir, $2 = build dir, rest = options
    s=$1; b=$2; shift 2
    # Through the compiler cache when there is one (see CMakeLists.txt).
    launcher=
    if command -v ccache >/dev/null 2>&1; then
        launcher="-DCMAKE_C_COMPILER_LAUNCHER=$(command -v cmake);-E;env;CCACHE_BASEDIR=$ROOT;CCACHE_NOHASHDIR=true;$(command -v ccache)"
    fi
    cmake -S "$s" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" ${launcher:+"$launcher"} \
          -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
          -DCMAKE_PREFIX_PATH="$PREFIX" "$@" >/dev/null
    cmake --build "$b" -j "$JOBS" >/dev/null
    cmake --install "$b" >/dev/null
}

if [ ! -f "$PREFIX/lib/libz.a" ]; then
    # zlib: Debian's MinGW package, copied so the prefix is self-contained
    cp /usr/$TRIPLE/lib/libz.a "$PREFIX/lib/" 2>/dev/null || { mkdir -p "$PREFIX/lib"; cp /usr/$TRIPLE/lib/libz.a "$PREFIX/lib/"; }
    mkdir -p "$PREFIX/include"
    cp /usr/$TRIPLE/include/zlib.h /usr/$TRIPLE/include/zconf.h "$PREFIX/include/"
fi

if [ ! -f "$PREFIX/lib/libjpeg.a" ]; then
    fetch_source libjpeg-turbo 'libjpeg-turbo-*'
    say "cross-building libjpeg-turbo ($ARCH)"
    cross_cmake "$(ls -d "$SRC"/libjpeg-turbo-*/ | head -1)" "$DEPS/b-jpeg-$ARCH" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF \
        -DCMAKE_SYSTEM_PROCESSOR=$ARCH -DCMAKE_ASM_NASM_COMPILER=nasm
fi

if [ ! -f "$PREFIX/lib/libpng.a" ] && [ ! -f "$PREFIX/lib/libpng16.a" ]; then
    fetch_source libpng1.6 'libpng1.6-*'
    say "cross-building libpng ($ARCH)"
    cross_cmake "$(ls -d "$SRC"/libpng1.6-*/ | head -1)" "$DEPS/b-png-$ARCH" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DZLIB_LIBRARY="$PREFIX/lib/libz.a" -DZLIB_INCLUDE_DIR="$PREFIX/include"
fi
[ -f "$PREFIX/lib/libpng.a" ] || cp "$PREFIX/lib/libpng16.a" "$PREFIX/lib/libpng.a"

if [ ! -f "$PREFIX/lib/libtiff.a" ]; then
    fetch_source tiff 'tiff-*'
    say "cross-building libtiff ($ARCH)"
    cross_cmake "$(ls -d "$SRC"/tiff-*/ | head -1)" "$DEPS/b-tiff-$ARCH" \
        -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
        -Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF \
        -Dlibdeflate=OFF -Dpixarlog=OFF -Dcxx=OFF \
        -DZLIB_LIBRARY="$PREFIX/lib/libz.a" -DZLIB_INCLUDE_DIR="$PREFIX/include" \
        -DJPEG_LIBRARY="$PREFIX/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$PREFIX/include"
fi

# libwebp with its demuxer and muxer (animated files); no tools.
if [ ! -f "$PREFIX/lib/libwebpdemux.a" ]; then
    fetch_source libwebp 'libwebp-*'
    say "cross-building libwebp ($ARCH)"
    cross_cmake "$(ls -d "$SRC"/libwebp-*/ | head -1)" "$DEPS/b-webp-$ARCH" \
        -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
        -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF \
        -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF -DWEBP_BUILD_LIBWEBPMUX=ON
fi
# libdeflate: whole-buffer deflate for the PNG writer (its 1.14 sources have
# no CMake project; the library is a handful of C files).
if [ ! -f "$PREFIX/lib/libdeflate.a" ]; then
    fetch_source libdeflate 'libdeflate-*'
    say "cross-building libdeflate ($ARCH)"
    d=$(ls -d "$SRC"/libdeflate-*/ | head -1)
    b="$DEPS/b-deflate-$ARCH"
    rm -rf "$b" && mkdir -p "$b"
    flags="-O2 -DNDEBUG"
    [ "$ARCH" = i686 ] && flags="$flags -msse2 -mfpmath=sse -mincoming-stack-boundary=2"
    for c in "$d"lib/*.c "$d"lib/x86/*.c; do
        # shellcheck disable=SC2086
        "$TRIPLE-gcc-posix" $flags -I"$d" -c "$c" -o "$b/$(basename "$(dirname "$c")")-$(basename "$c" .c).o"
    done
    "$TRIPLE-ar" rcs "$b/libdeflate.a" "$b"/*.o
    cp "$d/libdeflate.h" "$PREFIX/include/"
    cp "$b/libdeflate.a" "$PREFIX/lib/"
fi
echo "$WANT" > "$PREFIX/toolchain.sha256"

}

build_win_libs i686 "$DEPS/win32"
build_win_libs x86_64 "$DEPS/win64"

# libjpeg-turbo's lossless transformations (transupp.c) are compiled into
# every build, the native one too, from the source package the Windows
# libraries were built from: kept even when those libraries are cached.
fetch_source libjpeg-turbo 'libjpeg-turbo-*'

# --- 32-bit code on hosts without a 32-bit code segment -----------------------
# Where the kernel cannot run 32-bit x86 code, qemu-i386 runs it, registered
# with binfmt_misc (flag F: the emulator is opened now, so it also serves
# other mount namespaces). Hosts that run such code natively are left alone,
# since a registered handler would take every 32-bit program.
# Debian 12's QEMU 7.2 shares one segment table among all threads of a
# program and reloads %fs/%gs from it after every signal, so a 32-bit Wine
# thread ends up with another thread's TEB and hangs or crashes once Wine
# has started a second thread. QEMU 10 keeps them per thread: its static
# qemu-i386 comes from bookworm-backports through a private apt
# configuration, unpacked into build/deps/qemu (the system's sources stay
# untouched, nothing is installed).
QEMU="$DEPS/qemu/qemu-i386"
fetch_qemu() {
    [ -x "$QEMU" ] && return 0
    q="$DEPS/qemu"
    mkdir -p "$q/apt/lists/partial" "$q/apt/cache/archives/partial" "$q/apt/parts"
    echo "deb http://deb.debian.org/debian bookworm-backports main" > "$q/apt/sources.list"
    qapt() {
        apt-get -o Dir::Etc::SourceList="$q/apt/sources.list" -o Dir::Etc::SourceParts="$q/apt/parts" \
                -o Dir::State::Lists="$q/apt/lists" -o Dir::Cache="$q/apt/cache" -qq "$@"
    }
    say "fetching qemu-user from bookworm-backports"
    qapt update && (cd "$q" && qapt download qemu-user >/dev/null 2>&1) || return 1
    dpkg-deb -x "$q"/qemu-user_*.deb "$q/root" && cp "$q/root/usr/bin/qemu-i386" "$QEMU" &&
        rm -rf "$q/root" "$q"/qemu-user_*.deb
}
. "$ROOT/scripts/wine-env.sh"
BINFMT=/proc/sys/fs/binfmt_misc
# The emulator registered already is kept when it is this one, reached by
# any path (another checkout's build/deps, a link): registering again leaves a
# moment without a handler, in which a 32-bit program already running fails.
registered_is_ours() {
    r=$(sed -n 's/^interpreter //p' "$BINFMT/qemu-i386" 2>/dev/null)
    [ -n "$r" ] && [ -x "$QEMU" ] && cmp -s "$r" "$QEMU"
}
if [ "$LG_X86_32" = none ] || { [ "$LG_X86_32" = emulated ] && ! registered_is_ours; }; then
    fetch_qemu || say "could not fetch qemu-i386"
    [ -f "$BINFMT/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT" ||
        say "cannot mount $BINFMT"
    if [ -x "$QEMU" ] && [ -f "$BINFMT/register" ]; then
        # an older emulator registered by someone else goes
        [ -f "$BINFMT/qemu-i386" ] && echo -1 | $SUDO tee "$BINFMT/qemu-i386" >/dev/null
        say "registering $QEMU for 32-bit x86 programs"
        # ELF, 32-bit, little-endian, executable or shared object, machine 3 (i386)
        printf '%s' ":qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$QEMU:F" |
            $SUDO tee "$BINFMT/register" >/dev/null || say "cannot register qemu-i386"
    fi
    . "$ROOT/scripts/wine-env.sh"
    say "32-bit x86 code: $LG_X86_32"
fi

# --- Wine prefix -------------------------------------------------------------
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "creating the Wine prefix"
    WINEARCH=win64 "$WINE" wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
fi
say "ready"
