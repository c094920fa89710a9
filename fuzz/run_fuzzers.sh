#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while, one after the other.
# Usage: run_fuzzers.sh BUILD_DIR SECONDS [TARGET...]
# Each target starts from a scratch copy of its seed corpus in fuzz/corpus/,
# so the seeds in the repository stay as they are; what the run adds, its
# log and any crashing input stay under BUILD_DIR/fuzz-runs/. Exits non-zero
# when any target found something (a crash, a sanitizer report, a leak, a
# timeout or an out-of-memory).
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build_dir="$(cd "${1:?build dir}" && pwd)"
seconds="${2:?seconds}"
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(command_line_fuzzer pipeline_fuzzer)

failed=()
for target in "${targets[@]}"; do
  run_dir="$build_dir/fuzz-runs/$target"
  rm -rf "$run_dir"
  mkdir -p "$run_dir/corpus" "$run_dir/artifacts"
  cp "$here/corpus/$target/"* "$run_dir/corpus/"
  echo "== $target: ${seconds}s, log in $run_dir/fuzz.log"
  # The machine is shared: run at a lower priority, one job at a time.
  nice -n 10 "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$run_dir/artifacts/" \
    "$run_dir/corpus" >"$run_dir/fuzz.log" 2>&1
  status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done [0-9]+ runs)' \
    "$run_dir/fuzz.log" || true
  grep -E '^#[0-9]+' "$run_dir/fuzz.log" | tail -1
  if [ $status -ne 0 ] || ls "$run_dir/artifacts/"* >/dev/null 2>&1; then
    echo "!! $target found something (status $status):"
    grep -E 'ERROR|runtime error|invariant broken|SUMMARY' "$run_dir/fuzz.log" | head -20
    ls "$run_dir/artifacts/"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]}"
  exit 1
fi
echo "Fuzzing found nothing."
