#!/usr/bin/env bash
# check-binary.sh OBJDUMP FILE dll|exe BUDGET LINKED
# FILE is a deliverable as dist/ holds it, LINKED the same binary as the
# build tree holds it, with its symbol table. Fails when FILE
# - is larger than BUDGET bytes, carries debug sections or a symbol table;
# - imports a DLL outside the system set (for the installer, outside the
#   KnownDLLs of every Windows from XP to 11: any other DLL it imports would
#   be looked for in its download folder first), or can take thread-local
#   storage slots it never gives back (statically linked winpthreads
#   imports TlsAlloc but not TlsFree);
# - (the DLL) exports anything but the four entry points at ordinals 1 to 4;
# and when LINKED holds the C++ runtime's exception machinery, its unwinder
# (whose frame registration creates a lock at every load that is never
# closed) or its guard for function-local statics (a semaphore per load).
set -euo pipefail
objdump=$1 file=$2 kind=$3 budget=$4 linked=$5

size=$(stat -c %s "$file")
echo "$(basename "$file"): $size bytes (budget $budget)"
if [ "$size" -gt "$budget" ]; then echo "FAIL: over its budget of $budget bytes"; exit 1; fi
debug=$("$objdump" -h "$file" | awk '$2 ~ /^\.debug_/ {print $2}')
if [ -n "$debug" ]; then echo "FAIL: debug sections:" $debug; exit 1; fi
if "$objdump" -f "$file" | grep -q 'HAS_SYMS'; then echo "FAIL: it carries a symbol table"; exit 1; fi

# Defined symbols only: the runtime start-up code refers to the unwinder's
# registration weakly and calls it only when it is linked in.
# objdump -t prints "[  12](sec  1)(fl ...) ... name": section 0 is undefined,
# -1 and -2 absolute and debug.
runtime=$("$objdump" -t "$linked" | grep -E '^\[ *[0-9]+\]\(sec +[1-9]' | awk '{print $NF}' \
          | grep -E '^_*(cxa_throw|cxa_begin_catch|Unwind_RaiseException|Unwind_Resume|register_frame_info|cxa_guard_acquire|gxx_personality_(v0|seh0|sj0))$' \
          || true)
if [ -n "$runtime" ]; then echo "FAIL: the C++ runtime's exception or guard machinery is linked in:" $runtime; exit 1; fi
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
