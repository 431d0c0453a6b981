// DXT block decoding as the platform's reference rasterizer defines it: 5:6:5 end points widened
// by bit replication, DXT1's three-colour mode when colour0 <= colour1, and DXT3/DXT5 colour
// blocks always in four-colour mode.
#include "gfx/dds_blocks.h"

namespace {

struct Rgba {
  uint8_t r, g, b, a;
};

uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

Rgba Expand565(uint16_t c) {
  const uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  return {static_cast<uint8_t>((r << 3) | (r >> 2)), static_cast<uint8_t>((g << 2) | (g >> 4)),
          static_cast<uint8_t>((b << 3) | (b >> 2)), 255};
}

uint8_t Mix(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb) {
  return static_cast<uint8_t>((a * wa + b * wb + (wa + wb) / 2) / (wa + wb));
}

Rgba MixRgb(Rgba a, Rgba b, uint32_t wa, uint32_t wb) {
  return {Mix(a.r, b.r, wa, wb), Mix(a.g, b.g, wa, wb), Mix(a.b, b.b, wa, wb), 255};
}

// The 16 texels of a colour block, row-major within the block.
void DecodeColourBlock(const uint8_t* block, bool allowThreeColour, Rgba out[16]) {
  const uint16_t c0 = ReadU16(block), c1 = ReadU16(block + 2);
  Rgba palette[4];
  palette[0] = Expand565(c0);
  palette[1] = Expand565(c1);
  if (!allowThreeColour || c0 > c1) {
    palette[2] = MixRgb(palette[0], palette[1], 2, 1);
    palette[3] = MixRgb(palette[0], palette[1], 1, 2);
  } else {
    palette[2] = MixRgb(palette[0], palette[1], 1, 1);
    palette[3] = {0, 0, 0, 0};
  }
  const uint32_t indices =
      block[4] | (block[5] << 8) | (block[6] << 16) | (static_cast<uint32_t>(block[7]) << 24);
  for (int i = 0; i < 16; ++i) out[i] = palette[(indices >> (2 * i)) & 3];
}

void DecodeExplicitAlpha(const uint8_t* block, Rgba texels[16]) {
  for (int i = 0; i < 16; ++i) {
    const uint8_t nibble = (block[i / 2] >> ((i & 1) * 4)) & 15;
    texels[i].a = static_cast<uint8_t>(nibble * 17);
  }
}

void DecodeInterpolatedAlpha(const uint8_t* block, Rgba texels[16]) {
  const uint32_t a0 = block[0], a1 = block[1];
  uint8_t palette[8] = {static_cast<uint8_t>(a0), static_cast<uint8_t>(a1)};
  if (a0 > a1) {
    for (uint32_t i = 1; i < 7; ++i) palette[i + 1] = Mix(a0, a1, 7 - i, i);
  } else {
    for (uint32_t i = 1; i < 5; ++i) palette[i + 1] = Mix(a0, a1, 5 - i, i);
    palette[6] = 0;
    palette[7] = 255;
  }
  uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) texels[i].a = palette[(bits >> (3 * i)) & 7];
}

}  // namespace

size_t DdsBlockBytes(DdsBlockFormat format) {
  return format == DdsBlockFormat::kDxt1 ? 8 : 16;
}

void DecodeDdsBlocks(DdsBlockFormat format, const uint8_t* blocks, uint32_t width, uint32_t height,
                     uint8_t* rgba) {
  const uint32_t blocksWide = (width + 3) / 4, blocksHigh = (height + 3) / 4;
  const size_t blockBytes = DdsBlockBytes(format);
  Rgba texels[16];
  for (uint32_t by = 0; by < blocksHigh; ++by) {
    for (uint32_t bx = 0; bx < blocksWide; ++bx) {
      const uint8_t* block = blocks + (static_cast<size_t>(by) * blocksWide + bx) * blockBytes;
      switch (format) {
        case DdsBlockFormat::kDxt1:
          DecodeColourBlock(block, true, texels);
          break;
        case DdsBlockFormat::kDxt3:
          DecodeColourBlock(block + 8, false, texels);
          DecodeExplicitAlpha(block, texels);
          break;
        case DdsBlockFormat::kDxt5:
          DecodeColourBlock(block + 8, false, texels);
          DecodeInterpolatedAlpha(block, texels);
          break;
      }
      for (uint32_t ty = 0; ty < 4 && by * 4 + ty < height; ++ty) {
        for (uint32_t tx = 0; tx < 4 && bx * 4 + tx < width; ++tx) {
          const Rgba& t = texels[ty * 4 + tx];
          uint8_t* p = rgba + ((static_cast<size_t>(by) * 4 + ty) * width + bx * 4 + tx) * 4;
          p[0] = t.r;
          p[1] = t.g;
          p[2] = t.b;
          p[3] = t.a;
        }
      }
    }
  }
}
