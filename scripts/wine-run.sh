#!/bin/sh
# Runs a Windows program of the project under Wine with the project's prefix.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/wine-env.sh"
exec "$WINE" "$@"
