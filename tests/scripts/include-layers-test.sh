#!/usr/bin/env bash
# Every #include of the project's own files by the plug-in, the installer and
# the test bed, held against the folders each folder may include. A folder
# always includes its own files; anything else not in its row (a higher
# layer, a sibling) fails.
# Usage: include-layers-test.sh [REPOSITORY]
set -uo pipefail
repo=${1:-$(cd "$(dirname "$0")/../.." && pwd)}

# folder: the folders below it that it may include. The first row that holds
# a file decides; testbed/* is each of the test bed's programs on its own.
rules='
common:
gainlet/include: common
gainlet/res: common
gainlet/base: common gainlet/include gainlet/res
gainlet/engine: common gainlet/include gainlet/res gainlet/base
gainlet/settings: common gainlet/include gainlet/res gainlet/base
gainlet/server: common gainlet/include gainlet/res gainlet/base gainlet/engine gainlet/settings
setup: common gainlet/include
testbed/support: common gainlet/include
testbed/*: common gainlet/include testbed/support
'

# Where the build looks for the project's headers (a quoted include looks
# beside the including file first): the CMake targets' include folders.
search_roots=(gainlet gainlet/include gainlet/res . testbed/support)

folders=()
declare -A may_include
while IFS=: read -r folder below; do
  [ -n "$folder" ] || continue
  folders+=("$folder")
  read -r -a words <<<"$below"
  may_include[$folder]=${words[*]}
done <<<"$rules"

# The table's folder that holds a path (relative to the repository), with
# testbed/* narrowed to the program's own folder; nothing if no row holds it.
owner_of() {
  local path=$1 folder
  for folder in "${folders[@]}"; do
    if [[ $folder == */\* ]]; then
      local parent=${folder%\*}
      if [[ $path == "$parent"*/* ]]; then
        local rest=${path#"$parent"}
        echo "$parent${rest%%/*}"
        return
      fi
    elif [[ $path == "$folder"/* ]]; then
      echo "$folder"
      return
    fi
  done
}

rule_of() {  # owner folder -> its row's list
  local owner=$1
  if [ -n "${may_include[$owner]+set}" ]; then echo "${may_include[$owner]}"; return; fi
  echo "${may_include[${owner%/*}/*]}"
}

# The file an include names, as the compiler finds it; nothing if none. A
# quoted name is looked for beside the including file first. A header the
# build generates counts as its source: its template NAME.in, or for NAME.h
# the interface description NAME.idl, where that lives.
resolve() {
  local from_dir=$1 name=$2 root candidate
  for root in $from_dir "${search_roots[@]}"; do
    candidate=$(realpath -m --relative-to="$repo" "$repo/$root/$name")
    if [ -f "$repo/$candidate" ]; then echo "$candidate"; return; fi
    if [ -f "$repo/$candidate.in" ]; then echo "$candidate.in"; return; fi
    if [[ $candidate == *.h && -f $repo/${candidate%.h}.idl ]]; then echo "${candidate%.h}.idl"; return; fi
  done
}

failures=0
checked=0
cd "$repo" || exit 2
while IFS= read -r file; do
  owner=$(owner_of "$file")
  [ -n "$owner" ] || continue
  below=$(rule_of "$owner")
  allowed=" $owner $below "
  while IFS=: read -r line form name; do
    if [ "$form" = '"' ]; then
      target=$(resolve "$(dirname "$file")" "$name")
    else
      target=$(resolve "" "$name")
      [ -n "$target" ] || continue  # a system header
    fi
    checked=$((checked + 1))
    if [ -z "$target" ]; then
      echo "FAIL: $file:$line includes \"$name\", which no include folder of the build holds"
      failures=$((failures + 1))
      continue
    fi
    target_owner=$(owner_of "$target")
    if [[ -z $target_owner || $allowed != *" $target_owner "* ]]; then
      echo "FAIL: $file:$line includes $target; $owner may include only its own files and: ${below:-nothing}"
      failures=$((failures + 1))
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$file" |
           sed 's/^\([0-9]*\):[^<"]*\([<"]\)\([^>"]*\)[>"].*/\1:\2:\3/')
done < <(find common gainlet setup testbed -type f \( -name '*.h' -o -name '*.c' -o -name '*.cpp' -o -name '*.rc' \) | sort)

echo "$checked includes of the project's own files checked, $failures out of place"
[ "$failures" -eq 0 ]
