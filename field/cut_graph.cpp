// The cut tree of the phase unwrap (see cut_graph.h): every singular triangle and the border
// grow regions by distance along the edges at once; where two regions meet, the two shortest
// paths back to their sources and the edge between them can join the two; the cheapest joins
// that close no loop among the sources are kept, as in a minimum spanning tree. A join between
// singularities that already cancel costs nothing in the picture: the phases agree across it.
#include "field/cut_graph.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <numeric>
#include <queue>
#include <utility>

namespace field {
namespace {

int Root(std::vector<int>& parent, int i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

}  // namespace

std::vector<char> CutGraph(const FieldPiece& piece, const PieceGeometry& g, const std::vector<char>& singular,
                           const std::vector<int>& edgeSides) {
  const size_t n = piece.positions.size(), edges = g.edges.size();
  std::vector<char> cut(edges, 0);
  // Each vertex's edges as its search reads them, side by side (offsets then entries): the
  // edges themselves lie in no order near their vertices, and fetching them is what a search
  // on a large piece waits for.
  struct Arc {
    int to, edge;
    double length;
  };
  std::vector<int> offset(n + 1, 0);
  std::vector<Arc> arcs(2 * edges);
  for (const PieceEdge& e : g.edges) ++offset[e.a + 1], ++offset[e.b + 1];
  std::partial_sum(offset.begin(), offset.end(), offset.begin());
  {
    std::vector<int> fill(offset.begin(), offset.end() - 1);
    for (size_t k = 0; k < edges; ++k) {
      const PieceEdge& e = g.edges[k];
      arcs[fill[e.a]++] = {e.b, static_cast<int>(k), e.length};
      arcs[fill[e.b]++] = {e.a, static_cast<int>(k), e.length};
    }
  }
  // Sources: the border is source 0, each singular triangle (through its first corner) one more.
  // What the search keeps of a vertex, together: a relaxation reads and writes it at once.
  struct Reach {
    double dist = std::numeric_limits<double>::infinity();
    int label = -1, parentEdge = -1;
  };
  std::vector<Reach> reach(n);
  using Item = std::pair<double, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
  int sources = 1;
  for (size_t k = 0; k < edges; ++k)
    if (edgeSides[k] == 1)
      for (int v : {g.edges[k].a, g.edges[k].b})
        if (reach[v].label < 0) reach[v].label = 0, reach[v].dist = 0, queue.push({0.0, v});
  for (size_t t = 0; t < piece.triangles.size(); ++t) {
    const int v = piece.triangles[t][0];
    if (!singular[t]) continue;
    // The singularity reaches its first corner through the triangle: the walk may enter it
    // only across the far side, so that what does not close lies on the two sides at that corner.
    cut[g.triangleEdges[t][0]] = cut[g.triangleEdges[t][2]] = 1;
    if (reach[v].label >= 0) continue;
    reach[v].label = sources++, reach[v].dist = 0, queue.push({0.0, v});
  }
  if (sources < 2) return cut;
  while (!queue.empty()) {
    const auto [d, v] = queue.top();
    queue.pop();
    if (d > reach[v].dist) continue;
    const int label = reach[v].label;
    for (int i = offset[v]; i < offset[v + 1]; ++i) {
      const Arc& arc = arcs[i];
      Reach& to = reach[arc.to];
      if (d + arc.length < to.dist) {
        to.dist = d + arc.length, to.label = label, to.parentEdge = arc.edge;
        queue.push({to.dist, arc.to});
      }
    }
  }
  std::vector<std::pair<double, int>> joins;
  for (size_t k = 0; k < edges; ++k) {
    const PieceEdge& e = g.edges[k];
    const Reach &a = reach[e.a], &b = reach[e.b];
    if (a.label >= 0 && b.label >= 0 && a.label != b.label)
      joins.push_back({a.dist + e.length + b.dist, static_cast<int>(k)});
  }
  std::sort(joins.begin(), joins.end());
  std::vector<int> group(static_cast<size_t>(sources));
  std::vector<char> onPath(n, 0);  // the path from here back to its source is cut already
  std::iota(group.begin(), group.end(), 0);
  for (const auto& [cost, k] : joins) {
    const PieceEdge& e = g.edges[k];
    const int ra = Root(group, reach[e.a].label), rb = Root(group, reach[e.b].label);
    if (ra == rb) continue;
    group[ra] = rb;
    cut[k] = 1;
    for (int v : {e.a, e.b})
      while (reach[v].parentEdge >= 0 && !onPath[v]) {
        onPath[v] = 1, cut[reach[v].parentEdge] = 1;
        const PieceEdge& up = g.edges[reach[v].parentEdge];
        v = up.a == v ? up.b : up.a;
      }
  }
  return cut;
}

}  // namespace field
