// 24-bit uncompressed BMP encoding for the material textures.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace contentgen {

std::vector<uint8_t> EncodeBmp24(const ColorImage& image);

}  // namespace contentgen
