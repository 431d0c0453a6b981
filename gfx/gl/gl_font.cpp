// The GL overlay font; see gl_font.h.
#include "gfx/gl/gl_font.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/cp949.h"
#include "gfx/gl/gl_program.h"
#include "gfx/gl/gl_state_cache.h"
#include "gfx/gl/glyph_atlas.h"
#include "gfx/ref_counted.h"

namespace {

constexpr char kVertexShader[] = R"(#version 330 core
layout(location = 0) in vec4 vertex;  // pixel x, y (y down); atlas texel x, y
uniform vec3 toClip;                  // 2 / width, 2 / height, +1 or -1 for the row order
uniform vec2 atlasScale;              // 1 / atlas width, 1 / atlas height
out vec2 uv;
void main() {
  uv = vertex.zw * atlasScale;
  vec2 p = vertex.xy * toClip.xy - 1.0;
  gl_Position = vec4(p.x, p.y * toClip.z, 0.0, 1.0);
}
)";

constexpr char kFragmentShader[] = R"(#version 330 core
in vec2 uv;
uniform sampler2D atlas;
uniform vec4 color;
out vec4 fragColor;
void main() { fragColor = vec4(color.rgb, color.a * texture(atlas, uv).r); }
)";

// Where a line is drawn: the viewport (x, y, width, height in GL window coordinates) and the
// scissor box already in force, if any.
struct FontTarget {
  GLint viewport[4];
  bool scissor;
  GLint scissorBox[4];
};

// Everything DrawTextA changes when it draws with no device, as it was before.
struct SavedGlState {
  GLint program, vertexArray, arrayBuffer, activeTexture, texture, sampler, unpackBuffer;
  GLint unpackAlignment, unpackRowLength;
  GLint blendSourceRgb, blendDestinationRgb, blendSourceAlpha, blendDestinationAlpha;
  GLint blendEquationRgb, blendEquationAlpha;
  GLboolean blend, depthTest, depthMask, cullFace, scissorTest, stencilTest;
  GLboolean colorMask[4];
  GLint polygonMode[2];
  GLint scissorBox[4];

  void Save() {
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
    // The font draws with unit 0; it stays the active unit until Restore.
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpackRowLength);
    glGetIntegerv(GL_BLEND_SRC_RGB, &blendSourceRgb);
    glGetIntegerv(GL_BLEND_DST_RGB, &blendDestinationRgb);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &blendSourceAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &blendDestinationAlpha);
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &blendEquationRgb);
    glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &blendEquationAlpha);
    blend = glIsEnabled(GL_BLEND);
    depthTest = glIsEnabled(GL_DEPTH_TEST);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    cullFace = glIsEnabled(GL_CULL_FACE);
    scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    stencilTest = glIsEnabled(GL_STENCIL_TEST);
    glGetBooleanv(GL_COLOR_WRITEMASK, colorMask);
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
  }

  static void Enable(GLenum capability, GLboolean on) { on ? glEnable(capability) : glDisable(capability); }

  void Restore() const {
    glUseProgram(static_cast<GLuint>(program));
    glBindVertexArray(static_cast<GLuint>(vertexArray));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glBindSampler(0, static_cast<GLuint>(sampler));
    glActiveTexture(static_cast<GLenum>(activeTexture));
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer));
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpackRowLength);
    glBlendFuncSeparate(static_cast<GLenum>(blendSourceRgb), static_cast<GLenum>(blendDestinationRgb),
                        static_cast<GLenum>(blendSourceAlpha), static_cast<GLenum>(blendDestinationAlpha));
    glBlendEquationSeparate(static_cast<GLenum>(blendEquationRgb), static_cast<GLenum>(blendEquationAlpha));
    Enable(GL_BLEND, blend);
    Enable(GL_DEPTH_TEST, depthTest);
    glDepthMask(depthMask);
    Enable(GL_CULL_FACE, cullFace);
    Enable(GL_SCISSOR_TEST, scissorTest);
    Enable(GL_STENCIL_TEST, stencilTest);
    glColorMask(colorMask[0], colorMask[1], colorMask[2], colorMask[3]);
    // Core profiles keep one polygon mode for both faces.
    glPolygonMode(GL_FRONT_AND_BACK, static_cast<GLenum>(polygonMode[0]));
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
  }
};

class GlFont final : public RefCounted<ID3DXFont> {
 public:
  GlFont(std::unique_ptr<GlyphAtlas> atlas, GlFontRows rows) : atlas_(std::move(atlas)), rows_(rows) {}
  bool CreateGlObjects();
  // With no device: reads the GL state it changes and puts it back.
  INT DrawTextA(void* sprite, LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) override;
  // Through a device's cache, on its viewport.
  INT DrawTextThroughCache(GlStateCache& cache, const D3DVIEWPORT9& viewport, LPCSTR text, INT count,
                           RECT* rect, D3DCOLOR color);

 private:
  ~GlFont() override;
  // Lays the text out into quads_; the number of lines.
  int Layout(LPCSTR text, INT count, const RECT& rect);
  void UploadAtlas();
  void Draw(const RECT& rect, D3DCOLOR color, const FontTarget& target, GlStateCache* cache);

  std::unique_ptr<GlyphAtlas> atlas_;
  GlFontRows rows_;
  Cp949Decoder decoder_;
  std::string utf8_;
  std::vector<GlyphQuad> quads_;
  std::vector<float> vertices_;
  GLuint program_ = 0, vertexArray_ = 0, vertexBuffer_ = 0, texture_ = 0;
  GLint toClip_ = -1, atlasScale_ = -1, color_ = -1, sampler_ = -1;
  GLsizeiptr bufferBytes_ = 0;
  uint64_t uploadedRevision_ = ~uint64_t{0};
  int uploadedHeight_ = 0;
};

GlFont::~GlFont() {
  if (texture_) glDeleteTextures(1, &texture_);
  if (vertexBuffer_) glDeleteBuffers(1, &vertexBuffer_);
  if (vertexArray_) glDeleteVertexArrays(1, &vertexArray_);
  if (program_) glDeleteProgram(program_);
  texture_ = vertexBuffer_ = vertexArray_ = program_ = 0;
}

bool GlFont::CreateGlObjects() {
  std::string error;
  program_ = LinkGlslProgram(kVertexShader, kFragmentShader, &error);
  if (!program_) {
    std::fprintf(stderr, "hatching: the overlay font's shaders: %s\n", error.c_str());
    return false;
  }
  toClip_ = glGetUniformLocation(program_, "toClip");
  atlasScale_ = glGetUniformLocation(program_, "atlasScale");
  color_ = glGetUniformLocation(program_, "color");
  sampler_ = glGetUniformLocation(program_, "atlas");
  SavedGlState saved;
  saved.Save();
  glGenVertexArrays(1, &vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  glGenTextures(1, &texture_);
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  UploadAtlas();
  saved.Restore();
  return true;
}

// Called with the atlas texture bound to unit 0; sends the atlas again only when glyphs were added.
void GlFont::UploadAtlas() {
  if (uploadedRevision_ == atlas_->revision()) return;
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  if (uploadedHeight_ != atlas_->height())
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, atlas_->width(), atlas_->height(), 0, GL_RED, GL_UNSIGNED_BYTE,
                 atlas_->pixels());
  else
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, atlas_->width(), atlas_->height(), GL_RED, GL_UNSIGNED_BYTE,
                    atlas_->pixels());
  uploadedHeight_ = atlas_->height();
  uploadedRevision_ = atlas_->revision();
}

int GlFont::Layout(LPCSTR text, INT count, const RECT& rect) {
  // A count longer than the string stops at its terminating zero, as -1 does.
  const size_t length = count < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(count));
  decoder_.Convert(text, length, &utf8_);
  return atlas_->Layout(utf8_, rect.left, rect.top, &quads_);
}

INT GlFont::DrawTextA(void*, LPCSTR text, INT count, RECT* rect, DWORD, D3DCOLOR color) {
  if (!text || !rect) return 0;
  const int lines = Layout(text, count, *rect);
  if (!quads_.empty() && rect->right > rect->left && rect->bottom > rect->top) {
    SavedGlState saved;
    saved.Save();
    FontTarget target{};
    glGetIntegerv(GL_VIEWPORT, target.viewport);
    target.scissor = saved.scissorTest;
    std::copy(saved.scissorBox, saved.scissorBox + 4, target.scissorBox);
    Draw(*rect, color, target, nullptr);
    saved.Restore();
  }
  return lines * atlas_->lineHeight();
}

INT GlFont::DrawTextThroughCache(GlStateCache& cache, const D3DVIEWPORT9& viewport, LPCSTR text, INT count,
                                 RECT* rect, D3DCOLOR color) {
  if (!text || !rect) return 0;
  const int lines = Layout(text, count, *rect);
  if (!quads_.empty() && rect->right > rect->left && rect->bottom > rect->top) {
    const FontTarget target{{static_cast<GLint>(viewport.X), static_cast<GLint>(viewport.Y),
                             static_cast<GLint>(viewport.Width), static_cast<GLint>(viewport.Height)},
                            false,
                            {0, 0, 0, 0}};
    Draw(*rect, color, target, &cache);
  }
  return lines * atlas_->lineHeight();
}

void GlFont::Draw(const RECT& rect, D3DCOLOR color, const FontTarget& target, GlStateCache* cache) {
  vertices_.clear();
  for (const GlyphQuad& q : quads_) {
    const float x0 = static_cast<float>(q.x0), y0 = static_cast<float>(q.y0);
    const float x1 = static_cast<float>(q.x1), y1 = static_cast<float>(q.y1);
    const float u0 = q.atlasX, v0 = q.atlasY;
    const float u1 = u0 + static_cast<float>(q.x1 - q.x0), v1 = v0 + static_cast<float>(q.y1 - q.y0);
    const float corners[6][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x0, y1, u0, v1},
                                 {x1, y0, u1, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}};
    for (const auto& corner : corners) vertices_.insert(vertices_.end(), corner, corner + 4);
  }

  const GLint* viewport = target.viewport;
  if (viewport[2] <= 0 || viewport[3] <= 0) return;

  // The rectangle in window coordinates, cut by any scissor box already in force.
  const bool topFirst = rows_ == GlFontRows::kTopRowFirst;
  GLint left = viewport[0] + rect.left, right = viewport[0] + rect.right;
  GLint bottom = topFirst ? viewport[1] + rect.top : viewport[1] + viewport[3] - rect.bottom;
  GLint top = topFirst ? viewport[1] + rect.bottom : viewport[1] + viewport[3] - rect.top;
  if (target.scissor) {
    left = std::max(left, target.scissorBox[0]);
    bottom = std::max(bottom, target.scissorBox[1]);
    right = std::min(right, target.scissorBox[0] + target.scissorBox[2]);
    top = std::min(top, target.scissorBox[1] + target.scissorBox[3]);
  }
  if (right <= left || top <= bottom) return;

  if (cache) {
    cache->UseProgram(program_);
    cache->BindVertexArray(vertexArray_);
    cache->BindArrayBuffer(vertexBuffer_);
    cache->BindTexture(0, GL_TEXTURE_2D, texture_);
    cache->BindSampler(0, 0);
    cache->ActiveTexture(0);
  } else {
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glBindSampler(0, 0);
  }
  UploadAtlas();
  const auto bytes = static_cast<GLsizeiptr>(vertices_.size() * sizeof(float));
  if (bytes > bufferBytes_) {
    bufferBytes_ = std::max<GLsizeiptr>(bytes, 4096);
    glBufferData(GL_ARRAY_BUFFER, bufferBytes_, nullptr, GL_STREAM_DRAW);
  }
  glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, vertices_.data());

  glUniform3f(toClip_, 2.0f / static_cast<float>(viewport[2]), 2.0f / static_cast<float>(viewport[3]),
              topFirst ? 1.0f : -1.0f);
  glUniform2f(atlasScale_, 1.0f / static_cast<float>(atlas_->width()),
              1.0f / static_cast<float>(atlas_->height()));
  glUniform4f(color_, static_cast<float>((color >> 16) & 0xFF) / 255.0f,
              static_cast<float>((color >> 8) & 0xFF) / 255.0f, static_cast<float>(color & 0xFF) / 255.0f,
              static_cast<float>(color >> 24) / 255.0f);
  glUniform1i(sampler_, 0);

  // The blend equation is nobody else's state: the device leaves it at GL's default.
  glBlendEquationSeparate(GL_FUNC_ADD, GL_FUNC_ADD);
  if (cache) {
    cache->Viewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    cache->SetCapability(GL_BLEND, true);
    cache->BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    cache->SetCapability(GL_DEPTH_TEST, false);
    cache->DepthMask(false);
    cache->SetCapability(GL_CULL_FACE, false);
    cache->SetCapability(GL_STENCIL_TEST, false);
    cache->ColorMaskAll();
    cache->PolygonMode(GL_FILL);
    cache->SetCapability(GL_SCISSOR_TEST, true);
    cache->Scissor(left, bottom, right - left, top - bottom);
  } else {
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_STENCIL_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, bottom, right - left, top - bottom);
  }
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices_.size() / 4));
}

}  // namespace

HRESULT CreateGlFont(const D3DXFONT_DESCA& desc, ID3DXFont** font, GlFontRows rows) {
  if (!font) return D3DERR_INVALIDCALL;
  *font = nullptr;
  GlyphAtlasOptions options;
  options.family = std::string(desc.FaceName, strnlen(desc.FaceName, sizeof desc.FaceName));
  options.height = desc.Height;
  options.bold = desc.Weight >= 600;
  options.italic = desc.Italic != 0;
  std::unique_ptr<GlyphAtlas> atlas;
  std::string error;
  if (!GlyphAtlas::Create(options, &atlas, &error)) return E_FAIL;
  auto* created = new GlFont(std::move(atlas), rows);
  if (!created->CreateGlObjects()) {
    created->Release();
    return E_FAIL;
  }
  *font = created;
  return S_OK;
}

INT DrawGlFontText(ID3DXFont* font, GlStateCache& cache, const D3DVIEWPORT9& viewport, LPCSTR text, INT count,
                   RECT* rect, D3DCOLOR color) {
  return static_cast<GlFont*>(font)->DrawTextThroughCache(cache, viewport, text, count, rect, color);
}
