// The stripe pattern's energy in real 2x2 blocks and its smallest eigenvector (see
// stripe_pattern.h). Where the line field turns over along an edge, the far value enters
// conjugated, which is why the system is real rather than complex.
#include "field/stripe_pattern.h"

#include <cmath>

#include "field/edge_blocks.h"
#include "field/sparse_solve.h"

namespace field {
namespace {

void AddBlock(std::vector<double>& values, double m00, double m01, double m10, double m11) {
  values.insert(values.end(), {m00, m01, m10, m11});
}

}  // namespace

bool SolveStripes(const PieceGeometry& g, const std::vector<double>& angles, double frequency,
                  StripeFamily* out, const std::vector<std::complex<double>>* carried,
                  const EdgeBlockPattern* shared, int iterations) {
  const int n = static_cast<int>(g.masses.size());
  out->omega.resize(g.edges.size());
  out->sign.resize(g.edges.size());
  std::vector<double> values;
  if (!carried) values.reserve(kEdgeBlockValues * g.edges.size());
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
    AddBlock(values, w, 0, 0, w);
    AddBlock(values, w, 0, 0, w);
    // -2 w Re(conj(psi_b) r psi_a), or -2 w Re(psi_b r psi_a) across a turn.
    if (sign > 0) {
      AddBlock(values, -w * c, w * s, -w * s, -w * c);
      AddBlock(values, -w * c, -w * s, w * s, -w * c);
    } else {
      AddBlock(values, -w * c, w * s, w * s, w * c);
      AddBlock(values, -w * c, w * s, w * s, w * c);
    }
  }
  if (carried) {
    out->psi = *carried;
    return true;
  }
  const RealMatrix a = EdgeBlockMatrix(n, g.edges, values, shared);
  std::vector<double> mass(2 * n);
  for (int v = 0; v < n; ++v) mass[2 * v] = mass[2 * v + 1] = g.masses[v];
  // The start: the phases carried from vertex to vertex along a spanning tree, which the
  // iterations then smooth where the tree's branches meet.
  Eigen::VectorXd x = Eigen::VectorXd::Zero(2 * n);
  // Each vertex's edges in the order of the edges, from `first[v]` to `first[v + 1]`.
  std::vector<int> first(n + 1, 0), incident(2 * g.edges.size());
  for (const PieceEdge& e : g.edges) ++first[e.a + 1], ++first[e.b + 1];
  for (int v = 0; v < n; ++v) first[v + 1] += first[v];
  {
    std::vector<int> fill(first.begin(), first.end() - 1);
    for (size_t k = 0; k < g.edges.size(); ++k)
      incident[fill[g.edges[k].a]++] = static_cast<int>(k),
      incident[fill[g.edges[k].b]++] = static_cast<int>(k);
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
      for (int i = first[v]; i < first[v + 1]; ++i) {
        const int k = incident[i];
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
  if (!SmallestEigenvector(a, mass, 1e-6 * frequency * frequency, iterations, frequency * frequency, 6, &x,
                           shared ? &shared->Order() : nullptr))
    return false;
  out->psi.resize(n);
  for (int v = 0; v < n; ++v) out->psi[v] = {x[2 * v], x[2 * v + 1]};
  return true;
}

}  // namespace field
