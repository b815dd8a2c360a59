#!/usr/bin/env bash
# zvk.exe under Wine on an X server of its own (run through xvfb-run): a copy
# in a folder named outside the ANSI code page starts with the windows
# platform, finds the virtual unit on COM2 (the port of a first start), shows
# its frame, closes when asked as Windows asks at shut-down (WM_CLOSE), and
# leaves zvk.dat beside itself. A screenshot goes to OUT_PNG.
# Arguments: BIN_DIR ZVK_UNIT_SIM SOURCE_DIR OUT_PNG
set -euo pipefail
bin="$1"
unit_sim="$2"
source_dir="$3"
shot="$4"
: "${WINEPREFIX:?run through scripts/test-windows}"
wine() { "$source_dir/scripts/wine-exec" "$@"; }

work="$(mktemp -d)"
unit=""
zvk=""
cleanup() {
  [ -z "$zvk" ] || kill "$zvk" 2>/dev/null || true
  if [ -n "$unit" ]; then kill "$unit" 2>/dev/null || true; wait "$unit" 2>/dev/null || true; fi
  rm -f "$WINEPREFIX/dosdevices/com2"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=ZvkWindow.sh
source "$(dirname "$0")/ZvkWindow.sh"

copy="$work/Програматор José"
mkdir -p "$copy"
cp -r "$bin"/zvk.exe "$bin"/*.dll "$bin"/platforms "$copy/"
[ ! -d "$bin/styles" ] || cp -r "$bin/styles" "$copy/"

rm -f "$WINEPREFIX/dosdevices/com2"
"$unit_sim" --link "$WINEPREFIX/dosdevices/com2" --part AT89C1051 >"$work/unit.out" 2>&1 &
unit=$!
for _ in $(seq 200); do [ -e "$WINEPREFIX/dosdevices/com2" ] && break; sleep 0.05; done

(cd "$copy" && exec "$source_dir/scripts/wine-exec" ./zvk.exe) &
zvk=$!
ShowAndClose "$zvk" "$shot"
zvk=""
[ -f "$copy/zvk.dat" ] || fail "no zvk.dat beside zvk.exe after it closed"
[ "$(stat -c %s "$copy/zvk.dat")" -eq 64 ] || fail "zvk.dat is not 64 bytes"
echo "zvk.exe under Wine started, showed its frame, closed and wrote zvk.dat"
