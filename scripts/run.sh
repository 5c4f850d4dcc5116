#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ -x build/bin/velmora ]; then
  exec build/bin/velmora build/bin/sample.jpg "$@"
fi
out=build/bin/sample_cartoon.jpg
build/bin/velmora-batch -o "$out" build/bin/sample.jpg
echo "Converted the sample photograph: $out"
