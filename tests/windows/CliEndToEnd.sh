#!/usr/bin/env bash
# zvk-cli.exe under Wine against zvk-unit-sim on Linux, through a Wine COM
# port (a link $WINEPREFIX/dosdevices/comN to the unit's pseudo-terminal):
# check, program with erase and verify, the chip read back equal to the image,
# a silent unit that fails once with exit 1, and a file named outside the ANSI
# code page. Run by ctest in the Windows build (scripts/test-windows).
# Arguments: ZVK_CLI_EXE ZVK_UNIT_SIM SOURCE_DIR COM_NUMBER
set -euo pipefail
cli="$1"
unit_sim="$2"
source_dir="$3"
com="$4"
: "${WINEPREFIX:?run through scripts/test-windows}"
wine() { "$source_dir/scripts/wine-exec" "$@"; }

work="$(mktemp -d)"
fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=WineUnit.sh
source "$(dirname "$0")/WineUnit.sh"
cleanup() {
  remove_unit
  rm -rf "$work"
}
trap cleanup EXIT

cp "$cli" "$work/zvk-cli.exe"
cp "$source_dir/tests/data/frame_e2e.hex" "$work/img.hex"
cd "$work"
port=(--port "COM$com" --part AT89S52)

start_unit --part AT89S52
out="$(wine ./zvk-cli.exe "${port[@]}" check 2>&1)" || fail "check: $out"
[[ "$out" == *"AT89S52: signature 1E 52 06"* ]] || fail "check said: $out"
out="$(wine ./zvk-cli.exe "${port[@]}" program img.hex --erase --verify 2>&1)" ||
  fail "program --erase --verify: $out"
out="$(wine ./zvk-cli.exe "${port[@]}" read back.hex 2>&1)" || fail "read: $out"
stop_unit

# The image's bytes, and every other byte of the chip erased (FF).
srec_cat img.hex -intel -fill 0xFF 0 0x2000 -o want.bin -binary
srec_cat back.hex -intel -o got.bin -binary
cmp want.bin got.bin || fail "the chip read back differs from the image"

start_unit --part AT89S52 --silent
if out="$(wine ./zvk-cli.exe "${port[@]}" check 2>&1)"; then
  fail "check against a silent unit succeeded: $out"
else
  status=$?
  [ "$status" -eq 1 ] || fail "check against a silent unit exited $status, not 1: $out"
fi
stop_unit

cp img.hex "прошивка.hex"
out="$(wine ./zvk-cli.exe convert "прошивка.hex" "José.bin" 2>&1)" || fail "convert: $out"
[ -s "José.bin" ] || fail "convert made no José.bin: $out"
echo "zvk-cli.exe under Wine: check, program, read back, silent unit and UTF-8 names passed"
