#!/usr/bin/env bash
# check-binary.sh OBJDUMP FILE dll|exe
# Fails when FILE imports a DLL outside the system set (for the installer,
# outside the KnownDLLs of every Windows from XP to 11: any other DLL it
# imports would be looked for in its download folder first), when it can take
# thread-local storage slots it never gives back (statically linked
# winpthreads imports TlsAlloc but not TlsFree), or (for the DLL) when its
# export table is not exactly the four entry points at ordinals 1 to 4.
set -euo pipefail
objdump=$1 file=$2 kind=$3
allowed='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|msdmo|shell32|comctl32|version|msvcrt|shlwapi|uuid|comdlg32)\.dll$'
# The installer runs elevated from wherever it was downloaded to. msvcrt is
# in the closure of the KnownDLLs that load it, so it too comes from the
# system folder.
if [ "$kind" = exe ]; then
  allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|rpcrt4|msvcrt)\.dll$'
fi

dump=$("$objdump" -p "$file")
imports=$(printf '%s\n' "$dump" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports of $(basename "$file"):" $imports
[ -n "$imports" ] || { echo "FAIL: no import table found"; exit 1; }
bad=$(printf '%s\n' "$imports" | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then echo "FAIL: non-system imports: $bad"; exit 1; fi

functions=$(printf '%s\n' "$dump" | awk '/^\tDLL Name:/ {dll = tolower($3)} dll == "kernel32.dll" && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print $3}')
if printf '%s\n' "$functions" | grep -qx TlsAlloc && ! printf '%s\n' "$functions" | grep -qx TlsFree; then
  echo "FAIL: imports TlsAlloc without TlsFree: a thread-local storage slot per load is never given back"
  exit 1
fi

if [ "$kind" = dll ]; then
  # binutils prints the name table as "\t[   0] DllCanUnloadNow", indexed by
  # ordinal minus the ordinal base; older releases add "+base[   1]".
  base=$(printf '%s\n' "$dump" | sed -n 's/^Export Address Table -- Ordinal Base \([0-9]*\).*/\1/p')
  [ -n "$base" ] || { echo "FAIL: no export table found"; exit 1; }
  exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
            | sed -n 's/^\t\[ *\([0-9]*\)\] \(+base\[ *[0-9]*\] *[0-9a-f]* \)\{0,1\}\([^ ]*\)$/\1 \3/p' \
            | while read -r index name; do echo "$((index + base)) $name"; done | sort -n)
  # Every exported address, named or not: no export by ordinal alone.
  addresses=$(printf '%s\n' "$dump" | sed -n '/^Export Address Table --/,/^$/p' | grep -c 'Export RVA' || true)
  if [ "$addresses" != 4 ]; then echo "FAIL: $addresses exported addresses, expected 4"; exit 1; fi
  expected=$'1 DllCanUnloadNow\n2 DllGetClassObject\n3 DllRegisterServer\n4 DllUnregisterServer'
  echo "exports:"; printf '%s\n' "$exports"
  if [ "$exports" != "$expected" ]; then echo "FAIL: exports differ from the four entry points"; exit 1; fi
fi
echo "OK"
