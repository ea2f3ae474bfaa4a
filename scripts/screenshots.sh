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

source scripts/page-prefix.sh

for tool in xvfb-run xdotool import python3; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing" >&2; exit 1; }
done
missing=()
for p in "${page_font_packages[@]}"; do
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

write_loud_wav "$work/loud.wav" 2

run() { GAINLET_NO_XVFB=1 cmake/wine-run.sh "$@" >/dev/null; }
replace_page_fonts run
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
