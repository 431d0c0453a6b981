// Fuzz target: the strict DDS reader (2-D textures with or without a mip chain, cube maps), then
// the completion of the mip chain the loader applies to what it read.
#include "fuzz/fuzz_support.h"
#include "gfx/texture_image.h"

namespace {

// Every level is as large as its place in the chain says and holds exactly its RGBA bytes.
void CheckShape(const TextureImage& image) {
  const size_t faces = image.cube ? 6 : 1;
  FUZZ_CHECK(image.levelCount >= 1);
  FUZZ_CHECK(image.levels.size() == faces * image.levelCount);
  for (size_t face = 0; face < faces; ++face) {
    const ImageLevel& top = image.levels[face * image.levelCount];
    for (uint32_t level = 0; level < image.levelCount; ++level) {
      const ImageLevel& l = image.Level(static_cast<uint32_t>(face), level);
      FUZZ_CHECK(l.width == (top.width >> level ? top.width >> level : 1));
      FUZZ_CHECK(l.height == (top.height >> level ? top.height >> level : 1));
      FUZZ_CHECK(l.rgba.size() == static_cast<size_t>(l.width) * l.height * 4);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TextureImage image;
  std::string error;
  if (!ReadDds(data, size, "fuzz.dds", &image, &error)) {
    FUZZ_CHECK(fuzz::StartsWith(error, "fuzz.dds: "));
    FUZZ_CHECK(image.levels.empty());
    return 0;
  }
  FUZZ_CHECK(error.empty());
  CheckShape(image);
  if (image.cube) FUZZ_CHECK(image.levels[0].width == image.levels[0].height);
  CompleteMipChain(&image);
  CheckShape(image);
  const ImageLevel& last = image.levels[image.levelCount - 1];
  FUZZ_CHECK(last.width == 1 && last.height == 1);
  return 0;
}
