#!/usr/bin/env bash
# Renders the README's screenshots of the bundled show (docs/show*.png) at 1280 x 720.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target test_reference
mkdir -p docs
LIBGL_ALWAYS_SOFTWARE=1 LUMIVANE_DOCS_DIR="$PWD/docs" build/tests/test_reference \
    --gtest_also_run_disabled_tests --gtest_filter='BundledShowDocs.*'
