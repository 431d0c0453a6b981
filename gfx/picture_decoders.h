// Decoders of the picture formats a texture file may hold besides DDS: PNG through libpng, JPEG
// through libjpeg-turbo, BMP and TGA through the project's own strict reader. Each decodes one
// picture into `level` as RGBA8 with rows from the top of the picture down, or refuses with
// "<name>: <what>" in `error`: pictures larger than 16384 pixels on a side or 256 MiB of RGBA,
// files that end before their pixels do, and anything the decoder finds corrupt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gfx/texture_image.h"

constexpr uint64_t kMaxPictureSide = 16384;
constexpr uint64_t kMaxPictureBytes = uint64_t{256} << 20;

inline bool RefusePicture(const char* name, const std::string& what, std::string* error) {
  if (error) *error = std::string(name ? name : "(texture)") + ": " + what;
  return false;
}

// Empty when the texture loader takes a picture of this size, otherwise why it does not.
inline std::string PictureSizeProblem(uint64_t width, uint64_t height) {
  if (width == 0 || height == 0) return "zero width or height";
  if (width > kMaxPictureSide || height > kMaxPictureSide) return "width or height larger than 16384";
  if (width * height * 4 > kMaxPictureBytes) return "picture larger than 256 MiB";
  return {};
}

bool DecodePng(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level, std::string* error);
bool DecodeJpeg(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level, std::string* error);
bool DecodeBmp(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level, std::string* error);
bool DecodeTga(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level, std::string* error);

// Whether the file starts with a header of a TGA variant the reader takes. TGA has no magic
// number, so it is the format of a file that is none of the others and passes this test.
bool LooksLikeTga(const uint8_t* bytes, size_t size);
