#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix:  wine-run.sh PROG [ARGS]
#   WINEPREFIX       defaults to <build tree>/wineprefix, created on first use.
#   GAINLET_FLAVOUR  i686 or x86_64: the flavour whose prefix and loader to
#                    use. Without it, a Windows program's own machine type
#                    decides; any other program (regsvr32, winecfg, reg...)
#                    needs the flavour stated, or an existing prefix.
#   DISPLAY          when unset, the program runs under its own xvfb-run, so
#                    tests that open windows need no display.
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
flavour=${GAINLET_FLAVOUR:-}
if [ -f "$prog" ]; then
  own=$(gainlet_flavour_of "$prog")
  if [ -n "$flavour" ] && [ "$flavour" != "$own" ]; then
    echo "wine-run: $prog is an $own program, but the $flavour flavour was asked for" >&2
    exit 2
  fi
  flavour=$own
fi
if [ -z "$flavour" ] && [ -f "$WINEPREFIX/system.reg" ]; then
  grep -q '^#arch=win64' "$WINEPREFIX/system.reg" && flavour=x86_64 || flavour=i686
fi
if [ -z "$flavour" ]; then
  echo "wine-run: no prefix yet and '$prog' is not a Windows program: set GAINLET_FLAVOUR (i686 or x86_64)" >&2
  exit 2
fi
gainlet_use_flavour "$flavour"
"$here/wine-prefix.sh" "$WINEPREFIX"

status=0
"$WINE" "$@" || status=$?
"$WINESERVER" -w || true
exit $status
