#!/usr/bin/env bash
# The main job on a fresh Debian machine, as a user meets the plug-in:
# set-up, build both deliverables into build/i686/dist, install them with
# Setup.exe in a throwaway Wine prefix (a helper answers the question), play
# a WAV file through the installed plug-in, save screenshots of the settings
# page, and uninstall with the installed Setup.exe.
#   KEEP_PREFIX=1  keeps the prefix afterwards and prints where it is.
set -euo pipefail
cd "$(dirname "$0")/.."

current=start
step() { current=$*; printf '\n== %s\n' "$current"; }
die() { printf '%s\n' "$*" >&2; exit 1; }
cleanup=()
on_exit() {
  local rc=$?
  for action in "${cleanup[@]}"; do eval "$action" || true; done
  [ $rc -eq 0 ] || printf '\nmain job FAILED at step: %s\n' "$current" >&2
}
trap on_exit EXIT

if [ -z "${MAIN_JOB_BUILT:-}" ]; then
  step "set-up"
  scripts/bootstrap.sh
  step "build"
  scripts/build.sh
  if [ -z "${DISPLAY:-}" ]; then
    # Message boxes and the player stand-in need a display; a virtual one will do.
    trap - EXIT
    MAIN_JOB_BUILT=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
  fi
fi

source cmake/wine-env.sh
arch=$(gainlet_runnable_flavour)
gainlet_use_flavour "$arch"

step "deliverables"
# What a user downloads: build/i686/dist, made by `cmake --install --strip`.
run_dist=build/i686/dist
if [ "$arch" != i686 ]; then
  # This kernel runs no 32-bit programs, so the 32-bit Wine loader cannot
  # start: the same sources built 64-bit stand in for the shipped pair.
  run_dist=build/$arch/dist
  echo "shipped (32-bit): build/i686/dist"
  echo "this machine runs 64-bit programs only: installing $run_dist/Setup.exe"
fi
ls -l build/i686/dist "$run_dist"
bin=build/$arch/bin

if [ -f "$bin/gainlet_bench.exe" ]; then
  step "engine benchmark ($arch)"
  GAINLET_NO_XVFB=1 cmake/wine-run.sh "$bin/gainlet_bench.exe"
fi

step "throwaway Wine prefix ($WINEARCH) with the media player's registrar stand-in"
work=$(mktemp -d)
export WINEPREFIX=$work/pfx
if [ -z "${KEEP_PREFIX:-}" ]; then
  cleanup+=('"$WINESERVER" -k 2>/dev/null; rm -rf "$work"')
fi
cmake/wine-prefix.sh "$WINEPREFIX"
c=$WINEPREFIX/drive_c
mkdir -p "$c/testbed" "$c/Downloads/Gainlet" "$c/music"
cp "$bin/RegistrarStandIn.dll" "$bin/dsphost.exe" "$bin/msgbox_answer.exe" "$bin/program_files.exe" \
  "$c/testbed/"
"$WINE" regsvr32 /s 'C:\testbed\RegistrarStandIn.dll' || die "the registrar stand-in did not register"
echo "prefix: $WINEPREFIX"

# answer_and_run ANSWER... -- PROGRAM ARGS: runs the program while the helper
# answers its message boxes; prints what the boxes said.
answer_and_run() {
  local answers=()
  while [ "$1" != -- ]; do answers+=("$1"); shift; done
  shift
  "$WINE" 'C:\testbed\msgbox_answer.exe' --timeout 60000 'Gainlet Installer' "${answers[@]}" \
    >"$work/boxes.txt" &
  local helper=$! status=0 helper_status=0
  "$WINE" "$@" || status=$?
  wait "$helper" || helper_status=$?
  sed 's/^/  | /' "$work/boxes.txt"
  [ "$helper_status" -eq 0 ] || die "the message-box helper failed ($helper_status)"
  [ "$status" -eq 0 ] || die "$* ended with exit code $status"
}

step "install: Setup.exe from its download folder, answering Yes"
cp "$run_dist/Setup.exe" "$run_dist/Gainlet.dll" "$c/Downloads/Gainlet/"
answer_and_run Yes -- 'C:\Downloads\Gainlet\Setup.exe'
# The Program Files folder as the shell reports it to a program of this
# flavour ("Program Files (x86)" for a 32-bit one on 64-bit Windows).
program_files=$("$WINE" 'C:\testbed\program_files.exe' | tr -d '\r') \
  || die "no Program Files folder in the prefix"
install_win="$program_files\GainletPlugin"
install_dir="$c/$(printf '%s' "${install_win:3}" | tr '\\' /)"
[ -f "$install_dir/Setup.exe" ] && [ -f "$install_dir/Gainlet.dll" ] \
  || die "Setup.exe did not put both files in $install_win"
ls -l "$install_dir"
"$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gainlet' \
  || die "no uninstall entry"

step "play a WAV through the installed plug-in"
python3 - "$c/music/tone.wav" <<'PY'
import math, struct, sys, wave
# Two seconds of a full-scale 997 Hz stereo tone: loud enough that the
# default gain of -0.131 dB shows in the peak.
rate, seconds = 44100, 2
with wave.open(sys.argv[1], 'wb') as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
    frames = bytearray()
    for n in range(rate * seconds):
        s = round(32767 * math.sin(2 * math.pi * 997 * n / rate))
        frames += struct.pack('<hh', s, s)
    w.writeframes(bytes(frames))
PY
"$WINE" 'C:\testbed\dsphost.exe' --list || die "dsphost could not list the plug-ins"
"$WINE" 'C:\testbed\dsphost.exe' 'C:\music\tone.wav' 'C:\music\tone-gainlet.wav' \
  || die "dsphost could not play through the plug-in"
[ -s "$c/music/tone-gainlet.wav" ] || die "no output WAV"

step "settings page screenshots ($arch)"
# In a prefix of their own, so that this one stays as the user left it; into
# the build tree, so that the job leaves the working tree as it found it.
(unset WINEPREFIX; scripts/screenshots.sh "build/$arch") || die "no screenshots of the settings page"

step "uninstall: the installed Setup.exe /U, answering Yes"
echo "A user uninstalls from the list of installed programs, which runs:"
echo "  \"$install_win\\Setup.exe\" /U"
"$WINESERVER" -w
answer_and_run Yes -- "$install_win\\Setup.exe" /U
[ ! -e "$install_dir/Gainlet.dll" ] || die "Gainlet.dll is still installed"
if "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gainlet' >/dev/null 2>&1; then
  die "the uninstall entry is still there"
fi
echo "left until the next restart: $(ls "$install_dir" 2>/dev/null | tr '\n' ' ')"
"$WINESERVER" -w

current=done
echo
echo "main job done: installed, played, uninstalled"
[ -z "${KEEP_PREFIX:-}" ] || echo "prefix kept: $WINEPREFIX"
