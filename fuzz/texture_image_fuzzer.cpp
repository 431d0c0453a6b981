// Fuzz target: the texture loader's decoding of a file in memory, DDS by its magic and BMP, TGA,
// PNG or JPG otherwise, with the mip chain completed down to 1x1.
#include "fuzz/fuzz_support.h"
#include "gfx/texture_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TextureImage image;
  std::string error;
  if (!DecodeTextureImage(data, size, "fuzz.img", &image, &error)) {
    FUZZ_CHECK(fuzz::StartsWith(error, "fuzz.img: "));
    FUZZ_CHECK(image.levels.empty());
    return 0;
  }
  const size_t faces = image.cube ? 6 : 1;
  FUZZ_CHECK(image.levelCount >= 1);
  FUZZ_CHECK(image.levels.size() == faces * image.levelCount);
  for (const ImageLevel& level : image.levels) {
    FUZZ_CHECK(level.width >= 1 && level.height >= 1);
    FUZZ_CHECK(level.rgba.size() == static_cast<size_t>(level.width) * level.height * 4);
  }
  const ImageLevel& last = image.levels[image.levelCount - 1];
  FUZZ_CHECK(last.width == 1 && last.height == 1);
  return 0;
}
