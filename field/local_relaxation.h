// Relaxation where a field of unit complex values is rough. A solution carried from a coarse copy
// of a piece holds small defects where the copy's clusters were misshapen: pairs of
// singularities a few edges apart, which a solve on the piece itself would not have. Each vertex
// near a rough edge takes the weighted mean of its neighbours' values, carried into its own frame
// and scaled back to unit length, for a number of sweeps in vertex order: the pairs close up,
// and what lies away from them, like a singularity the field needs, stays where it is.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "field/piece_geometry.h"

namespace field {

// Each vertex's edges: `incident[start[v]]` to `incident[start[v + 1]]`.
struct VertexEdges {
  std::vector<int> start, incident;
};
VertexEdges EdgesAround(const PieceGeometry& g);

struct Relaxation {
  double roughAngle;  // an edge whose ends differ by more than this, once carried, is rough
  int rings;          // the vertices this many edges or fewer from a rough edge are relaxed
  int sweeps;
};

// `carry(k, v)`: the value at the other end of edge k as it reads in v's frame. Deterministic:
// the same values whatever thread calls it.
template <typename Carry>
void RelaxWhereRough(const PieceGeometry& g, const VertexEdges& around, const Carry& carry,
                     const Relaxation& relaxation, std::vector<std::complex<double>>* values) {
  const size_t n = values->size();
  const double smooth = std::cos(relaxation.roughAngle);
  std::vector<int> depth(n, -1), region;
  for (size_t k = 0; k < g.edges.size(); ++k) {
    const int a = g.edges[k].a;
    const std::complex<double> there = carry(static_cast<int>(k), a), here = (*values)[a];
    // The cosine of the angle between the two, without taking either's argument.
    if ((there * std::conj(here)).real() >= smooth * std::sqrt(std::norm(there) * std::norm(here))) continue;
    for (int v : {a, g.edges[k].b})
      if (depth[v] < 0) depth[v] = 0, region.push_back(v);
  }
  for (size_t head = 0; head < region.size(); ++head) {
    const int v = region[head];
    if (depth[v] >= relaxation.rings) continue;
    for (int i = around.start[v]; i < around.start[v + 1]; ++i) {
      const PieceEdge& e = g.edges[around.incident[i]];
      const int w = e.a == v ? e.b : e.a;
      if (depth[w] < 0) depth[w] = depth[v] + 1, region.push_back(w);
    }
  }
  std::sort(region.begin(), region.end());
  for (int sweep = 0; sweep < relaxation.sweeps; ++sweep)
    for (int v : region) {
      std::complex<double> sum = 0;
      for (int i = around.start[v]; i < around.start[v + 1]; ++i) {
        const int k = around.incident[i];
        // Cotangent weights turn negative across obtuse angles; a mean wants them positive.
        sum += std::max(g.edges[k].weight, 0.0) * carry(k, v);
      }
      const double length = std::sqrt(std::norm(sum));
      if (length > 0 && std::isfinite(length)) (*values)[v] = sum / length;
    }
}

}  // namespace field
