#!/usr/bin/env bash
# Pipes outfit requests through `garbello --repl` and reports replies per
# second of wall-clock time (the figure the target is about: at least 100000)
# and per second of CPU time spent by the pipeline, which depends less on
# whatever else the machine is running.
# Usage: bench/repl_throughput.sh [path/to/garbello] [request count]
set -euo pipefail

garbello=${1:-build/bin/garbello}
count=${2:-200000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Varied but valid requests, so every step of the rules is exercised.
awk -v count="$count" 'BEGIN {
    split("0 3 61 71 1 95", codes, " ")
    for (i = 0; i < count; i++)
        printf "{\"operation\":\"outfit\",\"temperature\":%d.5,\"weatherCode\":%d,\"month\":%d,\"precipitationProbability\":%d,\"latitude\":%d}\n",
            i % 45 - 10, codes[i % 6 + 1], i % 12 + 1, i % 101, (i % 2) ? 45 : -34
}' > "$work/requests"

TIMEFORMAT='%R %U %S'
timing=$( { time cat "$work/requests" | "$garbello" --repl > "$work/replies"; } 2>&1 )
read -r wall user system <<< "$timing"

replies=$(wc -l < "$work/replies")
errors=$(grep -c '"error"' "$work/replies" || true)
if [ "$replies" -ne "$count" ] || [ "$errors" -ne 0 ]; then
    echo "expected $count replies without errors, got $replies with $errors errors" >&2
    exit 1
fi
awk -v n="$replies" -v wall="$wall" -v cpu="$(echo "$user $system" | awk '{print $1 + $2}')" 'BEGIN {
    printf "%d replies in %.3f s: %.0f replies per second (%.0f per CPU second)\n",
        n, wall, n / wall, n / cpu
}'
