// The stripe pattern's energy in real 2x2 blocks and its smallest eigenvector (see
// stripe_pattern.h). Where the line field turns over along an edge, the far value enters
// conjugated, which is why the system is real rather than complex.
#include "field/stripe_pattern.h"

#include <cmath>

#include "field/sparse_solve.h"

namespace field {
namespace {

void AddBlock(std::vector<Eigen::Triplet<double>>& t, int row, int column, double m00, double m01, double m10,
              double m11) {
  t.emplace_back(2 * row, 2 * column, m00);
  t.emplace_back(2 * row, 2 * column + 1, m01);
  t.emplace_back(2 * row + 1, 2 * column, m10);
  t.emplace_back(2 * row + 1, 2 * column + 1, m11);
}

}  // namespace

bool SolveStripes(const PieceGeometry& g, const std::vector<double>& angles, double frequency,
                  StripeFamily* out) {
  const int n = static_cast<int>(g.masses.size());
  out->omega.resize(g.edges.size());
  out->sign.resize(g.edges.size());
  std::vector<Eigen::Triplet<double>> triplets;
  triplets.reserve(16 * g.edges.size());
  for (size_t k = 0; k < g.edges.size(); ++k) {
    const PieceEdge& e = g.edges[k];
    const double atA = angles[e.a], atB = angles[e.b];
    const int sign = std::cos(atB - (atA + e.Transport())) >= 0 ? 1 : -1;
    // The edge's length along the field, averaged over its two ends with b's turned to match a's.
    const double along = 0.5 * e.length * (std::cos(e.angleAtA - atA) - sign * std::cos(e.angleAtB - atB));
    const double omega = frequency * along;
    out->omega[k] = omega;
    out->sign[k] = static_cast<signed char>(sign);
    const double w = e.weight, c = std::cos(omega), s = std::sin(omega);
    AddBlock(triplets, e.a, e.a, w, 0, 0, w);
    AddBlock(triplets, e.b, e.b, w, 0, 0, w);
    // -2 w Re(conj(psi_b) r psi_a), or -2 w Re(psi_b r psi_a) across a turn.
    if (sign > 0) {
      AddBlock(triplets, e.b, e.a, -w * c, w * s, -w * s, -w * c);
      AddBlock(triplets, e.a, e.b, -w * c, -w * s, w * s, -w * c);
    } else {
      AddBlock(triplets, e.b, e.a, -w * c, w * s, w * s, w * c);
      AddBlock(triplets, e.a, e.b, -w * c, w * s, w * s, w * c);
    }
  }
  RealMatrix a(2 * n, 2 * n);
  a.setFromTriplets(triplets.begin(), triplets.end());
  std::vector<double> mass(2 * n);
  for (int v = 0; v < n; ++v) mass[2 * v] = mass[2 * v + 1] = g.masses[v];
  // A start with no symmetry the solution could share and lose: phases spread over the circle.
  Eigen::VectorXd x(2 * n);
  for (int v = 0; v < n; ++v) {
    const double phase = 2.399963 * v;
    x[2 * v] = std::cos(phase);
    x[2 * v + 1] = std::sin(phase);
  }
  if (!SmallestEigenvector(a, mass, 1e-6 * frequency * frequency, 12, &x)) return false;
  out->psi.resize(n);
  for (int v = 0; v < n; ++v) out->psi[v] = {x[2 * v], x[2 * v + 1]};
  return true;
}

}  // namespace field
