# Sourced first by the end-to-end runners, with their own arguments:
#   source runner-prelude.sh BIN_DIR WORK_DIR
# Puts the runner on one display for its whole run (every program of a
# prefix shares it), makes WORK_DIR afresh, and chooses the flavour of the
# plug-in under test in BIN_DIR before any prefix exists.
# Sets: here, root, bin, work (absolute), run (wine-run.sh), winpath().
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin=$(cd "$1" && pwd)
rm -rf "$2"
mkdir -p "$2"
work=$(cd "$2" && pwd)
run=$root/cmake/wine-run.sh
winpath() { printf 'Z:%s' "${1//\//\\}"; }
source "$root/cmake/wine-env.sh"
# Programs that are not ours (winecfg, regsvr32, reg) run in the same
# flavour's prefix as the plug-in.
gainlet_use_flavour "$(gainlet_flavour_of "$bin/Gainlet.dll")"
