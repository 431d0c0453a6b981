// Font matching, glyph rendering and shelf packing for the overlay font; see glyph_atlas.h.
#include "gfx/gl/glyph_atlas.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <cstring>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

namespace {

constexpr int kMaxAtlasHeight = 4096;
constexpr char32_t kReplacement = 0xFFFD;
// Printable ASCII and the Hangul syllables and arrows of the overlay lines.
constexpr char kWarmText[] =
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"
    "광원이동회전마우스버튼↑↓";

struct FaceFile {
  std::string path;
  int index = 0;
  bool embolden = false;
};

bool MatchFace(const char* family, const char* language, bool bold, bool italic, FaceFile* out) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  if (language) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  int index = 0;
  FcBool embolden = FcFalse;
  const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
  if (found) {
    out->path = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out->index = index;
    if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch)
      out->embolden = embolden == FcTrue;
  }
  FcPatternDestroy(match);
  return found;
}

// Decodes one code point and advances `i`; a malformed sequence gives U+FFFD and skips one byte.
char32_t NextCodePoint(std::string_view s, size_t* i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(*i);
  size_t length = 1;
  char32_t cp = lead;
  if (lead >= 0xF0 && lead < 0xF8) {
    length = 4;
    cp = lead & 0x07;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xC0 && lead < 0xE0) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0x80) {
    length = 0;
  }
  bool valid = length > 0 && *i + length <= s.size();
  for (size_t k = 1; valid && k < length; ++k) {
    valid = (byte(*i + k) & 0xC0) == 0x80;
    cp = (cp << 6) | (byte(*i + k) & 0x3F);
  }
  static constexpr char32_t kShortest[5] = {0, 0, 0x80, 0x800, 0x10000};
  valid = valid && cp >= kShortest[length] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
  if (!valid) {
    ++*i;
    return kReplacement;
  }
  *i += length;
  return cp;
}

bool Fail(const std::string& what, std::string* error) {
  if (error) *error = what;
  return false;
}

}  // namespace

struct GlyphAtlas::Faces {
  FT_Library library = nullptr;
  FT_Face face[2] = {nullptr, nullptr};
  bool embolden[2] = {false, false};
  ~Faces() {
    for (FT_Face f : face)
      if (f) FT_Done_Face(f);
    if (library) FT_Done_FreeType(library);
  }
};

GlyphAtlas::GlyphAtlas() : faces_(new Faces) {}
GlyphAtlas::~GlyphAtlas() = default;

bool GlyphAtlas::Create(const GlyphAtlasOptions& options, std::unique_ptr<GlyphAtlas>* out,
                        std::string* error) {
  std::unique_ptr<GlyphAtlas> atlas(new GlyphAtlas);
  Faces& faces = *atlas->faces_;
  if (FT_Init_FreeType(&faces.library) != 0) return Fail("FreeType cannot start", error);
  if (!FcInit()) return Fail("fontconfig cannot start", error);
  const std::string family = options.family.empty() ? "Arial" : options.family;
  FaceFile files[2];
  if (!MatchFace(family.c_str(), nullptr, options.bold, options.italic, &files[0]))
    return Fail("no font matches \"" + family + "\"", error);
  const bool hangul = MatchFace("NanumGothic", "ko", options.bold, false, &files[1]);
  const int height = options.height != 0 ? options.height : 16;
  for (int i = 0; i < (hangul ? 2 : 1); ++i) {
    if (FT_New_Face(faces.library, files[i].path.c_str(), files[i].index, &faces.face[i]) != 0) {
      faces.face[i] = nullptr;
      if (i == 0) return Fail("cannot open font file " + files[i].path, error);
      continue;
    }
    faces.embolden[i] = files[i].embolden;
    // A positive height is the cell (ascender + descender), as the platform's fonts take it.
    FT_Size_RequestRec request = {};
    request.type = height > 0 ? FT_SIZE_REQUEST_TYPE_REAL_DIM : FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.height = static_cast<FT_Long>(height > 0 ? height : -height) * 64;
    if (FT_Request_Size(faces.face[i], &request) != 0 && i == 0)
      return Fail("cannot size font " + files[i].path, error);
  }
  const FT_Size_Metrics& metrics = faces.face[0]->size->metrics;
  atlas->ascender_ = static_cast<int>((FT_MulFix(faces.face[0]->ascender, metrics.y_scale) + 32) >> 6);
  atlas->lineHeight_ = height > 0 ? height : static_cast<int>((metrics.height + 32) >> 6);
  atlas->pixels_.assign(static_cast<size_t>(atlas->width_) * atlas->height_, 0);
  std::vector<GlyphQuad> warm;
  atlas->Layout(kWarmText, 0, 0, &warm);
  *out = std::move(atlas);
  return true;
}

std::string GlyphAtlas::FaceFamily(int face) const {
  if (face < 0 || face > 1 || !faces_->face[face] || !faces_->face[face]->family_name) return "";
  return faces_->face[face]->family_name;
}

bool GlyphAtlas::Place(int width, int height, uint16_t* x, uint16_t* y) {
  if (width + 2 > width_) return false;
  if (shelfX_ + width + 1 > width_) {
    shelfY_ += shelfHeight_ + 1;
    shelfX_ = 1;
    shelfHeight_ = 0;
  }
  while (shelfY_ + height + 1 > height_) {
    if (height_ * 2 > kMaxAtlasHeight) return false;
    // Rows are added below, so the texel positions already handed out stay valid.
    height_ *= 2;
    pixels_.resize(static_cast<size_t>(width_) * height_, 0);
  }
  *x = static_cast<uint16_t>(shelfX_);
  *y = static_cast<uint16_t>(shelfY_);
  shelfX_ += width + 1;
  if (height > shelfHeight_) shelfHeight_ = height;
  return true;
}

const GlyphMetrics& GlyphAtlas::Glyph(char32_t codePoint) {
  const auto found = glyphs_.find(codePoint);
  if (found != glyphs_.end()) return found->second;

  GlyphMetrics metrics;
  int faceIndex = 0;
  FT_UInt index = FT_Get_Char_Index(faces_->face[0], codePoint);
  if (index == 0 && faces_->face[1]) {
    const FT_UInt other = FT_Get_Char_Index(faces_->face[1], codePoint);
    if (other != 0) index = other, faceIndex = 1;
  }
  FT_Face face = faces_->face[faceIndex];
  metrics.face = static_cast<uint8_t>(faceIndex);
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP) == 0) {
    if (faces_->embolden[faceIndex]) FT_GlyphSlot_Embolden(face->glyph);
    FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    metrics.advance = static_cast<int16_t>((slot->advance.x + 32) >> 6);
    const bool gray = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.buffer;
    if (gray && bitmap.width > 0 && bitmap.rows > 0 &&
        Place(static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows), &metrics.x, &metrics.y)) {
      metrics.width = static_cast<uint16_t>(bitmap.width);
      metrics.height = static_cast<uint16_t>(bitmap.rows);
      metrics.left = static_cast<int16_t>(slot->bitmap_left);
      metrics.top = static_cast<int16_t>(slot->bitmap_top);
      const int pitch = bitmap.pitch;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* source =
            pitch >= 0 ? bitmap.buffer + row * pitch : bitmap.buffer + (bitmap.rows - 1 - row) * -pitch;
        std::memcpy(&pixels_[(static_cast<size_t>(metrics.y) + row) * width_ + metrics.x], source,
                    bitmap.width);
      }
      ++revision_;
    }
  }
  return glyphs_.emplace(codePoint, metrics).first->second;
}

int GlyphAtlas::Layout(std::string_view utf8, int left, int top, std::vector<GlyphQuad>* quads) {
  quads->clear();
  int lines = utf8.empty() ? 0 : 1;
  int penX = left, baseline = top + ascender_;
  for (size_t i = 0; i < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, &i);
    if (cp == '\n') {
      penX = left;
      baseline += lineHeight_;
      ++lines;
      continue;
    }
    if (cp == '\r') continue;
    const GlyphMetrics& g = Glyph(cp);
    if (g.width > 0) {
      const int x0 = penX + g.left, y0 = baseline - g.top;
      quads->push_back({x0, y0, x0 + g.width, y0 + g.height, g.x, g.y});
    }
    penX += g.advance;
  }
  return lines;
}
