#!/usr/bin/env bash
# Uninstalling with the installed Setup.exe: regsvr32.exe that cannot be
# started, answering No, the full removal while Setup.exe runs, and an
# uninstallation with nothing left to remove.
source "$(dirname "$0")/scenario-lib.sh"
new_prefix
readonly SETTINGS_KEY='Software\Gainlet\DSP Plugin'
installed_whole() {
  [ -f "$INSTALL/Setup.exe" ] && [ -f "$INSTALL/Gainlet.dll" ] &&
  [ "$(reg HKLM "$UNINSTALL_KEY")" = present ] && [ "$(reg HKCU "$SETTINGS_KEY")" = present ] &&
  { [ -z "${REGISTRAR:-}" ] || registered; }
}

stage_source src
run_setup 0 'C:\src\Setup.exe' '' "$CAPTION_EN" Yes
end_session
reg HKCU "$SETTINGS_KEY" --add dBGain dword:be06249e
check "installed, with the user's settings" installed_whole

echo "== regsvr32.exe cannot be started"
# The program's own folder comes first in the search for regsvr32.exe.
: >"$INSTALL/regsvr32.exe"
run_setup 255 "$INSTALL_WIN\\Setup.exe" /U "$CAPTION_EN" Yes OK
end_session
rm "$INSTALL/regsvr32.exe"
check_eq "the uninstall question" "$(box_text 1)" "$MSG_UNINSTALL"
check_eq "Yes and No" "$(box_field 1 buttons)" "Yes* No"
check_eq "the failure" "$(box_text 2)" "$MSG_REGSVR32"
check_eq "OK only" "$(box_field 2 buttons)" "OK*"
check "nothing removed" installed_whole

echo "== answering No"
run_setup 0 "$INSTALL_WIN\\Setup.exe" /u "$CAPTION_EN" No
end_session
check "nothing removed" installed_whole

echo "== uninstalling"
run_setup 0 "$INSTALL_WIN\\Setup.exe" /U "$CAPTION_EN" Yes
end_session
check_eq "the question only" "$(box_count)" 1
check "the running Setup.exe is renamed aside" same_file "$INSTALL/Setup.000" "$SETUP_EXE"
check "Setup.exe gone" test ! -e "$INSTALL/Setup.exe"
check "Gainlet.dll deleted" test ! -e "$INSTALL/Gainlet.dll"
check_eq "Setup.000 queued for deletion at restart" \
  "$(reg HKLM "$SESSION_KEY" PendingFileRenameOperations)" \
  "$(printf 'REG_MULTI_SZ\t\\??\\%s' "$INSTALL_WIN\\Setup.000")"
check "the folder stays while Setup.000 is there" test -d "$INSTALL"
check_eq "the uninstall entry is gone" "$(reg HKLM "$UNINSTALL_KEY")" absent
check_eq "the settings key is gone" "$(reg HKCU "$SETTINGS_KEY")" absent
check_eq "Software\\Gainlet too" "$(reg HKCU 'Software\Gainlet')" absent
if [ -n "${REGISTRAR:-}" ]; then
  check "the plug-in is unregistered" unregistered
fi

echo "== after a restart, uninstalling with nothing left"
run_setup 0 'C:\src\Setup.exe' /U "$CAPTION_EN" Yes
end_session
check "Setup.000 deleted at restart" test ! -e "$INSTALL/Setup.000"
check "the empty folder is removed" test ! -e "$INSTALL"

finish
