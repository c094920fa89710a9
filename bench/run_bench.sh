#!/usr/bin/env bash
# Times the tool on generated exports next to mawk and `wc -l` reading the same
# file, prints the figures beside their goals, and checks that the tool's
# console, log and report are byte for byte the ones recorded in
# bench/output_digests.txt. The figures never fail the run; different
# outputs do.
#
#   bench/run_bench.sh BUILD_DIR [ROUNDS]   time (medians of ROUNDS, 5 by default) and check
#   bench/run_bench.sh BUILD_DIR --record   record the digests of BUILD_DIR's tool
#
# With BASELINE set to an earlier build's executable, that build is timed in
# the same rounds too, in a column of its own: a busy or slow machine moves
# both alike.
#
# The tool runs with the scan path it picks itself, and once more with the
# portable one (QUORVANE_SCAN_PATH=portable), which must give the same
# outputs and stay within 1.3 times the default's time.
set -euo pipefail
unset QUORVANE_SCAN_PATH
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
mode=${2:-5}
data=$build/bench-data
tool=$build/quorvane
measure=$build/measure
digests=$here/output_digests.txt
mkdir -p "$data"

export_file() {  # shape lines -> name of the generated export in $data (made once)
  local name=$1-$2.txt
  [ -s "$data/$name" ] || "$build/generate_export" "$1" "$2" > "$data/$name"
  echo "$name"
}

# A check's word @ignore-N stands for N -n options: made-up book types that
# no generated line has, then the real TPB and HC, last, where a look-up that
# tries the types in turn finds them latest.
options_of() {  # words... -> one word a line
  local word i
  for word; do
    case $word in
      @ignore-*)
        for ((i = 1; i <= ${word#@ignore-} - 2; i++)); do printf -- '-n\nZZ%d\n' "$i"; done
        printf -- '-n\nTPB\n-n\nHC\n' ;;
      *) printf '%s\n' "$word" ;;
    esac
  done
}

# The outputs of one run, in $data, as one digest: the exit status and the
# console, then the log, then the report with its date line (the first 24
# bytes) masked. The exports come from the generator, so a change to it needs
# digests recorded anew with the build from before the change.
outputs_digest() {  # export [options...]
  local status=0 words
  mapfile -t words < <(options_of "$@")
  (cd "$data" && ${runner:-} "$tool" -i "${words[@]}" -o check-report.txt -l check.log > check-console.txt) ||
    status=$?
  { echo "status $status"; cat "$data/check-console.txt"; echo "--- log"; cat "$data/check.log"
    echo "--- report"; printf '<date>'; tail -c +25 "$data/check-report.txt"; } |
    sha256sum | cut -d' ' -f1
}

cp "$here/../examples/sample_export.txt" "$data/sample_export.txt"
# The sample as Excel's "Unicode Text" saves it: UTF-16 with a byte-order mark.
iconv -f UTF-8 -t UTF-16 "$data/sample_export.txt" > "$data/sample_utf16.txt"
checks=(
  "sample_export.txt -n TPB"
  "sample_utf16.txt -n TPB"
  "$(export_file realistic 100000)"
  "$(export_file realistic 100000) -n TPB -n HC -s 7"
  "$(export_file realistic 1000000)"
  "$(export_file consecutive 1000000)"
  "$(export_file consecutive 1000000) -s 1000000"
  "$(export_file editions 200000)"
  "$(export_file long_line 1048576)"
  "$(export_file realistic 200000) @ignore-20000"
)

if [ "$mode" = --record ]; then
  for check in "${checks[@]}"; do
    # shellcheck disable=SC2086  # the options are words
    echo "$(outputs_digest $check)  $check"
  done > "$digests"
  echo "Recorded $(wc -l < "$digests") digests in $digests"
  exit 0
fi
rounds=$mode
# The goals are set against mawk; another awk gives other figures.
awk_tool=mawk
command -v mawk >/dev/null 2>&1 || awk_tool=awk

megabytes() { awk -v bytes="$(stat -c %s "$data/$1")" 'BEGIN { printf "%.1f", bytes / 1048576 }'; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g ? "met" : "MISSED") }'; }

# Rounds of the given commands in $data; one "<seconds> <kilobytes>" line each.
timed() { (cd "$data" && "$measure" "$rounds" "$@"); }
# Brings an export into the page cache, from which the machine may have
# evicted it since it was made: the figures are for a file in memory.
warm() { cat "$data/$1" > /dev/null; }
tool_on() { echo "$tool" -i "$1" -o report.txt -l run.log; }
portable_on() { echo env QUORVANE_SCAN_PATH=portable "$tool" -i "$1" -o report.txt -l run.log; }
baseline=${BASELINE:-}
baseline_on() { [ -z "$baseline" ] || echo --- "$baseline" -i "$1" -o report.txt -l run.log; }

echo "Quorvane benchmark: medians of $rounds alternating runs, $(nproc) cores," \
     "load $(cut -d' ' -f1-3 /proc/loadavg)"
large=$(export_file realistic 1000000)
small=$(export_file realistic 100000)
warm "$large"
warm "$small"
# shellcheck disable=SC2046
{ read -r tool_s tool_kb; read -r mawk_s _; read -r wc_s _; read -r small_s _; read -r portable_s _
  before_s=; before_kb=; before_small_s=
  [ -z "$baseline" ] || { read -r before_s before_kb; read -r before_small_s _; }
} < <(timed $(tool_on "$large") --- "$awk_tool" -F'\t' '{print $5,$14}' "$large" --- wc -l "$large" \
        --- $(tool_on "$small") --- $(portable_on "$large") \
        $(baseline_on "$large") $(baseline_on "$small"))
mb=$(megabytes "$large")
printf '\n%s: %s MB; tool %.3f s (portable scan path %.3f s), %s %.3f s, wc -l %.3f s; tool peak %.1f MB\n' \
  "$large" "$mb" "$tool_s" "$portable_s" "$awk_tool" "$mawk_s" "$wc_s" \
  "$(awk -v k="$tool_kb" 'BEGIN { print k / 1024 }')"
[ -z "$baseline" ] || printf 'baseline %s: %.3f s, peak %.1f MB\n' "$baseline" "$before_s" \
  "$(awk -v k="$before_kb" 'BEGIN { print k / 1024 }')"
printf '\n%-44s %9s %9s  %-7s %9s\n' what figure goal "" "${baseline:+baseline}"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "") print ""; else print a / b }'; }
row() {  # what figure goal [baseline figure]
  local before=
  [ -z "${4:-}" ] || before=$(printf '%9.3f' "$4")
  printf '%-44s %9.3f %9s  %-7s %9s\n' "$1" "$2" "$3" "$([ "$3" = - ] || verdict "$2" "$3")" "$before"
}
row "whole run against $awk_tool, 1M lines" "$(ratio "$tool_s" "$mawk_s")" 0.55 \
  "$(ratio "$before_s" "$mawk_s")"
row "whole run against wc -l, 1M lines" "$(ratio "$tool_s" "$wc_s")" 9 "$(ratio "$before_s" "$wc_s")"
row "peak RSS against input size" "$(ratio "$(ratio "$tool_kb" 1024)" "$mb")" 0.35 \
  "$(ratio "$(ratio "$before_kb" 1024)" "$mb")"
row "growth, 100k -> 1M lines" "$(ratio "$tool_s" "$small_s")" 11 "$(ratio "$before_s" "$before_small_s")"
row "portable scan path against default, 1M lines" "$(ratio "$portable_s" "$tool_s")" 1.3
for shape in "consecutive 1000000 0.12" "editions 200000 0.1" "long_line 1048576 -"; do
  set -- $shape
  file=$(export_file "$1" "$2")
  warm "$file"
  # shellcheck disable=SC2046
  { read -r seconds _; before_s=; [ -z "$baseline" ] || read -r before_s _; } < <(
    timed $(tool_on "$file") $(baseline_on "$file"))
  row "$1 $2, seconds" "$seconds" "$3" "$before_s"
done
# Every line's book type is looked up among those to leave out: thousands of
# them must cost no more than a few.
file=$(export_file realistic 200000)
warm "$file"
mapfile -t many < <(options_of @ignore-20000)
# shellcheck disable=SC2207  # the commands are words
commands=($(tool_on "$file") --- $(tool_on "$file") "${many[@]}")
[ -z "$baseline" ] || commands+=($(baseline_on "$file") $(baseline_on "$file") "${many[@]}")
{ read -r plain_s _; read -r many_s _; before_plain_s=; before_many_s=
  [ -z "$baseline" ] || { read -r before_plain_s _; read -r before_many_s _; }
} < <(timed "${commands[@]}")
row "20,000 book types left out against none" "$(ratio "$many_s" "$plain_s")" 3 \
  "$(ratio "$before_many_s" "$before_plain_s")"
printf '(%s: %.3f s plain, %.3f s with 20,000 book types to leave out)\n' \
  "$file" "$plain_s" "$many_s"

# The web build, where it was made (make web): the program under node and the
# page in headless Chromium, each on the 1M-line export against the native
# tool in the same rounds; the program's memory after the page's run against
# the export's size; the page's size.
web=${WEB_BUILD:-$here/../build-web}
if [ -f "$web/quorvane.js" ] && command -v node >/dev/null 2>&1; then
  # shellcheck disable=SC2046
  { read -r native_s _; read -r node_s _; } < <(timed $(tool_on "$large") --- node "$web/quorvane.js" \
      -i "$large" -o report.txt -l run.log)
  row "under node against native, 1M lines" "$(ratio "$node_s" "$native_s")" 2
fi
if [ -f "$web/quorvane.html" ]; then
  page_python=$(command -v /usr/bin/python3 || command -v python3)
  if read -r page_s page_bytes < <("$page_python" "$here/page_bench.py" "$web/quorvane.html" "$data/$large" 3); then
    native_s=$(timed $(tool_on "$large") | cut -d' ' -f1)
    row "the page in Chromium against native, 1M lines" "$(ratio "$page_s" "$native_s")" 3
    row "the page's memory against the export's size" \
      "$(ratio "$page_bytes" "$(stat -c %s "$data/$large")")" 0.5
  else
    echo "(the page is not timed: Chromium or chromedriver is missing, or python3-selenium)"
  fi
  row "the page's size, KB" "$(ratio "$(stat -c %s "$web/quorvane.html")" 1000)" 400
fi

echo
different=0
while read -r digest check; do
  # shellcheck disable=SC2086
  if [ "$(outputs_digest $check)" != "$digest" ]; then
    echo "OUTPUTS DIFFER: $check"
    different=$((different + 1))
  fi
  # shellcheck disable=SC2086
  if [ "$(QUORVANE_SCAN_PATH=portable outputs_digest $check)" != "$digest" ]; then
    echo "OUTPUTS DIFFER on the portable scan path: $check"
    different=$((different + 1))
  fi
  # shellcheck disable=SC2086
  if [ -f "$web/quorvane.js" ] && command -v node >/dev/null 2>&1 &&
     [ "$(runner=node tool="$web/quorvane.js" outputs_digest $check)" != "$digest" ]; then
    echo "OUTPUTS DIFFER under node: $check"
    different=$((different + 1))
  fi
done < "$digests"
node_runs=0
[ -f "$web/quorvane.js" ] && command -v node >/dev/null 2>&1 && node_runs=$(wc -l < "$digests")
runs=$((2 * $(wc -l < "$digests") + node_runs))
if [ $different -gt 0 ]; then
  echo "$different of $runs runs gave other outputs than recorded"
  exit 1
fi
echo "Outputs: all $runs runs, $(wc -l < "$digests") with the default scan path, as many with the" \
     "portable one and $node_runs under node, give the recorded console, log and report bytes"
