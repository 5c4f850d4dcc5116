#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# included) in build-fuzz/ and runs each for a bounded time.
#   bash scripts/fuzz.sh            # 60 seconds per target
#   bash scripts/fuzz.sh 300        # 5 minutes per target
#   bash scripts/fuzz.sh 120 bmp d2o  # only these targets
# Crashes are written to build-fuzz/findings/<target>/; the script fails if any target
# found one. The corpus grows in build-fuzz/corpus/<target>/ from run to run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp jpeg png d2o set options)

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
  mkdir -p "$build/corpus/$t" "$build/findings/$t"
  echo "== fuzz_$t for ${seconds}s"
  if ! "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=16384 -print_final_stats=1 -artifact_prefix="$build/findings/$t/" \
      "$build/corpus/$t" "$build/seeds/$t" 2>"$build/fuzz_$t.log"; then
    echo "fuzz_$t FOUND A PROBLEM: see $build/fuzz_$t.log and $build/findings/$t/"
    failed=1
  fi
  grep -E "^(stat::number_of_executed_units|stat::new_units_added|Done)|cov:" "$build/fuzz_$t.log" | tail -3 || true
done
exit $failed
