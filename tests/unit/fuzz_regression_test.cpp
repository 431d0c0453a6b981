// Inputs the fuzz targets found harmful, kept as tests of the fixes. A JPEG whose Huffman table
// claims more than 256 codes made the old picture decoder write past its tables; libjpeg-turbo
// refuses such a table wherever it stands and still decodes a valid file. An animation of a few
// thousand nodes and key frames asked for gigabytes and took seconds; its key-frame tables are
// now bounded. A 98-byte TGA that claimed 6168 x 6168 pixels was decoded from the zeros the old
// decoder read past the end of a file, taking seconds; every decoder now refuses a file that ends
// before its pixels do.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "base/platform.h"
#include "gfx/texture_image.h"
#include "model/skinned_model.h"

namespace {

// A 16x8 baseline JPEG: APP0, two DQT, SOF0, four DHT (the first at offset 0xB1), SOS, EOI.
const std::string kGradient(
    "\xff\xd8\xff\xe0\x00\x10\x4a\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xff\xdb\x00\x43"
    "\x00\x10\x0b\x0c\x0e\x0c\x0a\x10\x0e\x0d\x0e\x12\x11\x10\x13\x18\x28\x1a\x18\x16\x16\x18\x31\x23"
    "\x25\x1d\x28\x3a\x33\x3d\x3c\x39\x33\x38\x37\x40\x48\x5c\x4e\x40\x44\x57\x45\x37\x38\x50\x6d\x51"
    "\x57\x5f\x62\x67\x68\x67\x3e\x4d\x71\x79\x70\x64\x78\x5c\x65\x67\x63\xff\xdb\x00\x43\x01\x11\x12"
    "\x12\x18\x15\x18\x2f\x1a\x1a\x2f\x63\x42\x38\x42\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63"
    "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63"
    "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\xff\xc0\x00\x11\x08\x00\x08\x00\x10\x03"
    "\x01\x22\x00\x02\x11\x01\x03\x11\x01\xff\xc4\x00\x15\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x06\xff\xc4\x00\x16\x10\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x14\x61\xff\xc4\x00\x15\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x04\x06\xff\xc4\x00\x18\x11\x00\x03\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x04\x15\x51\x52\xff\xda\x00\x0c\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00\x99"
    "\xab\x4a\xb4\x14\xb2\xd6\xe4\x55\x16\x34\xff\xd9",
    300);
constexpr size_t kFirstDhtCounts = 0xB1 + 5;  // after FF C4, the length and the class byte
constexpr size_t kEoi = 0x12A;

bool Decode(const std::string& bytes, TextureImage* image, std::string* error) {
  return DecodeTextureImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "x.jpg", image,
                            error);
}

// A DHT segment with one DC table of the given sixteen code counts and as many code values.
std::string Dht(int countEach) {
  std::string table(1, '\0');
  table += std::string(16, static_cast<char>(countEach));
  table += std::string(static_cast<size_t>(16 * countEach), '\x01');
  const size_t length = table.size() + 2;
  return std::string("\xFF\xC4") + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) + table;
}

TEST(FuzzRegression, ValidJpegStillDecodes) {
  ASSERT_EQ(kGradient[0xB1 + 1], '\xC4');
  ASSERT_EQ(kGradient.substr(kEoi), "\xFF\xD9");
  TextureImage image;
  std::string error;
  ASSERT_TRUE(Decode(kGradient, &image, &error)) << error;
  EXPECT_EQ(image.levels[0].width, 16u);
  EXPECT_EQ(image.levels[0].height, 8u);
}

TEST(FuzzRegression, HuffmanTableOfMoreThan256CodesIsRefusedBeforeDecoding) {
  // The fuzzer's find: counts of 17 each, 272 codes, in the header's first table.
  std::string bytes = kGradient;
  for (size_t i = 0; i < 16; ++i) bytes[kFirstDhtCounts + i] = 17;
  TextureImage image;
  std::string error;
  EXPECT_FALSE(Decode(bytes, &image, &error));
  EXPECT_EQ(error, "x.jpg: JPEG: Bogus Huffman table definition");
  // The largest counts a byte can give: 4080 codes.
  for (size_t i = 0; i < 16; ++i) bytes[kFirstDhtCounts + i] = '\xFF';
  EXPECT_FALSE(Decode(bytes, &image, &error));
  EXPECT_TRUE(image.levels.empty());
}

TEST(FuzzRegression, TableAfterScanDataIsChecked) {
  // Scan data with a stuffed 0xFF and a restart marker, then a DHT between the scan and EOI.
  std::string bytes = kGradient;
  bytes.insert(kEoi, "\xFF\x00\xFF\xD3" + Dht(17));
  TextureImage image;
  std::string error;
  EXPECT_FALSE(Decode(bytes, &image, &error));
  // Fill bytes before the marker hide nothing either.
  bytes = kGradient;
  bytes.insert(kEoi, "\xFF\xFF\xFF" + Dht(17).substr(1));
  EXPECT_FALSE(Decode(bytes, &image, &error));
  EXPECT_EQ(error, "x.jpg: JPEG: Bogus Huffman table definition");
}

TEST(FuzzRegression, HuffmanLookalikeInsideApplicationDataIsNotATable) {
  // An APP1 segment whose payload happens to hold FF C4 and large counts: stb skips the payload.
  const std::string payload = Dht(17);
  const size_t length = payload.size() + 2;
  std::string app1 =
      std::string("\xFF\xE1") + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF);
  std::string bytes = kGradient;
  bytes.insert(2, app1 + payload);
  TextureImage image;
  std::string error;
  ASSERT_TRUE(Decode(bytes, &image, &error)) << error;
  EXPECT_EQ(image.levels[0].width, 16u);
}

TEST(FuzzRegression, EveryCutJpegIsRefused) {
  for (size_t size = 1; size < kGradient.size(); ++size) {
    TextureImage image;
    std::string error;
    EXPECT_FALSE(Decode(kGradient.substr(0, size), &image, &error)) << size;
    EXPECT_EQ(error.rfind("x.jpg: ", 0), 0u) << error;
  }
}

// The TGA header of the fuzzer's find: run-length coded, 24 bits, 6168 x 6168, then 80 bytes.
std::string TgaHeader(int width, int height, int type) {
  std::string header = {0, 0, static_cast<char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  header += {static_cast<char>(width & 0xFF),
             static_cast<char>(width >> 8),
             static_cast<char>(height & 0xFF),
             static_cast<char>(height >> 8),
             24,
             0x20};
  return header;
}

bool DecodeAs(const std::string& bytes, const char* name, TextureImage* image, std::string* error) {
  return DecodeTextureImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), name, image, error);
}

TEST(FuzzRegression, PictureFileTooShortForItsSizeIsRefusedBeforeDecoding) {
  TextureImage image;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DecodeAs(TgaHeader(6168, 6168, 10) + std::string(80, '\x18'), "x.tga", &image, &error));
  EXPECT_EQ(error, "x.tga: TGA: file too short for a 6168x6168 picture");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  // A BMP header that claims 2000 x 2000 pixels over nine of them.
  std::string bmp = "BM" + std::string(52, '\0') + std::string(27, '\x40');
  bmp[10] = 54;
  bmp[14] = 40;
  bmp[18] = static_cast<char>(2000 & 0xFF);
  bmp[19] = static_cast<char>(2000 >> 8);
  bmp[22] = bmp[18];
  bmp[23] = bmp[19];
  bmp[26] = 1;
  bmp[28] = 24;
  EXPECT_FALSE(DecodeAs(bmp, "x.bmp", &image, &error));
  EXPECT_EQ(
      error,
      "x.bmp: BMP: file too short for a 2000x2000 picture of 24 bits per pixel (81 bytes, needs 12000054)");
  // The gradient JPEG with its frame header claiming 4112 x 4104 pixels.
  std::string jpeg = kGradient;
  jpeg[0x9E + 5] = 0x10;  // height 0x1008 in the frame header
  jpeg[0x9E + 7] = 0x10;  // width 0x1010
  EXPECT_FALSE(Decode(jpeg, &image, &error));
  EXPECT_EQ(error, "x.jpg: JPEG: 4112 x 4104 pixels cannot be held in 300 bytes");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(FuzzRegression, RunLengthPicturesWithinTheBoundStillDecode) {
  // 256 x 2 pixels in two run-length packets of 128 pixels per row: 64 pixels a byte.
  std::string tga = TgaHeader(256, 2, 10);
  for (int packet = 0; packet < 4; ++packet) tga += std::string("\xFF\x10\x20\x30");
  TextureImage image;
  std::string error;
  ASSERT_TRUE(DecodeAs(tga, "x.tga", &image, &error)) << error;
  EXPECT_EQ(image.levels[0].width, 256u);
  EXPECT_EQ(image.levels[0].rgba[0], 0x30);
}

// `text` in a new file under /tmp; its path, or "" when it cannot be written.
std::string TemporaryFile(const std::string& text) {
  char path[] = "/tmp/fuzz_regression_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return "";
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return written ? path : "";
}

std::string lastBox;
int RememberBox(HWND, const char* text, const char*, UINT) {
  lastBox = text;
  return IDOK;
}

// 2 MB of blank lines in a nodes block asked for two million bones (500 MB).
TEST(FuzzRegression, ReferenceOfManyBlankNodeLinesIsBounded) {
  const std::string path = TemporaryFile("version 1\nnodes\n" + std::string(2000000, '\n') + "end\n");
  ASSERT_FALSE(path.empty());
  SetMessageBoxHandler(RememberBox);
  auto model = std::make_unique<SkinnedModel>();
  EXPECT_FALSE(model->LoadReference(nullptr, path.c_str()));
  std::remove(path.c_str());
  SetMessageBoxHandler(nullptr);
  EXPECT_EQ(model->diagnostic.result, kSmdRefused);
  EXPECT_EQ(lastBox, path + "(65539): more than 65536 nodes in the \"nodes\" block");
  EXPECT_EQ(model->meshCount, 0);
}

// 18 KB: 4,000 nodes and 2,000 key frames, eight million bones (2 GB) if nothing stopped it.
TEST(FuzzRegression, AnimationOfManyNodesAndKeyFramesIsBounded) {
  std::string text = "version 1\nnodes\n";
  for (int i = 0; i < 4000; ++i) text += "x\n";
  text += "end\nskeleton\n";
  for (int i = 0; i < 2000; ++i) text += "time\n";
  text += "end\n";
  const std::string path = TemporaryFile(text);
  ASSERT_FALSE(path.empty());
  SetMessageBoxHandler(RememberBox);
  auto model = std::make_unique<SkinnedModel>();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(model->LoadAnimation(path.c_str()));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::remove(path.c_str());
  SetMessageBoxHandler(nullptr);
  EXPECT_EQ(model->diagnostic.result, kSmdRefused);
  EXPECT_STREQ(model->diagnostic.reason, "2000 key frames of 4000 nodes: more than 1048576 key-frame bones");
  EXPECT_EQ(lastBox, path + ": " + model->diagnostic.reason);
  EXPECT_EQ(model->clipCount, 0);
  EXPECT_EQ(model->clips[0].frames, nullptr) << "no key-frame table of eight million bones";
  EXPECT_LT(elapsed, std::chrono::seconds(1));

  AnimationClip clip;
  EXPECT_TRUE(clip.AllocateFrames(16, 16));
  EXPECT_FALSE(clip.AllocateFrames(1025, 1024));
  EXPECT_EQ(clip.frameCount, 16) << "a refused size leaves the clip as it was";
  EXPECT_FALSE(clip.AllocateFrames(1 << 30, 1 << 30));
}

}  // namespace
