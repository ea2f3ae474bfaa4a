#!/usr/bin/env bash
# reproducible-build.sh SOURCE_DIR FLAVOUR DIST
# Builds the two deliverables of FLAVOUR a second time, from a copy of the
# sources in another folder (another path, of another length) with another
# SOURCE_DATE_EPOCH and a later clock, installs them with --strip and
# compares the result with DIST byte for byte. Only the deliverables' own
# targets are built.
set -euo pipefail
src=$(cd "$1" && pwd) flavour=$2 dist=$(cd "$3" && pwd)
work=$(mktemp -d /tmp/gainlet-again.XXXXXX)
trap 'rm -rf "$work"' EXIT
copy=$work/another/clone
mkdir -p "$copy"

# The working tree as it is: tracked and untracked files, nothing ignored.
if git -C "$src" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$src" && git ls-files -z --cached --others --exclude-standard) \
    | tar -C "$src" --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$copy" -xf -
else
  tar -C "$src" --exclude=./build --exclude=./dist -cf - . | tar -C "$copy" -xf -
fi

export SOURCE_DATE_EPOCH=$(( $(date +%s) + 400 * 86400 ))
(
  cd "$copy"
  cmake --preset "$flavour" >/dev/null
  cmake --build --preset "$flavour" --target Gainlet Setup >/dev/null
  cmake --install "build/$flavour" --strip >/dev/null
)
again=$copy/build/$flavour/dist

status=0
for name in Gainlet.dll Setup.exe SHA256SUMS; do
  if cmp -s "$dist/$name" "$again/$name"; then
    echo "same: $name"
  else
    echo "FAIL: $name differs between $dist and a build in $copy"
    status=1
  fi
done
echo "first build:"; (cd "$dist" && sha256sum Gainlet.dll Setup.exe)
echo "second build:"; (cd "$again" && sha256sum Gainlet.dll Setup.exe)
exit $status
