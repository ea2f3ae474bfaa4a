#!/usr/bin/env bash
# Creates a Wine prefix once (concurrent callers wait for the first).
#   wine-prefix.sh PREFIX   after gainlet_use_flavour (wine-env.sh): the
#                           prefix gets that flavour's architecture.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
prefix=$1
: "${WINEARCH:?wine-prefix: no flavour chosen (gainlet_use_flavour)}" "${WINE:?}" "${WINESERVER:?}"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
  WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    "$WINE" wineboot -i >/dev/null 2>&1 || true
  # A crashing program must end with a backtrace on stderr, not wait in the
  # crash dialog until the test times out.
  WINEPREFIX=$prefix WINEDEBUG=-all "$WINE" reg add 'HKCU\Software\Wine\WineDbg' \
    /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
  WINEPREFIX=$prefix "$WINESERVER" -w
  [ -f "$prefix/system.reg" ] || { echo "wine-prefix: could not create $prefix" >&2; exit 1; }
fi
WINEPREFIX=$prefix gainlet_check_prefix
