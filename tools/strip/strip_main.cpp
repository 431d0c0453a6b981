// hatching_strip OUT.png IN1.png IN2.png ...: lays frames side by side, each shrunk to a quarter
// of its width and height, so that one picture shows the animation going on.
#include <cstdio>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

namespace {

constexpr int kShrink = 4;
constexpr int kGap = 4;
constexpr int kMaxFrames = 64;

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

// Averages each kShrink x kShrink block.
Picture Shrink(const unsigned char* rgb, int width, int height) {
  Picture small;
  small.width = width / kShrink;
  small.height = height / kShrink;
  small.rgb.resize(static_cast<size_t>(small.width) * small.height * 3);
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < kShrink; ++dy)
          for (int dx = 0; dx < kShrink; ++dx)
            sum += rgb[((static_cast<size_t>(y) * kShrink + dy) * width + x * kShrink + dx) * 3 + c];
        small.rgb[(static_cast<size_t>(y) * small.width + x) * 3 + c] =
            static_cast<unsigned char>(sum / (kShrink * kShrink));
      }
  return small;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc - 2 > kMaxFrames) {
    std::fprintf(stderr, "usage: hatching_strip OUT.png IN.png... (1 to %d pictures)\n", kMaxFrames);
    return 2;
  }
  std::vector<Picture> pictures;
  for (int i = 2; i < argc; ++i) {
    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* rgb = stbi_load(argv[i], &width, &height, &channels, 3);
    if (!rgb || width < kShrink || height < kShrink) {
      std::fprintf(stderr, "hatching_strip: %s: cannot read the picture\n", argv[i]);
      stbi_image_free(rgb);
      return 1;
    }
    pictures.push_back(Shrink(rgb, width, height));
    stbi_image_free(rgb);
  }

  int stripWidth = kGap;
  int stripHeight = 0;
  for (const Picture& picture : pictures) {
    stripWidth += picture.width + kGap;
    if (picture.height > stripHeight) stripHeight = picture.height;
  }
  stripHeight += 2 * kGap;
  std::vector<unsigned char> strip(static_cast<size_t>(stripWidth) * stripHeight * 3, 255);
  int left = kGap;
  for (const Picture& picture : pictures) {
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width * 3; ++x)
        strip[(static_cast<size_t>(y + kGap) * stripWidth + left) * 3 + x] =
            picture.rgb[static_cast<size_t>(y) * picture.width * 3 + x];
    left += picture.width + kGap;
  }
  if (!stbi_write_png(argv[1], stripWidth, stripHeight, 3, strip.data(), stripWidth * 3)) {
    std::fprintf(stderr, "hatching_strip: %s: cannot write the picture\n", argv[1]);
    return 1;
  }
  return 0;
}
