#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz/ one after another, each for a fixed
# time on a working copy of its seed corpus, and fails on the first crash,
# leak, timeout or sanitizer report. CI runs it for 30 s per target; run it
# longer by hand for a real campaign.
#
# Usage: tools/fuzz_campaign.sh [-t seconds] [-b build-dir] [-w work-dir] [target...]
#   -t  time per target (default 600)
#   -b  build directory configured with -DGARBELLO_FUZZ=ON (default build-fuzz)
#   -w  working directory for corpora and crash files (default <build-dir>/fuzz-work);
#       its corpora are kept, so a later campaign starts where this one ended
#   target  names such as parse_weather (default: every target with a corpus)
#
# Crash inputs are written to <work-dir>/<target>/; add a minimised one to
# tests/fuzz/corpus/<target>/ together with the fix and its regression test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=600
build=build-fuzz
work=
while getopts "t:b:w:" option; do
    case $option in
    t) seconds=$OPTARG ;;
    b) build=$OPTARG ;;
    w) work=$OPTARG ;;
    *) sed -n '2,16p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
work=${work:-$build/fuzz-work}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for corpus in tests/fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

summary=()
for target in "${targets[@]}"; do
    program=$build/bin/${target}_fuzz
    [ -x "$program" ] || { echo "no fuzz target $program (build it first)" >&2; exit 2; }
    corpus=$work/$target/corpus
    mkdir -p "$corpus"
    cp -n tests/fuzz/corpus/"$target"/* "$corpus"/
    options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=16384
             -print_final_stats=1 -artifact_prefix="$work/$target/")
    [ -f tests/fuzz/"$target".dict ] && options+=(-dict=tests/fuzz/"$target".dict)
    log=$work/$target/fuzz.log
    echo "== fuzz $target for ${seconds}s"
    started=$(date +%s)
    if ! "$program" "${options[@]}" "$corpus" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "FAILED: $target (full log: $log; inputs: $work/$target/crash-* leak-* timeout-*)" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    summary+=("$target: ${runs:-?} executions in $(($(date +%s) - started))s, corpus $(ls "$corpus" | wc -l) inputs")
done
printf '%s\n' "${summary[@]}"
