#!/usr/bin/env bash
# Times Program with verify and Read of a full AT89C55 (20 KB), and Program
# (erase, program, verify) of a 133-byte image, through zvk-cli against
# zvk-unit-sim pacing the wire at 38400 baud, and prints each time divided by
# its floor: the bytes that cross the wire (both ways, counted from the unit's
# wire log) x 10 bits / 38400 baud, plus the 1.2 s the erase is given. 1.00 is
# the line's own speed; the target is 1.10 or less. The small image must take
# a time that follows its size, not the chip's: under 2 s.
#
# usage: bench/program.sh
# ZVK_CLI and ZVK_UNIT_SIM name the programs (default build/bin/...).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="${ZVK_CLI:-$root/build/bin/zvk-cli}"
sim="${ZVK_UNIT_SIM:-$root/build/bin/zvk-unit-sim}"
for p in "$cli" "$sim"; do
    [ -x "$p" ] || { echo "bench: $p is missing; build first" >&2; exit 1; }
done

work="$(mktemp -d)"
unit_pid=""
stop_unit() {
    if [ -n "$unit_pid" ]; then
        kill -TERM "$unit_pid" 2>/dev/null || true
        wait "$unit_pid" 2>/dev/null || true
        unit_pid=""
    fi
}
trap 'stop_unit; rm -rf "$work"' EXIT
cd "$work"
head -c 20480 /dev/urandom > image.bin

# Starts a unit with a fresh wire log; the chip starts erased or with $1.
start_unit() {
    rm -f unit wire.log
    local image=()
    [ $# -gt 0 ] && image=(--image "$1")
    "$sim" --part AT89C55 --baud 38400 --link unit --wire-log wire.log "${image[@]}" > sim.txt 2>&1 &
    unit_pid=$!
    for _ in $(seq 500); do [ -e unit ] && return 0; sleep 0.01; done
    echo "bench: zvk-unit-sim did not start" >&2
    cat sim.txt >&2
    exit 1
}

# Runs zvk-cli against the unit; prints the seconds it took.
timed_cli() {
    local start end
    start=$(date +%s%N)
    "$cli" --port unit --part AT89C55 "$@" > cli.txt 2>&1 || { cat cli.txt >&2; exit 1; }
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

# Bytes in both directions in the wire log.
wire_bytes() {
    awk '{ for (i = 1; i <= NF; i++) if ($i != ">" && $i != "<") n++ } END { print n + 0 }' wire.log
}

# report NAME SECONDS BYTES [FIXED]: FIXED seconds (the erase) join the floor.
report() {
    local name="$1" seconds="$2" bytes="$3" fixed="${4:-0}"
    awk -v n="$name" -v s="$seconds" -v b="$bytes" -v f="$fixed" 'BEGIN {
        floor = b * 10 / 38400 + f
        printf "%-22s %8.3f s   wire %6d bytes, floor %7.3f s   ratio %.2f\n", n, s, b, floor, s / floor }'
}

echo "AT89C55, 20480 bytes, 38400 baud"
start_unit
program_time=$(timed_cli program image.bin --no-erase)
stop_unit
report "program with verify" "$program_time" "$(wire_bytes)"

start_unit image.bin
read_time=$(timed_cli read back.bin)
stop_unit
report "read" "$read_time" "$(wire_bytes)"
cmp -s back.bin image.bin || { echo "bench: the read-back differs from the image" >&2; exit 1; }

head -c 133 /dev/urandom > small.bin
"$cli" convert --load-at 0100 --from 0100 --to 0184 small.bin small.hex > /dev/null 2>&1
start_unit image.bin
small_time=$(timed_cli program small.hex)
stop_unit
report "133 bytes, with erase" "$small_time" "$(wire_bytes)" 1.2
awk -v s="$small_time" 'BEGIN { if (s >= 2) { print "bench: the small image took 2 s or more" > "/dev/stderr"; exit 1 } }'

# Production stations: the same chips made by one station, then by four at
# once (one zvk-cli auto --repeat --port ... with a child per station), each
# AT89S52 chip programmed and verified at 38400 baud. Each chip's time comes
# from the log; the four stations' slowest against the single one's should
# stay within 1.15 on this machine.
head -c 8192 /dev/urandom | tr '\070' '\071' > prod.bin
start_station() {  # name
    rm -f "$1" "socket$1" "wire$1.log"
    "$sim" --part AT89S52 --baud 38400 --link "$1" --socket-control "socket$1" \
        --wire-log "wire$1.log" > "sim$1.txt" 2>&1 &
    station_pids+=($!)
    for _ in $(seq 500); do [ -e "$1" ] && [ -p "socket$1" ] && return 0; sleep 0.01; done
    echo "bench: zvk-unit-sim did not start" >&2
    exit 1
}
stop_stations() {
    for p in "${station_pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
    station_pids=()
}
trap 'stop_unit; stop_stations; rm -rf "$work"' EXIT
station_pids=()
# Runs one chip at each named station; prints the slowest chip's seconds.
production_run() {
    local ports=() name
    rm -f prod.csv
    for name in "$@"; do start_station "$name"; ports+=(--port "$name"); done
    "$cli" --part AT89S52 auto prod.bin --steps program,verify --repeat --count 1 "${ports[@]}" \
        --log prod.csv < /dev/null > cli.txt 2>&1 || { cat cli.txt >&2; exit 1; }
    stop_stations
    awk -F, 'NR > 1 { if ($6 != "pass") bad = 1; if ($9 > max) max = $9; n++ }
             END { if (bad || n != '$#') exit 1; printf "%.1f", max }' prod.csv \
        || { echo "bench: a chip failed" >&2; cat prod.csv >&2; exit 1; }
}
single=$(production_run s1)
four=$(production_run s1 s2 s3 s4)
awk -v one="$single" -v four="$four" 'BEGIN {
    printf "%-22s %8.1f s per chip\n", "production, 1 station", one
    printf "%-22s %8.1f s per chip (slowest)   ratio %.2f (target 1.15 or less)\n", "production, 4 stations", four, four / one }'

# From a chip's insertion to the start of its programming: the socket is
# polled every 100 ms, so this should stay under 0.2 s.
start_station s1
"$cli" --part AT89S52 auto prod.bin --steps program --repeat --count 2 --port s1 \
    < /dev/null > cli.txt 2>&1 &
run_pid=$!
for _ in $(seq 3000); do grep -qx "Insert a chip..." cli.txt && break
    grep -qx "Remove the chip..." cli.txt && ! grep -q "socket empty" sims1.txt && echo remove > sockets1
    sleep 0.005; done
inserted=$(date +%s%N)
echo insert > sockets1
# The programming command announces the chip's range: "> 38 00 00 20 00".
until [ "$(grep -c '^> 38 [0-9A-F]' wires1.log)" -ge 2 ]; do sleep 0.002; done
started=$(date +%s%N)
wait "$run_pid" || true
stop_stations
awk -v ns=$((started - inserted)) 'BEGIN {
    printf "%-22s %8.3f s (target 0.2 or less)\n", "insertion to program", ns / 1e9 }'
