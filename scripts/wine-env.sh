# Sourced: the Wine environment of the project (prefix under build/, quiet,
# no Mono or Gecko installers on first start).
WINE_ROOT=${ROOT:?ROOT must be set before sourcing wine-env.sh}
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$WINE_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export WINEARCH=win64
# Hosts that run 32-bit code test the product build itself (build/win32);
# hosts that run 64-bit user code only test the same sources built for
# x86_64 (build/win64) under the 64-bit loader.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE=/usr/bin/wine
    LG_TEST_BUILD=win32
else
    export WINELOADER=/usr/lib/wine/wine64
    WINE=$WINELOADER
    LG_TEST_BUILD=win64
fi
