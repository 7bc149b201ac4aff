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
#   run_fuzzers.sh coverage       each target of build/fuzz-coverage replays
#                                 its corpus; then the line coverage of every
#                                 file of src/ (make fuzz-coverage)
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
[ "$mode" = coverage ] && build=build/fuzz-coverage
findings=$build/findings
profiles=$build/profiles
mkdir -p "$findings"
rm -rf "$profiles"

seed_directories() {
  case $1 in
    smart_attributes) echo tests/data/smart ;;
    nvme_health_log) echo tests/data/nvme ;;
  esac
}

# A round-trip input is two runs and a capture: fewer new inputs keep its
# smoke run as short as the others'.
smoke_runs() {
  case $1 in
    round_trip) echo 1000 ;;
    *) echo $SMOKE_RUNS ;;
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
  case $mode in
    smoke) options+=(-runs="$(smoke_runs "$target")") ;;
    coverage) options+=(-runs=0) ;;
    *) options+=(-max_total_time="$seconds") ;;
  esac
  echo "== $target"
  if ! LLVM_PROFILE_FILE="$profiles/$target.profraw" \
      "$program" "${options[@]}" "$work" "$corpus" $(seed_directories "$target") \
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

# Lines of src/ that the corpora reach, file by file, over all targets.
if [ "$mode" = coverage ]; then
  llvm-profdata-16 merge -sparse "$profiles"/*.profraw -o "$profiles/corpora.profdata"
  programs=("$build"/fuzz/*_fuzzer)
  objects=("${programs[0]}")
  for program in "${programs[@]:1}"; do objects+=(-object "$program"); done
  llvm-cov-16 report -instr-profile="$profiles/corpora.profdata" "${objects[@]}" \
    -show-region-summary=false -show-branch-summary=false \
    -show-instantiation-summary=false "$PWD/src"
fi
exit $status
