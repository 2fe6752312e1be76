#!/usr/bin/env bash
# Installs what is missing, builds Lumivane with its tests and runs the whole CTest suite.
# Window tests run on a virtual X server (Xvfb); rendering uses Mesa's llvmpipe.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_TESTS=ON >/dev/null
cmake --build build
export LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1920x1080x24" ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
