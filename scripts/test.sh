#!/usr/bin/env bash
# Installs what is missing, builds everything (benchmarks included, not run) and runs
# every test. VELMORA_SANITIZE=1 builds and tests under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ instead of build/; VELMORA_SANITIZE=thread
# builds and tests the library without the windows under ThreadSanitizer in
# build-tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=build
flags=()
if [ "${VELMORA_SANITIZE:-0}" = thread ]; then
  build=build-tsan
  # Qt's own locking is invisible to the sanitizer, which would take every hand-over
  # between a window and its worker threads for a race; the library has no Qt.
  flags+=(-DVELMORA_SANITIZE=thread -DVELMORA_GUI=OFF -DVELMORA_BENCH=OFF)
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
elif [ "${VELMORA_SANITIZE:-0}" = 1 ]; then
  build=build-asan
  flags+=(-DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF)
  # Leak detection is on; the suppression file names only leaks inside system
  # libraries (fontconfig, Qt's plugin loading, D-Bus), never in ours.
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
