# Sourced: the Wine environment of the project (prefix under build/, quiet,
# no Mono or Gecko installers on first start).
WINE_ROOT=$(cd "$(dirname "${BASH_SOURCE:-$0}")/.." 2>/dev/null && pwd)
[ -d "$WINE_ROOT/build" ] || WINE_ROOT=$ROOT
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$WINE_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export WINEARCH=win64
