#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build (make fuzz), FUZZ_JOBS of them at
# a time (default: one per processor), each for a bounded time over its seed
# corpus, and fails when any of them finds a crash, a sanitizer fault, a hang
# or runaway memory use.
#
#   scripts/run-fuzzers.sh <fuzz build folder> <seconds per target> [name...]
#
# Inputs a target discovers go to <build>/corpus/<name>/ (kept between runs,
# so a later run starts where the last one ended); an input that failed is
# written to <build>/findings/<name>/ and shown with the command that
# replays it. Longer runs: make fuzz FUZZ_SECONDS=600.
set -uo pipefail

build=${1:?fuzz build folder}
seconds=${2:?seconds per target}
shift 2
list="$build/fuzz-targets.tsv"
[ -f "$list" ] || { echo "fuzz: $list is missing (build with make fuzz)" >&2; exit 1; }

# Inputs longer than this are not tried: the readers' own size limits lie
# far above, and quadratic-but-bounded work on huge inputs is no finding.
max_len=${FUZZ_MAX_LEN:-65536}
# One input taking longer than this many seconds is a finding (a hang).
timeout=${FUZZ_TIMEOUT:-20}
# Qt's own warnings about refused input would only fill the logs.
export QT_LOGGING_RULES='*=false'
export QT_QPA_PLATFORM=offscreen

jobs=${FUZZ_JOBS:-$(nproc)}

# run_one <name> <program> <seeds>: one target; its exit status goes to
# <build>/logs/<name>.status for the report below.
run_one() {
  local name=$1 program=$2 seeds=$3
  local corpus="$build/corpus/$name" findings="$build/findings/$name" log="$build/logs/$name.log"
  mkdir -p "$corpus" "$findings" "$build/logs"
  "$program" -max_total_time="$seconds" -max_len="$max_len" -timeout="$timeout" -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "$seeds" >"$log" 2>&1
  echo $? >"$build/logs/$name.status"
}

names=()
programs=()
while IFS=$'\t' read -r name program seeds; do
  [ -n "$name" ] || continue
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  rm -f "$build/logs/$name.status"
  run_one "$name" "$program" "$seeds" </dev/null &
  names+=("$name")
  programs+=("$program")
done <"$list"
wait

ran=0
failed=()
for i in "${!names[@]}"; do
  name=${names[$i]}
  program=${programs[$i]}
  log="$build/logs/$name.log"
  findings="$build/findings/$name"
  status=$(cat "$build/logs/$name.status" 2>/dev/null || echo 1)
  ran=$((ran + 1))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  if [ "$status" -eq 0 ]; then
    echo "fuzz: $name: ${runs:-?} inputs in ${seconds} s, no finding"
  else
    failed+=("$name")
    echo "fuzz: $name FAILED (exit $status); from $log:"
    # The report from its first line on (or the end of the log).
    report=$(awk '/ERROR: |runtime error:|deadly signal|ALARM: |out-of-memory|-- leak/ {p = 1} p' "$log" | head -n 80)
    if [ -n "$report" ]; then echo "$report"; else tail -n 30 "$log"; fi
    for f in "$findings"/*; do
      [ -e "$f" ] && echo "fuzz: replay with: $program $f"
    done
  fi
done

if [ $ran -eq 0 ]; then
  echo "fuzz: no target ran" >&2
  exit 1
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in: ${failed[*]}"
  exit 1
fi
echo "fuzz: $ran targets, no finding"
