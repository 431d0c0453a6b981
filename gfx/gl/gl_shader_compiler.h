// One entry point of an effect's HLSL compiled for one stage: glslang's HLSL front end (DX9
// mode, for sampler2D/tex2D) to SPIR-V, then SPIRV-Cross to GLSL 330 core, with what linking
// and parameter upload need to know about the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/gl/gl_resources.h"

enum class HlslStage { kVertex, kPixel };

struct GlslUniformMember {
  std::string name;      // the HLSL global's name
  uint32_t offset = 0;   // std140, within the stage's block
  uint32_t size = 0;     // bytes the member occupies
  uint32_t columns = 1;  // SPIR-V columns (HLSL rows of a matrix); 1 for vectors and scalars
  uint32_t vectorSize = 1;
  uint32_t matrixStride = 0;
  bool rowMajor = false;  // SPIR-V RowMajor: HLSL's default column_major packing
};

struct GlslStage {
  std::string glsl;
  // Vertex stage: where each supplied input is, -1 when the shader does not read it.
  int inputLocation[kAttributeUsageCount] = {-1, -1, -1};
  std::string blockName;  // the stage's global uniform block; empty when it has none
  uint32_t blockSize = 0;
  std::vector<GlslUniformMember> members;
  std::vector<std::string> samplers;  // GLSL names of the sampler uniforms, as in the HLSL
};

// Names of the per-stage uniform blocks in the GLSL (one per stage, so the stages need not agree).
inline constexpr const char* kVertexBlockName = "VertexGlobals";
inline constexpr const char* kPixelBlockName = "PixelGlobals";

// On failure `errors` receives the compiler's messages, one per line, as
// "<fileName>(<line>): error: <message>"; `line` stands for messages that carry none.
bool CompileHlslStage(const std::string& hlsl, const std::string& fileName, const std::string& entryPoint,
                      HlslStage stage, int line, GlslStage* out, std::string* errors);
