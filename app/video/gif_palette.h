// The fixed palette of the GIF recordings: a 6 x 6 x 6 colour cube and 40 more greys, so that the
// pencil's tones keep their steps, with a table from 15-bit colour to the nearest entry.
#pragma once

#include <cstdint>
#include <vector>

class GifPalette {
 public:
  static constexpr int kEntries = 256;

  GifPalette();
  // Entry i as 0xAARRGGBB, the layout of FFmpeg's PAL8 palettes.
  uint32_t Entry(int index) const { return entries_[index]; }
  // The nearest entry to an 8-bit colour (taken to 5 bits a channel).
  uint8_t Nearest(uint8_t r, uint8_t g, uint8_t b) const {
    return nearest_[(r >> 3) << 10 | (g >> 3) << 5 | b >> 3];
  }
  // Maps `width` pixels of RGBA8 to palette indices.
  void MapRow(const uint8_t* rgba, int width, uint8_t* indices) const;

 private:
  uint32_t entries_[kEntries];
  std::vector<uint8_t> nearest_;  // 32768 entries
};
