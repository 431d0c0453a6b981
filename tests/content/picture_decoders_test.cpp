// The texture loader's picture decoders (libpng, libjpeg-turbo, the project's BMP and TGA reader)
// against stb_image 2.27, the decoder they replaced, on every picture the project has: the
// generated materials, the pictures in tests/data and the fuzz seeds, which hold every variant
// the decoders take. PNG, BMP and TGA must give the same bytes. JPEG may not: libjpeg-turbo's
// integer inverse DCT, upsampling and colour conversion round differently from stb's, so the
// difference is measured, printed and bounded; and in pictures whose chroma is halved across only,
// stb computes the second column from the right from the wrong chroma sample (3/4 of the one
// before instead of 1/4), so that column is left out of the bound.
// With HATCHING_PICTURES=dir1:dir2 the test compares the files of those folders instead (a
// fuzzer's corpus, say) and only prints what it found, files only one decoder takes included.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/texture_image.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace {

namespace fs = std::filesystem;

struct Tally {
  int compared = 0, identical = 0, onlyStb = 0, onlyOurs = 0, maxDifference = 0;
  int maxBeforeTheLastColumns = 0;  // the largest difference left of the two rightmost columns
  uint64_t differenceSum = 0, samples = 0;
};

const char* FormatOf(const std::vector<uint8_t>& b) {
  if (b.size() < 4 || std::string(b.begin(), b.begin() + 4) == "DDS ") return nullptr;
  if (b[0] == 0x89 && b[1] == 'P') return "PNG";
  if (b[0] == 0xFF && b[1] == 0xD8) return "JPEG";
  return b[0] == 'B' && b[1] == 'M' ? "BMP" : "TGA";
}

std::map<std::string, Tally> Compare(const std::vector<fs::path>& folders, bool strict) {
  std::map<std::string, Tally> tallies;
  for (const fs::path& folder : folders) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
      const char* format = FormatOf(bytes);
      if (!format) continue;
      int width = 0, height = 0, channels = 0;
      stbi_uc* stb =
          stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4);
      TextureImage ours;
      std::string error;
      const bool decoded =
          DecodeTextureImage(bytes.data(), bytes.size(), entry.path().c_str(), &ours, &error);
      Tally& tally = tallies[format];
      if (!stb || !decoded) {
        tally.onlyStb += stb != nullptr;
        tally.onlyOurs += decoded;
        if (stb && strict) ADD_FAILURE() << "stb decodes it, the new decoder refuses: " << error;
        if (decoded && strict) ADD_FAILURE() << entry.path() << ": decodes, but not with stb";
        if (stb && !strict) std::printf("only stb: %s\n", error.c_str());
        if (decoded && !strict)
          std::printf("only ours: %s (stb: %s)\n", entry.path().c_str(), stbi_failure_reason());
        stbi_image_free(stb);
        continue;
      }
      const ImageLevel& level = ours.levels[0];
      ++tally.compared;
      EXPECT_EQ(level.width, static_cast<uint32_t>(width)) << entry.path();
      EXPECT_EQ(level.height, static_cast<uint32_t>(height)) << entry.path();
      if (level.rgba.size() != static_cast<size_t>(width) * height * 4) continue;
      int largest = 0;
      for (size_t i = 0; i < level.rgba.size(); ++i) {
        const int difference = std::abs(level.rgba[i] - stb[i]);
        largest = std::max(largest, difference);
        tally.differenceSum += difference;
        if (i / 4 % width + 2 < static_cast<size_t>(width))
          tally.maxBeforeTheLastColumns = std::max(tally.maxBeforeTheLastColumns, difference);
      }
      stbi_image_free(stb);
      tally.samples += level.rgba.size();
      tally.identical += largest == 0;
      tally.maxDifference = std::max(tally.maxDifference, largest);
      if (strict && std::string(format) != "JPEG") {
        EXPECT_EQ(largest, 0) << entry.path();
      }
    }
  }
  for (const auto& [format, t] : tallies)
    std::printf(
        "%-4s compared %d, identical %d, largest difference %d (%d left of the last two columns), mean %.4f; "
        "only stb %d, only ours %d\n",
        format.c_str(), t.compared, t.identical, t.maxDifference, t.maxBeforeTheLastColumns,
        t.samples ? static_cast<double>(t.differenceSum) / t.samples : 0.0, t.onlyStb, t.onlyOurs);
  return tallies;
}

TEST(PictureDecoders, GiveStbImagesPixelsForEveryPictureOfTheProject) {
  if (const char* folders = std::getenv("HATCHING_PICTURES")) {
    std::vector<fs::path> list;
    std::stringstream text(folders);
    for (std::string folder; std::getline(text, folder, ':');) list.push_back(folder);
    Compare(list, false);
    return;
  }
  std::map<std::string, Tally> tallies =
      Compare({fs::path(HATCHING_CONTENT_DIR) / "Model" / "SMD" / "Vekku_Red", HATCHING_TEST_DATA,
               HATCHING_PICTURE_SEEDS},
              true);
  // The four materials and the seeds of every variant, the five PNG frames of tests/data.
  EXPECT_GE(tallies["BMP"].compared, 4 + 13);
  EXPECT_GE(tallies["PNG"].compared, 5 + 15);
  EXPECT_GE(tallies["TGA"].compared, 10);
  EXPECT_GE(tallies["JPEG"].compared, 8);
  EXPECT_LE(tallies["JPEG"].maxBeforeTheLastColumns, 2);
  EXPECT_LT(static_cast<double>(tallies["JPEG"].differenceSum) / tallies["JPEG"].samples, 0.25);
}

}  // namespace
