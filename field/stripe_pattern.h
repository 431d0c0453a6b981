// A stripe pattern along a line field, after Knöppel, Crane, Pinkall and Schröder, "Stripe
// Patterns on Surfaces" (2015): a unit complex value a vertex whose phase grows by `frequency`
// per unit length along the field, from the smallest eigenvector of one sparse system.
#pragma once

#include <complex>
#include <vector>

#include "field/edge_blocks.h"
#include "field/piece_geometry.h"

namespace field {

struct StripeFamily {
  std::vector<std::complex<double>> psi;
  // Per edge a -> b: the phase the stripes gain along it, in a's orientation; and whether the
  // line field turns over between a and b (-1), so that b's value is compared conjugated.
  std::vector<double> omega;
  std::vector<signed char> sign;
};

// Inverse iterations towards the smallest eigenvector, from phases carried along a spanning tree.
inline constexpr int kStripeIterations = 12;

// `angles`: the line field's angle at each vertex in its frame. False when the solve failed.
// With `carried`, the values are taken from it (solved elsewhere) and only the edges' phases
// are computed. `shared`: the piece's matrix pattern, when one was worked out for it.
bool SolveStripes(const PieceGeometry& g, const std::vector<double>& angles, double frequency,
                  StripeFamily* out, const std::vector<std::complex<double>>* carried = nullptr,
                  const EdgeBlockPattern* shared = nullptr, int iterations = kStripeIterations);

}  // namespace field
