// A smooth line field (two opposite directions a vertex) that follows the direction of largest
// principal curvature where the surface bends more one way than the other, after Knöppel,
// Crane, Pinkall and Schröder, "Globally Optimal Direction Fields" (2013), with n = 2.
#pragma once

#include <complex>
#include <vector>

#include "field/edge_blocks.h"
#include "field/piece_geometry.h"

namespace field {

// How a piece bends at its vertices, summed over each vertex's edges: `lines` as line-field values
// in the vertex's frame (the argument twice the angle of the principal direction whose curvature
// is largest in size, the modulus how much the two principal curvatures differ), `bend` how much
// it bends in all (the larger of that difference and the curvatures' sum, in size).
struct Bend {
  std::vector<std::complex<double>> lines;
  std::vector<double> bend;
};
Bend BendOf(const PieceGeometry& g);

// Each vertex's line-field angle in its own frame. `smoothing` is the length over which the
// field is smoothed. False when the solve failed (the angles are then unset).
// `shared`: the piece's matrix pattern, when one was worked out for it (edge_blocks.h). `bend`:
// the piece's bend when it was measured elsewhere (a coarse copy takes its fine piece's).
// A piece that does not clearly bend more one way than another (a ball, a plate, a ball's
// tessellation noise) takes lines around the axis its normals point along least.
bool SolveLineField(const PieceGeometry& g, double smoothing, std::vector<double>* angles,
                    const EdgeBlockPattern* shared = nullptr, const Bend* bend = nullptr);

}  // namespace field
