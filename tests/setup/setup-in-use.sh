#!/usr/bin/env bash
# Replacing an installed DLL that another process has loaded or holds open:
# the in-use question, Try Again while still in use, Cancel, and Continue
# with the old file renamed aside for deletion at the next restart.
source "$(dirname "$0")/scenario-lib.sh"
new_prefix
readonly TARGET_WIN="$INSTALL_WIN\\Gainlet.dll"

stage_source src
run_setup 0 'C:\src\Setup.exe' '' "$CAPTION_EN" Yes
end_session
cp "$PLUGIN_DLL" "$WORK/newer.dll"
python3 "$scenario_dir/set_file_version.py" "$WORK/newer.dll" 1.2.0.0
stage_source newer "$WORK/newer.dll"

echo "== in use: Try Again, then Cancel"
hold "$TARGET_WIN"
run_setup 255 'C:\newer\Setup.exe' '' "$CAPTION_EN" Yes TryAgain Cancel OK
end_session
check_eq "the in-use question names the full path" "$(box_text 2)" "$(msg_in_use "$TARGET_WIN")"
check_eq "Cancel, Try Again (default), Continue" "$(box_field 2 buttons)" "Cancel TryAgain* Continue"
check_eq "Try Again while in use asks again" "$(box_text 3)" "$(msg_in_use "$TARGET_WIN")"
check_eq "Cancel reports the bare file name" "$(box_text 4)" "$(msg_install_failed Gainlet.dll)"
check_eq "four boxes in all" "$(box_count)" 4
check "the installed DLL stays" same_file "$INSTALL/Gainlet.dll" "$C/src/Gainlet.dll"
check "nothing renamed aside" test ! -e "$INSTALL/Gainlet.000"

echo "== in use: Continue"
touch "$INSTALL/Gainlet.000"   # a backup name already taken
hold "$TARGET_WIN"
run_setup 0 'C:\newer\Setup.exe' '' "$CAPTION_EN" Yes Continue
end_session
check_eq "one in-use question" "$(box_count)" 2
check "the new DLL stands under the old name" same_file "$INSTALL/Gainlet.dll" "$WORK/newer.dll"
check "the old one is renamed to the first free name" same_file "$INSTALL/Gainlet.001" "$C/src/Gainlet.dll"
pending=$(reg HKLM "$SESSION_KEY" PendingFileRenameOperations)
check_eq "and queued for deletion at restart" "$pending" \
  "$(printf 'REG_MULTI_SZ\t\\??\\%s' "$INSTALL_WIN\\Gainlet.001")"

echo "== after a restart"
begin_session
wine cmd /c exit
end_session
check "the old DLL is gone" test ! -e "$INSTALL/Gainlet.001"
check "the new one stays" same_file "$INSTALL/Gainlet.dll" "$WORK/newer.dll"

rm "$INSTALL/Gainlet.000"   # the taken name of before
cp "$PLUGIN_DLL" "$WORK/newest.dll"
python3 "$scenario_dir/set_file_version.py" "$WORK/newest.dll" 1.3.0.0
stage_source newest "$WORK/newest.dll"

echo "== open without delete sharing: Continue cannot free it"
hold_open "$TARGET_WIN" r
run_setup 255 'C:\newest\Setup.exe' '' "$CAPTION_EN" Yes Continue OK
end_session
check_eq "asked, then reported" "$(box_text 3)" "$(msg_install_failed Gainlet.dll)"
check "the installed DLL is untouched" same_file "$INSTALL/Gainlet.dll" "$WORK/newer.dll"
check_eq "no copy left in the folder" "$(ls "$INSTALL")" "$(printf 'Gainlet.dll\nSetup.exe')"

echo "== open with every sharing, as a scanner holds it: Continue"
hold_open "$TARGET_WIN" rwd
run_setup 0 'C:\newest\Setup.exe' '' "$CAPTION_EN" Yes Continue
end_session
# The holder has closed its handle: a deletion pending on the old file
# must not take the new one with it.
check "the new DLL stays after the holder is gone" same_file "$INSTALL/Gainlet.dll" "$WORK/newest.dll"
check "and is registered" registered
check "the old one waits for the restart" same_file "$INSTALL/Gainlet.000" "$WORK/newer.dll"

finish
