# Sourced by every script that starts a Windows program. This is the one place
# that decides which build flavour this machine runs and the Wine architecture
# of each prefix; no prefix is ever left to Wine's default architecture.
#
#   gainlet_runnable_flavour     prints the flavour this machine can run:
#                                i686 where the 32-bit Wine loader starts (the
#                                kernel executes 32-bit programs), else x86_64
#   gainlet_flavour_of FILE      prints i686 for a PE32 file, x86_64 for PE32+
#   gainlet_use_flavour FLAVOUR  exports WINEARCH, WINE and WINESERVER for it
#   gainlet_check_prefix         fails when WINEPREFIX exists with the other
#                                architecture than WINEARCH
#   gainlet_system_folder        prints the folder under the prefix's
#                                windows\ where a program of the chosen
#                                flavour finds the platform's own programs:
#                                system32 for both, since each flavour runs in
#                                a prefix of its own architecture (a 32-bit
#                                program in a 64-bit prefix would see syswow64)
#   gainlet_winecfg_version V    prints winecfg's name for Windows version V
#                                (xp or 7) in a prefix of the chosen flavour:
#                                XP is winxp in 32-bit and winxp64 in 64-bit
#
# GAINLET_WINE_DIR (default /usr/lib/wine, where Debian puts the loaders) may
# point elsewhere; the flavour tests use it to stand in for a 32-bit Wine.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
GAINLET_WINE_DIR=${GAINLET_WINE_DIR:-/usr/lib/wine}

gainlet_runnable_flavour() {
  if "$GAINLET_WINE_DIR/wine" --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
}

gainlet_flavour_of() {
  case "$(file -b "$1" 2>/dev/null)" in
    *PE32+*) echo x86_64 ;;
    *PE32*) echo i686 ;;
    *) echo "wine-env: $1 is not a Windows program" >&2; return 1 ;;
  esac
}

gainlet_use_flavour() {
  case "$1" in
    i686)
      export WINEARCH=win32
      WINE=$GAINLET_WINE_DIR/wine
      WINESERVER=$GAINLET_WINE_DIR/wineserver32 ;;
    x86_64)
      export WINEARCH=win64
      WINE=$GAINLET_WINE_DIR/wine64
      WINESERVER=$GAINLET_WINE_DIR/wineserver64 ;;
    *) echo "wine-env: unknown flavour '$1' (i686 or x86_64)" >&2; return 1 ;;
  esac
  export GAINLET_FLAVOUR=$1 WINE WINESERVER
}

gainlet_check_prefix() {
  local reg=${WINEPREFIX:?}/system.reg arch
  [ -f "$reg" ] || return 0
  if grep -q '^#arch=win64' "$reg"; then arch=win64; else arch=win32; fi
  [ "$arch" = "$WINEARCH" ] && return 0
  echo "wine-env: $WINEPREFIX is a $arch prefix, not one for the $GAINLET_FLAVOUR flavour ($WINEARCH)" >&2
  return 1
}

gainlet_system_folder() {
  case "${GAINLET_FLAVOUR:-}" in
    i686 | x86_64) echo system32 ;;
    *) echo "wine-env: no system folder for flavour '${GAINLET_FLAVOUR:-}'" >&2; return 1 ;;
  esac
}

gainlet_winecfg_version() {
  case "$1:${GAINLET_FLAVOUR:-}" in
    xp:i686) echo winxp ;;
    xp:x86_64) echo winxp64 ;;
    7:i686 | 7:x86_64) echo win7 ;;
    *) echo "wine-env: no Windows version '$1' for flavour '${GAINLET_FLAVOUR:-}'" >&2; return 1 ;;
  esac
}
