// Pixel pairs across a seam taken along the strokes: whether the strokes that cross a seam run
// on across it. Pairs side by side in a row compare a stroke with itself where strokes lie
// along the row, but a stroke with the paper beside it where they lie across it, so a row's
// pairs measure the strokes' direction as much as their continuity; pairs along the strokes
// compare like with like wherever they are taken.
#pragma once

#include <utility>
#include <vector>

#include "tools/quality/picture_measures.h"

// The strokes' orientation at (x, y), radians from +x towards +y (the picture's rows run down),
// in (-pi/2, pi/2]: the structure tensor of `plane` over the square window of radius `radius`.
// False where no orientation dominates (bare paper, crossing strokes).
bool StrokeOrientation(const Plane& plane, int x, int y, int radius, double* angle);

struct AlongStrokeCorrelation {
  double correlation = 0;
  long pairs = 0;
  long alongSeam = 0;  // centres left out: their strokes run within 30 degrees of the columns
};

// Pearson correlation over pairs centred on the listed pixels, one column either side, each end
// moved along the centre's stroke orientation (window radius `radius`), so that both ends lie
// on the same stroke: (x - 1, y - tan a) and (x + 1, y + tan a), read between rows linearly.
// Where no orientation dominates the pair is level. A centre whose strokes run within 30 degrees
// of the columns is left out: a pair two columns wide would lie more than four rows long, and
// no stroke there crosses a seam that runs down the columns.
AlongStrokeCorrelation AlongStrokePairCorrelation(const Plane& plane,
                                                  const std::vector<std::pair<int, int>>& centres,
                                                  int radius);
