#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix:  wine-run.sh PROG [ARGS]
#   WINEPREFIX  defaults to <build tree>/wineprefix, created on first use.
#   DISPLAY     when unset, the program runs under its own xvfb-run, so tests
#               that open windows need no display.
# The Wine loader is chosen by the program's machine type (PE32 or PE32+).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prog=$1

if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$prog")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$prog")" && pwd)
  export WINEPREFIX=$dir/wineprefix
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${GAINLET_NO_XVFB:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

source "$here/wine-env.sh"
case "$prog" in
  *.exe|*.EXE) wine_for_binary "$prog" ;;
  *) wine_for_binary "" ;;
esac
"$here/wine-prefix.sh" "$WINEPREFIX"

status=0
"$WINE" "$@" || status=$?
"$WINESERVER" -w || true
exit $status
