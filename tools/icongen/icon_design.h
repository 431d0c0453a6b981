// The program's icon, one design for both of its files: a ball on a sheet of paper, shaded in
// three layers of pencil hatching that start further and further from the lit point, with a
// hatched shadow under it and a pencil outline. packaging/hatching.svg draws the same shapes by
// hand; this draws them into pixels for the PNG.
#pragma once

namespace icon {

inline constexpr int kSize = 256;  // the design's units, the PNG's pixels

struct Circle {
  double x, y, r;
};

inline constexpr double kPaperInset = 8;
inline constexpr double kPaperCorner = 28;
inline constexpr Circle kBall = {122, 116, 86};
inline constexpr double kOutlineWidth = 5;
// The shadow on the ground: an ellipse right of and below the ball.
inline constexpr double kShadowX = 146, kShadowY = 218, kShadowRx = 84, kShadowRy = 16;

// A layer of parallel strokes covers the ball where it lies further than `lit` from the light.
struct Layer {
  double lit;      // radius of the circle round the lit point left bare
  double angle;    // degrees, of the strokes' direction
  double spacing;  // between strokes
  double width;    // of a stroke
};
inline constexpr double kLightX = 90, kLightY = 82;
inline constexpr Layer kLayers[] = {
    {42, 45, 9, 2.2},
    {86, -45, 9, 2.2},
    {122, 0, 7, 2.0},
};
inline constexpr Layer kShadowStrokes = {0, 45, 7, 2.0};

// Colours as 0xRRGGBB.
inline constexpr unsigned kPaper = 0xF4EFE4;
inline constexpr unsigned kPaperEdge = 0xC9C0AE;
inline constexpr unsigned kLead = 0x2E2E33;

}  // namespace icon
