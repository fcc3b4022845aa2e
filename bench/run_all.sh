#!/bin/sh
# Runs every benchmark case and prints one table of medians, one line per case:
#   name work_s base_s ratio peak_kib max_stall_ms
# base is the plain tool the case measures against (cp, mv, exiftool or find);
# ratio = work / base.
#
#   bench/run_all.sh [build-dir]       (default: build)
#
# Cases of 100,000 files or more (names ending in 100k or 1m) run once, the
# others three times; RUNS sets one count for all.
#
# To measure the program's own cost, put the work folder on a tmpfs: disk
# write-back swings cp itself several-fold for the same files, and the
# million-file cases need a million free inodes and up to about 8.5 GiB:
#   sudo mount -t tmpfs -o size=10g tmpfs /mnt/fdbench
#   BENCH_DIR=/mnt/fdbench bench/run_all.sh
#
# Environment: BENCH_DIR (work folder; default the temporary folder), RUNS,
# CASES (space-separated case names; default every case), PROGRAMS (benchmark
# programs taking part; default all). A program takes part when "--list" prints
# its case names and running it with one case name prints a line
# "RESULT name work_s base_s ratio peak_kib max_stall_ms".
# Runs alternate which side goes first (BENCH_CP_FIRST), so neither the program
# nor cp always meets a cache warmed by the other. Other BENCH_* variables are
# passed through to the programs. A run that fails (wrong file count, a crash)
# is left out of the table, named after it, and the script exits non-zero.
set -eu
build=${1:-build}
programs=${PROGRAMS:-bench_dispatch bench_listing bench_draw bench_scan bench_outputs bench_plan}
raw=$(mktemp)
out=$(mktemp)
failed=""
trap 'rm -f "$raw" "$out"' EXIT

for prog in $programs; do
    exe="$build/bench/$prog"
    [ -x "$exe" ] || { echo "missing $exe (build it first)" >&2; exit 1; }
    list=$("$exe" --list)
    cases=${CASES:-$list}
    for c in $cases; do
        echo "$list" | grep -qx "$c" || continue
        case $c in
            *100k | *1m) runs=${RUNS:-1} ;;
            *) runs=${RUNS:-3} ;;
        esac
        i=0
        while [ "$i" -lt "$runs" ]; do
            start=$(date +%s)
            rc=0
            BENCH_CP_FIRST=$((i % 2)) "$exe" "$c" >"$out" || rc=$?
            line=$(grep '^RESULT ' "$out" || true)
            # Seconds in all: making the files and both sides.
            took=$(($(date +%s) - start))
            if [ "$rc" -eq 0 ] && [ -n "$line" ]; then
                echo "$line" >>"$raw"
                echo "$c run $((i + 1))/$runs (${took} s in all): ${line#RESULT }" >&2
            else
                failed="$failed $c"
                echo "$c run $((i + 1))/$runs FAILED (exit $rc, ${took} s):" >&2
                cat "$out" >&2
            fi
            i=$((i + 1))
        done
    done
done

printf '%-14s %8s %8s %7s %9s %12s\n' name work_s base_s ratio peak_kib max_stall_ms
# Median of each column per case, cases in the order they ran.
awk '{ print $2 }' "$raw" | awk '!seen[$0]++' | while read -r name; do
    med() { grep "^RESULT $name " "$raw" | awk -v k="$1" '{ print $k }' | sort -g |
            awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
    printf '%-14s %8.2f %8.2f %7.2f %9d %12.0f\n' "$name" "$(med 3)" "$(med 4)" "$(med 5)" "$(med 6)" "$(med 7)"
done
if [ -n "$failed" ]; then
    echo "failed runs:$failed" >&2
    exit 1
fi
