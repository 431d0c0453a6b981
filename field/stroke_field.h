// Texture coordinates for hatching that follow the form of a mesh rather than its file's uv:
// strokes (along u) run along the direction of largest curvature, and the crossing strokes of
// the darker tones (along v) at right angles to it. Computed from the positions alone.
#pragma once

#include <span>

namespace field {

struct StrokeFieldOptions {
  // Texture units per unit of length, along both axes.
  double density = 0.00245;
  // Texture units per stripe period; the phase wraps there, so it sets how finely the stripes
  // can turn, not the strokes' spacing.
  double stripePeriod = 0.05;
  // Texture units after which the effect's hatching comes round (ten repeats a unit, four to a
  // texture). Each piece's coordinates are moved by whole such periods to start at 0, which
  // leaves the picture as it is and keeps them positive for whatever reads them back.
  double texturePeriod = 0.4;
  // Pieces with more vertices than this are not solved but given a fixed direction, which keeps
  // the factorisation's memory bounded.
  int maxSolvedVertices = 400000;
  // Threads that solve pieces side by side (1: this one alone). The result is the same for any
  // number: each piece is solved on its own.
  int threads = 2;
};

struct StrokeFieldFigures {
  int pieces = 0;
  // Pieces too small, too flat or too large to solve, given a fixed direction in their frame.
  int fixedPieces = 0;
  // Input triangles left out of the solve (degenerate); they get a fixed direction too.
  int droppedTriangles = 0;
  // Triangles where the stripes do not close: branch points and turns of the line field.
  int singularities = 0;
  double solveMilliseconds = 0;
};

// `corners`: 9 floats a triangle, its corners' positions. Writes 6 floats a triangle to `uv`,
// its corners' u and v, all finite.
StrokeFieldFigures ComputeStrokeField(std::span<const float> corners, std::span<float> uv,
                                      const StrokeFieldOptions& options = {});

}  // namespace field
