# Sourced: the Wine environment of the project (prefix under build/, quiet,
# no Mono or Gecko installers on first start).
WINE_ROOT=${ROOT:?ROOT must be set before sourcing wine-env.sh}
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$WINE_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export WINEARCH=win64
# The 64-bit loader directly: /usr/bin/wine would pick the 32-bit one.
export WINELOADER=/usr/lib/wine/wine64
WINE=$WINELOADER
