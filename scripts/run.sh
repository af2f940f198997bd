#!/usr/bin/env bash
# Builds both programs and starts them side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vesprad corvane
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Vesprad and Corvane are desktop programs and need a graphical display." >&2
    echo "No display was found (DISPLAY and WAYLAND_DISPLAY are unset); they were built in build/bin." >&2
    exit 1
fi
build/bin/vesprad &
build/bin/corvane &
wait
