#!/usr/bin/env bash
# Times `zvk-cli convert` against srec_cat on the same 20 KB image, Intel HEX
# to binary and binary to Intel HEX, and prints how long each takes per run
# and the ratio zvk-cli / srec_cat (1.0 or less: no slower than srec_cat).
#
# usage: bench/convert.sh [RUNS]   (default 200 runs of each conversion)
# ZVK_CLI names the zvk-cli to time (default build/bin/zvk-cli).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="${ZVK_CLI:-$root/build/bin/zvk-cli}"
runs="${1:-200}"
command -v srec_cat > /dev/null || { echo "bench: srec_cat is missing (package srecord)" >&2; exit 1; }
[ -x "$cli" ] || { echo "bench: $cli is missing; build first" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
head -c 20480 /dev/urandom > image.bin
srec_cat image.bin -Binary -o image.hex -Intel

# Both tools must produce the same image before their times mean anything.
"$cli" convert image.hex zvk.bin > /dev/null 2>&1
srec_cat image.hex -Intel -o srec.bin -Binary
cmp -s zvk.bin srec.bin && cmp -s zvk.bin image.bin || { echo "bench: outputs differ" >&2; exit 1; }
"$cli" convert image.bin zvk.hex > /dev/null 2>&1
srec_cat zvk.hex -Intel -o back.bin -Binary
cmp -s back.bin image.bin || { echo "bench: zvk-cli HEX does not read back" >&2; exit 1; }

# Microseconds for RUNS runs of the command.
elapsed() {
    local start end i
    start=$(date +%s%N)
    for ((i = 0; i < runs; i++)); do "$@" > /dev/null 2>&1; done
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

report() {
    local name="$1" zvk="$2" srec="$3"
    awk -v n="$name" -v z="$zvk" -v s="$srec" -v r="$runs" 'BEGIN {
        printf "%-14s zvk-cli %7.3f ms/run   srec_cat %7.3f ms/run   ratio %.2f\n",
               n, z / r / 1000, s / r / 1000, z / s }'
}

echo "20 KB image, $runs runs each"
zvk=$(elapsed "$cli" convert image.hex out.bin)
srec=$(elapsed srec_cat image.hex -Intel -o out.bin -Binary)
report "HEX -> binary" "$zvk" "$srec"
zvk=$(elapsed "$cli" convert image.bin out.hex)
srec=$(elapsed srec_cat image.bin -Binary -o out.hex -Intel)
report "binary -> HEX" "$zvk" "$srec"
