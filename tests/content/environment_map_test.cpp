// Checks the generated environment cube map (Textures/Snow.dds): DDS cube layout, six faces
// with full mip chains, no visible seams where faces meet, and a pale scene with the sky up.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kPath = std::string(HATCHING_CONTENT_DIR) + "/Textures/Snow.dds";
constexpr int kSize = 256, kLevels = 9;

uint32_t U32(const std::vector<uint8_t>& d, size_t offset) {
  return d[offset] | d[offset + 1] << 8 | d[offset + 2] << 16 | static_cast<uint32_t>(d[offset + 3]) << 24;
}

struct Rgb {
  double r, g, b;
};

struct Face {
  std::vector<std::vector<uint8_t>> levels;  // B, G, R, A per texel
  Rgb At(int level, int x, int y) const {
    const int size = kSize >> level;
    const uint8_t* p = &levels[level][(static_cast<size_t>(y) * size + x) * 4];
    return {p[2] / 255.0, p[1] / 255.0, p[0] / 255.0};
  }
};

class EnvironmentMap : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::ifstream in(kPath, std::ios::binary);
    bytes_ = new std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    faces_ = new std::array<Face, 6>;
    size_t offset = 128;
    for (Face& face : *faces_)
      for (int l = 0; l < kLevels; ++l) {
        const size_t n = static_cast<size_t>(kSize >> l) * (kSize >> l) * 4;
        if (offset + n > bytes_->size()) return;
        face.levels.emplace_back(bytes_->begin() + offset, bytes_->begin() + offset + n);
        offset += n;
      }
  }
  static void TearDownTestSuite() {
    delete bytes_;
    delete faces_;
  }
  static const std::vector<uint8_t>& Bytes() { return *bytes_; }
  static const Face& FaceAt(int f) { return (*faces_)[f]; }
  static bool Loaded() { return (*faces_)[5].levels.size() == kLevels; }

 private:
  static std::vector<uint8_t>* bytes_;
  static std::array<Face, 6>* faces_;
};
std::vector<uint8_t>* EnvironmentMap::bytes_ = nullptr;
std::array<Face, 6>* EnvironmentMap::faces_ = nullptr;

TEST_F(EnvironmentMap, IsAnUncompressedArgbCubeWithFullMipChains) {
  const auto& d = Bytes();
  ASSERT_GE(d.size(), 128u);
  EXPECT_EQ(U32(d, 0), 0x20534444u);
  EXPECT_EQ(U32(d, 4), 124u);
  EXPECT_TRUE(U32(d, 8) & 0x20000u) << "mip map count flag";
  EXPECT_EQ(U32(d, 12), static_cast<uint32_t>(kSize));
  EXPECT_EQ(U32(d, 16), static_cast<uint32_t>(kSize));
  EXPECT_EQ(U32(d, 28), static_cast<uint32_t>(kLevels));
  EXPECT_EQ(U32(d, 80) & 0x40u, 0x40u) << "RGB";
  EXPECT_EQ(U32(d, 84), 0u) << "no FourCC";
  EXPECT_EQ(U32(d, 88), 32u);
  EXPECT_EQ(U32(d, 92), 0x00FF0000u);
  EXPECT_EQ(U32(d, 96), 0x0000FF00u);
  EXPECT_EQ(U32(d, 100), 0x000000FFu);
  EXPECT_EQ(U32(d, 108), 0x401008u) << "texture | mipmap | complex";
  EXPECT_EQ(U32(d, 112), 0xFE00u) << "cube map with all six faces";
  size_t expected = 128;
  for (int l = 0; l < kLevels; ++l) expected += 6 * static_cast<size_t>(kSize >> l) * (kSize >> l) * 4;
  EXPECT_EQ(d.size(), expected);
}

// Direction through a texel centre, Direct3D face layout (+X, -X, +Y, -Y, +Z, -Z).
std::array<double, 3> Direction(int face, double x, double y, int size) {
  const double u = 2 * (x + 0.5) / size - 1, v = 2 * (y + 0.5) / size - 1;
  switch (face) {
    case 0: return {1, -v, -u};
    case 1: return {-1, -v, u};
    case 2: return {u, 1, v};
    case 3: return {u, -1, -v};
    case 4: return {u, -v, 1};
    default: return {-u, -v, -1};
  }
}

// The face and texel a direction falls into.
void Lookup(std::array<double, 3> d, int size, int& face, int& x, int& y) {
  const double ax = std::abs(d[0]), ay = std::abs(d[1]), az = std::abs(d[2]);
  double u, v;
  if (ax >= ay && ax >= az) {
    face = d[0] > 0 ? 0 : 1;
    u = (d[0] > 0 ? -d[2] : d[2]) / ax, v = -d[1] / ax;
  } else if (ay >= az) {
    face = d[1] > 0 ? 2 : 3;
    u = d[0] / ay, v = (d[1] > 0 ? d[2] : -d[2]) / ay;
  } else {
    face = d[2] > 0 ? 4 : 5;
    u = (d[2] > 0 ? d[0] : -d[0]) / az, v = -d[1] / az;
  }
  x = std::clamp(static_cast<int>((u + 1) / 2 * size), 0, size - 1);
  y = std::clamp(static_cast<int>((v + 1) / 2 * size), 0, size - 1);
}

TEST_F(EnvironmentMap, FacesMeetWithoutSeams) {
  ASSERT_TRUE(Loaded());
  for (int level : {0, 3}) {
    const int n = kSize >> level;
    double worst = 0, total = 0;
    int count = 0;
    for (int f = 0; f < 6; ++f)
      for (int i = 0; i < n; ++i)
        // Step one texel past each edge and find who owns that direction.
        for (auto [x, y, sx, sy] : {std::array<int, 4>{i, 0, i, -1}, {i, n - 1, i, n}, {0, i, -1, i}, {n - 1, i, n, i}}) {
          int g, gx, gy;
          Lookup(Direction(f, sx, sy, n), n, g, gx, gy);
          ASSERT_NE(g, f);
          const Rgb a = FaceAt(f).At(level, x, y), b = FaceAt(g).At(level, gx, gy);
          const double diff = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
          worst = std::max(worst, diff);
          total += diff;
          ++count;
        }
    EXPECT_LT(worst, 0.06) << "level " << level;
    EXPECT_LT(total / count, 0.012) << "level " << level;
  }
}

TEST_F(EnvironmentMap, SceneIsPaleWithSkyAboveAndSnowBelow) {
  ASSERT_TRUE(Loaded());
  // The 1x1 level is each face's average colour.
  for (int f = 0; f < 6; ++f) {
    const Rgb c = FaceAt(f).At(kLevels - 1, 0, 0);
    EXPECT_GT(0.3 * c.r + 0.59 * c.g + 0.11 * c.b, 0.7) << "face " << f << " should be pale";
    EXPECT_LT(std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}), 0.2) << "face " << f << " should be muted";
  }
  const Rgb sky = FaceAt(2).At(kLevels - 1, 0, 0), ground = FaceAt(3).At(kLevels - 1, 0, 0);
  EXPECT_GT(sky.b - sky.r, ground.b - ground.r + 0.05) << "+Y looks up into a blue-grey sky";
  EXPECT_GT(ground.r + ground.g + ground.b, sky.r + sky.g + sky.b) << "-Y looks down onto bright snow";
}

TEST_F(EnvironmentMap, MipLevelsAverageTheLevelAbove) {
  ASSERT_TRUE(Loaded());
  for (int f = 0; f < 6; ++f)
    for (int l = 1; l < kLevels; ++l) {
      const int n = kSize >> l;
      for (int y = 0; y < n; y += 3)
        for (int x = 0; x < n; x += 3) {
          const Rgb s = FaceAt(f).At(l, x, y);
          double r = 0;
          for (int k = 0; k < 4; ++k) r += FaceAt(f).At(l - 1, 2 * x + k % 2, 2 * y + k / 2).r / 4;
          ASSERT_NEAR(s.r, r, 1.0 / 255) << "face " << f << " level " << l;
        }
    }
}

}  // namespace
