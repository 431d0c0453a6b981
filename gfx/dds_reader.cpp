// The strict DDS reader: every header field that decides how many bytes follow is checked before
// a byte of pixel data is touched, and sizes are added up with overflow checks, so a hostile file
// is refused with a message instead of being read past its end.
#include <cstring>

#include "gfx/dds_blocks.h"
#include "gfx/texture_image.h"

namespace {

constexpr uint32_t kHeaderSize = 124;
constexpr uint32_t kPixelFormatSize = 32;
constexpr size_t kDataOffset = 4 + kHeaderSize;
constexpr uint32_t kMaxDimension = 16384;

constexpr uint32_t kFlagMipMapCount = 0x20000;
constexpr uint32_t kFlagDepth = 0x800000;
constexpr uint32_t kPixelAlphaPixels = 0x1;
constexpr uint32_t kPixelFourCc = 0x4;
constexpr uint32_t kPixelRgb = 0x40;
constexpr uint32_t kPixelLuminance = 0x20000;
constexpr uint32_t kCaps2CubeMap = 0x200;
constexpr uint32_t kCaps2AllFaces = 0xFC00;  // +X, -X, +Y, -Y, +Z, -Z in bit order
constexpr uint32_t kCaps2Volume = 0x200000;

constexpr uint32_t FourCc(char a, char b, char c, char d) {
  return static_cast<uint32_t>(a) | (static_cast<uint32_t>(b) << 8) | (static_cast<uint32_t>(c) << 16) |
         (static_cast<uint32_t>(d) << 24);
}

enum class PixelLayout { kArgb, kXrgb, kLuminance, kDxt1, kDxt3, kDxt5 };

struct Header {
  uint32_t size, flags, height, width, pitch, depth, mipCount;
  uint32_t pfSize, pfFlags, fourCc, bitCount, rMask, gMask, bMask, aMask;
  uint32_t caps, caps2;
};

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

Header ParseHeader(const uint8_t* h) {
  Header r;
  r.size = ReadU32(h + 0);
  r.flags = ReadU32(h + 4);
  r.height = ReadU32(h + 8);
  r.width = ReadU32(h + 12);
  r.pitch = ReadU32(h + 16);
  r.depth = ReadU32(h + 20);
  r.mipCount = ReadU32(h + 24);
  r.pfSize = ReadU32(h + 72);
  r.pfFlags = ReadU32(h + 76);
  r.fourCc = ReadU32(h + 80);
  r.bitCount = ReadU32(h + 84);
  r.rMask = ReadU32(h + 88);
  r.gMask = ReadU32(h + 92);
  r.bMask = ReadU32(h + 96);
  r.aMask = ReadU32(h + 100);
  r.caps = ReadU32(h + 104);
  r.caps2 = ReadU32(h + 108);
  return r;
}

bool Fail(const char* name, const std::string& what, std::string* error) {
  if (error) *error = std::string(name ? name : "(texture)") + ": " + what;
  return false;
}

bool CheckedAdd(size_t a, size_t b, size_t* sum) {
  return !__builtin_add_overflow(a, b, sum);
}
bool CheckedMul(size_t a, size_t b, size_t* product) {
  return !__builtin_mul_overflow(a, b, product);
}

bool FindLayout(const Header& h, PixelLayout* layout, std::string* what) {
  if (h.pfFlags & kPixelFourCc) {
    // Writers may put a plain format number where the four-character code goes.
    switch (h.fourCc) {
      case FourCc('D', 'X', 'T', '1'):
        *layout = PixelLayout::kDxt1;
        return true;
      case FourCc('D', 'X', 'T', '3'):
        *layout = PixelLayout::kDxt3;
        return true;
      case FourCc('D', 'X', 'T', '5'):
        *layout = PixelLayout::kDxt5;
        return true;
      case 21:
        *layout = PixelLayout::kArgb;
        return true;
      case 22:
        *layout = PixelLayout::kXrgb;
        return true;
      case 50:
        *layout = PixelLayout::kLuminance;
        return true;
      default:
        break;
    }
    *what = "unsupported compressed or four-character-code format";
    return false;
  }
  if ((h.pfFlags & kPixelRgb) && h.bitCount == 32 && h.rMask == 0xFF0000 && h.gMask == 0xFF00 &&
      h.bMask == 0xFF) {
    if ((h.pfFlags & kPixelAlphaPixels) && h.aMask == 0xFF000000u) {
      *layout = PixelLayout::kArgb;
      return true;
    }
    if (!(h.pfFlags & kPixelAlphaPixels)) {
      *layout = PixelLayout::kXrgb;
      return true;
    }
  }
  if ((h.pfFlags & kPixelLuminance) && !(h.pfFlags & kPixelAlphaPixels) && h.bitCount == 8 &&
      h.rMask == 0xFF) {
    *layout = PixelLayout::kLuminance;
    return true;
  }
  *what = "unsupported pixel format (A8R8G8B8, X8R8G8B8, L8, DXT1, DXT3 and DXT5 are read)";
  return false;
}

uint32_t LevelExtent(uint32_t size, uint32_t level) {
  return size >> level ? size >> level : 1;
}

bool LevelBytes(PixelLayout layout, uint32_t width, uint32_t height, size_t* bytes) {
  switch (layout) {
    case PixelLayout::kDxt1:
    case PixelLayout::kDxt3:
    case PixelLayout::kDxt5: {
      const size_t block = layout == PixelLayout::kDxt1 ? 8 : 16;
      size_t blocks;
      return CheckedMul((width + size_t{3}) / 4, (height + size_t{3}) / 4, &blocks) &&
             CheckedMul(blocks, block, bytes);
    }
    case PixelLayout::kLuminance:
      return CheckedMul(width, height, bytes);
    case PixelLayout::kArgb:
    case PixelLayout::kXrgb: {
      size_t pixels;
      return CheckedMul(width, height, &pixels) && CheckedMul(pixels, 4, bytes);
    }
  }
  return false;
}

void DecodeLevel(PixelLayout layout, const uint8_t* src, ImageLevel* level) {
  const size_t pixels = static_cast<size_t>(level->width) * level->height;
  uint8_t* dst = level->rgba.data();
  switch (layout) {
    case PixelLayout::kArgb:
    case PixelLayout::kXrgb:
      // Stored little-endian as B, G, R, A.
      for (size_t i = 0; i < pixels; ++i) {
        dst[4 * i + 0] = src[4 * i + 2];
        dst[4 * i + 1] = src[4 * i + 1];
        dst[4 * i + 2] = src[4 * i + 0];
        dst[4 * i + 3] = layout == PixelLayout::kArgb ? src[4 * i + 3] : 255;
      }
      break;
    case PixelLayout::kLuminance:
      for (size_t i = 0; i < pixels; ++i) {
        dst[4 * i + 0] = dst[4 * i + 1] = dst[4 * i + 2] = src[i];
        dst[4 * i + 3] = 255;
      }
      break;
    case PixelLayout::kDxt1:
      DecodeDdsBlocks(DdsBlockFormat::kDxt1, src, level->width, level->height, dst);
      break;
    case PixelLayout::kDxt3:
      DecodeDdsBlocks(DdsBlockFormat::kDxt3, src, level->width, level->height, dst);
      break;
    case PixelLayout::kDxt5:
      DecodeDdsBlocks(DdsBlockFormat::kDxt5, src, level->width, level->height, dst);
      break;
  }
}

uint32_t FullChainLength(uint32_t width, uint32_t height) {
  uint32_t largest = width > height ? width : height, levels = 1;
  while (largest > 1) {
    largest >>= 1;
    ++levels;
  }
  return levels;
}

}  // namespace

bool ReadDds(const uint8_t* bytes, size_t size, const char* name, TextureImage* out, std::string* error) {
  if (!bytes || size < 4 || std::memcmp(bytes, "DDS ", 4) != 0)
    return Fail(name, "not a DDS file (bad magic)", error);
  if (size < kDataOffset) return Fail(name, "file too short for a DDS header", error);
  const Header h = ParseHeader(bytes + 4);
  if (h.size != kHeaderSize) return Fail(name, "header size is not 124", error);
  if (h.pfSize != kPixelFormatSize) return Fail(name, "pixel format size is not 32", error);
  if (h.width == 0 || h.height == 0) return Fail(name, "zero width or height", error);
  if (h.width > kMaxDimension || h.height > kMaxDimension)
    return Fail(name, "width or height larger than 16384", error);
  if ((h.caps2 & kCaps2Volume) || ((h.flags & kFlagDepth) && h.depth > 1))
    return Fail(name, "volume textures are not supported", error);
  if (h.fourCc == FourCc('D', 'X', '1', '0') && (h.pfFlags & kPixelFourCc))
    return Fail(name, "DX10 extended headers are not supported", error);

  const bool cube = (h.caps2 & kCaps2CubeMap) != 0;
  if (cube && (h.caps2 & kCaps2AllFaces) != kCaps2AllFaces)
    return Fail(name, "cube map without all six faces", error);
  if (cube && h.width != h.height) return Fail(name, "cube map faces are not square", error);

  PixelLayout layout;
  std::string what;
  if (!FindLayout(h, &layout, &what)) return Fail(name, what, error);

  const uint32_t fullChain = FullChainLength(h.width, h.height);
  uint32_t levelCount = (h.flags & kFlagMipMapCount) && h.mipCount > 0 ? h.mipCount : 1;
  if (levelCount > fullChain) return Fail(name, "more mip levels than the sizes allow", error);

  const uint32_t faces = cube ? 6 : 1;
  size_t faceBytes = 0;
  for (uint32_t level = 0; level < levelCount; ++level) {
    size_t levelBytes;
    if (!LevelBytes(layout, LevelExtent(h.width, level), LevelExtent(h.height, level), &levelBytes) ||
        !CheckedAdd(faceBytes, levelBytes, &faceBytes))
      return Fail(name, "level sizes overflow", error);
  }
  size_t dataBytes;
  if (!CheckedMul(faceBytes, faces, &dataBytes)) return Fail(name, "level sizes overflow", error);
  if (size - kDataOffset < dataBytes)
    return Fail(name, "file truncated: pixel data shorter than the header says", error);

  TextureImage image;
  image.cube = cube;
  image.levelCount = levelCount;
  image.levels.resize(static_cast<size_t>(faces) * levelCount);
  const uint8_t* src = bytes + kDataOffset;
  for (uint32_t face = 0; face < faces; ++face) {
    for (uint32_t level = 0; level < levelCount; ++level) {
      ImageLevel& target = image.levels[face * levelCount + level];
      target.width = LevelExtent(h.width, level);
      target.height = LevelExtent(h.height, level);
      target.rgba.resize(static_cast<size_t>(target.width) * target.height * 4);
      size_t levelBytes = 0;
      LevelBytes(layout, target.width, target.height, &levelBytes);
      DecodeLevel(layout, src, &target);
      src += levelBytes;
    }
  }
  *out = std::move(image);
  return true;
}
