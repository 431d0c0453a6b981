// The edge blocks' pattern, kept for the next system of the same piece (see edge_blocks.h).
#include "field/edge_blocks.h"

#include <algorithm>

namespace field {

struct EdgeBlockPattern::Pattern {
  int vertices = -1;
  std::vector<std::pair<int, int>> ends;
  RealMatrix matrix;
  // Where each value goes in the matrix's values, and whether it is the first to go there.
  std::vector<int> target;
  std::vector<char> first;

  bool Matches(int n, const std::vector<PieceEdge>& edges) const {
    return n == vertices && ends.size() == edges.size() &&
           std::equal(ends.begin(), ends.end(), edges.begin(),
                      [](const std::pair<int, int>& p, const PieceEdge& e) {
                        return p.first == e.a && p.second == e.b;
                      });
  }

  void Build(int n, const std::vector<PieceEdge>& edges) {
    vertices = n;
    ends.clear();
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(kEdgeBlockValues * edges.size());
    for (const PieceEdge& e : edges) {
      ends.emplace_back(e.a, e.b);
      for (const auto& [row, column] : {std::pair{e.a, e.a}, {e.b, e.b}, {e.b, e.a}, {e.a, e.b}})
        for (int i = 0; i < 2; ++i)
          for (int j = 0; j < 2; ++j) entries.emplace_back(2 * row + i, 2 * column + j, 0.0);
    }
    matrix.resize(2 * n, 2 * n);
    matrix.setFromTriplets(entries.begin(), entries.end());
    matrix.makeCompressed();
    target.resize(entries.size());
    first.assign(entries.size(), 0);
    std::vector<char> reached(static_cast<size_t>(matrix.nonZeros()), 0);
    for (size_t k = 0; k < entries.size(); ++k) {
      const int* rows = matrix.innerIndexPtr();
      const int begin = matrix.outerIndexPtr()[entries[k].col()],
                end = matrix.outerIndexPtr()[entries[k].col() + 1];
      target[k] = static_cast<int>(std::lower_bound(rows + begin, rows + end, entries[k].row()) - rows);
      first[k] = !reached[target[k]];
      reached[target[k]] = 1;
    }
  }
};

namespace {

using Pattern = EdgeBlockPattern::Pattern;

// Sums in the order setFromTriplets makes them, so the matrix is the same to the bit.
void Fill(const Pattern& pattern, const std::vector<double>& values, RealMatrix* matrix) {
  double* out = matrix->valuePtr();
  for (size_t k = 0; k < pattern.target.size(); ++k)
    out[pattern.target[k]] = pattern.first[k] ? values[k] : out[pattern.target[k]] + values[k];
}

// Patterns of more edges than this are not kept, so that what is kept stays small.
constexpr size_t kKeptEdges = 20000;

}  // namespace

EdgeBlockPattern::EdgeBlockPattern(int vertices, const std::vector<PieceEdge>& edges)
    : pattern_(std::make_unique<Pattern>()) {
  pattern_->Build(vertices, edges);
  order_ = NestedDissection(pattern_->matrix);
}

EdgeBlockPattern::~EdgeBlockPattern() = default;

RealMatrix EdgeBlockMatrix(int vertices, const std::vector<PieceEdge>& edges, const std::vector<double>& values,
                           const EdgeBlockPattern* shared) {
  if (shared && shared->pattern_->Matches(vertices, edges)) {
    RealMatrix matrix = shared->pattern_->matrix;
    Fill(*shared->pattern_, values, &matrix);
    return matrix;
  }
  if (edges.size() > kKeptEdges) {
    Pattern pattern;
    pattern.Build(vertices, edges);
    Fill(pattern, values, &pattern.matrix);
    return std::move(pattern.matrix);
  }
  thread_local Pattern kept;
  if (!kept.Matches(vertices, edges)) kept.Build(vertices, edges);
  Fill(kept, values, &kept.matrix);
  return kept.matrix;
}

}  // namespace field
