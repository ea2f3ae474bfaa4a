#!/usr/bin/env bash
# The main job on a fresh Debian machine: install what is needed, build both
# flavours, then show the engine at work under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n== %s\n' "$*"; }
fail() { printf '\nmain job FAILED at step: %s\n' "$current" >&2; }
trap fail ERR

current="set-up"; step "$current"
scripts/bootstrap.sh
current="build"; step "$current"
scripts/build.sh

arch=$(scripts/wine-arch.sh)
bin=build/$arch/bin
if [ -x "$bin/gainlet_bench.exe" ] || [ -f "$bin/gainlet_bench.exe" ]; then
  current="engine benchmark ($arch)"; step "$current"
  cmake/wine-run.sh "$bin/gainlet_bench.exe"
fi

# The plug-in at work: registered with regsvr32 (and the test bed's stand-in
# for the media player's registrar) in a throwaway prefix, then a generated
# WAV played through it by the test bed's host.
demo=$(mktemp -d)
export WINEPREFIX=$demo/prefix GAINLET_NO_XVFB=1
winpath() { printf 'Z:%s' "${1//\//\\}"; }
bin=$(cd "$bin" && pwd)

current="generate a test WAV"; step "$current"
# Two seconds of a 1 kHz full-scale sine, 44100 Hz 16-bit stereo.
perl -e '
  my $n = 88200; my $data = "";
  for my $i (0 .. $n - 1) { my $s = int(32767 * sin(2 * 3.14159265358979 * 1000 * $i / 44100)); $data .= pack("s<s<", $s, $s); }
  print "RIFF", pack("V", 36 + length $data), "WAVE", "fmt ", pack("VvvVVvv", 16, 1, 2, 44100, 176400, 4, 16),
        "data", pack("V", length $data), $data;' > "$demo/tone.wav"

current="create a throwaway Wine prefix ($arch)"; step "$current"
# The host's machine type picks the prefix's; nothing is registered yet.
cmake/wine-run.sh "$bin/dsphost.exe" --list
current="register the registrar stand-in ($arch)"; step "$current"
cmake/wine-run.sh regsvr32 /s "$(winpath "$bin/RegistrarStandIn.dll")"
current="register Gainlet.dll with regsvr32 ($arch)"; step "$current"
cmake/wine-run.sh regsvr32 /s "$(winpath "$bin/Gainlet.dll")"
current="list the registered DSP plug-ins"; step "$current"
cmake/wine-run.sh "$bin/dsphost.exe" --list
current="play the WAV through the plug-in"; step "$current"
cmake/wine-run.sh "$bin/dsphost.exe" "$(winpath "$demo/tone.wav")" "$(winpath "$demo/tone-out.wav")"
rm -rf "$demo"

trap - ERR
echo
echo "main job done"
