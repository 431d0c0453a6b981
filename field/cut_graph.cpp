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

VertexArcs ArcsOf(const FieldPiece& piece, const PieceGeometry& g) {
  VertexArcs out;
  out.offset.assign(piece.positions.size() + 1, 0);
  out.arcs.resize(2 * g.edges.size());
  for (const PieceEdge& e : g.edges) ++out.offset[e.a + 1], ++out.offset[e.b + 1];
  std::partial_sum(out.offset.begin(), out.offset.end(), out.offset.begin());
  std::vector<int> fill(out.offset.begin(), out.offset.end() - 1);
  for (size_t k = 0; k < g.edges.size(); ++k) {
    const PieceEdge& e = g.edges[k];
    out.arcs[fill[e.a]++] = {e.b, static_cast<int>(k), e.length};
    out.arcs[fill[e.b]++] = {e.a, static_cast<int>(k), e.length};
  }
  return out;
}

std::vector<char> CutGraph(const FieldPiece& piece, const PieceGeometry& g, const VertexArcs& vertexArcs,
                           const std::vector<char>& singular, const std::vector<int>& edgeSides) {
  const size_t n = piece.positions.size(), edges = g.edges.size();
  std::vector<char> cut(edges, 0);
  const std::vector<int>& offset = vertexArcs.offset;
  // Sources: the border is source 0, each singular triangle (through its first corner) one more.
  std::vector<int> label(n, -1), parentEdge(n, -1);
  std::vector<double> dist(n, std::numeric_limits<double>::infinity());
  using Item = std::pair<double, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
  int sources = 1;
  for (size_t k = 0; k < edges; ++k)
    if (edgeSides[k] == 1)
      for (int v : {g.edges[k].a, g.edges[k].b})
        if (label[v] < 0) label[v] = 0, dist[v] = 0, queue.push({0.0, v});
  for (size_t t = 0; t < piece.triangles.size(); ++t) {
    const int v = piece.triangles[t][0];
    if (!singular[t]) continue;
    // The singularity reaches its first corner through the triangle: the walk may enter it
    // only across the far side, so that what does not close lies on the two sides at that corner.
    cut[g.triangleEdges[t][0]] = cut[g.triangleEdges[t][2]] = 1;
    if (label[v] >= 0) continue;
    label[v] = sources++, dist[v] = 0, queue.push({0.0, v});
  }
  if (sources < 2) return cut;
  while (!queue.empty()) {
    const auto [d, v] = queue.top();
    queue.pop();
    if (d > dist[v]) continue;
    for (int i = offset[v]; i < offset[v + 1]; ++i) {
      const VertexArcs::Arc& arc = vertexArcs.arcs[i];
      if (d + arc.length < dist[arc.to]) {
        dist[arc.to] = d + arc.length, label[arc.to] = label[v], parentEdge[arc.to] = arc.edge;
        queue.push({dist[arc.to], arc.to});
      }
    }
  }
  std::vector<std::pair<double, int>> joins;
  for (size_t k = 0; k < edges; ++k) {
    const PieceEdge& e = g.edges[k];
    if (label[e.a] >= 0 && label[e.b] >= 0 && label[e.a] != label[e.b])
      joins.push_back({dist[e.a] + e.length + dist[e.b], static_cast<int>(k)});
  }
  std::sort(joins.begin(), joins.end());
  std::vector<int> group(static_cast<size_t>(sources));
  std::vector<char> onPath(n, 0);  // the path from here back to its source is cut already
  std::iota(group.begin(), group.end(), 0);
  for (const auto& [cost, k] : joins) {
    const PieceEdge& e = g.edges[k];
    const int ra = Root(group, label[e.a]), rb = Root(group, label[e.b]);
    if (ra == rb) continue;
    group[ra] = rb;
    cut[k] = 1;
    for (int v : {e.a, e.b})
      while (parentEdge[v] >= 0 && !onPath[v]) {
        onPath[v] = 1, cut[parentEdge[v]] = 1;
        const PieceEdge& up = g.edges[parentEdge[v]];
        v = up.a == v ? up.b : up.a;
      }
  }
  return cut;
}

}  // namespace field
