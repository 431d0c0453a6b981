// The DDS reader: every accepted format decoded texel by texel, cube faces in order, and the
// files it must refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "gfx/texture_image.h"

namespace {

constexpr uint32_t kCaps2CubeAllFaces = 0x200 | 0xFC00;

struct DdsHeader {
  uint32_t headerSize = 124, flags = 0x1 | 0x2 | 0x4 | 0x1000;
  uint32_t width = 1, height = 1, depth = 0, mipCount = 0;
  uint32_t pfSize = 32, pfFlags = 0x40 | 0x1, fourCc = 0, bitCount = 32;
  uint32_t rMask = 0xFF0000, gMask = 0xFF00, bMask = 0xFF, aMask = 0xFF000000u;
  uint32_t caps = 0x1000, caps2 = 0;
};

DdsHeader Argb(uint32_t w, uint32_t h) {
  DdsHeader d;
  d.width = w;
  d.height = h;
  return d;
}
DdsHeader Xrgb(uint32_t w, uint32_t h) {
  DdsHeader d = Argb(w, h);
  d.pfFlags = 0x40;
  d.aMask = 0;
  return d;
}
DdsHeader L8(uint32_t w, uint32_t h) {
  DdsHeader d = Argb(w, h);
  d.pfFlags = 0x20000;
  d.bitCount = 8;
  d.rMask = 0xFF;
  d.gMask = d.bMask = d.aMask = 0;
  return d;
}
DdsHeader Dxt(char n, uint32_t w, uint32_t h) {
  DdsHeader d = Argb(w, h);
  d.pfFlags = 0x4;
  d.fourCc = 'D' | ('X' << 8) | ('T' << 16) | (static_cast<uint32_t>(n) << 24);
  d.bitCount = d.rMask = d.gMask = d.bMask = d.aMask = 0;
  return d;
}
DdsHeader WithMips(DdsHeader d, uint32_t count) {
  d.flags |= 0x20000;
  d.mipCount = count;
  return d;
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> MakeDds(const DdsHeader& d, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> f = {'D', 'D', 'S', ' '};
  for (uint32_t v : {d.headerSize, d.flags, d.height, d.width, 0u, d.depth, d.mipCount}) Put32(&f, v);
  for (int i = 0; i < 11; ++i) Put32(&f, 0);
  for (uint32_t v : {d.pfSize, d.pfFlags, d.fourCc, d.bitCount, d.rMask, d.gMask, d.bMask, d.aMask})
    Put32(&f, v);
  for (uint32_t v : {d.caps, d.caps2, 0u, 0u, 0u}) Put32(&f, v);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

std::vector<uint8_t> Texel(const ImageLevel& level, uint32_t x, uint32_t y) {
  const uint8_t* p = level.rgba.data() + (static_cast<size_t>(y) * level.width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

bool Read(const std::vector<uint8_t>& file, TextureImage* image, std::string* error) {
  return ReadDds(file.data(), file.size(), "t.dds", image, error);
}

TextureImage ReadOk(const std::vector<uint8_t>& file) {
  TextureImage image;
  std::string error;
  EXPECT_TRUE(Read(file, &image, &error)) << error;
  return image;
}

using Rgba = std::vector<uint8_t>;

TEST(DdsUncompressed, A8R8G8B8KeepsRowsTopFirstAndAlpha) {
  // Stored B, G, R, A; the first stored row is the top of the picture (v = 0).
  const TextureImage image =
      ReadOk(MakeDds(Argb(2, 2), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
  ASSERT_EQ(image.levelCount, 1u);
  EXPECT_FALSE(image.cube);
  const ImageLevel& top = image.Level(0, 0);
  EXPECT_EQ(top.width, 2u);
  EXPECT_EQ(top.height, 2u);
  EXPECT_EQ(Texel(top, 0, 0), (Rgba{3, 2, 1, 4}));
  EXPECT_EQ(Texel(top, 1, 0), (Rgba{7, 6, 5, 8}));
  EXPECT_EQ(Texel(top, 0, 1), (Rgba{11, 10, 9, 12}));
  EXPECT_EQ(Texel(top, 1, 1), (Rgba{15, 14, 13, 16}));
}

TEST(DdsUncompressed, X8R8G8B8ForcesOpaqueAlpha) {
  const TextureImage image = ReadOk(MakeDds(Xrgb(1, 1), {0x10, 0x20, 0x30, 0x07}));
  EXPECT_EQ(Texel(image.Level(0, 0), 0, 0), (Rgba{0x30, 0x20, 0x10, 255}));
}

TEST(DdsUncompressed, L8SpreadsLuminanceOverRgb) {
  const TextureImage image = ReadOk(MakeDds(L8(3, 1), {0, 128, 255}));
  const ImageLevel& level = image.Level(0, 0);
  EXPECT_EQ(Texel(level, 0, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(Texel(level, 1, 0), (Rgba{128, 128, 128, 255}));
  EXPECT_EQ(Texel(level, 2, 0), (Rgba{255, 255, 255, 255}));
}

TEST(DdsUncompressed, StoredMipChainIsReadLevelByLevel) {
  std::vector<uint8_t> data(4 * 2 * 4, 0);            // 4x2
  data.insert(data.end(), {1, 1, 1, 1, 2, 2, 2, 2});  // 2x1
  data.insert(data.end(), {9, 8, 7, 6});              // 1x1
  const TextureImage image = ReadOk(MakeDds(WithMips(Argb(4, 2), 3), data));
  ASSERT_EQ(image.levelCount, 3u);
  EXPECT_EQ(image.Level(0, 1).width, 2u);
  EXPECT_EQ(image.Level(0, 1).height, 1u);
  EXPECT_EQ(Texel(image.Level(0, 1), 1, 0), (Rgba{2, 2, 2, 2}));
  EXPECT_EQ(Texel(image.Level(0, 2), 0, 0), (Rgba{7, 8, 9, 6}));
}

TEST(DdsUncompressed, TrailingBytesAreIgnored) {
  const TextureImage image = ReadOk(MakeDds(L8(1, 1), {42, 0xEE, 0xEE}));
  EXPECT_EQ(Texel(image.Level(0, 0), 0, 0), (Rgba{42, 42, 42, 255}));
}

// 5:6:5 red end point, blue end point, and 2-bit indices 0,1,2,3 on the first row.
std::vector<uint8_t> ColourBlock(uint16_t c0, uint16_t c1, uint8_t row0Indices) {
  return {static_cast<uint8_t>(c0),
          static_cast<uint8_t>(c0 >> 8),
          static_cast<uint8_t>(c1),
          static_cast<uint8_t>(c1 >> 8),
          row0Indices,
          0,
          0,
          0};
}

TEST(DdsDxt1, FourColourModeInterpolatesThirds) {
  const TextureImage image = ReadOk(MakeDds(Dxt('1', 4, 4), ColourBlock(0xF800, 0x001F, 0xE4)));
  const ImageLevel& level = image.Level(0, 0);
  EXPECT_EQ(Texel(level, 0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Texel(level, 1, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(Texel(level, 2, 0), (Rgba{170, 0, 85, 255}));
  EXPECT_EQ(Texel(level, 3, 0), (Rgba{85, 0, 170, 255}));
  EXPECT_EQ(Texel(level, 3, 3), (Rgba{255, 0, 0, 255}));  // index 0
}

TEST(DdsDxt1, ThreeColourModeHasTransparentBlack) {
  const TextureImage image = ReadOk(MakeDds(Dxt('1', 4, 4), ColourBlock(0x001F, 0xF800, 0xE4)));
  const ImageLevel& level = image.Level(0, 0);
  EXPECT_EQ(Texel(level, 2, 0), (Rgba{128, 0, 128, 255}));
  EXPECT_EQ(Texel(level, 3, 0), (Rgba{0, 0, 0, 0}));
}

TEST(DdsDxt1, LevelsSmallerThanABlockTakeOneBlock) {
  // 4x4, 2x2 and 1x1: each level still occupies one whole 8-byte block.
  std::vector<uint8_t> data = ColourBlock(0xFFFF, 0, 0);
  const auto green = ColourBlock(0x07E0, 0, 0);
  const auto blue = ColourBlock(0x001F, 0, 0);
  data.insert(data.end(), green.begin(), green.end());
  data.insert(data.end(), blue.begin(), blue.end());
  const TextureImage image = ReadOk(MakeDds(WithMips(Dxt('1', 4, 4), 3), data));
  ASSERT_EQ(image.levelCount, 3u);
  EXPECT_EQ(image.Level(0, 1).rgba.size(), 2u * 2 * 4);
  EXPECT_EQ(Texel(image.Level(0, 1), 1, 1), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(Texel(image.Level(0, 2), 0, 0), (Rgba{0, 0, 255, 255}));
}

TEST(DdsDxt1, OddSizesCropTheEdgeBlocks) {
  // 5x5 needs 2x2 blocks; the texel at (4, 4) comes from the last block's first texel.
  std::vector<uint8_t> data;
  for (uint16_t c : {0xF800, 0x07E0, 0x001F, 0xFFFF}) {
    const auto block = ColourBlock(c, 0, 0);
    data.insert(data.end(), block.begin(), block.end());
  }
  const TextureImage image = ReadOk(MakeDds(Dxt('1', 5, 5), data));
  const ImageLevel& level = image.Level(0, 0);
  EXPECT_EQ(level.rgba.size(), 5u * 5 * 4);
  EXPECT_EQ(Texel(level, 3, 3), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Texel(level, 4, 0), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(Texel(level, 0, 4), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(Texel(level, 4, 4), (Rgba{255, 255, 255, 255}));
}

TEST(DdsDxt3, ExplicitFourBitAlpha) {
  std::vector<uint8_t> data = {0x0F, 0x00, 0, 0, 0, 0, 0, 0x80};  // texel 0 = 15, texel 15 = 8
  const auto colour = ColourBlock(0x001F, 0xF800, 0x00);          // colour0 <= colour1 still four-colour
  data.insert(data.end(), colour.begin(), colour.end());
  const TextureImage image = ReadOk(MakeDds(Dxt('3', 4, 4), data));
  const ImageLevel& level = image.Level(0, 0);
  EXPECT_EQ(Texel(level, 0, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(Texel(level, 1, 0), (Rgba{0, 0, 255, 0}));
  EXPECT_EQ(Texel(level, 3, 3), (Rgba{0, 0, 255, 136}));
}

TEST(DdsDxt5, InterpolatedAlphaInBothModes) {
  // Eight-value mode: alpha0 255, alpha1 0; texel 0 index 0, texel 1 index 1, texel 2 index 2.
  std::vector<uint8_t> data = {255, 0, 0x08 | (2 << 6), 0, 0, 0, 0, 0};
  auto colour = ColourBlock(0xFFFF, 0, 0);
  data.insert(data.end(), colour.begin(), colour.end());
  // Six-value mode: alpha0 0, alpha1 100; texel 0 index 6 (0), texel 1 index 7 (255), texel 2 index 2.
  data.insert(data.end(), {0, 100, 6 | (7 << 3) | (2 << 6), 0, 0, 0, 0, 0});
  data.insert(data.end(), colour.begin(), colour.end());
  const TextureImage image = ReadOk(MakeDds(Dxt('5', 8, 4), data));
  const ImageLevel& level = image.Level(0, 0);
  EXPECT_EQ(Texel(level, 0, 0)[3], 255);
  EXPECT_EQ(Texel(level, 1, 0)[3], 0);
  EXPECT_EQ(Texel(level, 2, 0)[3], 219);  // (6 * 255 + 0) / 7
  EXPECT_EQ(Texel(level, 4, 0)[3], 0);
  EXPECT_EQ(Texel(level, 5, 0)[3], 255);
  EXPECT_EQ(Texel(level, 6, 0)[3], 20);  // (4 * 0 + 1 * 100) / 5
  EXPECT_EQ(Texel(level, 6, 0)[0], 255);
}

TEST(DdsCube, SixFacesInOrderWithTheirMips) {
  std::vector<uint8_t> data;
  for (uint8_t face = 0; face < 6; ++face) {
    for (int i = 0; i < 4; ++i) data.insert(data.end(), {face, 0, 0, 255});  // 2x2
    data.insert(data.end(), {0, static_cast<uint8_t>(face * 10), 0, 255});   // 1x1
  }
  DdsHeader header = WithMips(Argb(2, 2), 2);
  header.caps2 = kCaps2CubeAllFaces;
  const TextureImage image = ReadOk(MakeDds(header, data));
  ASSERT_TRUE(image.cube);
  ASSERT_EQ(image.levelCount, 2u);
  ASSERT_EQ(image.levels.size(), 12u);
  for (uint32_t face = 0; face < 6; ++face) {
    EXPECT_EQ(Texel(image.Level(face, 0), 1, 1), (Rgba{0, 0, static_cast<uint8_t>(face), 255}));
    EXPECT_EQ(Texel(image.Level(face, 1), 0, 0), (Rgba{0, static_cast<uint8_t>(face * 10), 0, 255}));
  }
}

struct Refusal {
  const char* what;
  std::vector<uint8_t> file;
  const char* message;
};

std::vector<Refusal> Refusals() {
  std::vector<Refusal> r;
  std::vector<uint8_t> wrongMagic = MakeDds(Argb(1, 1), {0, 0, 0, 0});
  wrongMagic[3] = 'X';
  r.push_back({"wrong magic", wrongMagic, "bad magic"});
  r.push_back({"short header", {'D', 'D', 'S', ' ', 124, 0, 0, 0}, "too short"});
  DdsHeader h = Argb(1, 1);
  h.headerSize = 123;
  r.push_back({"header size", MakeDds(h, {0, 0, 0, 0}), "header size"});
  h = Argb(1, 1);
  h.pfSize = 24;
  r.push_back({"pixel format size", MakeDds(h, {0, 0, 0, 0}), "pixel format size"});
  r.push_back({"zero width", MakeDds(Argb(0, 1), {0, 0, 0, 0}), "zero width"});
  r.push_back({"zero height", MakeDds(Argb(1, 0), {0, 0, 0, 0}), "zero width"});
  r.push_back({"too wide", MakeDds(Argb(16385, 1), {}), "larger than 16384"});
  r.push_back({"huge sizes", MakeDds(Argb(0xFFFFFFFFu, 0xFFFFFFFFu), {}), "larger than 16384"});
  r.push_back({"largest size, no data", MakeDds(WithMips(Argb(16384, 16384), 15), {1, 2, 3}), "truncated"});
  r.push_back(
      {"too many mips", MakeDds(WithMips(Argb(4, 4), 4), std::vector<uint8_t>(100)), "more mip levels"});
  r.push_back(
      {"truncated mip chain", MakeDds(WithMips(Argb(2, 2), 2), std::vector<uint8_t>(16)), "truncated"});
  r.push_back({"truncated data", MakeDds(Argb(2, 2), std::vector<uint8_t>(15)), "truncated"});
  r.push_back({"truncated block", MakeDds(Dxt('5', 4, 4), std::vector<uint8_t>(8)), "truncated"});
  h = Argb(1, 1);
  h.caps2 = 0x200 | 0x400 | 0x800 | 0x1000 | 0x2000 | 0x4000;  // no -Z
  r.push_back({"partial cube", MakeDds(h, std::vector<uint8_t>(24)), "six faces"});
  h = Argb(2, 1);
  h.caps2 = kCaps2CubeAllFaces;
  r.push_back({"non-square cube", MakeDds(h, std::vector<uint8_t>(48)), "square"});
  h = Argb(1, 1);
  h.caps2 = 0x200000;
  h.flags |= 0x800000;
  h.depth = 2;
  r.push_back({"volume", MakeDds(h, std::vector<uint8_t>(8)), "volume"});
  h = Argb(1, 1);
  h.bitCount = 16;
  h.rMask = 0xF800;
  h.gMask = 0x7E0;
  h.bMask = 0x1F;
  h.aMask = 0;
  r.push_back({"R5G6B5", MakeDds(h, std::vector<uint8_t>(2)), "unsupported pixel format"});
  r.push_back({"DXT0", MakeDds(Dxt('0', 4, 4), std::vector<uint8_t>(64)), "unsupported"});
  h = Dxt('1', 4, 4);
  h.fourCc = 'D' | ('X' << 8) | ('1' << 16) | ('0' << 24);
  r.push_back({"DX10 header", MakeDds(h, std::vector<uint8_t>(64)), "DX10"});
  return r;
}

TEST(DdsRefusal, EachBadFileIsRefusedWithItsNameAndReason) {
  for (const Refusal& refusal : Refusals()) {
    TextureImage image;
    image.levelCount = 77;
    std::string error;
    EXPECT_FALSE(Read(refusal.file, &image, &error)) << refusal.what;
    EXPECT_EQ(error.rfind("t.dds: ", 0), 0u) << refusal.what << ": " << error;
    EXPECT_NE(error.find(refusal.message), std::string::npos) << refusal.what << ": " << error;
    EXPECT_EQ(image.levelCount, 77u) << refusal.what << ": output touched";
  }
}

TEST(DdsRefusal, EveryPrefixOfAGoodFileIsRefused) {
  const std::vector<uint8_t> good =
      MakeDds(WithMips(Dxt('5', 8, 8), 4), std::vector<uint8_t>(64 + 16 + 16 + 16));
  for (size_t length = 0; length < good.size(); ++length) {
    TextureImage image;
    std::string error;
    EXPECT_FALSE(ReadDds(good.data(), length, "p.dds", &image, &error)) << length;
  }
  TextureImage image;
  std::string error;
  EXPECT_TRUE(ReadDds(good.data(), good.size(), "p.dds", &image, &error)) << error;
}

TEST(DdsRefusal, MutatedFilesNeverCrashAndAlwaysSayWhy) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 6; ++i) data.insert(data.end(), 64 + 16 + 16, static_cast<uint8_t>(i * 40));
  DdsHeader header = WithMips(Dxt('5', 8, 8), 3);
  header.caps2 = kCaps2CubeAllFaces;
  const std::vector<uint8_t> good = MakeDds(header, data);
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> file = good;
    const int flips = 1 + static_cast<int>(next() % 4);
    for (int f = 0; f < flips; ++f) {
      // Most mutations go to the header, where the sizes live.
      const size_t at = next() % 4 ? next() % 128 : next() % file.size();
      file[at] = static_cast<uint8_t>(next() >> 24);
    }
    if (next() % 8 == 0) file.resize(next() % file.size());
    TextureImage image;
    std::string error;
    if (Read(file, &image, &error)) {
      ASSERT_FALSE(image.levels.empty());
      for (const ImageLevel& level : image.levels)
        ASSERT_EQ(level.rgba.size(), size_t{level.width} * level.height * 4);
    } else {
      ASSERT_EQ(error.rfind("t.dds: ", 0), 0u) << error;
    }
  }
}

}  // namespace
