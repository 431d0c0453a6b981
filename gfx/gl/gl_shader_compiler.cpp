// HLSL to GLSL for one stage. glslang reads the effect's HLSL (with its line numbers intact, so
// messages point into the effect file); SPIRV-Cross writes GLSL 330 core with clip-space y
// negated and z remapped from D3D's 0..w to GL's -w..w.
#include "gfx/gl/gl_shader_compiler.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross_c.h>

#include <cctype>
#include <cstring>
#include <mutex>
#include <sstream>

namespace {

constexpr uint32_t kOpVariable = 59, kOpDecorate = 71, kOpDecorateString = 5632;
constexpr uint32_t kDecorationBuiltIn = 11, kDecorationLocation = 30, kDecorationUserSemantic = 5635;
constexpr uint32_t kBuiltInPosition = 0, kStorageOutput = 3;

// "texcoord" -> "TEXCOORD0": D3D reads a missing semantic index as 0.
std::string NormalizeSemantic(const char* semantic) {
  std::string upper;
  for (const char* c = semantic; c && *c; ++c)
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  if (!upper.empty() && !std::isdigit(static_cast<unsigned char>(upper.back()))) upper += '0';
  return upper;
}

// D3D9 vertex shaders write their position to a POSITION output, which glslang keeps as an
// ordinary output; turning its location into the position built-in lets SPIRV-Cross write
// gl_Position (and apply the y and z fix-ups to it).
void MarkPositionOutput(std::vector<uint32_t>* spirv) {
  std::vector<uint32_t> outputs, positions;
  std::vector<uint32_t>& words = *spirv;
  for (size_t at = 5; at < words.size();) {
    const uint32_t opcode = words[at] & 0xFFFFu, count = words[at] >> 16;
    if (count == 0 || at + count > words.size()) return;
    if (opcode == kOpVariable && count >= 4 && words[at + 3] == kStorageOutput)
      outputs.push_back(words[at + 2]);
    if (opcode == kOpDecorateString && count >= 4 && words[at + 2] == kDecorationUserSemantic) {
      const char* text = reinterpret_cast<const char*>(&words[at + 3]);
      const std::string semantic =
          NormalizeSemantic(std::string(text, strnlen(text, (count - 3) * 4)).c_str());
      if (semantic == "POSITION0") positions.push_back(words[at + 1]);
    }
    at += count;
  }
  for (size_t at = 5; at < words.size(); at += words[at] >> 16) {
    const uint32_t opcode = words[at] & 0xFFFFu, count = words[at] >> 16;
    if (opcode != kOpDecorate || count != 4 || words[at + 2] != kDecorationLocation) continue;
    const uint32_t target = words[at + 1];
    bool isOutput = false, isPosition = false;
    for (uint32_t id : outputs) isOutput |= id == target;
    for (uint32_t id : positions) isPosition |= id == target;
    if (isOutput && isPosition) {
      words[at + 2] = kDecorationBuiltIn;
      words[at + 3] = kBuiltInPosition;
    }
  }
}

// glslang's "ERROR: <file>:<line>: <message>" lines in the effect's own "<file>(<line>): error:"
// form; lines already in that form and lines without a place are kept, the closing count is not.
void AppendGlslangLog(const char* log, const std::string& fileName, int line, std::string* errors) {
  std::istringstream lines(log ? log : "");
  std::string text;
  while (std::getline(lines, text)) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
    if (text.empty() || text.find("compilation errors.") != std::string::npos) continue;
    std::string kind = "error";
    std::string rest = text;
    if (text.rfind("ERROR: ", 0) == 0) {
      rest = text.substr(7);
    } else if (text.rfind("WARNING: ", 0) == 0) {
      kind = "warning";
      rest = text.substr(9);
    } else if (text.rfind(fileName + "(", 0) == 0) {
      *errors += text + "\n";
      continue;
    }
    const std::string prefix = fileName + ":";
    if (rest.rfind(prefix, 0) == 0) {
      const size_t numberEnd = rest.find(':', prefix.size());
      if (numberEnd != std::string::npos) {
        const std::string number = rest.substr(prefix.size(), numberEnd - prefix.size());
        size_t messageStart = numberEnd + 1;
        while (messageStart < rest.size() && rest[messageStart] == ' ') ++messageStart;
        *errors += fileName + "(" + number + "): " + kind + ": " + rest.substr(messageStart) + "\n";
        continue;
      }
    }
    *errors += fileName + "(" + std::to_string(line) + "): " + kind + ": " + rest + "\n";
  }
}

bool HlslToSpirv(const std::string& hlsl, const std::string& fileName, const std::string& entryPoint,
                 HlslStage stage, int line, std::vector<uint32_t>* spirv, std::string* errors) {
  static std::once_flag initialized;
  std::call_once(initialized, [] { glslang::InitializeProcess(); });
  const EShLanguage language = stage == HlslStage::kVertex ? EShLangVertex : EShLangFragment;
  glslang::TShader shader(language);
  const char* text = hlsl.c_str();
  const int length = static_cast<int>(hlsl.size());
  const char* name = fileName.c_str();
  shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
  shader.setEntryPoint(entryPoint.c_str());
  shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientOpenGL, 100);
  shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
  shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
  shader.setEnvTargetHlslFunctionality1();  // keeps the semantics, which match inputs and varyings
  shader.setHlslIoMapping(true);
  shader.setAutoMapBindings(true);
  shader.setAutoMapLocations(true);
  const auto messages =
      static_cast<EShMessages>(EShMsgReadHlsl | EShMsgHlslOffsets | EShMsgHlslDX9Compatible | EShMsgSpvRules);
  if (!shader.parse(GetDefaultResources(), 100, false, messages)) {
    AppendGlslangLog(shader.getInfoLog(), fileName, line, errors);
    return false;
  }
  glslang::TProgram program;
  program.addShader(&shader);
  const bool linked = program.link(messages) && program.mapIO();
  if (std::strstr(program.getInfoLog(), "Entry point not found")) {
    *errors +=
        fileName + "(" + std::to_string(line) + "): error: entry point '" + entryPoint + "' not found\n";
    return false;
  }
  if (!linked) {
    AppendGlslangLog(program.getInfoLog(), fileName, line, errors);
    return false;
  }
  glslang::SpvOptions options;
  options.disableOptimizer = true;
  glslang::GlslangToSpv(*program.getIntermediate(language), *spirv, &options);
  if (stage == HlslStage::kVertex) MarkPositionOutput(spirv);
  return true;
}

struct CrossErrors {
  std::string text;
};

void ReflectBlock(spvc_compiler compiler, const spvc_reflected_resource& block, GlslStage* out) {
  const spvc_type type = spvc_compiler_get_type_handle(compiler, block.base_type_id);
  size_t blockSize = 0;
  spvc_compiler_get_declared_struct_size(compiler, type, &blockSize);
  out->blockSize = static_cast<uint32_t>(blockSize);
  const unsigned memberCount = spvc_type_get_num_member_types(type);
  for (unsigned i = 0; i < memberCount; ++i) {
    const spvc_type member = spvc_compiler_get_type_handle(compiler, spvc_type_get_member_type(type, i));
    if (spvc_type_get_basetype(member) != SPVC_BASETYPE_FP32) continue;  // only float parameters are set
    GlslUniformMember reflected;
    reflected.name = spvc_compiler_get_member_name(compiler, block.base_type_id, i);
    unsigned offset = 0;
    size_t size = 0;
    spvc_compiler_type_struct_member_offset(compiler, type, i, &offset);
    spvc_compiler_get_declared_struct_member_size(compiler, type, i, &size);
    reflected.offset = offset;
    reflected.size = static_cast<uint32_t>(size);
    reflected.columns = spvc_type_get_columns(member);
    reflected.vectorSize = spvc_type_get_vector_size(member);
    if (reflected.columns > 1) {
      unsigned stride = 0;
      spvc_compiler_type_struct_member_matrix_stride(compiler, type, i, &stride);
      reflected.matrixStride = stride;
      reflected.rowMajor =
          spvc_compiler_has_member_decoration(compiler, block.base_type_id, i, SpvDecorationRowMajor);
    }
    out->members.push_back(reflected);
  }
}

bool SpirvToGlsl(const std::vector<uint32_t>& spirv, HlslStage stage, const std::string& fileName, int line,
                 GlslStage* out, std::string* errors) {
  CrossErrors crossErrors;
  spvc_context context = nullptr;
  if (spvc_context_create(&context) != SPVC_SUCCESS) return false;
  spvc_context_set_error_callback(
      context, [](void* data, const char* message) { static_cast<CrossErrors*>(data)->text += message; },
      &crossErrors);
  spvc_parsed_ir ir = nullptr;
  spvc_compiler compiler = nullptr;
  spvc_compiler_options options = nullptr;
  spvc_resources resources = nullptr;
  bool ok = spvc_context_parse_spirv(context, spirv.data(), spirv.size(), &ir) == SPVC_SUCCESS &&
            spvc_context_create_compiler(context, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP,
                                         &compiler) == SPVC_SUCCESS &&
            spvc_compiler_create_compiler_options(compiler, &options) == SPVC_SUCCESS;
  if (ok) {
    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 330);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FLIP_VERTEX_Y, SPVC_TRUE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FIXUP_DEPTH_CONVENTION, SPVC_TRUE);
    ok = spvc_compiler_install_compiler_options(compiler, options) == SPVC_SUCCESS &&
         spvc_compiler_build_combined_image_samplers(compiler) == SPVC_SUCCESS &&
         spvc_compiler_create_shader_resources(compiler, &resources) == SPVC_SUCCESS;
  }
  const spvc_reflected_resource* list = nullptr;
  size_t count = 0;
  if (ok) {
    // Varyings meet by semantic: GLSL 330 links them by name, not location.
    const bool vertex = stage == HlslStage::kVertex;
    spvc_resources_get_resource_list_for_type(
        resources, vertex ? SPVC_RESOURCE_TYPE_STAGE_OUTPUT : SPVC_RESOURCE_TYPE_STAGE_INPUT, &list, &count);
    for (size_t i = 0; i < count; ++i) {
      const std::string semantic = NormalizeSemantic(
          spvc_compiler_get_decoration_string(compiler, list[i].id, SpvDecorationUserSemantic));
      spvc_compiler_set_name(compiler, list[i].id, ("fx_" + semantic).c_str());
    }
    if (vertex) {
      spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &list, &count);
      for (size_t i = 0; i < count; ++i) {
        const std::string semantic = NormalizeSemantic(
            spvc_compiler_get_decoration_string(compiler, list[i].id, SpvDecorationUserSemantic));
        const int location =
            static_cast<int>(spvc_compiler_get_decoration(compiler, list[i].id, SpvDecorationLocation));
        if (semantic == "POSITION0") out->inputLocation[kAttributePosition] = location;
        if (semantic == "NORMAL0") out->inputLocation[kAttributeNormal] = location;
        if (semantic == "TEXCOORD0") out->inputLocation[kAttributeTexcoord0] = location;
      }
    }
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &list, &count);
    for (size_t i = 0; i < count && i < 1; ++i) {
      out->blockName = vertex ? kVertexBlockName : kPixelBlockName;
      spvc_compiler_set_name(compiler, list[i].base_type_id, out->blockName.c_str());
      spvc_compiler_set_name(compiler, list[i].id, vertex ? "vertexGlobals" : "pixelGlobals");
      ReflectBlock(compiler, list[i], out);
    }
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, &list, &count);
    for (size_t i = 0; i < count; ++i) out->samplers.emplace_back(list[i].name);
    const char* glsl = nullptr;
    ok = spvc_compiler_compile(compiler, &glsl) == SPVC_SUCCESS;
    if (ok) out->glsl = glsl;
  }
  if (!ok) {
    *errors += fileName + "(" + std::to_string(line) +
               "): error: cannot translate to GLSL: " + crossErrors.text + "\n";
  }
  spvc_context_destroy(context);
  return ok;
}

}  // namespace

bool CompileHlslStage(const std::string& hlsl, const std::string& fileName, const std::string& entryPoint,
                      HlslStage stage, int line, GlslStage* out, std::string* errors) {
  std::vector<uint32_t> spirv;
  if (!HlslToSpirv(hlsl, fileName, entryPoint, stage, line, &spirv, errors)) return false;
  return SpirvToGlsl(spirv, stage, fileName, line, out, errors);
}
