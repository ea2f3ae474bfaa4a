#!/usr/bin/env bash
# caption-fit.sh BIN_DIR WORK_DIR
# The settings page in dsphost's property frame, with loud audio at +24 dB
# (the widest percentage and peak) and then at -100 dB (the widest gain
# text), in one table: 96, 120 and 144 DPI x English and Japanese x the
# screenshots' font replacements and the fonts a Wine prefix has by
# default. frame_captions measures each case from outside dsphost; a cut
# caption fails the row. Each case's screen is kept in WORK_DIR/shots,
# which is removed when every row passed unless KEEP_SHOTS=1.
set -euo pipefail
source "$(dirname "$0")/runner-prelude.sh" "$@"
mkdir -p "$work/shots"
dll=$(winpath "$bin/Gainlet.dll")

# Half a second of loud audio: at +24 dB the held peak reads its widest.
source "$root/scripts/page-prefix.sh"
write_loud_wav "$work/loud.wav" 0.5
wav=$(winpath "$work/loud.wav")

status=0
rows=0
for fonts in replaced default; do
  export WINEPREFIX=$work/prefix-$fonts
  "$run" regsvr32 /s "$(winpath "$bin/RegistrarStandIn.dll")"
  "$run" regsvr32 /s "$dll"
  [ $fonts = replaced ] && replace_page_fonts "$run"
  for dpi in 96 120 144; do
    # Read when the next Wine session starts; wine-run.sh ends each one.
    "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
    for lang in en:en_US.UTF-8 ja:ja_JP.UTF-8; do
      name=${lang%%:*} locale=${lang#*:}
      row="$fonts fonts, $dpi DPI, $name"
      rows=$((rows + 1))
      LC_ALL=$locale "$run" "$bin/dsphost.exe" --settings --close-after 60000 "$wav" >"$work/dsphost.log" 2>&1 &
      host=$!
      out=$work/$fonts-$dpi-$name.txt
      row_status=0
      LC_ALL=$locale "$WINE" "$bin/frame_captions.exe" --set 202=+24 --settle 800 "$dll" >"$out" 2>&1 || row_status=$?
      import -window root "$work/shots/$fonts-$dpi-$name.png" 2>/dev/null || true
      LC_ALL=$locale "$WINE" "$bin/frame_captions.exe" --set 202=-100.000 --close "$dll" >>"$out" 2>&1 ||
        row_status=$((row_status | $?))
      wait $host || true
      if [ $row_status -eq 0 ]; then
        echo "ok   $row"
      else
        echo "FAIL $row"
        sed 's/^/     /' "$out"
        status=1
      fi
    done
  done
done
echo "$rows rows"
[ $status -eq 0 ] && [ "${KEEP_SHOTS:-}" != 1 ] && rm -rf "$work"
exit $status
