// Stripe values become phases at the corners of every triangle, unwrapped so that linear
// interpolation inside a triangle follows the stripes: a walk over the piece's triangles across
// shared edges hands each triangle the phases of the two corners it shares with the one before.
// The walk never crosses the cut tree (cut_graph.h), so the phases jump only on it.
#pragma once

#include <array>
#include <vector>

#include "field/cut_graph.h"
#include "field/field_mesh.h"
#include "field/piece_geometry.h"
#include "field/stripe_pattern.h"

namespace field {

// What the unwrap of each stripe family reads of a piece's triangles and edges, worked out once
// for the piece.
struct UnwrapTopology {
  // The two triangles of every edge that has exactly two, and how many triangles hold each edge.
  std::vector<std::array<int, 2>> edgeFaces;
  std::vector<int> edgeSides;
  VertexArcs arcs;
};
UnwrapTopology TopologyOf(const FieldPiece& piece, const PieceGeometry& g);

// phases[t][k]: the phase at corner k of the piece's triangle t. Returns the number of triangles
// whose phases do not close around them (a branch point or a turn of the line field inside).
int UnwrapPhases(const FieldPiece& piece, const PieceGeometry& g, const UnwrapTopology& topology,
                 const StripeFamily& stripes, std::vector<std::array<double, 3>>* phases);

}  // namespace field
