#!/usr/bin/env bash
# Installs, from Debian's packages, whatever of the build and test tools is missing.
# Safe to run again: it asks apt only when something is missing.
#
#   install-deps.sh [PACKAGE...]   packages named here are wanted as well (scripts/screenshots.sh
#                                  asks for ImageMagick this way)
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xdotool xauth python3
  nsis python3-yaml
  xserver-xorg-core xserver-xorg-video-dummy x11-xkb-utils
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
