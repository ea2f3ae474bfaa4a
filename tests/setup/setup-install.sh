#!/usr/bin/env bash
# Installing: the question, the files, the registration, the uninstall entry;
# installing again over an installation, newer and older files, read-only
# targets, missing files, a second installer, and programs and DLLs planted
# beside the installer.
source "$(dirname "$0")/scenario-lib.sh"
new_prefix
setup_size() { stat -c %s "$INSTALL/Setup.exe"; }
dll_size() { stat -c %s "$INSTALL/Gainlet.dll"; }
entry() { reg HKLM "$UNINSTALL_KEY" "$1"; }
registrar_calls() { reg HKLM "$REGISTRAR_KEY" CallCount; }

echo "== a source folder without Gainlet.dll"
mkdir -p "$C/nodll" && cp -p "$SETUP_EXE" "$C/nodll/Setup.exe"
run_setup 255 'C:\nodll\Setup.exe' '' "$CAPTION_EN" Yes OK
end_session
check_eq "the missing file is reported by its name" "$(box_text 2)" "$(msg_install_failed Gainlet.dll)"
check_eq "failure box: OK, error" "$(box_field 2 buttons)" "OK*"
check "nothing created" test ! -e "$INSTALL"
check_eq "no entry" "$(reg HKLM "$UNINSTALL_KEY")" absent

echo "== a renamed installer without Setup.exe beside it"
mkdir -p "$C/renamed"
cp -p "$SETUP_EXE" "$C/renamed/GainletSetup-1.1.exe"
cp -p "$PLUGIN_DLL" "$C/renamed/Gainlet.dll"
run_setup 255 'C:\renamed\GainletSetup-1.1.exe' '' "$CAPTION_EN" Yes OK
end_session
check_eq "its own copy is missing" "$(box_text 2)" "$(msg_install_failed Setup.exe)"
check "nothing created" test ! -e "$INSTALL"

echo "== a second installer while one runs"
# The first one waits at its question, in Japanese so that the two boxes
# have different captions.
stage_source src
begin_session
LC_ALL=ja_JP.UTF-8 "$WINE" 'C:\src\Setup.exe' 2>/dev/null &
first=$!
check "the first one asks" wait_for_window 'Gainletインストーラ'
run_setup 255 'C:\src\Setup.exe' /U "$CAPTION_EN" OK
check_eq "the second one says why it stops" "$(box_text 1)" "$MSG_ALREADY_RUNNING"
check_eq "as an error with OK" "$(box_field 1 buttons)" "OK*"
first_status=0
wine "$MSGBOX" --timeout 30000 'Gainletインストーラ' No >/dev/null 2>&1 || first_status=$?
check_eq "the first one goes on to its question" "$first_status" 0
first_status=0
wait "$first" || first_status=$?
check_eq "and ends as answered (No)" "$first_status" 0
end_session
check "nothing created" test ! -e "$INSTALL"

echo "== answering No"
run_setup 0 'C:\src\Setup.exe' '' "$CAPTION_EN" No
end_session
check_eq "the install question" "$(box_text 1)" "$MSG_INSTALL"
check_eq "its caption" "$(box_field 1 caption)" "$CAPTION_EN"
check_eq "Yes and No, Yes the default" "$(box_field 1 buttons)" "Yes* No"
check "no install folder" test ! -e "$INSTALL"
check_eq "no entry" "$(reg HKLM "$UNINSTALL_KEY")" absent

echo "== installing, with programs and DLLs planted beside the installer"
plant "$C/src"
run_setup 0 'C:\src\Setup.exe' '' "$CAPTION_EN" Yes
end_session
check_eq "none of them ran" "$(planted_that_ran "$C/src")" ""
unplant "$C/src"
check_eq "one question only" "$(box_count)" 1
check "Setup.exe installed" same_file "$INSTALL/Setup.exe" "$C/src/Setup.exe"
check "Gainlet.dll installed" same_file "$INSTALL/Gainlet.dll" "$C/src/Gainlet.dll"
check_eq DisplayName "$(entry DisplayName)" $'REG_SZ\tGainlet WMP Plugin'
check_eq Publisher "$(entry Publisher)" $'REG_SZ\tOrlenza'
check_eq EstimatedSize "$(entry EstimatedSize)" \
  "$(printf 'REG_DWORD\t%d' $(( ($(setup_size) + $(dll_size)) / 1000 )))"
check_eq UninstallString "$(entry UninstallString)" \
  "$(printf 'REG_SZ\t"%s" /U' "$INSTALL_WIN\\Setup.exe")"
check_eq DisplayIcon "$(entry DisplayIcon)" "$(printf 'REG_SZ\t%s' "$INSTALL_WIN\\Setup.exe")"
check_eq DisplayVersion "$(entry DisplayVersion)" $'REG_SZ\t1.1.0.1'
if [ -n "${REGISTRAR:-}" ]; then
  check "the plug-in is registered" registered
fi

echo "== installing again from the same folder"
before_setup=$(inode_and_ctime "$INSTALL/Setup.exe")
before_dll=$(inode_and_ctime "$INSTALL/Gainlet.dll")
calls=$(registrar_calls)
reg HKLM "$UNINSTALL_KEY" --add DisplayName 'stale'
reg HKLM "$UNINSTALL_KEY" --add EstimatedSize dword:00000001
run_setup 0 'C:\src\Setup.exe' '' "$CAPTION_EN" Yes
end_session
check_eq "Setup.exe not copied" "$(inode_and_ctime "$INSTALL/Setup.exe")" "$before_setup"
check_eq "Gainlet.dll not copied" "$(inode_and_ctime "$INSTALL/Gainlet.dll")" "$before_dll"
check_eq "the entry is rewritten" "$(entry DisplayName)" $'REG_SZ\tGainlet WMP Plugin'
check_eq "its size computed again" "$(entry EstimatedSize)" \
  "$(printf 'REG_DWORD\t%d' $(( ($(setup_size) + $(dll_size)) / 1000 )))"
if [ -n "${REGISTRAR:-}" ]; then
  # Each registration records one call per plug-in type: compare the counts.
  check "registered again" test "$(registrar_calls)" != "$calls"
fi

echo "== a newer version (file version 1.2.0.0, product version 0.9.2.0)"
cp "$PLUGIN_DLL" "$WORK/newer.dll"
python3 "$scenario_dir/set_file_version.py" "$WORK/newer.dll" 1.2.0.0 0.9.2.0
touch -d '2001-01-01' "$WORK/newer.dll"   # older by time: the version decides
stage_source newer "$WORK/newer.dll"
run_setup 0 'C:\newer\Setup.exe' '' "$CAPTION_EN" Yes
end_session
check "the newer DLL replaces the installed one" same_file "$INSTALL/Gainlet.dll" "$WORK/newer.dll"
check_eq "DisplayVersion from the product version, major 0" "$(entry DisplayVersion)" $'REG_SZ\tBeta-0.9.2.0'
check_eq "EstimatedSize again" "$(entry EstimatedSize)" \
  "$(printf 'REG_DWORD\t%d' $(( ($(setup_size) + $(dll_size)) / 1000 )))"

echo "== an older version with a later time"
cp "$PLUGIN_DLL" "$WORK/older.dll"
python3 "$scenario_dir/set_file_version.py" "$WORK/older.dll" 1.0.0.0
stage_source older "$WORK/older.dll"
touch "$C/older/Gainlet.dll"
run_setup 0 'C:\older\Setup.exe' '' "$CAPTION_EN" Yes
end_session
check "the installed newer DLL stays" same_file "$INSTALL/Gainlet.dll" "$WORK/newer.dll"

echo "== the same version with a later time, over read-only targets"
stage_source later "$WORK/newer.dll"
touch "$C/later/Gainlet.dll" "$C/later/Setup.exe"
chmod a-w "$INSTALL/Gainlet.dll" "$INSTALL/Setup.exe"
before_dll=$(inode_and_ctime "$INSTALL/Gainlet.dll")
run_setup 0 'C:\later\Setup.exe' '' "$CAPTION_EN" Yes
end_session
check "Gainlet.dll replaced" test "$(inode_and_ctime "$INSTALL/Gainlet.dll")" != "$before_dll"
check_eq "with the later time" "$(stat -c %Y "$INSTALL/Gainlet.dll")" "$(stat -c %Y "$C/later/Gainlet.dll")"
check_eq "Setup.exe replaced by time alone" "$(stat -c %Y "$INSTALL/Setup.exe")" "$(stat -c %Y "$C/later/Setup.exe")"
check "the read-only attribute is gone" writable_by_owner "$INSTALL/Gainlet.dll"
check "from Setup.exe too" writable_by_owner "$INSTALL/Setup.exe"

echo "== sources only from the installer's own folder, never from the current directory"
# Decoys in the current directory that would win over what the installer's
# folder offers: a newer Gainlet.dll and a later Setup.exe.
mkdir -p "$C/other"
cp "$PLUGIN_DLL" "$C/other/Gainlet.dll"
python3 "$scenario_dir/set_file_version.py" "$C/other/Gainlet.dll" 9.0.0.0
printf decoy >"$C/other/Setup.exe"
# stage_deep LENGTH LETTER: the sources in a folder where Setup.exe's full
# path has LENGTH characters (folder names of at most 200); sets DEEP_WIN.
stage_deep() {
  local rest=$(( $1 - 2 - 10 )) win='C:' unix=$C n part   # "C:", "\Setup.exe"
  while [ "$rest" -gt 0 ]; do
    n=$(( rest - 1 > 200 ? 150 : rest - 1 ))
    part=$(printf "%${n}s" '' | tr ' ' "$2")
    win+="\\$part" unix+="/$part" rest=$(( rest - n - 1 ))
  done
  mkdir -p "$unix"
  cp -p "$SETUP_EXE" "$unix/Setup.exe"
  cp -p "$PLUGIN_DLL" "$unix/Gainlet.dll"
  DEEP_WIN="$win\\Setup.exe"
  check_eq "a path of $1 characters" "${#DEEP_WIN}" "$1"
}
pushd "$C/other" >/dev/null
rm -rf "$INSTALL"
stage_deep 257 a   # Gainlet.dll beside it: 259 characters, the most that fits
calls=$(registrar_calls)
run_setup 0 "$DEEP_WIN" '' "$CAPTION_EN" Yes
end_session
check "257: Gainlet.dll from the installer's folder" same_file "$INSTALL/Gainlet.dll" "$PLUGIN_DLL"
check "257: Setup.exe from the installer's folder" same_file "$INSTALL/Setup.exe" "$SETUP_EXE"
check "257: registered" test "$(registrar_calls)" != "$calls"
for deep in 258:b 259:c 270:d; do
  length=${deep%:*}
  rm -rf "$INSTALL"
  stage_deep "$length" "${deep#*:}"
  calls=$(registrar_calls)
  reg HKLM "$UNINSTALL_KEY" --add DisplayName 'stale'
  run_setup 255 "$DEEP_WIN" '' "$CAPTION_EN" Yes OK
  end_session
  if [ "$length" -lt 270 ]; then
    check_eq "$length: Gainlet.dll cannot be named" "$(box_text 2)" "$(msg_install_failed Gainlet.dll)"
  else
    # Beyond the module path's buffer even the installer's own name is lost.
    check_eq "$length: Setup.exe cannot be named" "$(box_text 2)" "$(msg_install_failed Setup.exe)"
  fi
  check "$length: nothing created" test ! -e "$INSTALL"
  check_eq "$length: nothing registered" "$(registrar_calls)" "$calls"
  check_eq "$length: no entry written" "$(entry DisplayName)" $'REG_SZ\tstale'
done
popd >/dev/null

echo "== the registration fails (no registrar): the same steps, exit code -1"
wine regsvr32 /s /u "C:\\testbed\\$(basename "$REGISTRAR")"
"$WINESERVER" -w
reg HKLM "$UNINSTALL_KEY" --add DisplayName 'stale'
run_setup 255 'C:\src\Setup.exe' '' "$CAPTION_EN" Yes
end_session
check_eq "the question only: the tool reports for itself" "$(box_count)" 1
check "Gainlet.dll installed" same_file "$INSTALL/Gainlet.dll" "$C/src/Gainlet.dll"
check_eq "the entry is written all the same" "$(entry DisplayName)" $'REG_SZ\tGainlet WMP Plugin'
check_eq "with its uninstall command" "$(entry UninstallString)" \
  "$(printf 'REG_SZ\t"%s" /U' "$INSTALL_WIN\\Setup.exe")"

finish
