#!/usr/bin/env bash
# check-binary.sh OBJDUMP FILE dll|exe
# Fails when FILE imports a DLL outside the system set, or (for the DLL) when
# its export table is not exactly the four entry points at ordinals 1 to 4.
set -euo pipefail
objdump=$1 file=$2 kind=$3
allowed='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|msdmo|shell32|comctl32|version|msvcrt|shlwapi|uuid|comdlg32)\.dll$'

dump=$("$objdump" -p "$file")
imports=$(printf '%s\n' "$dump" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports of $(basename "$file"):" $imports
[ -n "$imports" ] || { echo "FAIL: no import table found"; exit 1; }
bad=$(printf '%s\n' "$imports" | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then echo "FAIL: non-system imports: $bad"; exit 1; fi

if [ "$kind" = dll ]; then
  # Lines of the export name table: "\t[   0] +base[   1]  0000 DllCanUnloadNow"
  exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
            | sed -n 's/.*+base\[ *\([0-9]*\)\] *[0-9a-f]* \(.*\)$/\1 \2/p' | sort -n)
  expected=$'1 DllCanUnloadNow\n2 DllGetClassObject\n3 DllRegisterServer\n4 DllUnregisterServer'
  echo "exports:"; printf '%s\n' "$exports"
  if [ "$exports" != "$expected" ]; then echo "FAIL: exports differ from the four entry points"; exit 1; fi
fi
echo "OK"
