#!/usr/bin/env bash
# signing-test.sh SOURCE_DIR DIST REGISTRAR_DLL
# scripts/sign.sh on a copy of DIST with a throwaway certificate made here:
# osslsigncode verifies both signed files against that certificate (and
# refuses a tampered copy), SHA256SUMS matches the signed bytes, and the
# signed DLL still loads and registers under Wine, in a prefix of its own
# with the test bed's stand-in for the player's registrar.
set -euo pipefail
src=$(cd "$1" && pwd) dist=$(cd "$2" && pwd) registrar=$3
work=$(mktemp -d /tmp/gainlet-signing.XXXXXX)
source "$src/cmake/wine-env.sh"
cleanup() {
  [ -z "${WINESERVER:-}" ] || WINEPREFIX=$work/prefix "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Gainlet test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
mkdir "$work/dist"
cp "$dist/Gainlet.dll" "$dist/Setup.exe" "$dist/SHA256SUMS" "$work/dist/"
"$src/scripts/sign.sh" "$work/cert.pem" "$work/key.pem" "$work/dist"

for name in Gainlet.dll Setup.exe; do
  cmp -s "$dist/$name" "$work/dist/$name" && fail "$name was not changed by signing"
  out=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$work/dist/$name" 2>&1) || { echo "$out"; fail "$name does not verify"; }
  grep -q '^Message digest algorithm *: SHA256' <<<"$out" || fail "$name: not a SHA-256 signature"
  echo "verified: $name"
done
cp "$work/dist/Gainlet.dll" "$work/tampered.dll"
printf 'X' | dd of="$work/tampered.dll" bs=1 seek=1024 conv=notrunc status=none
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.dll" >/dev/null 2>&1 \
  && fail "a tampered copy verifies: the check proves nothing"
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the signed files"
echo "sums match the signed files"

# Loaded and registered by the platform's regsvr32, in a prefix of the DLL's
# own architecture.
gainlet_use_flavour "$(gainlet_flavour_of "$work/dist/Gainlet.dll")"
export WINEPREFIX=$work/prefix
"$src/cmake/wine-prefix.sh" "$WINEPREFIX"
mkdir -p "$WINEPREFIX/drive_c/signed"
cp "$registrar" "$WINEPREFIX/drive_c/signed/RegistrarStandIn.dll"
cp "$work/dist/Gainlet.dll" "$WINEPREFIX/drive_c/signed/Gainlet.dll"
"$WINE" regsvr32 /s 'C:\signed\RegistrarStandIn.dll' || fail "the registrar stand-in did not register"
"$WINE" regsvr32 /s 'C:\signed\Gainlet.dll' || fail "regsvr32 could not register the signed DLL"
server=$("$WINE" reg query 'HKCR\CLSID\{CB5764E3-601F-4017-B0C5-11CE65E068C1}\InprocServer32' /ve 2>/dev/null | tr -d '\r')
grep -qi 'C:\\signed\\Gainlet.dll' <<<"$server" || { echo "$server"; fail "no class key naming the signed DLL"; }
echo "the signed DLL registered: $(grep -i 'REG_SZ' <<<"$server" | sed 's/^ *//')"
"$WINESERVER" -w
