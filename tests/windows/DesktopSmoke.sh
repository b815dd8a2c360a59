#!/usr/bin/env bash
# zvk.exe under Wine on the X server of scripts/test-windows, used as
# a person would from the keyboard: a copy in a folder named outside the ANSI
# code page starts with the windows platform and a HEX file named on its
# command line (прошивка.hex), finds the virtual unit on COM2 (the port of a
# first start), loads the file into the Flash buffer, programs it into the
# chip through Device > Program, closes when asked as Windows asks at
# shut-down (WM_CLOSE), and leaves zvk.dat beside itself. The chip must then
# hold the file's bytes. A screenshot of the finished Program goes to OUT_PNG.
# Arguments: BIN_DIR ZVK_UNIT_SIM SOURCE_DIR OUT_PNG
set -euo pipefail
bin="$1"
unit_sim="$2"
source_dir="$3"
shot="$4"
: "${WINEPREFIX:?run through scripts/test-windows}"
: "${DISPLAY:?run through scripts/test-windows}"
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
# 64 bytes at 0000-003F, within the 1 KB of the part of a first start.
cat > "$copy/прошивка.hex" <<'HEX'
:10000000030A11181F262D343B424950575E656C78
:10001000737A81888F969DA4ABB2B9C0C7CED5DC68
:10002000E3EAF1F8FF060D141B222930373E454C58
:10003000535A61686F767D848B9299A0A7AEB5BC48
:00000001FF
HEX

rm -f "$WINEPREFIX/dosdevices/com2"
"$unit_sim" --link "$WINEPREFIX/dosdevices/com2" --part AT89C1051 --dump "$work/chip.txt" \
  >"$work/unit.out" 2>&1 &
unit=$!
for _ in $(seq 200); do [ -e "$WINEPREFIX/dosdevices/com2" ] && break; sleep 0.05; done

(cd "$copy" && exec "$source_dir/scripts/wine-exec" ./zvk.exe прошивка.hex) &
zvk=$!
frame="$(WaitForFrame "$zvk")"
# A first start greets with About; then the file loads and lists its ranges.
Answer "$zvk" "About" Return
Answer "$zvk" "Loading..." Return
# Device > Program, the fifth item (Selection, Auto, Erase, Blank Check,
# Program). A menu that did not open is tried again.
for _ in 1 2 3; do
  Focus "$frame"
  xdotool key alt+d
  sleep 0.5
  xdotool key Down Down Down Down Return
  for _ in $(seq 50); do Shown "Program - Flash" && break; sleep 0.1; done
  Shown "Program - Flash" && break
  xdotool key Escape Escape
done
# On the range 0000-003F: the second field is the end address.
program="$(WaitForWindow "$zvk" "Program - Flash")"
Focus "$program"
xdotool key Tab ctrl+a
xdotool type 003F
Answer "$zvk" "Program - Flash" Return
WaitForWindow "$zvk" "Write to Device - Flash" >/dev/null
sleep 3
import -window root "$shot"
Answer "$zvk" "Write to Device - Flash" Return
CloseZvk "$zvk"
zvk=""
[ -f "$copy/zvk.dat" ] || fail "no zvk.dat beside zvk.exe after it closed"
[ "$(stat -c %s "$copy/zvk.dat")" -eq 64 ] || fail "zvk.dat is not 64 bytes"

# The unit writes the chip out when it ends.
kill -TERM "$unit"
wait "$unit" || true
unit=""
expected="0000: 03 0A 11 18 1F 26 2D 34 3B 42 49 50 57 5E 65 6C
0010: 73 7A 81 88 8F 96 9D A4 AB B2 B9 C0 C7 CE D5 DC
0020: E3 EA F1 F8 FF 06 0D 14 1B 22 29 30 37 3E 45 4C
0030: 53 5A 61 68 6F 76 7D 84 8B 92 99 A0 A7 AE B5 BC
0040: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"
actual="$(grep -E '^00[0-4]0: ' "$work/chip.txt" || true)"
if [ "$actual" != "$expected" ]; then
  echo "the chip holds:" >&2
  echo "$actual" >&2
  fail "the chip does not hold the file's bytes after Program"
fi
echo "zvk.exe under Wine loaded прошивка.hex, programmed it into the unit's chip, closed and wrote zvk.dat"
