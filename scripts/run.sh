#!/usr/bin/env bash
# Installs what is missing, builds lumora.exe and lumora.dll with MinGW-w64, and runs Lumora
# under Wine (prefix and program folder in build/run), with Wine's Notepad to try it in. The
# first run puts a sample phrase file beside the program. Arguments go to lumora.exe
# (-delims=1, -maxitems=50).
#
# Without a display ($DISPLAY unset) it runs a short demonstration on a virtual display
# instead, and prints what was typed and what Notepad then holds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${LUMORA_WINDOWS_BUILD:-build/windows}
jobs=$(nproc)
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j "$jobs" --target lumora lumora_hook wintext

run=$PWD/build/run
if [ -z "${DISPLAY:-}" ]; then
    exec python3 scripts/demo.py headless "$build/bin" "$run/demo"
fi

mkdir -p "$run/app"
cp "$build/bin/lumora.exe" "$build/bin/lumora.dll" "$run/app/"
if [ ! -f "$run/app/lumora.lmx" ]; then
    python3 scripts/demo.py sample "$run/app/lumora.lmx"
    echo "A sample phrase file is in $run/app/lumora.lmx"
fi

export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (about 20 s)..."
    wineboot -i >/dev/null 2>&1
fi

(cd "$run/app" && exec wine lumora.exe "$@") &
lumora=$!
wine notepad.exe >/dev/null 2>&1 &
notepad=$!
echo "Lumora runs in the tray (right-click its icon: Settings, Exit)."
echo "Type an abbreviation in Notepad, for example: brb, ty, sig"
wait "$lumora" || true
kill "$notepad" 2>/dev/null || true
