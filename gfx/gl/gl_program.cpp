// Linking a pass's GLSL stages into a GL program and setting up its uniform blocks.
#include "gfx/gl/gl_program.h"

namespace {

std::string ShaderLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) glGetShaderInfoLog(shader, length, nullptr, log.data());
  return log.c_str();
}

std::string ProgramLog(GLuint program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) glGetProgramInfoLog(program, length, nullptr, log.data());
  return log.c_str();
}

GLuint CompileShader(GLenum type, const std::string& source, std::string* log) {
  const GLuint shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint status = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status != GL_TRUE) {
    *log = ShaderLog(shader);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

void SetUpBlock(const GlslStage& stage, GLuint program, GLuint binding,
                const std::function<int(const std::string&)>& parameterIndex, GlUniformBlock* block,
                GLuint* buffer) {
  if (stage.blockName.empty()) return;
  const GLuint index = glGetUniformBlockIndex(program, stage.blockName.c_str());
  if (index == GL_INVALID_INDEX) return;  // optimized away by the driver
  glUniformBlockBinding(program, index, binding);
  block->bytes.assign(stage.blockSize, 0);
  block->members = stage.members;
  for (const GlslUniformMember& member : stage.members)
    block->parameters.push_back(parameterIndex(member.name));
  glGenBuffers(1, buffer);
  glBindBuffer(GL_COPY_WRITE_BUFFER, *buffer);
  glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(block->bytes.size()), block->bytes.data(),
               GL_DYNAMIC_DRAW);
}

}  // namespace

GLuint LinkGlslProgram(const std::string& vertex, const std::string& pixel, std::string* error) {
  std::string log;
  const GLuint vertexShader = CompileShader(GL_VERTEX_SHADER, vertex, &log);
  if (!vertexShader) {
    *error = "vertex shader rejected by OpenGL: " + log;
    return 0;
  }
  const GLuint pixelShader = CompileShader(GL_FRAGMENT_SHADER, pixel, &log);
  if (!pixelShader) {
    glDeleteShader(vertexShader);
    *error = "pixel shader rejected by OpenGL: " + log;
    return 0;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vertexShader);
  glAttachShader(program, pixelShader);
  glLinkProgram(program);
  glDetachShader(program, vertexShader);
  glDetachShader(program, pixelShader);
  glDeleteShader(vertexShader);
  glDeleteShader(pixelShader);
  GLint status = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  if (status != GL_TRUE) {
    *error = "shaders do not link: " + ProgramLog(program);
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

bool LinkPassProgram(GlDevice* device, const GlslStage& vertex, const GlslStage& pixel,
                     const std::function<int(const std::string&)>& samplerUnit,
                     const std::function<int(const std::string&)>& parameterIndex,
                     const std::string& fileName, int line, GlPassProgram* out, std::string* errors) {
  std::string problem;
  const GLuint program = LinkGlslProgram(vertex.glsl, pixel.glsl, &problem);
  if (!program) {
    *errors += fileName + "(" + std::to_string(line) + "): error: " + problem + "\n";
    return false;
  }

  out->binding.program = program;
  out->binding.serial = device->NextSerial();
  for (int usage = 0; usage < kAttributeUsageCount; ++usage) {
    out->binding.attributeLocation[usage] = vertex.inputLocation[usage];
  }
  SetUpBlock(vertex, program, 0, parameterIndex, &out->blocks[0], &out->binding.uniformBuffers[0]);
  SetUpBlock(pixel, program, 1, parameterIndex, &out->blocks[1], &out->binding.uniformBuffers[1]);

  device->FlushDraw();
  device->cache().UseProgram(program);
  for (const GlslStage* stage : {&vertex, &pixel}) {
    for (const std::string& sampler : stage->samplers) {
      const GLint location = glGetUniformLocation(program, sampler.c_str());
      const int unit = samplerUnit(sampler);
      if (location >= 0 && unit >= 0) glUniform1i(location, unit);
    }
  }
  device->InvalidateGlState();  // the program in use and the buffer bindings moved behind the device
  return true;
}

void UploadUniformBlocks(const GlPassProgram& program) {
  for (int stage = 0; stage < 2; ++stage) {
    const GLuint buffer = program.binding.uniformBuffers[stage];
    const std::vector<uint8_t>& bytes = program.blocks[stage].bytes;
    if (!buffer || bytes.empty()) continue;
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer);
    glBufferSubData(GL_COPY_WRITE_BUFFER, 0, static_cast<GLsizeiptr>(bytes.size()), bytes.data());
  }
}

void DestroyPassProgram(GlDevice* device, GlPassProgram* program) {
  device->Forget(&program->binding);
  for (GLuint& buffer : program->binding.uniformBuffers) {
    if (!buffer) continue;
    device->cache().ForgetBuffer(buffer);
    glDeleteBuffers(1, &buffer);
    buffer = 0;
  }
  if (program->binding.program) {
    device->cache().ForgetProgram(program->binding.program);
    glDeleteProgram(program->binding.program);
    program->binding.program = 0;
  }
}
