#!/usr/bin/env bash
# run-e2e.sh BIN_DIR WORK_DIR
# Runs the end-to-end driver in throwaway Wine prefixes: one as Wine makes
# it (Windows 7, English), one set to Windows XP with a Japanese user
# interface. WORK_DIR is removed when everything passed.
set -euo pipefail
source "$(dirname "$0")/runner-prelude.sh" "$@"
mkdir -p "$work/files"

export GAINLET_DLL=$(winpath "$bin/Gainlet.dll")
export GAINLET_REGISTRAR=$(winpath "$bin/RegistrarStandIn.dll")
export GAINLET_DSPHOST=$(winpath "$bin/dsphost.exe")
export GAINLET_WORKDIR=$(winpath "$work/files")
driver=$bin/plugin_e2e_tests.exe

status=0
echo "== prefix as Wine makes it (Windows 7, English)"
WINEPREFIX=$work/win7 "$run" "$driver" --gtest_filter='Registration.*:Playing.*:DirectShowGraph.*:SettingsFrame.*' || status=1
WINEPREFIX=$work/win7 "$run" "$driver" --gtest_filter='Marshalling.*' || status=1

echo "== prefix set to Windows XP, Japanese user interface"
WINEPREFIX=$work/winxp "$run" winecfg -v "$(gainlet_winecfg_version xp)" || status=1
LC_ALL=ja_JP.UTF-8 WINEPREFIX=$work/winxp "$run" "$driver" --gtest_filter='WindowsXpJapanese.*' 2>&1 \
  | grep -v "setlocale: LC_ALL: cannot change locale" || status=1

[ $status -eq 0 ] && rm -rf "$work"
exit $status
