#!/usr/bin/env bash
# Runs a command on the end-to-end tests' Wine desktop (see wine-desktop.sh):
#
#   with-wine.sh CMD ARGS...     CMD runs with DISPLAY, WINEPREFIX and WINEDEBUG set;
#                                a CMD ending in .exe is run through wine
#
# The desktop is the one described by $LUMORA_WINE_ENV (a desktop.env file); ctest sets it
# for every test that requires the fixture WineDesktop.
set -euo pipefail

envfile=${LUMORA_WINE_ENV:-}
if [ -z "$envfile" ] || [ ! -f "$envfile" ]; then
    echo "with-wine.sh: no Wine desktop (LUMORA_WINE_ENV='$envfile'); run under ctest's WineDesktop fixture" >&2
    exit 1
fi
# shellcheck disable=SC1090
. "$envfile"
[ $# -gt 0 ] || { echo "usage: $0 CMD ARGS..." >&2; exit 2; }
case "$1" in
*.exe | *.EXE) exec wine "$@" ;;
*) exec "$@" ;;
esac
