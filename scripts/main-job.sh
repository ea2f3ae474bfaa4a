#!/usr/bin/env bash
# The main job on a fresh Debian machine: install what is needed, build both
# flavours, then show the engine at work under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n== %s\n' "$*"; }
fail() { printf '\nmain job FAILED at step: %s\n' "$current" >&2; }
trap fail ERR

current="set-up"; step "$current"
scripts/bootstrap.sh
current="build"; step "$current"
scripts/build.sh

arch=$(scripts/wine-arch.sh)
bin=build/$arch/bin
if [ -x "$bin/gainlet_bench.exe" ] || [ -f "$bin/gainlet_bench.exe" ]; then
  current="engine benchmark ($arch)"; step "$current"
  cmake/wine-run.sh "$bin/gainlet_bench.exe"
fi
trap - ERR
echo
echo "main job done"
