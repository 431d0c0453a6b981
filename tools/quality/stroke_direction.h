// Stroke direction against known directions on the surface, from pictures alone: the strokes'
// orientation from the structure tensor of the hatching's darkness, the surface's directions
// from two pictures of its parameters (whose lines are the directions wanted).
#pragma once

#include "tools/quality/picture_measures.h"

struct DirectionShare {
  double share = 0;  // of the stroked pixels, those within the tolerance of either direction
  long stroked = 0;
};

// A pixel is stroked when its darkness is at least `minDarkness` and its window (radius
// `radius`) has a dominant orientation. The lines along which `s` varies with `t` fixed run at
// right angles to t's gradient, and the other way round; pixels where a parameter jumps (a seam)
// or leaves the mask are skipped.
DirectionShare StrokeDirectionShare(const Plane& darkness, const Plane& s, const Plane& t, double minDarkness,
                                    int radius, double toleranceDegrees);

// Mean absolute difference of two pictures over the pixels inside both, in grey levels (0..255).
double MeanGreyDifference(const Plane& a, const Plane& b);
