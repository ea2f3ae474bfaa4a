#!/usr/bin/env bash
# Installs, idempotently, every Debian package the build and the tests need.
# Run as root (or with sudo available). Touches nothing when all is present.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake make
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 mingw-w64-i686-dev binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  mingw-w64-tools
  googletest
  wine wine32:i386 wine64
  xvfb xauth xdotool imagemagick file python3 perl
  osslsigncode openssl
  fonts-wine fonts-dejavu-extra fonts-ipafont-gothic fonts-horai-umefont
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
updated=

# install_missing PACKAGE...: those not yet installed.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "bootstrap: installing ${missing[*]}"
  if [ -z "$updated" ]; then "${sudo_cmd[@]}" apt-get update -q; updated=1; fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "bootstrap: adding the i386 architecture"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
install_missing "${packages[@]}"

# Wine's WAVE Parser filter is GStreamer's wavparse, loaded by the Wine that
# runs the tests: the i386 build for 32-bit Wine, the native one for 64-bit.
# Only the flavour this machine runs gets it (an i386 library's set-up may
# itself need to run 32-bit programs).
source cmake/wine-env.sh
if [ "$(gainlet_runnable_flavour)" = i686 ]; then
  install_missing gstreamer1.0-plugins-good:i386
else
  install_missing "gstreamer1.0-plugins-good:$(dpkg --print-architecture)"
fi
echo "bootstrap: all packages present"
