#!/usr/bin/env bash
# Runs every fuzz target of build/fuzz over its corpus.
#
#   run_fuzzers.sh smoke          each target replays its corpus and tries a
#                                 bounded number of new inputs (make test)
#   run_fuzzers.sh long [SECONDS [TARGET...]]
#                                 each target (or the ones named) for SECONDS
#                                 (default 600); new inputs that add coverage
#                                 are merged into fuzz/corpus/TARGET afterwards
#                                 (make fuzz)
#
# The corpus of a target is fuzz/corpus/TARGET, plus the real device dumps of
# tests/data for the two log parsers. A finding stops that target and leaves
# the input in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-smoke}
seconds=${2:-600}
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
SMOKE_RUNS=3000
build=build/fuzz
findings=$build/findings
mkdir -p "$findings"

seed_directories() {
  case $1 in
    smart_attributes) echo tests/data/smart ;;
    nvme_health_log) echo tests/data/nvme ;;
  esac
}

status=0
for program in "$build"/fuzz/*_fuzzer; do
  target=$(basename "$program" _fuzzer)
  if [ ${#targets[@]} -gt 0 ] && [[ ! " ${targets[*]} " =~ " $target " ]]; then continue; fi
  corpus=fuzz/corpus/$target
  work=$build/corpus/$target
  mkdir -p "$corpus" "$work"
  options=(-artifact_prefix="$findings/$target-" -print_final_stats=1)
  # The first directory takes what a run finds; the committed corpus and the
  # dumps are only read.
  if [ "$mode" = smoke ]; then
    options+=(-runs=$SMOKE_RUNS)
  else
    options+=(-max_total_time="$seconds")
  fi
  echo "== $target"
  if ! "$program" "${options[@]}" "$work" "$corpus" $(seed_directories "$target") \
      > "$build/$target.log" 2>&1; then
    tail -40 "$build/$target.log"
    status=1
    continue
  fi
  grep -E "^stat::number_of_executed_units|^Done" "$build/$target.log" || true
  if [ "$mode" = long ]; then
    "$program" -merge=1 "$corpus" "$work" > "$build/$target.merge.log" 2>&1
  fi
done
exit $status
