#!/usr/bin/env bash
# zvk-cli.exe under Wine stopped from the console: Wine hands a SIGINT to the
# program as Ctrl+C (CTRL_C_EVENT), which the console handler takes as the
# POSIX build takes SIGINT. Ctrl+C while a production run waits for a chip
# ends it at once; Ctrl+C twice while a chip is programmed gives that chip
# up, and the run still logs it and prints its summary: the second Ctrl+C
# must not kill the process. Ctrl+C once during `program` lets the chip be
# finished and verified. Run by ctest in the Windows build.
# Arguments: ZVK_CLI_EXE ZVK_UNIT_SIM SOURCE_DIR COM_NUMBER
set -euo pipefail
cli="$1"
unit_sim="$2"
source_dir="$3"
com="$4"
: "${WINEPREFIX:?run through scripts/test-windows}"
wine() { "$source_dir/scripts/wine-exec" "$@"; }

work="$(mktemp -d)"
run=""
fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=WineUnit.sh
source "$(dirname "$0")/WineUnit.sh"
cleanup() {
  [ -z "$run" ] || kill -KILL "$run" 2>/dev/null || true
  remove_unit
  rm -rf "$work"
}
trap cleanup EXIT

# wait_for TEST: up to 30 s until the shell test holds.
wait_for() {
  for _ in $(seq 300); do
    eval "$1" && return 0
    kill -0 "$run" 2>/dev/null || fail "zvk-cli.exe ended before: $1"
    sleep 0.1
  done
  fail "timed out waiting for: $1"
}
# finish STATUS [SUMMARY]: the run ends by itself with that status and the
# summary on its standard output.
finish() {
  local status=0
  for _ in $(seq 600); do kill -0 "$run" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$run" 2>/dev/null && fail "zvk-cli.exe did not end after Ctrl+C"
  wait "$run" || status=$?
  run=""
  [ "$status" -eq "$1" ] || fail "exit status $status, not $1: $(cat out.txt err.txt)"
  [ -z "${2:-}" ] || tr -d '\r' <out.txt | grep -qxF "$2" ||
    fail "no summary \"$2\": $(cat out.txt err.txt)"
}

cp "$cli" "$work/zvk-cli.exe"
cd "$work"
# 1 KB of code: at 9600 baud its programming takes seconds.
head -c 1024 /dev/urandom >img.bin
wine ./zvk-cli.exe convert --part AT89S52 --from 0000 --to 03FF img.bin img.hex >/dev/null 2>&1 ||
  fail "cannot make img.hex"
production=(--port "COM$com" --part AT89S52 --parallel auto img.hex --steps program --repeat
  --log run.csv)

# The run is started through wine-exec itself, which becomes the Wine
# process, so that $! is the process the signal must reach.

# Waiting for a chip: one Ctrl+C ends the run.
start_unit --part AT89S52 --no-chip
"$source_dir/scripts/wine-exec" ./zvk-cli.exe "${production[@]}" >out.txt 2>err.txt &
run=$!
wait_for "grep -q '^Insert a chip' out.txt"
kill -INT "$run"
finish 0 "0 chips: 0 passed, 0 failed"
stop_unit

# Programming: Ctrl+C, then Ctrl+C again, gives the chip up.
rm -f run.csv
start_unit --part AT89S52 --baud 9600
"$source_dir/scripts/wine-exec" ./zvk-cli.exe "${production[@]}" >out.txt 2>err.txt &
run=$!
wait_for "grep -q '^> 38 ' wire.log"
kill -INT "$run"
sleep 0.5
kill -INT "$run"
finish 1 "1 chip: 0 passed, 1 failed"
grep -q "Ctrl+C again gives it up" err.txt || fail "the first Ctrl+C was not taken: $(cat err.txt)"
[ "$(grep -c ',program,fail,program,.*,Aborted,' run.csv)" -eq 1 ] ||
  fail "the chip given up is not logged as aborted: $(cat run.csv)"
stop_unit

# A single chip: Ctrl+C lets it be finished, and it is verified whole.
start_unit --part AT89S52 --baud 9600
"$source_dir/scripts/wine-exec" ./zvk-cli.exe --port "COM$com" --part AT89S52 program img.hex \
  >out.txt 2>err.txt &
run=$!
wait_for "grep -q '^> 38 ' wire.log"
kill -INT "$run"
finish 0
grep -q "finishing this chip first" err.txt || fail "Ctrl+C was not taken: $(cat err.txt)"
grep -q "Programming Completed" err.txt || fail "not programmed and verified: $(cat err.txt)"
stop_unit
echo "Ctrl+C under Wine ends a waiting run, twice gives up the chip being programmed, and once lets a single chip be finished"
