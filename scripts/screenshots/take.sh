#!/bin/sh
# Writes pictures of the program's windows into a folder (default: ./screenshots),
# under a virtual X display so that whole-screen pictures show dialogs and tool
# windows together. Usage: scripts/screenshots/take.sh [BUILD_DIR] [FOLDER]
set -eu
build=${1:-build}
folder=${2:-screenshots}
cmake --build "$build" --target velmora_screens
mkdir -p "$folder"
if command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/velmora_screens" "$folder"
else
    echo "xvfb-run not found: taking each window alone on the offscreen platform" >&2
    QT_QPA_PLATFORM=offscreen "$build/bin/velmora_screens" "$folder"
fi
