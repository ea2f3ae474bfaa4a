#!/usr/bin/env bash
# scripts/sign.sh CERT KEY [DIR]
# Signs Gainlet.dll and Setup.exe in DIR (default build/i686/dist, as
# `cmake --install build/i686 --strip` leaves it) with a SHA-256 Authenticode
# signature, then rewrites DIR/SHA256SUMS for the signed bytes.
#   CERT, KEY                   the code-signing certificate (with its chain)
#                               and its private key, PEM or DER
#   GAINLET_SIGN_PASSWORD       the key's password, if it has one
#   GAINLET_TIMESTAMP_URL       an RFC 3161 time-stamping service, if wanted
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 CERT KEY [DIR]" >&2
  exit 2
fi
cert=$1 key=$2
dir=${3:-$(dirname "$0")/../build/i686/dist}
files=(Gainlet.dll Setup.exe)

options=(-certs "$cert" -key "$key" -h sha256 -n "Gainlet")
[ -z "${GAINLET_SIGN_PASSWORD:-}" ] || options+=(-pass "$GAINLET_SIGN_PASSWORD")
[ -z "${GAINLET_TIMESTAMP_URL:-}" ] || options+=(-ts "$GAINLET_TIMESTAMP_URL")

for name in "${files[@]}"; do
  [ -f "$dir/$name" ] || { echo "sign: no $dir/$name" >&2; exit 1; }
done
for name in "${files[@]}"; do
  rm -f "$dir/$name.signed"
  osslsigncode sign "${options[@]}" -in "$dir/$name" -out "$dir/$name.signed" >/dev/null
  mv "$dir/$name.signed" "$dir/$name"
  echo "signed: $dir/$name"
done
(cd "$dir" && sha256sum "${files[@]}" >SHA256SUMS)
echo "rewrote: $dir/SHA256SUMS"
