#!/bin/sh
# Runs every benchmark case RUNS times (default 3) and prints, per case, the
# medians:  name work_s cp_s ratio peak_kib max_stall_ms
#
#   bench/run_all.sh [build-dir]       (default: build)
#
# Environment: RUNS (3), CASES (space-separated case names; default every case),
# PROGRAMS (benchmark programs taking part; default bench_dispatch). A program
# takes part when "--list" prints its case names and running it with one case
# name prints a line "RESULT name work_s cp_s ratio peak_kib max_stall_ms".
# Runs alternate which side goes first (BENCH_CP_FIRST), so neither the program
# nor cp always meets a cache warmed by the other. Other BENCH_* variables are
# passed through to the programs.
set -eu
build=${1:-build}
runs=${RUNS:-3}
programs=${PROGRAMS:-bench_dispatch}
raw=$(mktemp)
trap 'rm -f "$raw"' EXIT

for prog in $programs; do
    exe="$build/bench/$prog"
    [ -x "$exe" ] || { echo "missing $exe (build it first)" >&2; exit 1; }
    cases=${CASES:-$("$exe" --list)}
    for c in $cases; do
        "$exe" --list | grep -qx "$c" || continue
        i=0
        while [ "$i" -lt "$runs" ]; do
            if line=$(BENCH_CP_FIRST=$((i % 2)) "$exe" "$c" | grep '^RESULT '); then
                echo "$line" >>"$raw"
            else
                echo "$c: run $((i + 1)) failed" >&2
            fi
            echo "$c run $((i + 1))/$runs: ${line#RESULT }" >&2
            i=$((i + 1))
        done
    done
done

printf '%-14s %8s %8s %7s %9s %12s\n' name work_s cp_s ratio peak_kib max_stall_ms
# Median of each column per case, cases in the order they ran.
awk '{ print $2 }' "$raw" | awk '!seen[$0]++' | while read -r name; do
    med() { grep "^RESULT $name " "$raw" | awk -v k="$1" '{ print $k }' | sort -g |
            awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
    printf '%-14s %8.2f %8.2f %7.2f %9d %12.0f\n' "$name" "$(med 3)" "$(med 4)" "$(med 5)" "$(med 6)" "$(med 7)"
done
