# Sourced by the installer scenarios: runs the real Setup.exe in a fresh Wine
# prefix, answers its message boxes with msgbox_answer.exe and checks files
# and registry from the host.
#
# Environment (host paths): SETUP_EXE, PLUGIN_DLL (installed as Gainlet.dll),
# MSGBOX, HOLD_DLL, HOLD_FILE, PLANTED_DLL, PLANTED_EXE, PROGRAM_FILES, and
# REGISTRAR, the media player's registrar stand-in, registered in the prefix
# so that the plug-in's own registration succeeds and is checked.
set -euo pipefail
scenario_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$scenario_dir/../.." && pwd)

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

source "$repo/cmake/wine-env.sh"
gainlet_use_flavour "$(gainlet_flavour_of "$SETUP_EXE")"

# UI_LOCALE (for example ja_JP.UTF-8) sets the user interface language of
# every Windows program the scenario starts.
wine() { env ${UI_LOCALE:+LC_ALL=$UI_LOCALE} "$WINE" "$@"; }

readonly GAINLET_CLSID='{CB5764E3-601F-4017-B0C5-11CE65E068C1}'
readonly DSP_PLUGIN_TYPE='{6434BAEA-4954-498D-ABD5-2B07123E1F04}'
readonly UNINSTALL_KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall\Gainlet'
readonly SESSION_KEY='System\CurrentControlSet\Control\Session Manager'
readonly REGISTRAR_KEY='Software\Gainlet Testbed\Plugin Registrar'
readonly CAPTION_EN='Gainlet Installer'

failures=0
ok()   { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check_eq() {  # what actual expected
  if [ "$2" = "$3" ]; then ok "$1"; else fail "$1: expected [$3], got [$2]"; fi
}
check() {  # what command...
  local what=$1; shift
  if "$@"; then ok "$what"; else fail "$what"; fi
}
finish() {
  echo
  if [ "$failures" -eq 0 ]; then echo "all checks passed"; exit 0; fi
  echo "$failures check(s) failed"; exit 1
}

reg() { python3 "$scenario_dir/wine_registry.py" "$WINEPREFIX" "$@"; }

# A fresh prefix, removed on exit; the registrar stand-in registered in it.
# WINDOWS_VERSION (xp or 7) sets the version the prefix reports.
new_prefix() {
  WORK=$(mktemp -d)
  trap 'WINEPREFIX=$WINEPREFIX "$WINESERVER" -k 2>/dev/null || true; rm -rf "$WORK"' EXIT
  export WINEPREFIX=$WORK/pfx
  "$repo/cmake/wine-prefix.sh" "$WINEPREFIX"
  if [ -n "${WINDOWS_VERSION:-}" ]; then
    wine winecfg -v "$(gainlet_winecfg_version "$WINDOWS_VERSION")"
    "$WINESERVER" -w
    case "$WINDOWS_VERSION:$(reg HKLM 'Software\Microsoft\Windows NT\CurrentVersion' CurrentVersion)" in
      xp:*$'\t'5.[12] | 7:*$'\t'6.1) ;;
      *) echo "scenario: the prefix does not report Windows $WINDOWS_VERSION" >&2; exit 1 ;;
    esac
  fi
  C=$WINEPREFIX/drive_c
  # Where Setup.exe installs: the Program Files folder the shell reports to a
  # program of its flavour ("Program Files (x86)" for a 32-bit one on 64-bit).
  local folder
  folder=$(wine "$PROGRAM_FILES" | tr -d '\r')
  case "$folder" in
    [Cc]:\\*) ;;
    *) echo "scenario: no Program Files folder on drive C: [$folder]" >&2; exit 1 ;;
  esac
  INSTALL_WIN="$folder\\GainletPlugin"
  INSTALL="$C/$(printf '%s' "${INSTALL_WIN:3}" | tr '\\' /)"
  if [ -n "${REGISTRAR:-}" ]; then
    mkdir -p "$C/testbed"
    cp "$REGISTRAR" "$C/testbed/"
    wine regsvr32 /s "C:\\testbed\\$(basename "$REGISTRAR")"
    "$WINESERVER" -w
  fi
}

# stage_source NAME [DLL]: a source folder C:\NAME with Setup.exe and the
# given DLL (default PLUGIN_DLL) as Gainlet.dll.
stage_source() {
  mkdir -p "$C/$1"
  cp -p "$SETUP_EXE" "$C/$1/Setup.exe"
  cp -p "${2:-$PLUGIN_DLL}" "$C/$1/Gainlet.dll"
}

# A session's wineserver ends as soon as its last program does.
begin_session() { "$WINESERVER" -p0 2>/dev/null || true; }

# hold FILE_WIN: loads the DLL in a helper process until end_session.
# hold_open FILE_WIN SHARING: keeps the file open instead, with the sharing
# hold_file.exe takes ("r", "rwd", ...), as a scanner or a backup tool does.
holders=()
hold() { start_holder "$1" "$HOLD_DLL" "$1"; }
hold_open() { start_holder "$1" "$HOLD_FILE" "$1" "$2"; }
start_holder() {
  local what=$1 out=$WORK/hold.$RANDOM; shift
  begin_session
  # Not through wine(): $! must be the Wine process itself, to end it later.
  env ${UI_LOCALE:+LC_ALL=$UI_LOCALE} "$WINE" "$@" 120 >"$out" 2>/dev/null &
  holders+=($!)
  for _ in $(seq 100); do grep -q holding "$out" 2>/dev/null && return 0; sleep 0.1; done
  fail "could not hold $what: $(cat "$out")"
}

# What a download folder may hold beside the installer: a regsvr32.exe and
# DLLs under the names Windows loads from a program's own folder before its
# system folder. Each leaves NAME.ran beside itself if it ever runs.
readonly PLANTED_DLLS=(version uxtheme dwmapi cryptbase propsys winmm userenv profapi msimg32 sspicli)
# plant FOLDER (host path) puts them there, and gives every program started
# until unplant FOLDER Windows' order for them: native (the folder's) before
# builtin. All but the first, version.dll: Wine's own user32 imports it,
# which Windows' does not, so under that order Wine itself would load the
# planted copy before the installer runs a line. That the installer does not
# import it is the binary check's part; planted, it still must never run.
plant() {
  local name IFS=,
  cp "$PLANTED_EXE" "$1/regsvr32.exe"
  for name in "${PLANTED_DLLS[@]}"; do cp "$PLANTED_DLL" "$1/$name.dll"; done
  overrides_before_planting=$WINEDLLOVERRIDES
  local names=("${PLANTED_DLLS[@]:1}")
  WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}${names[*]}=n,b"
}
unplant() {
  (cd "$1" && rm -f regsvr32.exe ./*.ran "${PLANTED_DLLS[@]/%/.dll}")
  WINEDLLOVERRIDES=$overrides_before_planting
}
planted_that_ran() { (cd "$1" && ls -- *.ran 2>/dev/null | tr '\n' ' ') || true; }

# The system's regsvr32.exe, the one the installer of this flavour starts,
# as a file that cannot be started, and back.
system_regsvr32() { echo "$C/windows/$(gainlet_system_folder)/regsvr32.exe"; }
break_regsvr32() {
  mv "$(system_regsvr32)" "$WORK/regsvr32.saved"
  : >"$(system_regsvr32)"
}
mend_regsvr32() { mv -f "$WORK/regsvr32.saved" "$(system_regsvr32)"; }

# run_setup EXPECTED_STATUS EXE_WIN ARGS CAPTION ANSWER...: starts Setup.exe
# with the helper answering; the boxes seen are in $BOXES.
run_setup() {
  local expected=$1 exe=$2 args=$3 caption=$4; shift 4
  BOXES=$WORK/boxes.$RANDOM
  begin_session
  wine "$MSGBOX" --timeout 30000 "$caption" "$@" >"$BOXES" 2>/dev/null &
  local helper=$! status=0 helper_status=0
  # shellcheck disable=SC2086
  wine "$exe" $args 2>"$WORK/setup.stderr" &
  local setup=$!
  wait "$helper" || helper_status=$?
  # A box nobody answers would keep the installer waiting for good: after
  # the helper (and 30 s more for the installer's last steps) the session is
  # ended, so that the run fails here and not at the test's time-out.
  local tenths=0
  while [ "$helper_status" -eq 0 ] && [ "$tenths" -lt 300 ] && kill -0 "$setup" 2>/dev/null; do
    sleep 0.1; tenths=$((tenths + 1))
  done
  if kill -0 "$setup" 2>/dev/null; then
    fail "$exe $args still waits for an answer"
    "$WINESERVER" -k 2>/dev/null || true
  fi
  wait "$setup" || status=$?
  check_eq "exit status of $exe $args" "$status" "$expected"
  check_eq "every box answered ($*)" "$helper_status" 0
  [ "$helper_status" -eq 0 ] || cat "$BOXES"
}

# Ends the Wine session: the registry files on disk are current afterwards.
# The next session counts as a restart (pending deletions are carried out).
end_session() {
  local pid
  for pid in "${holders[@]}"; do kill "$pid" 2>/dev/null || true; done
  holders=()
  "$WINESERVER" -w
}

# wait_for_window TITLE: until a window of that title shows on the display.
# (xdotool's own pattern does not match every title Wine gives, so the
# titles are compared here.)
wait_for_window() {
  local window
  for _ in $(seq 150); do
    for window in $(xdotool search --name . 2>/dev/null); do
      [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "$1" ] && return 0
    done
    sleep 0.1
  done
  return 1
}

# box_text N: the text of the N-th box of the last run.
box_text() {
  awk -v n="$1" '
    /^--- box / { box = $3; in_text = 0; next }
    box == n && /^text:$/ { in_text = 1; next }
    box == n && /^answer: / { in_text = 0 }
    in_text { print }' "$BOXES"
}
box_field() {  # N caption|buttons|answer
  awk -v n="$1" -v f="$2: " '
    /^--- box / { box = $3; next }
    box == n && index($0, f) == 1 { print substr($0, length(f) + 1) }' "$BOXES"
}
box_count() { grep -c '^--- box ' "$BOXES" || true; }

# The messages, as a user reads them.
readonly MSG_INSTALL=$'[Gainlet] pluging will be installed.\nAre you sure?'
readonly MSG_UNINSTALL=$'[Gainlet] pluging will be uninstalled.\nAre you sure?'
readonly MSG_REGSVR32='Unable to run regsvr32.exe'
msg_in_use() {
  printf '%s\n\n  %s\n\n%s\n\n%s\n%s\n%s' \
    'The following file seems to be used from application.' "'$1'" \
    'If any application (such as Windows Media Player) is running, please quit the application, then click [Try Again].' \
    '  [Cancel]  Cancels the installation.' \
    '  [Try Again]  The file will be overwritten if it is not being used.' \
    '  [Continue]  The file will be overwritten even if it is being used.'
}
msg_install_failed() { printf "Unable to install the following file.\n '%s' " "$1"; }
readonly MSG_ALREADY_RUNNING=$'Another installer of [Gainlet] is running.\nPlease wait until it has finished, then try again.'

same_file() { cmp -s "$1" "$2"; }
inode_and_ctime() { stat -c '%i %Z' "$1"; }
writable_by_owner() { [ "$(stat -c %A "$1" | cut -c3)" = w ]; }

# The plug-in's registration: its COM class and the registrar's record.
registered() {
  [ "$(reg HKLM "Software\\Classes\\CLSID\\$GAINLET_CLSID\\InprocServer32" '')" \
    = "$(printf 'REG_SZ\t%s' "$INSTALL_WIN\\Gainlet.dll")" ] &&
  [ "$(reg HKLM "$REGISTRAR_KEY\\Plugins\\$DSP_PLUGIN_TYPE\\$GAINLET_CLSID")" = present ]
}
unregistered() {
  [ "$(reg HKLM "Software\\Classes\\CLSID\\$GAINLET_CLSID")" = absent ] &&
  [ "$(reg HKLM "$REGISTRAR_KEY\\Plugins\\$DSP_PLUGIN_TYPE\\$GAINLET_CLSID")" = absent ]
}
