# Sourced by the Wine tests of zvk-cli.exe: the Linux zvk-unit-sim behind the
# Wine port COM$com (a link $WINEPREFIX/dosdevices/com$com to its
# pseudo-terminal). Needs unit_sim, com, work and fail() of the script that
# sources it.
unit=""

# start_unit OPTIONS...: starts a unit with a fresh wire log
# ($work/wire.log) that writes its chip to $work/dump.txt at the end, and
# waits for its link.
start_unit() {
  rm -f "$WINEPREFIX/dosdevices/com$com" "$work/wire.log"
  "$unit_sim" --link "$WINEPREFIX/dosdevices/com$com" --dump "$work/dump.txt" \
    --wire-log "$work/wire.log" "$@" >"$work/unit.out" 2>&1 &
  unit=$!
  for _ in $(seq 200); do
    [ -e "$WINEPREFIX/dosdevices/com$com" ] && return 0
    sleep 0.05
  done
  fail "zvk-unit-sim did not come up: $(cat "$work/unit.out")"
}

stop_unit() {
  kill "$unit"
  wait "$unit" || true
  unit=""
}

# For the script's exit trap: the unit, if one runs, and the port's link.
remove_unit() {
  if [ -n "$unit" ]; then kill "$unit" 2>/dev/null || true; wait "$unit" 2>/dev/null || true; fi
  unit=""
  rm -f "$WINEPREFIX/dosdevices/com$com"
}
