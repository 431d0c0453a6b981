#!/usr/bin/env bash
# Validates the effect file's four entry points with glslang's HLSL front end, the way the
# viewer compiles them: first the effect-only syntax that glslang does not parse is stripped
# (sampler_state initialisers, `texture Name;` parameter declarations and the technique
# block), as the viewer's effect loader must do before calling glslang.
# Usage: tools/contentgen/check-fx.sh [path/to/Hatching.fx]
set -euo pipefail
fx="${1:-$(dirname "$0")/Hatching.fx}"
command -v glslangValidator >/dev/null || { echo "check-fx: glslangValidator missing (apt-get install glslang-tools)" >&2; exit 2; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
perl -0777 -pe 's/^[ \t]*texture[ \t]+\w+[ \t]*;//mg; s/=\s*sampler_state\s*\{[^{}]*\}//g; s/\btechnique\s+\w+\s*\{(?:[^{}]|\{[^{}]*\})*\}//g' \
  "$fx" > "$tmp/effect.hlsl"

status=0
for entry in BoxVS:vert BoxPS:frag HatchVS:vert HatchPS:frag; do
  name="${entry%%:*}" stage="${entry##*:}"
  if glslangValidator -D -V -S "$stage" -e "$name" --hlsl-dx9-compatible -o "$tmp/$name.spv" "$tmp/effect.hlsl" >"$tmp/log" 2>&1; then
    echo "check-fx: $name ($stage) ok"
  else
    echo "check-fx: $name ($stage) FAILED" >&2
    cat "$tmp/log" >&2
    status=1
  fi
done
exit $status
