#!/usr/bin/env bash
# Installs the Debian packages that building and testing need. Idempotent, and
# silent when everything is already there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config clang clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxtst-dev
  g++-mingw-w64-x86-64-posix
  wine wine64
  xvfb xdotool x11-utils openbox imagemagick
  python3
  dpkg-dev fakeroot
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$package")
  fi
done
((${#missing[@]} == 0)) && exit 0

echo "Installing: ${missing[*]}"
sudo=()
((EUID == 0)) || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
