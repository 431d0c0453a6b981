// Each vertex's edges, for the relaxation's sweeps (see local_relaxation.h).
#include "field/local_relaxation.h"

namespace field {

VertexEdges EdgesAround(const PieceGeometry& g) {
  const size_t n = g.masses.size();
  VertexEdges around;
  around.start.assign(n + 1, 0);
  around.incident.resize(2 * g.edges.size());
  for (const PieceEdge& e : g.edges) ++around.start[e.a + 1], ++around.start[e.b + 1];
  for (size_t v = 0; v < n; ++v) around.start[v + 1] += around.start[v];
  std::vector<int> fill(around.start.begin(), around.start.end() - 1);
  for (size_t k = 0; k < g.edges.size(); ++k)
    around.incident[fill[g.edges[k].a]++] = static_cast<int>(k),
        around.incident[fill[g.edges[k].b]++] = static_cast<int>(k);
  return around;
}

}  // namespace field
