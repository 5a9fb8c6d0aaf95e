# Sourced: the Wine environment of the project (prefix under build/, quiet,
# no Mono or Gecko installers on first start), and how this host runs the
# 32-bit product.
WINE_ROOT=${ROOT:?ROOT must be set before sourcing wine-env.sh}
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$WINE_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export WINEARCH=win64
# Wine maps Unix file names through the locale's character set: names in any
# language (and the tests that use them) need a UTF-8 one.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
    *[Uu][Tt][Ff]-8 | *[Uu][Tt][Ff]8) ;;
    *) export LC_ALL=C.UTF-8 ;;
esac

# LG_X86_32: how 32-bit x86 code runs here.
#   native    the kernel runs it (every Windows suite tests build/win32);
#   emulated  qemu-i386 runs it through binfmt_misc (this host has no 32-bit
#             code segment): the 32-bit unit tests and converter run there,
#             the end-to-end suites run on build/win64 under the 64-bit loader;
#   none      neither (scripts/setup.sh registers the emulator).
# A registered qemu-i386 handler takes every 32-bit program, so it is asked
# about first.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 && grep -qs '^enabled' /proc/sys/fs/binfmt_misc/status; then
    LG_X86_32=emulated
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    LG_X86_32=native
else
    LG_X86_32=none
fi
if [ "$LG_X86_32" = native ]; then
    WINE=/usr/bin/wine
    LG_E2E_BUILD=win32
else
    export WINELOADER=/usr/lib/wine/wine64
    WINE=$WINELOADER
    LG_E2E_BUILD=win64
fi
