// A smooth line field (two opposite directions a vertex) that follows the direction of largest
// principal curvature where the surface bends more one way than the other, after Knöppel,
// Crane, Pinkall and Schröder, "Globally Optimal Direction Fields" (2013), with n = 2.
#pragma once

#include <vector>

#include "field/edge_blocks.h"
#include "field/piece_geometry.h"

namespace field {

// Curvature of the vertices as line-field values in their frames: the argument is twice the angle
// of the principal direction whose curvature is largest in size, the modulus how much the two
// principal curvatures differ.
std::vector<double> CurvatureLines(const PieceGeometry& g, std::vector<double>* imaginary);

// Each vertex's line-field angle in its own frame. `smoothing` is the length over which the
// field is smoothed. False when the solve failed (the angles are then unset).
// `shared`: the piece's matrix pattern, when one was worked out for it (edge_blocks.h).
bool SolveLineField(const PieceGeometry& g, double smoothing, std::vector<double>* angles,
                    const EdgeBlockPattern* shared = nullptr);

}  // namespace field
