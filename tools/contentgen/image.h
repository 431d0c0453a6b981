// In-memory images used while painting content: 8-bit grey and RGBA images that get written out,
// and a float grey image that strokes are accumulated into.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace contentgen {

struct GrayImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // row-major, top row first
};

struct ColorImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // R, G, B, A per pixel, row-major, top row first
};

struct FloatImage {
  int width = 0, height = 0;
  std::vector<float> values;  // row-major, top row first

  FloatImage() = default;
  FloatImage(int w, int h, float fill) : width(w), height(h), values(static_cast<size_t>(w) * h, fill) {}
  float& At(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
  float At(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
};

inline uint8_t ToByte(double v) {
  return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

inline GrayImage Quantize(const FloatImage& image) {
  GrayImage out{image.width, image.height, {}};
  out.pixels.reserve(image.values.size());
  for (float v : image.values) out.pixels.push_back(ToByte(v));
  return out;
}

// 2x2 box filter; sizes are powers of two, a 1-pixel side stays 1.
inline FloatImage HalveFloat(const FloatImage& src) {
  const int w = std::max(1, src.width / 2), h = std::max(1, src.height / 2);
  FloatImage out(w, h, 0.0f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
      const int y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
      out.At(x, y) = 0.25f * (src.At(x0, y0) + src.At(x1, y0) + src.At(x0, y1) + src.At(x1, y1));
    }
  return out;
}

inline ColorImage HalveColor(const ColorImage& src) {
  const int w = std::max(1, src.width / 2), h = std::max(1, src.height / 2);
  ColorImage out{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx) {
            const int sx = std::min(2 * x + dx, src.width - 1), sy = std::min(2 * y + dy, src.height - 1);
            sum += src.rgba[(static_cast<size_t>(sy) * src.width + sx) * 4 + c];
          }
        out.rgba[(static_cast<size_t>(y) * w + x) * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
      }
  return out;
}

}  // namespace contentgen
