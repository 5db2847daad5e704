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
  nlohmann-json3-dev libyaml-cpp-dev libcsv-dev dpkg-dev
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

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
updated=

# The Windows build compiles yaml-cpp and libcsv from Debian's source packages (CMake fetches
# them with apt-get source into the build tree), which needs a deb-src entry.
if ! apt-cache showsrc yaml-cpp 2>/dev/null | grep -q '^Package: yaml-cpp'; then
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "Adding Debian's source packages ($codename) to apt's sources"
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$codename" | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/lumora-deb-src.sources >/dev/null
  "${sudo_cmd[@]}" apt-get update -qq
  updated=1
fi

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  [ -n "$updated" ] || "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
