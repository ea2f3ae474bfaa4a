#!/usr/bin/env bash
# Uninstalling with the installed Setup.exe: regsvr32.exe that cannot be
# started, answering No, the full removal while Setup.exe runs and a scanner
# holds the DLL open, the restart that finishes it, an uninstallation with
# nothing left to remove, and what the whole round leaves behind.
source "$(dirname "$0")/scenario-lib.sh"
new_prefix
readonly SETTINGS_KEY='Software\Gainlet\DSP Plugin'
installed_whole() {
  [ -f "$INSTALL/Setup.exe" ] && [ -f "$INSTALL/Gainlet.dll" ] &&
  [ "$(reg HKLM "$UNINSTALL_KEY")" = present ] && [ "$(reg HKCU "$SETTINGS_KEY")" = present ] &&
  { [ -z "${REGISTRAR:-}" ] || registered; }
}

# Everything an install and an uninstall may touch, before either ran: the
# registry but for the registrar stand-in's log and the driver date Wine's
# display driver stamps at every start, and every file but the sources.
snapshot() {
  reg HKLM --dump | grep -iv -e "^${REGISTRAR_KEY//\\/\\\\}" -e '|driverdatedata=' >"$1.hklm"
  reg HKCU --dump >"$1.hkcu"
  (cd "$C" && find . -path ./src -prune -o -print | LC_ALL=C sort | while read -r f; do
     if [ -f "$f" ]; then echo "$f $(md5sum <"$f" | cut -c1-32)"; else echo "$f"; fi
   done) >"$1.files"
}
snapshot "$WORK/before"

stage_source src
run_setup 0 'C:\src\Setup.exe' '' "$CAPTION_EN" Yes
end_session
reg HKCU "$SETTINGS_KEY" --add dBGain dword:be06249e
check "installed, with the user's settings" installed_whole

echo "== regsvr32.exe cannot be started, and another one lies beside the installer"
break_regsvr32
plant "$INSTALL"
run_setup 255 "$INSTALL_WIN\\Setup.exe" /U "$CAPTION_EN" Yes OK
end_session
mend_regsvr32
check_eq "the planted one did not run" "$(planted_that_ran "$INSTALL")" ""
unplant "$INSTALL"
check_eq "the uninstall question" "$(box_text 1)" "$MSG_UNINSTALL"
check_eq "Yes and No" "$(box_field 1 buttons)" "Yes* No"
check_eq "the failure" "$(box_text 2)" "$MSG_REGSVR32"
check_eq "OK only" "$(box_field 2 buttons)" "OK*"
check "nothing removed" installed_whole

echo "== answering No"
run_setup 0 "$INSTALL_WIN\\Setup.exe" /u "$CAPTION_EN" No
end_session
check "nothing removed" installed_whole

echo "== uninstalling while a scanner holds Gainlet.dll open without delete sharing"
hold_open "$INSTALL_WIN\\Gainlet.dll" r
run_setup 0 "$INSTALL_WIN\\Setup.exe" /U "$CAPTION_EN" Yes
end_session
check_eq "the question only" "$(box_count)" 1
check "the running Setup.exe is renamed aside" same_file "$INSTALL/Setup.000" "$SETUP_EXE"
check "Setup.exe gone" test ! -e "$INSTALL/Setup.exe"
check_eq "Setup.000, then Gainlet.dll itself, then the folder go at restart" \
  "$(reg HKLM "$SESSION_KEY" PendingFileRenameOperations)" \
  "$(printf 'REG_MULTI_SZ\t\\??\\%s||\\??\\%s||\\??\\%s' \
       "$INSTALL_WIN\\Setup.000" "$INSTALL_WIN\\Gainlet.dll" "$INSTALL_WIN")"
check_eq "the uninstall entry is gone" "$(reg HKLM "$UNINSTALL_KEY")" absent
check_eq "the settings key is gone" "$(reg HKCU "$SETTINGS_KEY")" absent
check_eq "Software\\Gainlet too" "$(reg HKCU 'Software\Gainlet')" absent
if [ -n "${REGISTRAR:-}" ]; then
  check "the plug-in is unregistered" unregistered
fi

echo "== after a restart"
begin_session
wine cmd /c exit
end_session
check "the install folder is gone, with all it held" test ! -e "$INSTALL"

echo "== uninstalling with nothing left"
run_setup 0 'C:\src\Setup.exe' /U "$CAPTION_EN" Yes
end_session
check_eq "the question only" "$(box_count)" 1

echo "== what the round left behind"
snapshot "$WORK/after"
for part in hklm hkcu files; do
  check_eq "$part as before" "$(diff "$WORK/before.$part" "$WORK/after.$part")" ""
done

finish
