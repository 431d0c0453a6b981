// Texture file loading: the format dispatch, whole-file reading and mip chain completion.
#include "gfx/texture_image.h"

#include <cstdio>
#include <cstring>

#include "base/platform.h"
#include "gfx/picture_decoders.h"

namespace {

// Generous for the largest DDS the reader accepts in practice; a bound so a device file or a
// runaway size cannot make the loader allocate without limit.
constexpr long kMaxFileBytes = 1L << 30;

bool Fail(const char* name, const std::string& what, std::string* error) {
  if (error) *error = std::string(name ? name : "(texture)") + ": " + what;
  return false;
}

// One level down: each texel is the rounded mean of the 2x2 (or 2x1, 1x2) texels above it.
void BoxFilter(const ImageLevel& src, ImageLevel* dst) {
  dst->width = src.width > 1 ? src.width / 2 : 1;
  dst->height = src.height > 1 ? src.height / 2 : 1;
  dst->rgba.resize(static_cast<size_t>(dst->width) * dst->height * 4);
  const uint32_t dx = src.width > 1 ? 1 : 0, dy = src.height > 1 ? 1 : 0;
  for (uint32_t y = 0; y < dst->height; ++y) {
    const uint8_t* row0 = src.rgba.data() + static_cast<size_t>(2 * y) * src.width * 4;
    const uint8_t* row1 = src.rgba.data() + static_cast<size_t>(2 * y + dy) * src.width * 4;
    uint8_t* out = dst->rgba.data() + static_cast<size_t>(y) * dst->width * 4;
    for (uint32_t x = 0; x < dst->width; ++x) {
      const size_t a = static_cast<size_t>(2 * x) * 4, b = static_cast<size_t>(2 * x + dx) * 4;
      for (int c = 0; c < 4; ++c) {
        const uint32_t sum = row0[a + c] + row0[b + c] + row1[a + c] + row1[b + c];
        out[x * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
      }
    }
  }
}

// The picture formats by their first bytes; TGA, which has none of its own, last.
bool DecodePicture(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level,
                   std::string* error) {
  if (size >= 8 && std::memcmp(bytes, "\x89PNG\r\n\x1a\n", 8) == 0)
    return DecodePng(bytes, size, name, level, error);
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return DecodeJpeg(bytes, size, name, level, error);
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return DecodeBmp(bytes, size, name, level, error);
  if (LooksLikeTga(bytes, size)) return DecodeTga(bytes, size, name, level, error);
  return Fail(name, "not a DDS, BMP, TGA, PNG or JPG picture", error);
}

}  // namespace

void CompleteMipChain(TextureImage* image) {
  if (!image || image->levelCount == 0 || image->levels.empty()) return;
  const ImageLevel& top = image->levels[0];
  uint32_t largest = top.width > top.height ? top.width : top.height, full = 1;
  while (largest > 1) {
    largest >>= 1;
    ++full;
  }
  if (image->levelCount >= full) return;

  const uint32_t faces = image->cube ? 6 : 1, had = image->levelCount;
  std::vector<ImageLevel> levels(static_cast<size_t>(faces) * full);
  for (uint32_t face = 0; face < faces; ++face) {
    for (uint32_t level = 0; level < full; ++level) {
      ImageLevel& target = levels[face * full + level];
      if (level < had)
        target = std::move(image->levels[face * had + level]);
      else
        BoxFilter(levels[face * full + level - 1], &target);
    }
  }
  image->levels = std::move(levels);
  image->levelCount = full;
}

bool DecodeTextureImage(const uint8_t* bytes, size_t size, const char* name, TextureImage* out,
                        std::string* error) {
  if (!bytes || size == 0) return Fail(name, "empty file", error);
  TextureImage image;
  if (size >= 4 && std::memcmp(bytes, "DDS ", 4) == 0) {
    if (!ReadDds(bytes, size, name, &image, error)) return false;
  } else {
    image.levelCount = 1;
    image.levels.resize(1);
    if (!DecodePicture(bytes, size, name, &image.levels[0], error)) return false;
  }
  CompleteMipChain(&image);
  *out = std::move(image);
  return true;
}

bool LoadTextureImage(const char* path, TextureImage* out, std::string* error) {
  const char* name = path ? path : "(null)";
  if (!path || !*path) return Fail(name, "no file name", error);
  FILE* file = OpenFile(path, "rb");
  if (!file) return Fail(name, "cannot open file", error);
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return Fail(name, "cannot read file size", error);
  }
  if (size == 0 || size > kMaxFileBytes) {
    std::fclose(file);
    return Fail(name, size == 0 ? "empty file" : "file larger than 1 GiB", error);
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  const size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  if (read != bytes.size()) return Fail(name, "cannot read file", error);
  return DecodeTextureImage(bytes.data(), bytes.size(), name, out, error);
}
