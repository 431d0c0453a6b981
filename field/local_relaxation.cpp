// The region near rough edges and its sweeps (see local_relaxation.h).
#include "field/local_relaxation.h"

#include <algorithm>
#include <cmath>

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

void RelaxWhereRough(const PieceGeometry& g, const VertexEdges& around, int rings, int sweeps, RoughField* field) {
  const size_t n = g.masses.size();
  std::vector<int> depth(n, -1), region;
  for (size_t k = 0; k < g.edges.size(); ++k) {
    if (!field->Rough(static_cast<int>(k))) continue;
    for (int v : {g.edges[k].a, g.edges[k].b})
      if (depth[v] < 0) depth[v] = 0, region.push_back(v);
  }
  if (region.empty()) return;
  for (size_t head = 0; head < region.size(); ++head) {
    const int v = region[head];
    if (depth[v] >= rings) continue;
    for (int i = around.start[v]; i < around.start[v + 1]; ++i) {
      const PieceEdge& e = g.edges[around.incident[i]];
      const int w = e.a == v ? e.b : e.a;
      if (depth[w] < 0) depth[w] = depth[v] + 1, region.push_back(w);
    }
  }
  std::sort(region.begin(), region.end());

  // The sweeps read a compact copy: the region's values first, then those of the vertices just
  // outside it, which stay as they are; each region vertex's terms side by side.
  std::vector<int> slot(n, -1), outside;
  for (size_t i = 0; i < region.size(); ++i) slot[region[i]] = static_cast<int>(i);
  struct Term {
    std::complex<double> factor;
    double weight;
    int from;
    bool conjugated;
  };
  std::vector<Term> terms;
  std::vector<int> first(region.size() + 1, 0);
  for (size_t i = 0; i < region.size(); ++i) {
    const int v = region[i];
    for (int j = around.start[v]; j < around.start[v + 1]; ++j) {
      const int k = around.incident[j];
      const PieceEdge& e = g.edges[k];
      const int w = e.a == v ? e.b : e.a;
      if (slot[w] < 0) slot[w] = static_cast<int>(region.size() + outside.size()), outside.push_back(w);
      Term term;
      term.factor = field->Carry(k, v, &term.conjugated);
      term.weight = e.weight;  // positive: the geometry clamps cotangent weights
      term.from = slot[w];
      terms.push_back(term);
    }
    first[i + 1] = static_cast<int>(terms.size());
  }
  std::vector<std::complex<double>> values(region.size() + outside.size());
  for (size_t i = 0; i < region.size(); ++i) values[i] = field->Value(region[i]);
  for (size_t i = 0; i < outside.size(); ++i) values[region.size() + i] = field->Value(outside[i]);
  for (int sweep = 0; sweep < sweeps; ++sweep)
    for (size_t i = 0; i < region.size(); ++i) {
      std::complex<double> sum = 0;
      for (int j = first[i]; j < first[i + 1]; ++j) {
        const Term& t = terms[j];
        const std::complex<double> there = t.conjugated ? std::conj(values[t.from]) : values[t.from];
        sum += t.weight * (t.factor * there);
      }
      const double length = std::sqrt(std::norm(sum));
      if (length > 0 && std::isfinite(length)) values[i] = sum / length;
    }
  for (size_t i = 0; i < region.size(); ++i) field->Store(region[i], values[i]);
}

}  // namespace field
