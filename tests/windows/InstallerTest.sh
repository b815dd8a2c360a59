#!/usr/bin/env bash
# The setup program under Wine: a silent install (/S) puts zvk.exe where it
# starts and shows its frame (screenshot to OUT_PNG), and the silent uninstall
# leaves nothing of it behind: no file, no Start-menu entry, no Apps &
# features entry. Run by scripts/test-windows, on its X server.
# Arguments: SETUP_EXE SOURCE_DIR OUT_PNG
set -euo pipefail
setup="$1"
source_dir="$2"
shot="$3"
: "${WINEPREFIX:?run through scripts/test-windows}"
: "${DISPLAY:?run through scripts/test-windows}"
wine() { "$source_dir/scripts/wine-exec" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=ZvkWindow.sh
source "$(dirname "$0")/ZvkWindow.sh"

folder="$WINEPREFIX/drive_c/Program Files/zvk"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/zvk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\zvk'

wine "$setup" /S
# The setup program hands the work to a copy of itself and may return first.
for _ in $(seq 300); do [ -f "$folder/uninstall.exe" ] && break; sleep 0.1; done
[ -f "$folder/zvk.exe" ] || fail "no zvk.exe in $folder"
[ -f "$folder/zvk-cli.exe" ] || fail "no zvk-cli.exe"
[ -f "$folder/platforms/qwindows.dll" ] || fail "no windows platform plugin"
[ -f "$folder/help/index.html" ] || fail "no manual"
[ -f "$folder/licenses/LGPL-3.txt" ] && [ -f "$folder/licenses/README.txt" ] || fail "no licences"
[ -f "$menu/zvk.lnk" ] || fail "no Start-menu entry"
wine reg query "$key" /v DisplayName >/dev/null 2>&1 || fail "not in Apps & features"

wine "C:\\Program Files\\zvk\\zvk.exe" &
zvk=$!
ShowAndClose "$zvk" "$shot"
# Its settings, written beside it (Wine has no folder access rules), are the
# user's and not the installer's: remove them as a user would.
rm -f "$folder/zvk.dat" "$folder/zvk.conf"

wine "C:\\Program Files\\zvk\\uninstall.exe" /S
for _ in $(seq 300); do [ -e "$folder" ] || break; sleep 0.1; done
[ ! -e "$folder" ] || fail "left behind: $(find "$folder" | head)"
[ ! -e "$menu" ] || fail "the Start-menu folder is left"
if wine reg query "$key" >/dev/null 2>&1; then fail "the Apps & features entry is left"; fi
echo "setup /S installed a zvk.exe that starts; the uninstaller removed everything"
