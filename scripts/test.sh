#!/usr/bin/env bash
# The whole test suite: set-up, build, then every test under Wine and Xvfb.
#
# Every test runs against the flavour this machine's Wine can execute (the
# 32-bit deliverables where 32-bit programs run, else the 64-bit build of the
# same sources); the checks of the shipped 32-bit binaries themselves (import
# and export tables) always run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh

source cmake/wine-env.sh
runnable=$(gainlet_runnable_flavour)
echo "test: running the $runnable flavour under Wine"
status=0
if [ "$runnable" != i686 ]; then
  ctest --preset i686 -L binary "$@" || status=$?
fi
# One virtual display for the whole run; each test gets its build tree's
# private Wine prefix through the emulator script.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$runnable" "$@" || status=$?
exit $status
