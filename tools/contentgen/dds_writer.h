// Uncompressed DDS encoding: a 2-D luminance texture with its mip chain, and an ARGB cube map.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image.h"

namespace contentgen {

// levels[0] is the full-size image, each next one half the size, down to 1x1.
std::vector<uint8_t> EncodeLuminanceDds(const std::vector<GrayImage>& levels);

// Up to four grey images of one size with their mip chains, in the red, green, blue and alpha
// channels of an A8R8G8B8 texture (a channel with no image is white).
std::vector<uint8_t> EncodePackedDds(const std::vector<const std::vector<GrayImage>*>& channels);

// faces in the order +X, -X, +Y, -Y, +Z, -Z; each with its full mip chain down to 1x1.
std::vector<uint8_t> EncodeCubeDds(const std::array<std::vector<ColorImage>, 6>& faces);

}  // namespace contentgen
