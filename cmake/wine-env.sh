# Sourced: picks the Wine loader and server for a Windows binary.
#   wine_for_binary FILE  sets WINE, WINESERVER and WINEARCH (win32 for a PE32
#                         file, win64 for PE32+; with no file, from the prefix
#                         or the machine).
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

wine_for_binary() {
  local file=${1:-} arch=
  if [ -n "$file" ] && [ -f "$file" ]; then
    case "$(file -b "$file")" in
      *PE32+*) arch=win64 ;;
      *PE32*)  arch=win32 ;;
    esac
  fi
  if [ -z "$arch" ] && [ -f "${WINEPREFIX:-/nonexistent}/system.reg" ]; then
    grep -q '^#arch=win64' "$WINEPREFIX/system.reg" && arch=win64 || arch=win32
  fi
  [ -n "$arch" ] || arch=win64
  export WINEARCH=$arch
  if [ "$arch" = win64 ]; then
    WINE=/usr/lib/wine/wine64
    WINESERVER=/usr/lib/wine/wineserver64
  else
    WINE=/usr/lib/wine/wine
    WINESERVER=/usr/lib/wine/wineserver32
  fi
  [ -x "$WINESERVER" ] || WINESERVER=wineserver
  export WINE WINESERVER
}
