#!/usr/bin/env bash
# Takes the README's screenshots of Lumora under Wine and writes them to docs/images/ (PNG):
# Notepad before and after an expansion, the tray menu, the phrase list, the Options window and
# the search window (also at 144 DPI). It installs what
# is missing (the tests' tools, and ImageMagick, xsetroot and Wine's fonts for the pictures),
# builds the Windows binaries, and runs on a virtual display and a Wine prefix of its own in
# build/screenshots, both stopped at the end. Safe to run again; about a minute.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh imagemagick x11-xserver-utils fonts-wine

build=${LUMORA_WINDOWS_BUILD:-build/windows}
[ -f "$build/build.ninja" ] || cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target lumora lumora_hook wintext

work=$PWD/build/screenshots
# Should the helper itself be killed, its desktop is still taken down.
trap 'tests/e2e/wine-desktop.sh stop "$work" >/dev/null 2>&1 || true' EXIT
timeout 300 python3 scripts/screenshots.py "$build/bin" "$work" docs/images
