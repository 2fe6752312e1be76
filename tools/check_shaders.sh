#!/usr/bin/env bash
# Compiles every entry point of the bundled shaders: with glslangValidator (HLSL front end,
# SPIR-V output) and, when it has been built, with our own translator (build*/lumivane-hlsl),
# which goes on to GLSL and checks it on a headless device.
# Usage: tools/check_shaders.sh [path to lumivane-hlsl]   Exit status 1 if any entry fails.
set -uo pipefail
cd "$(dirname "$0")/.."
translator="${1:-}"
if [ -z "$translator" ]; then
  for t in build-assets/lumivane-hlsl build/lumivane-hlsl; do [ -x "$t" ] && translator="$t" && break; done
fi

# file: pixel entry points (every file also has the vertex entry "VS")
entries=(
  "final.fx: PS"
  "loading.fx: PS"
  "plasma.fx: PS"
  "tunnel.fx: PS"
  "beams.fx: PS PS_Rings PS_Particles"
  "overlay.fx: PS PS_Tint PS_Fade PS_Image"
  "ripple.fx: PS PS_Chroma PS_Wave"
  "vignette.fx: PS"
  "kaleido.fx: PS PS_ZoomBlur"
  "bloom.fx: PS_Bright PS_Horizontal PS_Vertical PS_Combine"
  "blur.fx: PS_NoMaskHorizontal PS_NoMaskVertical PS_MaskHorizontal PS_MaskVertical"
  "hsl.fx: PS"
  "lut3D.fx: PS"
  "rgbsplit.fx: PS"
)

failures=0
checked=0
check() {  # file entry stage(vert|frag)
  local out
  if ! out=$(glslangValidator -D -V --hlsl-iomap --auto-map-bindings -S "$3" -e "$2" "data/$1" -o /dev/null 2>&1); then
    echo "FAIL glslang $1 $2"; echo "$out" | grep -v "^data/$1\$" | sed 's/^/    /'; failures=$((failures + 1))
  fi
  if [ -n "$translator" ]; then
    local stage=ps; [ "$3" = vert ] && stage=vs
    if ! out=$("$translator" "data/$1" "$2" "$stage" 2>&1); then
      echo "FAIL lumivane-hlsl $1 $2"; echo "$out" | sed 's/^/    /'; failures=$((failures + 1))
    fi
  fi
  checked=$((checked + 1))
}

for line in "${entries[@]}"; do
  file="${line%%:*}"
  check "$file" VS vert
  for e in ${line#*:}; do check "$file" "$e" frag; done
done
echo "check_shaders: $checked entry points, $failures failures${translator:+ (glslang and $translator)}"
[ "$failures" -eq 0 ]
