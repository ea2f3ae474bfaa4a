#!/usr/bin/env bash
# Screenshots of the settings page in dsphost's property frame, in English
# and in Japanese, with audio flowing through the plug-in:
#
#   scripts/screenshots.sh [BUILD_DIR [OUT_DIR]]
#
# BUILD_DIR defaults to build/x86_64, OUT_DIR to BUILD_DIR/screenshots; the
# README's pictures are refreshed with OUT_DIR docs. It writes
# settings-page-en.png and settings-page-ja.png, each the whole frame. It
# uses a throwaway Wine prefix with the registrar stand-in and Gainlet.dll
# registered, and loops a loud floating-point WAV (peaks above full scale,
# so the lamp is lit) through dsphost's settings mode under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/x86_64}" && pwd)
out=${2:-$build/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# Wine has neither of the templates' fonts, and its stand-ins for them are
# wider, so captions that fit on Windows wrap or are cut. Each is replaced
# in the prefix by the Debian font nearest to it in metrics (the dialog
# scales by the average character width, so what counts is how wide the
# captions are against it):
#   Segoe UI      no Debian font is metric-compatible; DejaVu Sans Condensed
#                 comes nearest and fits every English caption;
#   MS UI Gothic  Ume UI Gothic, drawn to its metrics (IPAPGothic, drawn
#                 to MS PGothic's, leaves "Audio format of DSP:" 3 pixels
#                 too wide).
replacements=("Segoe UI=DejaVu Sans Condensed" "MS UI Gothic=Ume UI Gothic")
packages=(fonts-wine fonts-dejavu-extra fonts-ipafont-gothic fonts-horai-umefont)
# The Wine here does not find the fonts of its own package: the frame's
# "MS Shell Dlg" is Tahoma and the caption buttons are Marlett glyphs.
wine_fonts=(/usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf /usr/share/wine/fonts/marlett.ttf)

for tool in xvfb-run xdotool import python3; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing" >&2; exit 1; }
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix
# regsvr32 and reg are no programs of ours: every Wine call names the
# build's flavour.
source cmake/wine-env.sh
GAINLET_FLAVOUR=$(gainlet_flavour_of "$build/bin/dsphost.exe")
export GAINLET_FLAVOUR

# Two seconds of a loud chord at 48 kHz, 32-bit float, peaking near +2 dB.
python3 - "$work/loud.wav" <<'PY'
import math, struct, sys
rate, channels, frames = 48000, 2, 96000
samples = bytearray()
for i in range(frames):
    t = i / rate
    v = 1.05 * (0.6 * math.sin(2 * math.pi * 220 * t) + 0.4 * math.sin(2 * math.pi * 331 * t + 0.7)
                + 0.25 * math.sin(2 * math.pi * 440 * t + 1.3))
    samples += struct.pack("<ff", v, 0.9 * v)
fmt = struct.pack("<HHIIHH", 3, channels, rate, rate * channels * 4, channels * 4, 32)
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(samples)) + b"WAVE")
    f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(samples)) + samples)
PY

run() { GAINLET_NO_XVFB=1 cmake/wine-run.sh "$@" >/dev/null; }
fonts_key='HKCU\Software\Wine\Fonts\Replacements'
for pair in "${replacements[@]}"; do
  run reg add "$fonts_key" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f
done
cp "${wine_fonts[@]}" "$WINEPREFIX/drive_c/windows/Fonts/"
# No window manager runs under Xvfb: Wine draws the frame's caption and
# border itself, so that the captured window is the whole frame.
run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f
run regsvr32 /s "Z:$build/bin/RegistrarStandIn.dll"
run regsvr32 /s "Z:$build/bin/Gainlet.dll"

# One capture: the frame opens, audio loops for a few seconds, the frame
# window is captured, then dsphost closes the frame itself.
cat > "$work/capture.sh" <<'SH'
#!/usr/bin/env bash
set -euo pipefail
build=$1 wav=$2 png=$3
"$(dirname "$0")/run-dsphost" "$build" "$wav" &
host=$!
window=
for _ in $(seq 1 60); do
  window=$(xdotool search --onlyvisible --name Gainlet 2>/dev/null | head -1) || true
  [ -n "$window" ] && break
  sleep 0.25
done
[ -n "$window" ] || { echo "screenshots: the property frame did not appear" >&2; wait $host; exit 1; }
sleep 2.5   # the meter, lamp and format settle on the looping audio
import -window "$window" "$png"
wait $host
SH
cat > "$work/run-dsphost" <<SH
#!/usr/bin/env bash
cd "$(pwd)"
GAINLET_NO_XVFB=1 cmake/wine-run.sh "\$1/bin/dsphost.exe" --settings --close-after 6000 "Z:\$2" >/dev/null
SH
chmod +x "$work/capture.sh" "$work/run-dsphost"

for lang in en:en_US.UTF-8 ja:ja_JP.UTF-8; do
  name=${lang%%:*} locale=${lang#*:}
  # Wine takes its user interface language from LC_ALL; the shell's own
  # locale need not exist.
  LC_ALL=$locale xvfb-run -a -s "-screen 0 640x480x24" \
    "$work/capture.sh" "$build" "$work/loud.wav" "$out/settings-page-$name.png"
  echo "screenshots: $out/settings-page-$name.png"
done
