// icongen FILE.png: renders the program's icon (icon_design.h) into a 256 x 256 RGBA PNG, each
// pixel the average of 4 x 4 samples so that the strokes' edges are smooth.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "tools/icongen/icon_design.h"

namespace {

using namespace icon;

constexpr int kSamples = 4;
constexpr double kPi = 3.14159265358979323846;

struct Color {
  double r, g, b, a;
};

Color FromHex(unsigned hex, double alpha = 1) {
  return {(hex >> 16 & 0xFF) / 255.0, (hex >> 8 & 0xFF) / 255.0, (hex & 0xFF) / 255.0, alpha};
}

// `top` over `under`, both with straight alpha.
Color Over(Color top, Color under) {
  const double a = top.a + under.a * (1 - top.a);
  if (a <= 0) return {0, 0, 0, 0};
  auto mix = [&](double t, double u) { return (t * top.a + u * under.a * (1 - top.a)) / a; };
  return {mix(top.r, under.r), mix(top.g, under.g), mix(top.b, under.b), a};
}

bool InRoundedSquare(double x, double y, double inset, double corner) {
  const double low = inset + corner, high = kSize - inset - corner;
  const double dx = x < low ? low - x : (x > high ? x - high : 0);
  const double dy = y < low ? low - y : (y > high ? y - high : 0);
  if (x < inset || y < inset || x > kSize - inset || y > kSize - inset) return false;
  return dx * dx + dy * dy <= corner * corner;
}

double Distance(double x, double y, double cx, double cy) {
  return std::hypot(x - cx, y - cy);
}

// On a stroke of the layer: within half a stroke's width of one of its lines.
bool OnStroke(const Layer& layer, double x, double y) {
  const double angle = layer.angle * kPi / 180;
  const double across = -x * std::sin(angle) + y * std::cos(angle);
  const double offset = std::fabs(across - layer.spacing * std::round(across / layer.spacing));
  return offset <= layer.width / 2;
}

Color Sample(double x, double y) {
  Color color = {0, 0, 0, 0};
  if (InRoundedSquare(x, y, kPaperInset - 2, kPaperCorner + 2)) color = FromHex(kPaperEdge);
  if (InRoundedSquare(x, y, kPaperInset, kPaperCorner)) color = FromHex(kPaper);
  const Color lead = FromHex(kLead, 0.85);
  const double sx = (x - kShadowX) / kShadowRx, sy = (y - kShadowY) / kShadowRy;
  if (sx * sx + sy * sy <= 1 && Distance(x, y, kBall.x, kBall.y) > kBall.r && OnStroke(kShadowStrokes, x, y))
    color = Over(FromHex(kLead, 0.6), color);
  const double fromCentre = Distance(x, y, kBall.x, kBall.y);
  if (fromCentre <= kBall.r) {
    const double fromLight = Distance(x, y, kLightX, kLightY);
    for (const Layer& layer : kLayers)
      if (fromLight > layer.lit && OnStroke(layer, x, y)) color = Over(lead, color);
  }
  if (std::fabs(fromCentre - kBall.r) <= kOutlineWidth / 2) color = Over(FromHex(kLead), color);
  return color;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: icongen FILE.png\n");
    return 2;
  }
  std::vector<uint8_t> pixels(kSize * kSize * 4);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int j = 0; j < kSamples; ++j)
        for (int i = 0; i < kSamples; ++i) {
          const Color c = Sample(x + (i + 0.5) / kSamples, y + (j + 0.5) / kSamples);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      uint8_t* p = &pixels[(y * kSize + x) * 4];
      // Averaged with premultiplied alpha, stored straight.
      p[0] = a > 0 ? static_cast<uint8_t>(std::lround(255 * r / a)) : 0;
      p[1] = a > 0 ? static_cast<uint8_t>(std::lround(255 * g / a)) : 0;
      p[2] = a > 0 ? static_cast<uint8_t>(std::lround(255 * b / a)) : 0;
      p[3] = static_cast<uint8_t>(std::lround(255 * a / (kSamples * kSamples)));
    }
  }
  if (!stbi_write_png(argv[1], kSize, kSize, 4, pixels.data(), kSize * 4)) {
    std::fprintf(stderr, "icongen: %s: cannot write the PNG file\n", argv[1]);
    return 1;
  }
  return 0;
}
