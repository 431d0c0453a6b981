// The processor side of the overlay font: faces found through fontconfig and rendered with
// FreeType into one 8-bit coverage atlas, per-glyph metrics, and the layout of a UTF-8 string
// into pixel quads. Nothing here touches GL; the GL font uploads `pixels()` when `revision()`
// changes. Glyphs are added the first time they are laid out; the printable ASCII characters and
// the Hangul of the overlay are added at creation, so drawing the overlay adds none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct GlyphMetrics {
  uint16_t x = 0, y = 0, width = 0, height = 0;  // the glyph's coverage in the atlas, in texels
  int16_t left = 0;                              // from the pen position to the bitmap's left edge
  int16_t top = 0;                               // from the baseline up to the bitmap's top edge
  int16_t advance = 0;                           // pen movement in pixels
  uint8_t face = 0;  // index of the face that drew it (0 the requested face, 1 the Hangul face)
};

// One glyph placed on the screen: pixel rectangle (y down, right and bottom exclusive) and the
// matching atlas texel rectangle.
struct GlyphQuad {
  int x0, y0, x1, y1;
  uint16_t atlasX, atlasY;
};

struct GlyphAtlasOptions {
  std::string family = "Arial";
  int height = 20;  // > 0: cell height in pixels (ascender + descender); < 0: em height; 0: 16
  bool bold = false;
  bool italic = false;
};

class GlyphAtlas {
 public:
  // False with `error` when FreeType, fontconfig or the faces cannot be set up.
  static bool Create(const GlyphAtlasOptions& options, std::unique_ptr<GlyphAtlas>* out, std::string* error);
  ~GlyphAtlas();
  GlyphAtlas(const GlyphAtlas&) = delete;
  GlyphAtlas& operator=(const GlyphAtlas&) = delete;

  // Replaces `quads` with the glyphs of `utf8` laid out from the top-left corner (left, top), one
  // line per '\n'; returns the number of lines. Invalid UTF-8 draws U+FFFD.
  int Layout(std::string_view utf8, int left, int top, std::vector<GlyphQuad>* quads);

  // The metrics of one code point, rendering it into the atlas if it is new.
  const GlyphMetrics& Glyph(char32_t codePoint);

  const uint8_t* pixels() const { return pixels_.data(); }
  int width() const { return width_; }
  int height() const { return height_; }
  uint64_t revision() const { return revision_; }
  int lineHeight() const { return lineHeight_; }
  int ascender() const { return ascender_; }
  // The family name of face 0 or 1 as the font file gives it.
  std::string FaceFamily(int face) const;

 private:
  struct Faces;
  GlyphAtlas();
  bool Place(int width, int height, uint16_t* x, uint16_t* y);

  std::unique_ptr<Faces> faces_;
  std::unordered_map<char32_t, GlyphMetrics> glyphs_;
  std::vector<uint8_t> pixels_;
  int width_ = 512, height_ = 128;
  int shelfX_ = 1, shelfY_ = 1, shelfHeight_ = 0;
  uint64_t revision_ = 0;
  int lineHeight_ = 0, ascender_ = 0;
};
