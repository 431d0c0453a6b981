// Stripe values become phases at the corners of every triangle, unwrapped so that linear
// interpolation inside a triangle follows the stripes: a walk over the piece's triangles across
// shared edges hands each triangle the phases of the two corners it shares with the one before.
// The walk never crosses the cut tree (cut_graph.h), so the phases jump only on it.
#pragma once

#include <array>
#include <vector>

#include "field/field_mesh.h"
#include "field/piece_geometry.h"
#include "field/stripe_pattern.h"

namespace field {

// phases[t][k]: the phase at corner k of the piece's triangle t. Returns the number of triangles
// whose phases do not close around them (a branch point or a turn of the line field inside).
int UnwrapPhases(const FieldPiece& piece, const PieceGeometry& g, const StripeFamily& stripes,
                 std::vector<std::array<double, 3>>* phases);

}  // namespace field
