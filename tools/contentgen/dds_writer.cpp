// DDS container writing: "DDS " magic, the 124-byte header, then the pixel data level by level
// (and, for a cube map, face by face with each face's full chain).
#include "dds_writer.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "file_output.h"

namespace contentgen {
namespace {

constexpr uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPitch = 0x8, kPixelFormat = 0x1000,
                   kMipMapCount = 0x20000;
constexpr uint32_t kPfAlphaPixels = 0x1, kPfRgb = 0x40, kPfLuminance = 0x20000;
constexpr uint32_t kCapsComplex = 0x8, kCapsTexture = 0x1000, kCapsMipMap = 0x400000;
constexpr uint32_t kCaps2CubeAllFaces = 0x200 | 0x400 | 0x800 | 0x1000 | 0x2000 | 0x4000 | 0x8000;

struct PixelFormat {
  uint32_t flags, bit_count, r_mask, g_mask, b_mask, a_mask;
};

void WriteHeader(ByteBuffer& out, int width, int height, size_t mip_count, const PixelFormat& pf,
                 uint32_t caps2) {
  out.U32(0x20534444);  // "DDS "
  out.U32(124);
  out.U32(kCaps | kHeight | kWidth | kPitch | kPixelFormat | kMipMapCount);
  out.U32(static_cast<uint32_t>(height));
  out.U32(static_cast<uint32_t>(width));
  out.U32(static_cast<uint32_t>(width) * pf.bit_count / 8);  // row pitch of the top level
  out.U32(0);                                                // depth
  out.U32(static_cast<uint32_t>(mip_count));
  out.Zeros(11 * 4);
  out.U32(32);
  out.U32(pf.flags);
  out.U32(0);  // no FourCC: uncompressed
  out.U32(pf.bit_count);
  out.U32(pf.r_mask);
  out.U32(pf.g_mask);
  out.U32(pf.b_mask);
  out.U32(pf.a_mask);
  out.U32(kCapsTexture | kCapsMipMap | kCapsComplex);
  out.U32(caps2);
  out.Zeros(3 * 4);  // caps3, caps4, reserved
}

void CheckChain(size_t count, int width, int height, auto size_of) {
  for (size_t i = 0; i < count; ++i) {
    const auto [w, h] = size_of(i);
    if (w != std::max(1, width >> i) || h != std::max(1, height >> i))
      throw std::logic_error("DDS mip chain has a level of the wrong size");
  }
  if (std::max(width, height) >> (count - 1) != 1)
    throw std::logic_error("DDS mip chain does not end at 1x1");
}

}  // namespace

std::vector<uint8_t> EncodeLuminanceDds(const std::vector<GrayImage>& levels) {
  CheckChain(levels.size(), levels[0].width, levels[0].height, [&](size_t i) {
    return std::pair{levels[i].width, levels[i].height};
  });
  ByteBuffer out;
  WriteHeader(out, levels[0].width, levels[0].height, levels.size(), {kPfLuminance, 8, 0xFF, 0, 0, 0}, 0);
  for (const GrayImage& level : levels) out.Append(level.pixels);
  return out.bytes();
}

std::vector<uint8_t> EncodePackedDds(const std::vector<const std::vector<GrayImage>*>& channels) {
  const std::vector<GrayImage>& first = *channels.at(0);
  for (const auto* chain : channels)
    CheckChain(chain->size(), first[0].width, first[0].height, [&](size_t i) {
      return std::pair{(*chain)[i].width, (*chain)[i].height};
    });
  ByteBuffer out;
  WriteHeader(out, first[0].width, first[0].height, first.size(),
              {kPfRgb | kPfAlphaPixels, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, 0);
  for (size_t l = 0; l < first.size(); ++l)
    for (size_t p = 0; p < first[l].pixels.size(); ++p) {
      uint8_t rgba[4] = {255, 255, 255, 255};
      for (size_t c = 0; c < channels.size() && c < 4; ++c) rgba[c] = (*channels[c])[l].pixels[p];
      // A8R8G8B8 is stored B, G, R, A in memory.
      out.U8(rgba[2]);
      out.U8(rgba[1]);
      out.U8(rgba[0]);
      out.U8(rgba[3]);
    }
  return out.bytes();
}

std::vector<uint8_t> EncodeCubeDds(const std::array<std::vector<ColorImage>, 6>& faces) {
  const int size = faces[0][0].width;
  ByteBuffer out;
  WriteHeader(out, size, size, faces[0].size(),
              {kPfRgb | kPfAlphaPixels, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
              kCaps2CubeAllFaces);
  for (const auto& chain : faces) {
    CheckChain(chain.size(), size, size, [&](size_t i) {
      return std::pair{chain[i].width, chain[i].height};
    });
    for (const ColorImage& level : chain)
      for (size_t p = 0; p < level.rgba.size(); p += 4) {
        // A8R8G8B8 is stored B, G, R, A in memory.
        out.U8(level.rgba[p + 2]);
        out.U8(level.rgba[p + 1]);
        out.U8(level.rgba[p + 0]);
        out.U8(level.rgba[p + 3]);
      }
  }
  return out.bytes();
}

}  // namespace contentgen
