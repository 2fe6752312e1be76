#!/usr/bin/env bash
# Renders the bundled show's reference frames anew (tests/data/reference/) after an intended
# change of the show or the renderer. Look at the new pictures before committing them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target test_reference
cd build/tests
LIBGL_ALWAYS_SOFTWARE=1 LUMIVANE_UPDATE_REFERENCES=1 ./test_reference
