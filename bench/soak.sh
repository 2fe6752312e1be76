#!/usr/bin/env bash
# Builds and runs both soak runs: three minutes of the bundled show, then 1000 edits of a
# script and a shader while a show plays. Usage: bench/soak.sh [frames] [edits]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_TESTS=ON >/dev/null
cmake --build build --target bench_soak
export LIBGL_ALWAYS_SOFTWARE=1
build/bench/bench_soak play "${1:-10800}" 2>/dev/null
build/bench/bench_soak edit "${2:-1000}" 2>/dev/null
