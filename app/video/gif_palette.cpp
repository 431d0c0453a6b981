// The GIF recordings' palette and its nearest-colour table.
#include "app/video/gif_palette.h"

namespace {

constexpr int kCubeSteps = 6;
constexpr int kCubeEntries = kCubeSteps * kCubeSteps * kCubeSteps;

uint32_t Pack(int r, int g, int b) {
  return 0xFF000000u | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
         static_cast<uint32_t>(b);
}

int Channel(uint32_t entry, int shift) {
  return static_cast<int>(entry >> shift & 0xFF);
}

}  // namespace

GifPalette::GifPalette() : nearest_(1 << 15) {
  int index = 0;
  for (int r = 0; r < kCubeSteps; ++r)
    for (int g = 0; g < kCubeSteps; ++g)
      for (int b = 0; b < kCubeSteps; ++b) entries_[index++] = Pack(r * 51, g * 51, b * 51);
  // The greys between the cube's six, evenly spread over 0..255.
  const int greys = kEntries - kCubeEntries;
  for (int i = 0; i < greys; ++i) {
    const int level = (i + 1) * 255 / (greys + 1);
    entries_[index++] = Pack(level, level, level);
  }

  for (int key = 0; key < (1 << 15); ++key) {
    // Each 5-bit channel spread over 0..255, so that black and full colours stay exact.
    const int r = (key >> 10 & 31) * 255 / 31;
    const int g = (key >> 5 & 31) * 255 / 31;
    const int b = (key & 31) * 255 / 31;
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < kEntries; ++i) {
      const int dr = r - Channel(entries_[i], 16);
      const int dg = g - Channel(entries_[i], 8);
      const int db = b - Channel(entries_[i], 0);
      const int distance = dr * dr + dg * dg + db * db;
      if (distance < bestDistance) {
        bestDistance = distance;
        best = i;
      }
    }
    nearest_[key] = static_cast<uint8_t>(best);
  }
}

void GifPalette::MapRow(const uint8_t* rgba, int width, uint8_t* indices) const {
  for (int x = 0; x < width; ++x, rgba += 4) indices[x] = Nearest(rgba[0], rgba[1], rgba[2]);
}
