// Redundant-state filtering for the GL backend.
#include "gfx/gl/gl_state_cache.h"

GlStateCache::GlStateCache() {
  for (int unit = 0; unit < kGlTextureUnits; ++unit) {
    texture2D_[unit] = kUnknown;
    textureCube_[unit] = kUnknown;
    samplers_[unit] = kUnknown;
  }
}

void GlStateCache::Invalidate() {
  *this = GlStateCache();
}

void GlStateCache::UseProgram(GLuint program) {
  if (program_ == program) return;
  program_ = program;
  glUseProgram(program);
}

void GlStateCache::BindVertexArray(GLuint vertexArray) {
  if (vertexArray_ == vertexArray) return;
  vertexArray_ = vertexArray;
  elementBuffer_ = kUnknown;  // the element binding belongs to the vertex array
  glBindVertexArray(vertexArray);
}

void GlStateCache::BindArrayBuffer(GLuint buffer) {
  if (arrayBuffer_ == buffer) return;
  arrayBuffer_ = buffer;
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

void GlStateCache::BindElementBuffer(GLuint buffer) {
  if (elementBuffer_ == buffer) return;
  elementBuffer_ = buffer;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
}

void GlStateCache::BindUniformBuffer(GLuint binding, GLuint buffer) {
  if (binding < kGlUniformBufferBindings && uniformBuffers_[binding] == buffer) return;
  if (binding < kGlUniformBufferBindings) uniformBuffers_[binding] = buffer;
  glBindBufferBase(GL_UNIFORM_BUFFER, binding, buffer);
}

void GlStateCache::ActiveTexture(int unit) {
  if (activeUnit_ == unit) return;
  activeUnit_ = unit;
  glActiveTexture(GL_TEXTURE0 + unit);
}

void GlStateCache::BindTexture(int unit, GLenum target, GLuint texture) {
  if (unit < 0 || unit >= kGlTextureUnits) return;
  uint32_t* slot = target == GL_TEXTURE_CUBE_MAP ? &textureCube_[unit] : &texture2D_[unit];
  if (*slot == texture) return;
  *slot = texture;
  ActiveTexture(unit);
  glBindTexture(target, texture);
}

void GlStateCache::BindSampler(int unit, GLuint sampler) {
  if (unit < 0 || unit >= kGlTextureUnits || samplers_[unit] == sampler) return;
  samplers_[unit] = sampler;
  glBindSampler(unit, sampler);
}

int GlStateCache::CapabilityIndex(GLenum capability) {
  switch (capability) {
    case GL_DEPTH_TEST:
      return 0;
    case GL_CULL_FACE:
      return 1;
    case GL_BLEND:
      return 2;
    case GL_SCISSOR_TEST:
      return 3;
    case GL_STENCIL_TEST:
      return 4;
    default:
      return -1;
  }
}

bool GlStateCache::SetCapability(GLenum capability, bool enabled) {
  const int index = CapabilityIndex(capability);
  if (index < 0) return false;
  int& cached = capabilities_[index];
  if (cached == static_cast<int>(enabled)) return true;
  cached = enabled;
  if (enabled) {
    glEnable(capability);
  } else {
    glDisable(capability);
  }
  return true;
}

void GlStateCache::DepthMask(bool write) {
  if (depthMask_ == static_cast<int>(write)) return;
  depthMask_ = write;
  glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void GlStateCache::ColorMaskAll() {
  if (colorMaskAll_) return;
  colorMaskAll_ = true;
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void GlStateCache::StencilMaskAll() {
  if (stencilMaskAll_) return;
  stencilMaskAll_ = true;
  glStencilMask(0xFFu);
}

void GlStateCache::CullFace(GLenum face) {
  if (cullFace_ == face) return;
  cullFace_ = face;
  glCullFace(face);
}

void GlStateCache::PolygonMode(GLenum mode) {
  if (polygonMode_ == mode) return;
  polygonMode_ = mode;
  glPolygonMode(GL_FRONT_AND_BACK, mode);
}

void GlStateCache::BlendFunc(GLenum source, GLenum destination) {
  if (blendSource_ == source && blendDestination_ == destination) return;
  blendSource_ = source;
  blendDestination_ = destination;
  glBlendFunc(source, destination);
}

void GlStateCache::Viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (viewport_[0] == x && viewport_[1] == y && viewport_[2] == width && viewport_[3] == height) return;
  viewport_[0] = x;
  viewport_[1] = y;
  viewport_[2] = width;
  viewport_[3] = height;
  glViewport(x, y, width, height);
}

void GlStateCache::DepthRange(float nearZ, float farZ) {
  if (depthRange_[0] == nearZ && depthRange_[1] == farZ) return;
  depthRange_[0] = nearZ;
  depthRange_[1] = farZ;
  glDepthRange(nearZ, farZ);
}

void GlStateCache::Scissor(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (scissor_[0] == x && scissor_[1] == y && scissor_[2] == width && scissor_[3] == height) return;
  scissor_[0] = x;
  scissor_[1] = y;
  scissor_[2] = width;
  scissor_[3] = height;
  glScissor(x, y, width, height);
}

void GlStateCache::ForgetBuffer(GLuint buffer) {
  if (arrayBuffer_ == buffer) arrayBuffer_ = 0;
  if (elementBuffer_ == buffer) elementBuffer_ = 0;
  for (uint32_t& bound : uniformBuffers_) {
    if (bound == buffer) bound = 0;
  }
}

void GlStateCache::ForgetTexture(GLuint texture) {
  for (int unit = 0; unit < kGlTextureUnits; ++unit) {
    if (texture2D_[unit] == texture) texture2D_[unit] = 0;
    if (textureCube_[unit] == texture) textureCube_[unit] = 0;
  }
}

void GlStateCache::ForgetProgram(GLuint program) {
  // A deleted program stays in use until another replaces it, so only an unknown state is safe.
  if (program_ == program) program_ = kUnknown;
}
