#!/usr/bin/env bash
# Installs the Debian 12 packages Lumivane needs to build, run and test.
# Does nothing when they are all present; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev libsdl2-image-dev libepoxy-dev libegl-dev libgl-dev
  libgl1-mesa-dri libegl-mesa0
  glslang-dev glslang-tools spirv-tools libspirv-cross-c-shared-dev
  libimgui-dev libglm-dev libphysfs-dev libpugixml-dev zlib1g-dev libpng-dev
  libsndfile1-dev libavcodec-dev libavformat-dev libswscale-dev
  libswresample-dev libavutil-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool x11-utils sox libsox-fmt-all ffmpeg fonts-dejavu-core
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
