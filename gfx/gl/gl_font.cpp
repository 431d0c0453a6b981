// The GL overlay font; see gl_font.h.
#include "gfx/gl/gl_font.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <climits>
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
layout(location = 1) in vec4 color;  // the line's colour, straight alpha
uniform vec3 toClip;                  // 2 / width, 2 / height, +1 or -1 for the row order
uniform vec2 atlasScale;              // 1 / atlas width, 1 / atlas height
out vec2 uv;
out vec4 lineColor;
void main() {
  uv = vertex.zw * atlasScale;
  lineColor = color;
  vec2 p = vertex.xy * toClip.xy - 1.0;
  gl_Position = vec4(p.x, p.y * toClip.z, 0.0, 1.0);
}
)";

constexpr char kFragmentShader[] = R"(#version 330 core
in vec2 uv;
in vec4 lineColor;
uniform sampler2D atlas;
out vec4 fragColor;
void main() { fragColor = vec4(lineColor.rgb, lineColor.a * texture(atlas, uv).r); }
)";

// A queued corner: pixel x, y and atlas texel x, y, then the line's colour.
constexpr int kVertexFloats = 8;
constexpr GLsizei kVertexBytes = kVertexFloats * sizeof(float);

// A rectangle in the layout's pixels (y down from the viewport's top, right and bottom exclusive).
struct PixelBox {
  int left, top, right, bottom;
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
  // With no device: draws at once, reading the GL state it changes and putting it back.
  INT DrawTextA(void* sprite, LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) override;
  // Lays the text out and adds its glyphs, cut to `clip`, to the queue; the text's height.
  INT Queue(LPCSTR text, INT count, const RECT* rect, D3DCOLOR color, const PixelBox& clip);
  bool HasQueued() const { return !vertices_.empty(); }
  // Draws the queue in one call on `viewport` (x, y, width, height in GL window coordinates) and
  // empties it; through `cache` when there is one.
  void DrawQueued(const GLint viewport[4], GlStateCache* cache);

 private:
  ~GlFont() override;
  void UploadAtlas();

  std::unique_ptr<GlyphAtlas> atlas_;
  GlFontRows rows_;
  Cp949Decoder decoder_;
  std::string utf8_;
  std::vector<GlyphQuad> quads_;
  std::vector<float> vertices_;  // kVertexFloats per corner, six corners per glyph
  GLuint program_ = 0, vertexArray_ = 0, vertexBuffer_ = 0, texture_ = 0;
  GLint toClip_ = -1, atlasScale_ = -1, sampler_ = -1;
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
  sampler_ = glGetUniformLocation(program_, "atlas");
  SavedGlState saved;
  saved.Save();
  glGenVertexArrays(1, &vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  glGenTextures(1, &texture_);
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, kVertexBytes, nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, kVertexBytes,
                        reinterpret_cast<const void*>(4 * sizeof(float)));
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

INT GlFont::Queue(LPCSTR text, INT count, const RECT* rect, D3DCOLOR color, const PixelBox& clip) {
  if (!text || !rect) return 0;
  // A count longer than the string stops at its terminating zero, as -1 does.
  const size_t length = count < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(count));
  decoder_.Convert(text, length, &utf8_);
  const int lines = atlas_->Layout(utf8_, rect->left, rect->top, &quads_);
  // Each line is clipped to its own rectangle here rather than by a scissor box, so that lines
  // with different rectangles share one draw. Glyph quads sit on whole pixels with one atlas
  // texel a pixel, so cutting a quad and its texels together covers exactly the pixels a scissor
  // would have kept.
  const int left = std::max<int>(rect->left, clip.left), top = std::max<int>(rect->top, clip.top);
  const int right = std::min<int>(rect->right, clip.right), bottom = std::min<int>(rect->bottom, clip.bottom);
  const float red = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
  const float green = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
  const float blue = static_cast<float>(color & 0xFF) / 255.0f,
              alpha = static_cast<float>(color >> 24) / 255.0f;
  for (const GlyphQuad& q : quads_) {
    const int x0 = std::max(q.x0, left), y0 = std::max(q.y0, top);
    const int x1 = std::min(q.x1, right), y1 = std::min(q.y1, bottom);
    if (x1 <= x0 || y1 <= y0) continue;
    const float u0 = static_cast<float>(q.atlasX + (x0 - q.x0)),
                v0 = static_cast<float>(q.atlasY + (y0 - q.y0));
    const float u1 = u0 + static_cast<float>(x1 - x0), v1 = v0 + static_cast<float>(y1 - y0);
    const float px0 = static_cast<float>(x0), py0 = static_cast<float>(y0);
    const float px1 = static_cast<float>(x1), py1 = static_cast<float>(y1);
    const float corners[6][kVertexFloats] = {
        {px0, py0, u0, v0, red, green, blue, alpha}, {px1, py0, u1, v0, red, green, blue, alpha},
        {px0, py1, u0, v1, red, green, blue, alpha}, {px1, py0, u1, v0, red, green, blue, alpha},
        {px1, py1, u1, v1, red, green, blue, alpha}, {px0, py1, u0, v1, red, green, blue, alpha}};
    for (const auto& corner : corners) vertices_.insert(vertices_.end(), corner, corner + kVertexFloats);
  }
  return lines * atlas_->lineHeight();
}

INT GlFont::DrawTextA(void*, LPCSTR text, INT count, RECT* rect, DWORD, D3DCOLOR color) {
  if (!text || !rect) return 0;
  SavedGlState saved;
  saved.Save();
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  // A scissor box already in force cuts the text too; it is given in window coordinates.
  PixelBox clip{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  if (saved.scissorTest) {
    const GLint* box = saved.scissorBox;
    clip.left = box[0] - viewport[0];
    clip.right = box[0] + box[2] - viewport[0];
    if (rows_ == GlFontRows::kTopRowFirst) {
      clip.top = box[1] - viewport[1];
      clip.bottom = box[1] + box[3] - viewport[1];
    } else {
      clip.top = viewport[1] + viewport[3] - (box[1] + box[3]);
      clip.bottom = viewport[1] + viewport[3] - box[1];
    }
  }
  const INT height = Queue(text, count, rect, color, clip);
  DrawQueued(viewport, nullptr);
  saved.Restore();
  return height;
}

void GlFont::DrawQueued(const GLint viewport[4], GlStateCache* cache) {
  if (vertices_.empty()) return;
  if (viewport[2] <= 0 || viewport[3] <= 0) {
    vertices_.clear();
    return;
  }
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
    bufferBytes_ = std::max<GLsizeiptr>(bytes, 16384);
    glBufferData(GL_ARRAY_BUFFER, bufferBytes_, nullptr, GL_STREAM_DRAW);
  }
  glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, vertices_.data());

  const bool topFirst = rows_ == GlFontRows::kTopRowFirst;
  glUniform3f(toClip_, 2.0f / static_cast<float>(viewport[2]), 2.0f / static_cast<float>(viewport[3]),
              topFirst ? 1.0f : -1.0f);
  glUniform2f(atlasScale_, 1.0f / static_cast<float>(atlas_->width()),
              1.0f / static_cast<float>(atlas_->height()));
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
    cache->SetCapability(GL_SCISSOR_TEST, false);
  } else {
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_STENCIL_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_SCISSOR_TEST);
  }
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices_.size() / kVertexFloats));
  vertices_.clear();
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

INT QueueGlFontText(ID3DXFont* font, LPCSTR text, INT count, const RECT* rect, D3DCOLOR color) {
  return static_cast<GlFont*>(font)->Queue(text, count, rect, color,
                                           PixelBox{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
}

bool DrawQueuedGlFontText(ID3DXFont* font, GlStateCache& cache, const D3DVIEWPORT9& viewport) {
  auto* glFont = static_cast<GlFont*>(font);
  if (!glFont->HasQueued()) return false;
  const GLint box[4] = {static_cast<GLint>(viewport.X), static_cast<GLint>(viewport.Y),
                        static_cast<GLint>(viewport.Width), static_cast<GLint>(viewport.Height)};
  glFont->DrawQueued(box, &cache);
  return true;
}
