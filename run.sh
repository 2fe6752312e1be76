#!/usr/bin/env bash
# Installs what is missing, builds Lumivane in Release and plays the bundled show in data/.
# Extra arguments go to the player, e.g. ./run.sh -windowed -skipsettings or ./run.sh -headless -video -frames 300
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target lumivane lumivane-hlsl
exec build/lumivane "$@"
