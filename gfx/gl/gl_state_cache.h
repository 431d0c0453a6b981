// The GL state the backend last set, so that redundant binds and state changes are skipped. Every
// GL state change of the backend, the font's included, goes through here; code that changes GL
// state behind its back (an effect's program link) calls Invalidate afterwards.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

inline constexpr int kGlTextureUnits = 16;
// Uniform buffer binding points: one per shader stage (vertex, pixel).
inline constexpr int kGlUniformBufferBindings = 2;

class GlStateCache {
 public:
  GlStateCache();
  // Forgets everything: the next request of each state reaches GL.
  void Invalidate();

  void UseProgram(GLuint program);
  void BindVertexArray(GLuint vertexArray);
  void BindArrayBuffer(GLuint buffer);
  void BindElementBuffer(GLuint buffer);
  void BindUniformBuffer(GLuint binding, GLuint buffer);
  void BindTexture(int unit, GLenum target, GLuint texture);
  void BindSampler(int unit, GLuint sampler);

  // GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_SCISSOR_TEST or GL_STENCIL_TEST; false, with nothing
  // set, for any other capability.
  bool SetCapability(GLenum capability, bool enabled);
  void DepthMask(bool write);
  void ColorMaskAll();
  void StencilMaskAll();
  void CullFace(GLenum face);
  void PolygonMode(GLenum mode);
  void BlendFunc(GLenum source, GLenum destination);
  void Viewport(GLint x, GLint y, GLsizei width, GLsizei height);
  void DepthRange(float nearZ, float farZ);
  void Scissor(GLint x, GLint y, GLsizei width, GLsizei height);

  // Deleting a GL object unbinds it; these keep the cache in step.
  void ForgetBuffer(GLuint buffer);
  void ForgetTexture(GLuint texture);
  void ForgetProgram(GLuint program);

 private:
  void ActiveTexture(int unit);
  static int CapabilityIndex(GLenum capability);

  static constexpr uint32_t kUnknown = 0xFFFFFFFFu;
  uint32_t program_ = kUnknown;
  uint32_t vertexArray_ = kUnknown;
  uint32_t arrayBuffer_ = kUnknown;
  uint32_t elementBuffer_ = kUnknown;
  uint32_t uniformBuffers_[kGlUniformBufferBindings] = {kUnknown, kUnknown};
  int activeUnit_ = -1;
  uint32_t texture2D_[kGlTextureUnits];
  uint32_t textureCube_[kGlTextureUnits];
  uint32_t samplers_[kGlTextureUnits];
  static constexpr int kCapabilities = 5;
  int capabilities_[kCapabilities] = {-1, -1, -1, -1, -1};
  int depthMask_ = -1;
  bool colorMaskAll_ = false;
  bool stencilMaskAll_ = false;
  uint32_t cullFace_ = kUnknown;
  uint32_t polygonMode_ = kUnknown;
  uint32_t blendSource_ = kUnknown, blendDestination_ = kUnknown;
  GLint viewport_[4] = {-1, -1, -1, -1};
  float depthRange_[2] = {-1.0f, -1.0f};
  GLint scissor_[4] = {-1, -1, -1, -1};
};
