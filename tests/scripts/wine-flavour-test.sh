#!/usr/bin/env bash
# The choice of flavour and prefix architecture (cmake/wine-env.sh) and the
# way cmake/wine-run.sh applies it, checked against a stand-in Wine whose
# loaders record how they were started. It needs no 32-bit Wine, so the path
# that machines running 32-bit programs take is checked on every machine.
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
check() {  # what command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
fails() { ! "$@"; }

# The stand-in: each loader logs its name, WINEARCH and arguments; wineboot
# makes a prefix of the architecture asked for, as Wine does; the 32-bit
# loader starts only when FAKE_KERNEL_RUNS_32BIT is set.
fake=$work/wine
mkdir -p "$fake"
for loader in wine wine64; do
  cat >"$fake/$loader" <<'SH'
#!/usr/bin/env bash
if [ "$(basename "$0")" = wine ] && [ -z "${FAKE_KERNEL_RUNS_32BIT:-}" ]; then exit 126; fi
[ "${1:-}" = --version ] && { echo wine-8.0; exit 0; }
echo "$(basename "$0") $WINEARCH $*" >>"$FAKE_LOG"
if [ "${1:-}" = wineboot ]; then
  mkdir -p "$WINEPREFIX"
  echo "#arch=$WINEARCH" >"$WINEPREFIX/system.reg"
fi
exit 0
SH
done
for server in wineserver32 wineserver64; do printf '#!/bin/sh\nexit 0\n' >"$fake/$server"; done
chmod +x "$fake"/*
export GAINLET_WINE_DIR=$fake GAINLET_NO_XVFB=1 FAKE_LOG=$work/log
unset GAINLET_FLAVOUR WINEARCH

# Minimal PE32 and PE32+ images, enough for file(1) to tell them apart.
python3 - "$work/pe32.exe" "$work/pe64.exe" <<'PY'
import struct, sys
for path, magic, machine in ((sys.argv[1], 0x10b, 0x14c), (sys.argv[2], 0x20b, 0x8664)):
    optional = 240 if magic == 0x20b else 224
    dos = bytearray(64); dos[0:2] = b'MZ'; struct.pack_into('<I', dos, 0x3c, 64)
    coff = struct.pack('<HHIIIHH', machine, 0, 0, 0, 0, optional, 0x0102)
    with open(path, 'wb') as f:
        f.write(bytes(dos) + b'PE\0\0' + coff + struct.pack('<H', magic) + bytes(optional - 2))
PY

source "$repo/cmake/wine-env.sh"
run() { : >"$FAKE_LOG"; WINEPREFIX=$1 "$repo/cmake/wine-run.sh" "${@:2}" >"$work/out" 2>&1; }
log_is() { [ "$(cat "$FAKE_LOG")" = "$1" ]; }
prefix_arch() { [ "$(cat "$1/system.reg" 2>/dev/null)" = "#arch=$2" ]; }

echo "== the flavour this machine runs"
check "i686 where the 32-bit loader starts" [ "$(FAKE_KERNEL_RUNS_32BIT=1 gainlet_runnable_flavour)" = i686 ]
check "x86_64 where it cannot" [ "$(gainlet_runnable_flavour)" = x86_64 ]
check "a PE32 program is i686" [ "$(gainlet_flavour_of "$work/pe32.exe")" = i686 ]
check "a PE32+ program is x86_64" [ "$(gainlet_flavour_of "$work/pe64.exe")" = x86_64 ]
check "anything else is refused" fails gainlet_flavour_of "$repo/README.md" 2>/dev/null
check "Windows XP in a 32-bit prefix is winxp" [ "$(GAINLET_FLAVOUR=i686 gainlet_winecfg_version xp)" = winxp ]
check "and winxp64 in a 64-bit one" [ "$(GAINLET_FLAVOUR=x86_64 gainlet_winecfg_version xp)" = winxp64 ]
check "no version without a flavour" fails gainlet_winecfg_version xp 2>/dev/null
check "a 32-bit program's own prefix has its tools in system32" [ "$(GAINLET_FLAVOUR=i686 gainlet_system_folder)" = system32 ]
check "so has a 64-bit program's" [ "$(GAINLET_FLAVOUR=x86_64 gainlet_system_folder)" = system32 ]
check "no system folder without a flavour" fails gainlet_system_folder 2>/dev/null

echo "== i686, no prefix yet, a program that is not ours (winecfg)"
export FAKE_KERNEL_RUNS_32BIT=1
GAINLET_FLAVOUR=i686 run "$work/xp" winecfg -v winxp
check "the 32-bit loader makes a win32 prefix, then runs winecfg in it" log_is \
  "wine win32 wineboot -i
wine win32 reg add HKCU\\Software\\Wine\\WineDbg /v ShowCrashDialog /t REG_DWORD /d 0 /f
wine win32 winecfg -v winxp"
check "the prefix is win32" prefix_arch "$work/xp" win32

echo "== a 32-bit program of ours, no flavour stated"
run "$work/pe32-prefix" "$work/pe32.exe" --list
check "its own machine type chooses win32" prefix_arch "$work/pe32-prefix" win32
check "and the 32-bit loader runs it" grep -qx "wine win32 $work/pe32.exe --list" "$FAKE_LOG"

echo "== a 32-bit program asked to run as the other flavour"
mixed() { GAINLET_FLAVOUR=x86_64 run "$work/mixed" "$work/pe32.exe"; }
check "refused" fails mixed
check "no prefix made" [ ! -e "$work/mixed" ]

echo "== regsvr32 in an existing prefix, no flavour stated"
run "$work/xp" regsvr32 /s 'C:\x.dll'
check "the prefix's own architecture is used" log_is 'wine win32 regsvr32 /s C:\x.dll'

echo "== nothing to go by: no flavour, no prefix, not a Windows program"
check "refused" fails run "$work/none" regsvr32 /s 'C:\x.dll'
check "with a message naming GAINLET_FLAVOUR" grep -q GAINLET_FLAVOUR "$work/out"
check "no loader started" log_is ''
check "no prefix made" [ ! -e "$work/none" ]

echo "== a 64-bit prefix asked to run the 32-bit flavour"
run "$work/w64" "$work/pe64.exe"
check "refused" fails run "$work/w64" "$work/pe32.exe"
check "the program never started" log_is ''
check "the message names both" grep -q 'win64 prefix, not one for the i686 flavour' "$work/out"

echo "== a prefix with no flavour chosen"
check "wine-prefix.sh refuses" fails env -u WINEARCH "$repo/cmake/wine-prefix.sh" "$work/unchosen" 2>/dev/null
check "and makes nothing" [ ! -e "$work/unchosen" ]

echo
[ "$failures" -eq 0 ] && { echo "all checks passed"; exit 0; }
echo "$failures check(s) failed"; exit 1
