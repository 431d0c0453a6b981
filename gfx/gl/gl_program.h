// A pass's GL program: its two compiled stages linked, their samplers pointed at texture units
// and a uniform buffer per stage with the staging bytes that parameter values are written into.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gfx/gl/gl_device.h"
#include "gfx/gl/gl_shader_compiler.h"

struct GlUniformBlock {
  std::vector<uint8_t> bytes;
  std::vector<GlslUniformMember> members;
  std::vector<int> parameters;  // the effect parameter of each member, -1 for none
};

struct GlPassProgram {
  GlProgramBinding binding;
  GlUniformBlock blocks[2];  // vertex stage, pixel stage
};

// Compiles and links two GLSL stages; 0 with `error` saying which step failed and the driver's
// log when they do not build.
GLuint LinkGlslProgram(const std::string& vertex, const std::string& pixel, std::string* error);

// Links `vertex` and `pixel`; `samplerUnit` gives the texture unit of a sampler by name and
// `parameterIndex` the effect parameter of a global by name (-1 for none). On failure `errors`
// gets "<fileName>(<line>): error: ..." lines with the driver's messages.
bool LinkPassProgram(GlDevice* device, const GlslStage& vertex, const GlslStage& pixel,
                     const std::function<int(const std::string&)>& samplerUnit,
                     const std::function<int(const std::string&)>& parameterIndex,
                     const std::string& fileName, int line, GlPassProgram* out, std::string* errors);

// Uploads both stages' staging bytes.
void UploadUniformBlocks(const GlPassProgram& program);

void DestroyPassProgram(GlDevice* device, GlPassProgram* program);
