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
                  StripeFamily* out, const std::vector<std::complex<double>>* carried) {
  const int n = static_cast<int>(g.masses.size());
  out->omega.resize(g.edges.size());
  out->sign.resize(g.edges.size());
  std::vector<Eigen::Triplet<double>> triplets;
  if (!carried) triplets.reserve(16 * g.edges.size());
  for (size_t k = 0; k < g.edges.size(); ++k) {
    const PieceEdge& e = g.edges[k];
    const double atA = angles[e.a], atB = angles[e.b];
    const int sign = std::cos(atB - (atA + e.Transport())) >= 0 ? 1 : -1;
    // The edge's length along the field, averaged over its two ends with b's turned to match a's.
    const double along = 0.5 * e.length * (std::cos(e.angleAtA - atA) - sign * std::cos(e.angleAtB - atB));
    const double omega = frequency * along;
    out->omega[k] = omega;
    out->sign[k] = static_cast<signed char>(sign);
    if (carried) continue;
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
  if (carried) {
    out->psi = *carried;
    return true;
  }
  RealMatrix a(2 * n, 2 * n);
  a.setFromTriplets(triplets.begin(), triplets.end());
  std::vector<double> mass(2 * n);
  for (int v = 0; v < n; ++v) mass[2 * v] = mass[2 * v + 1] = g.masses[v];
  // The start: the phases carried from vertex to vertex along a spanning tree, which the
  // iterations then smooth where the tree's branches meet.
  Eigen::VectorXd x = Eigen::VectorXd::Zero(2 * n);
  std::vector<std::vector<int>> incident(n);
  for (size_t k = 0; k < g.edges.size(); ++k) {
    incident[g.edges[k].a].push_back(static_cast<int>(k));
    incident[g.edges[k].b].push_back(static_cast<int>(k));
  }
  std::vector<char> reached(n, 0);
  std::vector<int> queue;
  queue.reserve(n);
  for (int seed = 0; seed < n; ++seed) {
    if (reached[seed]) continue;
    reached[seed] = 1;
    x[2 * seed] = 1;
    queue.assign(1, seed);
    for (size_t head = 0; head < queue.size(); ++head) {
      const int v = queue[head];
      const std::complex<double> at(x[2 * v], x[2 * v + 1]);
      for (int k : incident[v]) {
        const PieceEdge& e = g.edges[k];
        const int w = e.a == v ? e.b : e.a;
        if (reached[w]) continue;
        // psi_b = r psi_a, or conj(psi_b) = r psi_a across a turn; solved for the far end.
        const std::complex<double> r = std::polar(1.0, out->omega[k]);
        std::complex<double> next;
        if (v == e.a)
          next = out->sign[k] > 0 ? r * at : std::conj(r * at);
        else
          next = out->sign[k] > 0 ? std::conj(r) * at : std::conj(r) * std::conj(at);
        x[2 * w] = next.real(), x[2 * w + 1] = next.imag();
        reached[w] = 1;
        queue.push_back(w);
      }
    }
  }
  if (!SmallestEigenvector(a, mass, 1e-6 * frequency * frequency, 12, frequency * frequency, 6, &x))
    return false;
  out->psi.resize(n);
  for (int v = 0; v < n; ++v) out->psi[v] = {x[2 * v], x[2 * v + 1]};
  return true;
}

}  // namespace field
