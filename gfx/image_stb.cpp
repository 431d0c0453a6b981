// The one translation unit that compiles stb_image, restricted to the formats the texture loader
// accepts. Its functions are kept static so that other stb users in the program cannot collide.
#include "gfx/image_stb.h"

#include <climits>
#include <cstring>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

#include "gfx/jpeg_huffman_check.h"

namespace {

constexpr int kMaxDimension = 16384;
constexpr size_t kMaxRgbaBytes = size_t{256} << 20;

bool Fail(const char* name, const std::string& what, std::string* error) {
  if (error) *error = std::string(name ? name : "(texture)") + ": " + what;
  return false;
}

// stb_image reads zeros past the end of a file and decodes a whole picture from them, so a few
// bytes that claim thousands of pixels on a side cost up to 256 MiB and seconds. Every format
// needs some data per pixel: the most pixels one byte of each can describe, with room to spare.
// PNG's deflate stream (at most 1032:1, 1-bit pixels) and JPEG's DC codes (at least one bit per
// 8x8 block) are bounded the same way; BMP keeps 1-bit rows, RLE TGA 128 pixels in 2 bytes.
size_t MostPixelsPerByte(const uint8_t* bytes, size_t size) {
  if (size >= 8 && std::memcmp(bytes, "\x89PNG\r\n\x1a\n", 8) == 0) return 8 * 1032;
  if (bytes[0] == 0xFF) return 1024;
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return 8;
  return 128;
}

}  // namespace

bool DecodeStbImage(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level,
                    std::string* error) {
  if (!bytes || size == 0) return Fail(name, "empty file", error);
  if (size > static_cast<size_t>(INT_MAX)) return Fail(name, "file too large", error);
  const int length = static_cast<int>(size);
  // A JPEG starts with 0xFF; stb reads its Huffman tables already while it only looks at the size.
  if (bytes[0] == 0xFF && !JpegHuffmanCountsFit(bytes, size))
    return Fail(name, "corrupt JPEG: a Huffman table holds more than 256 codes", error);
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels))
    return Fail(name, "not a DDS, BMP, TGA, PNG or JPG picture", error);
  if (width <= 0 || height <= 0) return Fail(name, "zero width or height", error);
  if (width > kMaxDimension || height > kMaxDimension)
    return Fail(name, "width or height larger than 16384", error);
  if (static_cast<size_t>(width) * static_cast<size_t>(height) * 4 > kMaxRgbaBytes)
    return Fail(name, "picture larger than 256 MiB", error);
  if (static_cast<size_t>(width) * static_cast<size_t>(height) / MostPixelsPerByte(bytes, size) > size)
    return Fail(name,
                "file too short for a " + std::to_string(width) + "x" + std::to_string(height) + " picture",
                error);

  stbi_uc* pixels = stbi_load_from_memory(bytes, length, &width, &height, &channels, 4);
  if (!pixels) {
    const char* reason = stbi_failure_reason();
    return Fail(name, std::string("cannot decode picture: ") + (reason ? reason : "unknown error"), error);
  }
  level->width = static_cast<uint32_t>(width);
  level->height = static_cast<uint32_t>(height);
  level->rgba.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
  stbi_image_free(pixels);
  return true;
}
