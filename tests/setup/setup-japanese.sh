#!/usr/bin/env bash
# Every message of the installer on a Japanese user interface.
source "$(dirname "$0")/scenario-lib.sh"
new_prefix
UI_LOCALE=ja_JP.UTF-8
readonly TARGET_WIN="$INSTALL_WIN\\Gainlet.dll"
readonly CAPTION_JA='Gainletインストーラ'

echo "== install question and regsvr32.exe that cannot be started"
stage_source src
break_regsvr32
run_setup 255 'C:\src\Setup.exe' '' 'Gainlet*' Yes OK
end_session
mend_regsvr32
check_eq "caption" "$(box_field 1 caption)" "$CAPTION_JA"
check_eq "install question" "$(box_text 1)" \
  $'Windows Media Player用オーディオDSPプラグイン [Gainlet] をインストールします。\nよろしいですか？'
check_eq "regsvr32.exe failure" "$(box_text 2)" 'regsvr32.exe が実行できませんでした。'
check_eq "its caption" "$(box_field 2 caption)" "$CAPTION_JA"

echo "== in use, then Cancel"
cp "$PLUGIN_DLL" "$WORK/newer.dll"
python3 "$scenario_dir/set_file_version.py" "$WORK/newer.dll" 1.2.0.0
stage_source newer "$WORK/newer.dll"
hold "$TARGET_WIN"
run_setup 255 'C:\newer\Setup.exe' '' 'Gainlet*' Yes Cancel OK
end_session
expected=$(printf '%s\n\n  %s\n\n%s\n\n%s\n%s\n%s' \
  '下記のファイルが実行中のアプリケーションから使用されているようです。' "'$TARGET_WIN'" \
  'Windows Media Playerなど、このファイルを使用する可能性があるアプリケーションを実行中の場合は、そのアプリケーションを終了してから [再実行] をクリックして下さい。' \
  '  [キャンセル]  インストールを中止します。' \
  '  [再実行]  ファイルが使用中でなければ上書きします。' \
  '  [続行]  ファイルが使用中でも上書きします。')
check_eq "in-use question" "$(box_text 2)" "$expected"
check_eq "installation failure" "$(box_text 3)" "ファイル 'Gainlet.dll' をシステムにインストールできませんでした。"

echo "== a second installer while one runs"
# The first one waits at its question in English. Both captions match
# "Gainlet*", the only caption the helper takes in Japanese, so the first
# one's question is answered before the second one's box.
begin_session
LC_ALL=C "$WINE" 'C:\src\Setup.exe' 2>/dev/null &
first=$!
check "the first one asks" wait_for_window "$CAPTION_EN"
wine 'C:\src\Setup.exe' 2>/dev/null &
second=$!
check "the second one stops with a box" wait_for_window "$CAPTION_JA"
LC_ALL=C "$WINE" "$MSGBOX" --timeout 30000 "$CAPTION_EN" No >/dev/null 2>&1 || fail "the first one's question"
status=0
wait "$first" || status=$?
check_eq "the first one ends as answered (No)" "$status" 0
BOXES=$WORK/boxes.second
wine "$MSGBOX" --timeout 30000 'Gainlet*' OK >"$BOXES" 2>/dev/null || fail "the second one's box"
status=0
wait "$second" || status=$?
end_session
check_eq "the second one ends with -1" "$status" 255
check_eq "and says why" "$(box_text 1)" \
  $'[Gainlet] の別のインストーラが実行中です。\n終了するまでお待ちになってから、もう一度実行して下さい。'

echo "== uninstall question"
run_setup 0 "$INSTALL_WIN\\Setup.exe" /U 'Gainlet*' No
end_session
check_eq "uninstall question" "$(box_text 1)" \
  $'Windows Media Player用オーディオDSPプラグイン [Gainlet] をアンインストールします。\nよろしいですか？'

finish
