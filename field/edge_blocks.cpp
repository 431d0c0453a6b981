// The edge blocks' pattern, kept for the next system of the same piece (see edge_blocks.h).
#include "field/edge_blocks.h"

#include <algorithm>
#include <utility>

namespace field {

bool EdgePattern::Matches(int n, const std::vector<PieceEdge>& edges) const {
  return n == vertices_ && ends_.size() == edges.size() &&
         std::equal(ends_.begin(), ends_.end(), edges.begin(),
                    [](const std::pair<int, int>& p, const PieceEdge& e) {
                      return p.first == e.a && p.second == e.b;
                    });
}

void EdgePattern::Build(int n, const std::vector<PieceEdge>& edges) {
  vertices_ = n;
  ends_.clear();
  std::vector<Eigen::Triplet<double>> entries;
  entries.reserve(kEdgeBlockValues * edges.size());
  for (const PieceEdge& e : edges) {
    ends_.emplace_back(e.a, e.b);
    for (const auto& [row, column] : {std::pair{e.a, e.a}, {e.b, e.b}, {e.b, e.a}, {e.a, e.b}})
      for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) entries.emplace_back(2 * row + i, 2 * column + j, 0.0);
  }
  matrix_.resize(2 * n, 2 * n);
  matrix_.setFromTriplets(entries.begin(), entries.end());
  matrix_.makeCompressed();
  target_.resize(entries.size());
  first_.assign(entries.size(), 0);
  std::vector<char> reached(static_cast<size_t>(matrix_.nonZeros()), 0);
  for (size_t k = 0; k < entries.size(); ++k) {
    const int* rows = matrix_.innerIndexPtr();
    const int begin = matrix_.outerIndexPtr()[entries[k].col()],
              end = matrix_.outerIndexPtr()[entries[k].col() + 1];
    target_[k] = static_cast<int>(std::lower_bound(rows + begin, rows + end, entries[k].row()) - rows);
    first_[k] = !reached[target_[k]];
    reached[target_[k]] = 1;
  }
}

// Sums in the order setFromTriplets makes them, so the matrix is the same to the bit.
void EdgePattern::Fill(const std::vector<double>& values, RealMatrix* matrix) const {
  double* out = matrix->valuePtr();
  for (size_t k = 0; k < target_.size(); ++k)
    out[target_[k]] = first_[k] ? values[k] : out[target_[k]] + values[k];
}

RealMatrix EdgePattern::Release(const std::vector<double>& values) {
  Fill(values, &matrix_);
  vertices_ = -1;
  ends_.clear();
  return std::move(matrix_);
}

namespace {

// Patterns of more edges than this are not kept, so that what is kept stays small.
constexpr size_t kKeptEdges = 20000;

}  // namespace

RealMatrix EdgeBlockMatrix(int vertices, const std::vector<PieceEdge>& edges,
                           const std::vector<double>& values, const EdgePattern* pattern) {
  if (pattern && pattern->Matches(vertices, edges)) {
    RealMatrix matrix = pattern->Matrix();
    pattern->Fill(values, &matrix);
    return matrix;
  }
  if (edges.size() > kKeptEdges) {
    EdgePattern pattern;
    pattern.Build(vertices, edges);
    return pattern.Release(values);
  }
  thread_local EdgePattern kept;
  if (!kept.Matches(vertices, edges)) kept.Build(vertices, edges);
  RealMatrix matrix = kept.Matrix();
  kept.Fill(values, &matrix);
  return matrix;
}

}  // namespace field
