#!/usr/bin/env bash
# Installs, idempotently, every Debian package the build and the tests need.
# Run as root (or with sudo available). Touches nothing when all is present.
set -euo pipefail

# Wine's WAVE Parser filter is GStreamer's wavparse, loaded by the Wine that
# runs the test: the native build for 64-bit Wine, the i386 one for 32-bit.
native=$(dpkg --print-architecture)

packages=(
  cmake make
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 mingw-w64-i686-dev binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  mingw-w64-tools
  googletest
  wine wine32:i386 wine64
  xvfb xauth xdotool imagemagick file python3 perl
  fonts-wine fonts-dejavu-extra fonts-ipafont-gothic fonts-horai-umefont
  "gstreamer1.0-plugins-good:$native" gstreamer1.0-plugins-good:i386
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "bootstrap: adding the i386 architecture"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
  done
fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "bootstrap: all packages present"
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
