// Checks the generated hatching textures (Textures/Hatch0..5.dds): the DDS layout the viewer
// loads, and the tonal art map's promises: each tone hits its mean darkness at every drawn
// level, tones nest pixel by pixel and levels stroke by stroke, light tones hatch one way while
// dark ones cross-hatch, and every texture tiles (make quality measures the ruled lines).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string kTextures = std::string(HATCHING_CONTENT_DIR) + "/Textures/";
constexpr int kTones = 6, kSize = 1024, kLevels = 11, kCoarsestDrawn = 16;

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t U32(const std::vector<uint8_t>& d, size_t offset) {
  return d[offset] | d[offset + 1] << 8 | d[offset + 2] << 16 | static_cast<uint32_t>(d[offset + 3]) << 24;
}

struct Level {
  int size;
  std::vector<uint8_t> pixels;
  int At(int x, int y) const { return pixels[static_cast<size_t>(y) * size + x]; }
  double MeanDarkness() const {
    double sum = 0;
    for (uint8_t p : pixels) sum += p;
    return 1.0 - sum / (255.0 * static_cast<double>(pixels.size()));
  }
};

// Reads one channel's mip chain from HatchN.dds, checking the header on the way: an 8-bit grey
// texture, or an A8R8G8B8 one whose red channel holds the tone and whose other channels carry
// later tones (channel 0 red, 1 green, 2 blue, 3 alpha).
std::vector<Level> LoadChannel(int texture, int channel) {
  const std::string path = kTextures + "Hatch" + std::to_string(texture) + ".dds";
  const std::vector<uint8_t> d = ReadBytes(path);
  std::vector<Level> levels;
  EXPECT_GE(d.size(), 128u) << path;
  if (d.size() < 128) return levels;
  EXPECT_EQ(U32(d, 0), 0x20534444u) << "magic";
  EXPECT_EQ(U32(d, 4), 124u) << "header size";
  const uint32_t flags = U32(d, 8);
  EXPECT_EQ(flags & 0x1007u, 0x1007u) << "caps, height, width, pixel format";
  EXPECT_TRUE(flags & 0x20000u) << "mip map count";
  EXPECT_TRUE(flags & 0x8u) << "pitch";
  const bool packed = U32(d, 80) == 0x41u;
  const size_t bytesPerPixel = packed ? 4 : 1;
  EXPECT_EQ(U32(d, 12), static_cast<uint32_t>(kSize));
  EXPECT_EQ(U32(d, 16), static_cast<uint32_t>(kSize));
  EXPECT_EQ(U32(d, 20), static_cast<uint32_t>(kSize * bytesPerPixel)) << "pitch of a row";
  EXPECT_EQ(U32(d, 28), static_cast<uint32_t>(kLevels));
  EXPECT_EQ(U32(d, 76), 32u) << "pixel format size";
  if (packed) {
    EXPECT_EQ(U32(d, 88), 32u) << "bits per pixel";
    EXPECT_EQ(U32(d, 92), 0x00FF0000u) << "red mask";
    EXPECT_EQ(U32(d, 104), 0xFF000000u) << "alpha mask";
  } else {
    EXPECT_EQ(U32(d, 80), 0x20000u) << "luminance";
    EXPECT_EQ(U32(d, 88), 8u) << "bits per pixel";
    EXPECT_EQ(U32(d, 92), 0xFFu) << "luminance mask";
    EXPECT_EQ(channel, 0) << path << " has one channel";
  }
  EXPECT_EQ(U32(d, 108), 0x401008u) << "texture | mipmap | complex";
  // A8R8G8B8 lies B, G, R, A in memory.
  const size_t within = packed ? (channel == 3 ? 3 : 2 - channel) : 0;
  size_t offset = 128;
  for (int size = kSize; size >= 1; size /= 2) {
    const size_t count = static_cast<size_t>(size) * size;
    if (offset + count * bytesPerPixel > d.size()) break;
    Level level{size, std::vector<uint8_t>(count)};
    for (size_t i = 0; i < count; ++i) level.pixels[i] = d[offset + i * bytesPerPixel + within];
    levels.push_back(std::move(level));
    offset += count * bytesPerPixel;
  }
  EXPECT_EQ(levels.size(), static_cast<size_t>(kLevels));
  EXPECT_EQ(offset, d.size()) << "nothing after the 1x1 level";
  return levels;
}

std::vector<Level> LoadTone(int tone) {
  return LoadChannel(tone, 0);
}

class HatchingTextures : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    tones_ = new std::vector<std::vector<Level>>;
    for (int t = 0; t < kTones; ++t) tones_->push_back(LoadTone(t));
  }
  static void TearDownTestSuite() { delete tones_; }
  static const std::vector<Level>& Tone(int t) { return (*tones_)[t]; }
  static bool Loaded() {
    for (const auto& tone : *tones_)
      if (tone.size() != kLevels) return false;
    return true;
  }

 private:
  static std::vector<std::vector<Level>>* tones_;
};
std::vector<std::vector<Level>>* HatchingTextures::tones_ = nullptr;

// The effect reads all six tones from Hatch0 (tones 0 to 3 in red, green, blue, alpha) and
// Hatch4 (tones 4 and 5 in red and green): those channels must be the tones' own textures.
TEST_F(HatchingTextures, PackedChannelsCarryTheLaterTonesExactly) {
  ASSERT_TRUE(Loaded());
  for (const auto& [texture, channel, tone] : {std::tuple{0, 1, 1}, {0, 2, 2}, {0, 3, 3}, {4, 1, 5}}) {
    const std::vector<Level> carried = LoadChannel(texture, channel);
    ASSERT_EQ(carried.size(), Tone(tone).size());
    for (size_t l = 0; l < carried.size(); ++l)
      EXPECT_EQ(carried[l].pixels, Tone(tone)[l].pixels) << "Hatch" << texture << " channel " << channel << " level " << l;
  }
}

TEST_F(HatchingTextures, EveryLevelHitsItsToneWithinOnePercent) {
  ASSERT_TRUE(Loaded());
  for (int t = 0; t < kTones; ++t)
    for (const Level& level : Tone(t))
      EXPECT_NEAR(level.MeanDarkness(), (t + 1) / 7.0, 0.01) << "Hatch" << t << " at " << level.size;
}

TEST_F(HatchingTextures, ToneDarkensStrictlyFromOneTextureToTheNext) {
  ASSERT_TRUE(Loaded());
  for (int l = 0; l < kLevels; ++l)
    for (int t = 0; t + 1 < kTones; ++t)
      EXPECT_LT(Tone(t)[l].MeanDarkness() + 0.05, Tone(t + 1)[l].MeanDarkness()) << "level " << l << " tone " << t;
}

TEST_F(HatchingTextures, DarkerTonesKeepEveryStrokeOfLighterOnes) {
  ASSERT_TRUE(Loaded());
  for (int l = 0; l < kLevels; ++l)
    for (int t = 0; t + 1 < kTones; ++t) {
      const auto& light = Tone(t)[l].pixels;
      const auto& dark = Tone(t + 1)[l].pixels;
      size_t lighter = 0;
      for (size_t i = 0; i < light.size(); ++i) lighter += dark[i] > light[i];
      EXPECT_EQ(lighter, 0u) << "pixels of Hatch" << t + 1 << " lighter than Hatch" << t << " at level " << l;
    }
}

TEST_F(HatchingTextures, LevelsBelowTheDrawnOnesAreBoxFiltered) {
  ASSERT_TRUE(Loaded());
  for (int t = 0; t < kTones; ++t)
    for (int l = 1; l < kLevels; ++l) {
      const Level& big = Tone(t)[l - 1];
      const Level& small = Tone(t)[l];
      if (big.size > kCoarsestDrawn) continue;
      for (int y = 0; y < small.size; ++y)
        for (int x = 0; x < small.size; ++x) {
          const double mean =
              (big.At(2 * x, 2 * y) + big.At(2 * x + 1, 2 * y) + big.At(2 * x, 2 * y + 1) + big.At(2 * x + 1, 2 * y + 1)) / 4.0;
          ASSERT_NEAR(small.At(x, y), mean, 1.5) << "Hatch" << t << " level " << l;
        }
    }
}

// Every 32x32 block (on a stride of 16, wrapping) of every drawn level stays near the tone. The
// strokes lie at random, so a block may hold one more or one fewer than the next; choosing each
// stroke as the best of its candidates keeps that within a few hundredths.
TEST_F(HatchingTextures, DrawnLevelsAreEvenlyCovered) {
  ASSERT_TRUE(Loaded());
  for (int t = 0; t < kTones; ++t)
    for (const Level& level : Tone(t)) {
      if (level.size < kCoarsestDrawn) continue;
      std::vector<double> errors;
      for (int by = 0; by < level.size; by += 16)
        for (int bx = 0; bx < level.size; bx += 16) {
          double sum = 0;
          for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) sum += level.At((bx + x) % level.size, (by + y) % level.size);
          errors.push_back(std::abs(1.0 - sum / (255.0 * 1024) - (t + 1) / 7.0));
        }
      std::sort(errors.begin(), errors.end());
      double mean = 0;
      for (double e : errors) mean += e / errors.size();
      EXPECT_LE(mean, 0.018) << "Hatch" << t << " at " << level.size;
      EXPECT_LE(errors[errors.size() * 95 / 100], 0.045) << "Hatch" << t << " at " << level.size;
      EXPECT_LE(errors.back(), 0.08) << "Hatch" << t << " at " << level.size;
    }
}

// Mean absolute difference between neighbouring pixels along x and along y.
std::pair<double, double> NeighbourDifferences(const Level& level) {
  double along_x = 0, along_y = 0;
  for (int y = 0; y < level.size; ++y)
    for (int x = 0; x < level.size; ++x) {
      along_x += std::abs(level.At(x, y) - level.At((x + 1) % level.size, y));
      along_y += std::abs(level.At(x, y) - level.At(x, (y + 1) % level.size));
    }
  const double n = static_cast<double>(level.pixels.size());
  return {along_x / n, along_y / n};
}

TEST_F(HatchingTextures, LightTonesHatchOneWayAndDarkTonesCrossHatch) {
  ASSERT_TRUE(Loaded());
  // Strokes running along x leave neighbours along x alike and neighbours along y different.
  for (int t = 0; t < 3; ++t) {
    const auto [dx, dy] = NeighbourDifferences(Tone(t)[0]);
    EXPECT_LT(dx, 0.6 * dy) << "Hatch" << t << " should hatch in one direction";
  }
  const auto [dx, dy] = NeighbourDifferences(Tone(kTones - 1)[0]);
  EXPECT_GT(dx, 0.6 * dy) << "the darkest tone should cross-hatch";
  EXPECT_LT(dx, 1.6 * dy) << "the darkest tone should cross-hatch";
}

// Mean absolute difference between column a and column b (or rows, when `rows`).
double LineDifference(const Level& level, int a, int b, bool rows) {
  double sum = 0;
  for (int i = 0; i < level.size; ++i)
    sum += rows ? std::abs(level.At(i, a) - level.At(i, b)) : std::abs(level.At(a, i) - level.At(b, i));
  return sum / level.size;
}

// Strokes run on across the edges, so the last row and the first (and the last column and the
// first) differ no more than neighbouring rows inside do, where the strokes are whole.
TEST_F(HatchingTextures, EdgesContinueAcrossTheWrapLikeInteriorNeighbours) {
  ASSERT_TRUE(Loaded());
  for (int t = 0; t < kTones; ++t)
    for (const Level& level : Tone(t)) {
      // (A level of a few strokes has too few rows for their differences to say much.)
      if (level.size < 4 * kCoarsestDrawn) continue;
      const int n = level.size;
      for (bool rows : {false, true}) {
        double largest = 0;
        for (int i = 0; i + 1 < n; ++i) largest = std::max(largest, LineDifference(level, i, i + 1, rows));
        EXPECT_LE(LineDifference(level, n - 1, 0, rows), largest)
            << "Hatch" << t << " at " << n << (rows ? " top/bottom" : " left/right");
      }
    }
}

// Nesting across levels: a stroke first drawn on a level is on every finer one at the same place.
// Where a level is dark, the finer level is dark somewhere in the texels that cover the same
// place (and the border round them that the stroke's width in texels allows).
TEST_F(HatchingTextures, FinerLevelsKeepTheStrokesOfCoarserOnes) {
  ASSERT_TRUE(Loaded());
  for (int t = 0; t < kTones; ++t)
    for (int l = kLevels - 1; l-- > 0;) {
      const Level& fine = Tone(t)[l];
      const Level& coarse = Tone(t)[l + 1];
      if (coarse.size < kCoarsestDrawn) continue;
      const int n = fine.size;
      long light = 0;
      for (int y = 0; y < coarse.size; ++y)
        for (int x = 0; x < coarse.size; ++x) {
          int darkest = 255;
          for (int dy = -1; dy <= 2; ++dy)
            for (int dx = -1; dx <= 2; ++dx)
              darkest = std::min(darkest, fine.At((2 * x + dx + n) % n, (2 * y + dy + n) % n));
          // At least half as dark: one stroke of the coarser level, where several overlap there.
          light += coarse.At(x, y) <= 160 && 255 - darkest < (255 - coarse.At(x, y)) / 2;
        }
      EXPECT_EQ(light, 0) << "Hatch" << t << ": dark texels of level " << l + 1 << " light on level " << l;
    }
}

}  // namespace
