#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# included) in build-fuzz/ and runs each for a bounded time, one after another.
#   bash scripts/fuzz.sh            # 60 seconds per target
#   bash scripts/fuzz.sh 300        # 5 minutes per target
#   bash scripts/fuzz.sh 120 bmp d2o  # only these targets
#   VELMORA_FUZZ_RUNS=10000000 bash scripts/fuzz.sh 36000 jpeg  # stop at 10 million inputs
# Each target starts from the committed corpus in fuzz/corpus/<target>/ and the
# generated seeds; what it adds goes to build-fuzz/corpus/<target>/ first and is then
# minimised back into fuzz/corpus/<target>/ (libFuzzer's -merge=1), so that the next
# run starts where this one stopped. Crashes are written to build-fuzz/findings/<target>/;
# the script fails if any target found one.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp jpeg png d2o set options idx)
runs=${VELMORA_FUZZ_RUNS:--1}

# The largest input a fuzzer makes. Every reader's branches are reachable with a few
# kilobytes, and keeping inputs small keeps the committed corpora small and fast.
max_len() {
  case $1 in
    set | options) echo 512 ;;
    idx) echo 1024 ;;
    *) echo 8192 ;;
  esac
}

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_GUI=OFF -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF >/dev/null
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
cmake --build "$build" -j"$jobs" --target fuzz_make_seeds $(printf 'fuzz_%s ' "${targets[@]}")

"$build/bin/fuzz_make_seeds" "$build/seeds"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for t in "${targets[@]}"; do
  committed=fuzz/corpus/$t
  work=$build/corpus/$t
  mkdir -p "$committed" "$work" "$build/findings/$t"
  len=$(max_len "$t")
  echo "== fuzz_$t for ${seconds}s"
  # New inputs land in the first folder only; the committed corpus is read, not written.
  if ! "$build/bin/fuzz_$t" -max_total_time="$seconds" -runs="$runs" -timeout=10 \
      -rss_limit_mb=2048 -max_len="$len" -print_final_stats=1 \
      -artifact_prefix="$build/findings/$t/" \
      "$work" "$committed" "$build/seeds/$t" 2>"$build/fuzz_$t.log"; then
    echo "fuzz_$t FOUND A PROBLEM: see $build/fuzz_$t.log and $build/findings/$t/"
    failed=1
  fi
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)|^Done" \
    "$build/fuzz_$t.log" || true

  # Minimise everything known into a fresh folder: only inputs that reach coverage
  # no smaller input reaches are kept. A crashing input is skipped by the merge.
  merged=$build/merged/$t
  rm -rf "$merged"
  mkdir -p "$merged"
  if "$build/bin/fuzz_$t" -merge=1 -timeout=10 -rss_limit_mb=2048 -max_len="$len" \
      "$merged" "$committed" "$work" "$build/seeds/$t" 2>"$build/merge_$t.log"; then
    rm -rf "$committed" "$work"
    mv "$merged" "$committed"
    mkdir -p "$work"
    echo "fuzz/corpus/$t: $(find "$committed" -type f | wc -l) files," \
      "$(find "$committed" -type f -printf '%s\n' | awk '{n += $1} END {print n + 0}') bytes"
  else
    echo "fuzz_$t: merging failed, fuzz/corpus/$t kept as it was; see $build/merge_$t.log"
    failed=1
  fi
done
exit $failed
