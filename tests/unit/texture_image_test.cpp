// Texture loading beyond the DDS reader: the picture formats, the refusal of other formats and
// oversized pictures, mip chain completion and reading by the program's paths.
#include "gfx/texture_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

using Rgba = std::vector<uint8_t>;

Rgba Texel(const ImageLevel& level, uint32_t x, uint32_t y) {
  const uint8_t* p = level.rgba.data() + (static_cast<size_t>(y) * level.width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A 24-bit BMP of 2x2 pixels, stored bottom row first as the format does.
std::vector<uint8_t> Bmp2x2(int32_t width = 2, int32_t height = 2) {
  std::vector<uint8_t> f = {'B', 'M'};
  Put32(&f, 54 + 16);
  Put32(&f, 0);
  Put32(&f, 54);
  Put32(&f, 40);
  Put32(&f, static_cast<uint32_t>(width));
  Put32(&f, static_cast<uint32_t>(height));
  Put16(&f, 1);
  Put16(&f, 24);
  for (int i = 0; i < 6; ++i) Put32(&f, 0);
  // Bottom row: blue, green; top row: red, white. Rows padded to 4 bytes. Stored B, G, R.
  f.insert(f.end(), {255, 0, 0, 0, 255, 0, 0, 0});
  f.insert(f.end(), {0, 0, 255, 255, 255, 255, 0, 0});
  return f;
}

// An uncompressed 32-bit TGA of 2x1 pixels with its origin at the top left.
std::vector<uint8_t> Tga2x1() {
  std::vector<uint8_t> f = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(&f, 2);
  Put16(&f, 1);
  f.push_back(32);
  f.push_back(0x28);                                    // top-left origin, 8 alpha bits
  f.insert(f.end(), {10, 20, 30, 40, 50, 60, 70, 80});  // B, G, R, A
  return f;
}

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

bool Decode(const std::vector<uint8_t>& file, TextureImage* image, std::string* error) {
  return DecodeTextureImage(file.data(), file.size(), "pic", image, error);
}

TEST(TextureImagePictures, BmpIsTopRowFirstWithAFullMipChain) {
  TextureImage image;
  std::string error;
  ASSERT_TRUE(Decode(Bmp2x2(), &image, &error)) << error;
  ASSERT_EQ(image.levelCount, 2u);
  const ImageLevel& top = image.Level(0, 0);
  EXPECT_EQ(Texel(top, 0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Texel(top, 1, 0), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(Texel(top, 0, 1), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(Texel(top, 1, 1), (Rgba{0, 255, 0, 255}));
  // (255 + 255 + 0 + 0 + 2) / 4, and so on per channel.
  EXPECT_EQ(Texel(image.Level(0, 1), 0, 0), (Rgba{128, 128, 128, 255}));
}

TEST(TextureImagePictures, TgaKeepsAlpha) {
  TextureImage image;
  std::string error;
  ASSERT_TRUE(Decode(Tga2x1(), &image, &error)) << error;
  EXPECT_EQ(Texel(image.Level(0, 0), 0, 0), (Rgba{30, 20, 10, 40}));
  EXPECT_EQ(Texel(image.Level(0, 0), 1, 0), (Rgba{70, 60, 50, 80}));
  EXPECT_EQ(Texel(image.Level(0, 1), 0, 0), (Rgba{50, 40, 30, 60}));
}

TEST(TextureImagePictures, PngAndJpgDecode) {
  const uint8_t pixels[4 * 4 * 3] = {200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50,
                                     200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50,
                                     200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50,
                                     200, 100, 50, 200, 100, 50, 200, 100, 50, 0,   0,   255};
  std::vector<uint8_t> png, jpg;
  ASSERT_TRUE(stbi_write_png_to_func(AppendBytes, &png, 4, 4, 3, pixels, 12));
  ASSERT_TRUE(stbi_write_jpg_to_func(AppendBytes, &jpg, 4, 4, 3, pixels, 100));
  TextureImage image;
  std::string error;
  ASSERT_TRUE(Decode(png, &image, &error)) << error;
  EXPECT_EQ(image.levelCount, 3u);
  EXPECT_EQ(Texel(image.Level(0, 0), 3, 3), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(Texel(image.Level(0, 0), 0, 0), (Rgba{200, 100, 50, 255}));
  ASSERT_TRUE(Decode(jpg, &image, &error)) << error;
  const Rgba corner = Texel(image.Level(0, 0), 0, 0);
  EXPECT_NEAR(corner[0], 200, 12);
  EXPECT_NEAR(corner[1], 100, 12);
  EXPECT_NEAR(corner[2], 50, 12);
  EXPECT_EQ(corner[3], 255);
}

TEST(TextureImagePictures, DdsIsDispatchedByMagicAndCompleted) {
  std::vector<uint8_t> dds = {'D', 'D', 'S', ' '};
  const uint32_t header[31] = {124, 0x1007, 2,  4,       0, 0, 0,    0, 0, 0, 0,      0, 0, 0, 0, 0,
                               0,   0,      32, 0x20000, 0, 8, 0xFF, 0, 0, 0, 0x1000, 0, 0, 0, 0};
  for (uint32_t v : header) Put32(&dds, v);
  dds.insert(dds.end(), {0, 40, 80, 120, 160, 200, 240, 255});  // L8, 4x2
  TextureImage image;
  std::string error;
  ASSERT_TRUE(Decode(dds, &image, &error)) << error;
  ASSERT_EQ(image.levelCount, 3u);
  EXPECT_EQ(image.Level(0, 1).width, 2u);
  EXPECT_EQ(image.Level(0, 1).height, 1u);
  EXPECT_EQ(Texel(image.Level(0, 1), 0, 0), (Rgba{100, 100, 100, 255}));  // (0+40+160+200+2)/4
  EXPECT_EQ(Texel(image.Level(0, 1), 1, 0), (Rgba{174, 174, 174, 255}));  // (80+120+240+255+2)/4
  EXPECT_EQ(Texel(image.Level(0, 2), 0, 0), (Rgba{137, 137, 137, 255}));  // (2*100+2*174+2)/4
}

TEST(TextureImageRefusal, OtherFormatsAndOversizedPicturesAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    const char* message;
  };
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'};
  std::vector<uint8_t> wide = Bmp2x2(20000, 1);
  std::vector<uint8_t> huge = Bmp2x2(16384, 16384);
  std::vector<uint8_t> truncatedBmp = Bmp2x2();
  truncatedBmp.resize(30);
  const Case cases[] = {
      {"gif", gif, "not a DDS, BMP, TGA, PNG or JPG"},
      {"garbage", {'h', 'e', 'l', 'l', 'o'}, "not a DDS"},
      {"empty", {}, "empty file"},
      {"too wide", wide, "16384"},
      {"too many bytes", huge, "256 MiB"},
      {"truncated bmp", truncatedBmp, "pic: "},
      {"bad dds", {'D', 'D', 'S', ' ', 1, 2}, "too short"},
  };
  for (const Case& c : cases) {
    TextureImage image;
    std::string error;
    EXPECT_FALSE(Decode(c.file, &image, &error)) << c.what;
    EXPECT_EQ(error.rfind("pic: ", 0), 0u) << c.what << ": " << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }
}

TEST(TextureImageMips, CompleteChainBoxFiltersEveryCubeFace) {
  TextureImage image;
  image.cube = true;
  image.levelCount = 1;
  for (uint8_t face = 0; face < 6; ++face) {
    ImageLevel level{2, 2, {}};
    for (uint8_t v : {0, 10, 20, 30}) level.rgba.insert(level.rgba.end(), {v, face, 255, 255});
    image.levels.push_back(level);
  }
  CompleteMipChain(&image);
  ASSERT_EQ(image.levelCount, 2u);
  ASSERT_EQ(image.levels.size(), 12u);
  for (uint8_t face = 0; face < 6; ++face) {
    EXPECT_EQ(image.Level(face, 0).width, 2u);
    EXPECT_EQ(Texel(image.Level(face, 1), 0, 0), (Rgba{15, face, 255, 255}));
  }
  CompleteMipChain(&image);  // already complete: unchanged
  EXPECT_EQ(image.levelCount, 2u);
  EXPECT_EQ(image.levels.size(), 12u);
}

TEST(TextureImageFiles, LoadsByBackslashPathAndNamesMissingFiles) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "texture_image_test";
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "pic.bmp";
  const std::vector<uint8_t> bmp = Bmp2x2();
  FILE* f = std::fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bmp.data(), 1, bmp.size(), f);
  std::fclose(f);

  std::string spelled = file.string();
  for (char& c : spelled)
    if (c == '/') c = '\\';
  TextureImage image;
  std::string error;
  ASSERT_TRUE(LoadTextureImage(spelled.c_str(), &image, &error)) << error;
  EXPECT_EQ(Texel(image.Level(0, 0), 1, 1), (Rgba{0, 255, 0, 255}));

  const std::string missing = (dir / "missing.dds").string();
  EXPECT_FALSE(LoadTextureImage(missing.c_str(), &image, &error));
  EXPECT_EQ(error, missing + ": cannot open file");
  EXPECT_FALSE(LoadTextureImage(dir.c_str(), &image, &error));
  EXPECT_EQ(error.rfind(dir.string() + ": ", 0), 0u) << error;
  std::filesystem::remove_all(dir);
}

}  // namespace
