// The front end of the effect compiler: reads a D3D9 effect file into its parameters, samplers,
// techniques and passes, and the plain HLSL that is left for the shader compiler. Nothing here
// compiles shaders; it is everything that happens before the HLSL front end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gfx/d3d9.h"

struct EffectParameter {
  std::string type;  // as written: "float4x4", "float4", "texture", "textureCUBE", ...
  std::string name;
  int line = 0;
  bool IsTexture() const { return type.rfind("texture", 0) == 0 || type.rfind("Texture", 0) == 0; }
};

struct EffectSampler {
  std::string type;  // "sampler", "sampler2D", "samplerCUBE", ...
  std::string name;
  std::string texture;  // the parameter named by Texture = <name>; empty when not given
  // The states the block names, in file order; a state it leaves out stays as the device has it.
  std::vector<std::pair<D3DSAMPLERSTATETYPE, DWORD>> states;
  int line = 0;
};

struct EffectPass {
  std::string name;
  std::string vertexProfile, vertexEntry;  // "vs_2_0", "BoxVS"; empty when the pass has none
  std::string pixelProfile, pixelEntry;
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> states;  // in file order
  int line = 0;
};

struct EffectTechnique {
  std::string name;
  std::vector<EffectPass> passes;
  int line = 0;
};

struct EffectSource {
  // The file's HLSL with techniques, sampler_state blocks, annotations and texture declarations
  // blanked out (replaced by spaces, line ends kept), so compiler messages keep the file's lines.
  std::string hlsl;
  std::vector<EffectParameter> parameters;  // global uniforms and textures, in file order
  std::vector<EffectSampler> samplers;
  std::vector<EffectTechnique> techniques;
};

// On failure `error` reads "<fileName>(<line>): error: <what>".
bool ParseEffectSource(const char* text, size_t size, const char* fileName, EffectSource* out,
                       std::string* error);
