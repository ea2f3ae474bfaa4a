#!/usr/bin/env bash
# Configures, builds and installs both flavours:
#   build/i686    the shipped 32-bit deliverables: build/i686/dist holds
#                 what a user downloads (stripped, with SHA256SUMS); their
#                 debug information stays in build/i686/bin/*.debug
#   build/x86_64  the same sources 64-bit, which the tests run on a host
#                 whose kernel cannot execute 32-bit programs (see README)
set -euo pipefail
cd "$(dirname "$0")/.."
for flavour in i686 x86_64; do
  cmake --preset "$flavour" >/dev/null
  cmake --build --preset "$flavour"
  rm -rf "build/$flavour/dist"
  cmake --install "build/$flavour" --strip >/dev/null
done
