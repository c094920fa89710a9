#!/usr/bin/env bash
# Times the tool on generated exports next to awk reading the same file, and
# prints the figures beside their goals. Figures only: it never fails on them.
#
#   bench/run_bench.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-3}
data=$build/bench-data
mkdir -p "$data"
tool=$build/quorvane
measure=$build/measure

export_file() {  # shape lines -> path of the generated export (made once)
  local path=$data/$1-$2.txt
  [ -s "$path" ] || "$build/generate_export" "$1" "$2" > "$path"
  echo "$path"
}

run_tool() {  # export -> "<seconds> <kilobytes>"
  "$measure" "$runs" "$tool" -i "$1" -o "$data/report.txt" -l "$data/run.log"
}

megabytes() { awk -v bytes="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", bytes / 1048576 }'; }

echo "Quorvane benchmark: best of $runs runs, $(nproc) cores"
printf '\n%-10s %8s %9s %9s %9s %9s %10s %10s\n' lines MB tool_s awk_s ratio MB/s peak_MB peak/input
declare -A tool_seconds
for lines in 100000 1000000; do
  file=$(export_file realistic $lines)
  read -r seconds kilobytes < <(run_tool "$file")
  read -r awk_seconds _ < <("$measure" "$runs" awk -F'\t' '{print $5, $14}' "$file")
  mb=$(megabytes "$file")
  tool_seconds[$lines]=$seconds
  awk -v l="$lines" -v mb="$mb" -v t="$seconds" -v a="$awk_seconds" -v kb="$kilobytes" 'BEGIN {
    printf "%-10s %8s %9.3f %9.3f %9.2f %9.0f %10.1f %10.2f\n", l, mb, t, a, t / a, mb / t, kb / 1024, kb / 1024 / mb }'
done
awk -v small="${tool_seconds[100000]}" -v large="${tool_seconds[1000000]}" 'BEGIN {
  printf "\ngrowth: ten times the lines took %.1f times the time (goal: at most 11)\n", large / small }'
echo "goals: ratio to awk at most 0.25 on 1,000,000 lines; peak/input at most 1.00"

printf '\n%-34s %9s %9s   (goal: under 1 s each)\n' shape tool_s peak_MB
for shape in "consecutive 1000000" "editions 200000" "long_line 1048576"; do
  file=$(export_file $shape)
  read -r seconds kilobytes < <(run_tool "$file")
  awk -v s="$shape" -v t="$seconds" -v kb="$kilobytes" 'BEGIN { printf "%-34s %9.3f %9.1f\n", s, t, kb / 1024 }'
done
