#!/usr/bin/env bash
# Times the three sheet options end to end (rendering on every core, PNG
# encoding and the atomic writes), each into a fresh directory, and prints
# wall-clock and CPU seconds per run with the number and size of the files.
# Wall time on a busy machine mostly measures the other load; CPU seconds
# (user + system) are the steadier figure.
# Usage: bench/sheets_timing.sh [path/to/garbello] [runs per option]
set -euo pipefail

garbello=${1:-build/bin/garbello}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-18s %8s %8s %8s %6s %9s\n' option wall_s user_s sys_s files MB
for option in --render-sheets --render-variants --render-corners; do
    for ((run = 1; run <= runs; run++)); do
        out="$work/out"
        rm -rf "$out" && mkdir "$out"
        /usr/bin/time -f '%e %U %S' -o "$work/time" "$garbello" "$option" "$out" \
            > "$work/stdout" 2> "$work/stderr" || {
            echo "$option failed:" >&2
            cat "$work/stderr" >&2
            exit 1
        }
        read -r wall user system < "$work/time"
        files=$(find "$out" -name '*.png' | wc -l)
        megabytes=$(du -sb "$out" | awk '{printf "%.1f", $1 / 1e6}')
        printf '%-18s %8s %8s %8s %6s %9s\n' "$option" "$wall" "$user" "$system" "$files" \
            "$megabytes"
    done
done
printf 'cores: %s, load average: %s\n' "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
