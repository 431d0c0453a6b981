// One pencil stroke of a hatching texture and how it covers the pixels of a square, tiling
// image: constant pixel width at every resolution, tapered ends, heavier pressure mid-stroke
// that also wavers slowly along the stroke, and graphite grain. Strokes wrap around the image
// edges in both directions so the texture tiles.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "random.h"
#include "vec_math.h"

namespace contentgen {

struct PencilStroke {
  double x = 0, y = 0;        // start point, texture coordinates in [0, 1)
  double angle = 0;           // direction of travel, radians (0 = along +u)
  double length = 0.3;        // in texture coordinates, so it shrinks with the level's size
  double bend = 0;            // sideways bow at mid-stroke, as a fraction of the length
  double darkness = 0.6;      // how much light the densest part of the stroke takes away
  double width = 2.0;         // in pixels, whatever the level's size
  bool whole_pixels = false;  // coverage rounded to all or nothing (the finest level)
  uint32_t seed = 0;          // picks this stroke's grain and the phase of its wavering pressure
  double tip_pixels = 0;      // length of each tapered tip in pixels; 0 = 15 % of the length
  double waver = 0;           // amplitude of the slow change of pressure along the stroke
  // A further factor on the pressure, from the start to the end at evenly spaced points and
  // linear between them: where the hand eased or pressed to keep the tone even. Points a few
  // pixels apart on a long stroke, so the easing can follow the tone block by block.
  static constexpr size_t kShadePoints = 64;
  std::array<float, kShadePoints> shade = MakeShade();
  static constexpr std::array<float, kShadePoints> MakeShade() {
    std::array<float, kShadePoints> a{};
    for (float& v : a) v = 1.0f;
    return a;
  }
};

// The shade factor at tc in [0, 1] along the stroke.
inline double ShadeAt(const PencilStroke& s, double tc) {
  const double at = tc * (s.shade.size() - 1);
  const size_t i = std::min(s.shade.size() - 2, static_cast<size_t>(at));
  const double f = at - static_cast<double>(i);
  return (1.0 - f) * s.shade[i] + f * s.shade[i + 1];
}

// A stroke's width is in pixels, whatever the level's size: coarse levels then show fewer,
// relatively thicker strokes, which keeps the on-screen stroke width steady under mip-mapping.

// Calls visit(x, y, amount) for each pixel the stroke touches on a size x size image, where
// amount in (0, 1] is the fraction of light the stroke removes there.
template <class Visit>
void ForEachStrokePixel(const PencilStroke& s, int size, Visit&& visit) {
  const double length_px = s.length * size;
  const double dx = std::cos(s.angle), dy = std::sin(s.angle);
  const double sx = s.x * size, sy = s.y * size;
  const double half_width = 0.5 * s.width;
  const double reach = half_width + 1.0 + std::abs(s.bend) * length_px;
  const int x0 = static_cast<int>(std::floor(std::min(sx, sx + dx * length_px) - reach));
  const int x1 = static_cast<int>(std::ceil(std::max(sx, sx + dx * length_px) + reach));
  const int y0 = static_cast<int>(std::floor(std::min(sy, sy + dy * length_px) - reach));
  const int y1 = static_cast<int>(std::ceil(std::max(sy, sy + dy * length_px) + reach));
  // A slanted stroke covers a thin band of its bounding box, so each column (or row, for a
  // steep stroke) only visits the pixels within reach of the stroke's axis.
  const bool steep = std::abs(dy) > std::abs(dx);
  const int major0 = steep ? y0 : x0, major1 = steep ? y1 : x1;
  const int minor_lo = steep ? x0 : y0, minor_hi = steep ? x1 : y1;
  const double slope = steep ? dx / dy : dy / dx;
  const double band = reach / std::max(std::abs(dx), std::abs(dy)) + 1.0;
  const double tip =
      s.tip_pixels > 0 ? std::clamp(s.tip_pixels / std::max(length_px, 1.0), 0.01, 0.15) : 0.15;
  // One to two and a half slow swells of pressure along the stroke, from its seed.
  const double phase = 2 * kPi * HashToUnit(s.seed, 1, 0x9A5Eu);
  const double waver_turns = 2 * kPi * (1.0 + 1.5 * HashToUnit(s.seed, 2, 0x9A5Eu));
  // A stroke longer than the image would visit a wrapped pixel twice; callers keep them shorter.
  for (int major = major0; major <= major1; ++major) {
    const double centre = steep ? sx + (major + 0.5 - sy) * slope : sy + (major + 0.5 - sx) * slope;
    const int lo = std::max(minor_lo, static_cast<int>(std::floor(centre - band)));
    const int hi = std::min(minor_hi, static_cast<int>(std::ceil(centre + band)));
    for (int minor = lo; minor <= hi; ++minor) {
      const int px = steep ? minor : major, py = steep ? major : minor;
      const double rx = px + 0.5 - sx, ry = py + 0.5 - sy;
      const double along = rx * dx + ry * dy;  // pixels from the start
      const double t = along / length_px;
      if (t < -0.05 || t > 1.05) continue;
      const double tc = std::clamp(t, 0.0, 1.0);
      const double across = -rx * dy + ry * dx - s.bend * length_px * 4.0 * tc * (1.0 - tc);
      // Tapered tips: full width from the tip's length in, narrowing to a point at both ends.
      const double taper = std::sqrt(std::clamp(std::min(tc, 1.0 - tc) / tip, 0.0, 1.0));
      const double beyond_end = std::max(0.0, std::max(-along, along - length_px));
      const double coverage = std::clamp(half_width * taper + 0.5 - std::abs(across), 0.0, 1.0) *
                              std::clamp(1.0 - beyond_end, 0.0, 1.0);
      if (coverage <= 0.0 || (s.whole_pixels && coverage < 0.5)) continue;
      const int wx = ((px % size) + size) % size, wy = ((py % size) + size) % size;
      // Pencil pressure rises after touch-down and eases before lift-off, and a hand's
      // pressure wavers a little in between.
      const double pressure = (0.82 + 0.18 * std::sin(kPi * tc)) *
                              (1.0 - s.waver * (0.5 + 0.5 * std::sin(waver_turns * tc + phase))) *
                              ShadeAt(s, tc);
      // Grain: the paper's fixed tooth plus the graphite's own unevenness along this stroke.
      // Whole-pixel strokes are seen magnified, where a grain that changed across the stroke
      // would step its flank: there the grain changes only along it.
      // Whole-pixel strokes step their grain by the image column (row, for a steep stroke), so
      // the texels across the stroke share it and its flank is a single step.
      const double run = s.whole_pixels ? (steep ? (py - sy) / dy : (px - sx) / dx) : along;
      const uint32_t step = static_cast<uint32_t>(static_cast<int>(run + 64.0));
      const double paper =
          s.whole_pixels ? HashToUnit(step, s.seed, 0x5EEDu)
                         : HashToUnit(static_cast<uint32_t>(wx), static_cast<uint32_t>(wy), 0x5EEDu + size);
      // (Through int: a wide stroke's `across` can take the hash's input below zero.)
      const double graphite =
          HashToUnit(static_cast<uint32_t>(static_cast<int>(run * 0.7 + 64.0)),
                     s.whole_pixels ? 0u : static_cast<uint32_t>(static_cast<int>(across * 3 + 8)), s.seed);
      const double grain = 0.72 + 0.16 * paper + 0.12 * graphite;
      // (No more light than there is: a pressed-hard stroke saturates.)
      visit(wx, wy, std::min(1.0, (s.whole_pixels ? 1.0 : coverage) * s.darkness * pressure * grain));
    }
  }
}

}  // namespace contentgen
