// Decoding of the ordinary picture formats (BMP, TGA, PNG, JPG) through stb_image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gfx/texture_image.h"

// Decodes one picture into `level` (RGBA8, top row first). Other formats, pictures larger than
// 16384 pixels on a side or 256 MiB of RGBA are refused with "<name>: <what>" in `error`.
bool DecodeStbImage(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level,
                    std::string* error);
