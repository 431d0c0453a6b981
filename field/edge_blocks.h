// The sparse matrices of the line field and the stripes: a 2x2 block at (a, a), (b, b), (b, a)
// and (a, b) for every edge, so a piece's systems share one pattern. It is worked out once a
// piece and then only refilled.
#pragma once

#include <utility>
#include <vector>

#include "field/piece_geometry.h"
#include "field/sparse_solve.h"

namespace field {

// The four blocks of an edge, in the order (a, a), (b, b), (b, a), (a, b), each row by row.
inline constexpr int kEdgeBlockValues = 16;

// The pattern of one piece's edge blocks, with where each value goes.
class EdgePattern {
 public:
  bool Empty() const { return vertices_ < 0; }
  bool Matches(int vertices, const std::vector<PieceEdge>& edges) const;
  void Build(int vertices, const std::vector<PieceEdge>& edges);
  // The matrix of the pattern with `values` summed in, in their order.
  void Fill(const std::vector<double>& values, RealMatrix* matrix) const;
  const RealMatrix& Matrix() const { return matrix_; }
  // Fills the pattern's own matrix and hands it over, leaving the pattern to be built again.
  RealMatrix Release(const std::vector<double>& values);

 private:
  int vertices_ = -1;
  std::vector<std::pair<int, int>> ends_;
  RealMatrix matrix_;
  // Where each value goes in the matrix's values, and whether it is the first to go there.
  std::vector<int> target_;
  std::vector<char> first_;
};

// What the systems solved on one piece share: the edge blocks' pattern and the factorisation's
// ordering. The line field's solve fills both; the stripes' only read them, so that they may run
// on several threads once it is done.
struct PieceSystems {
  EdgePattern pattern;
  KeptOrdering ordering;
};

// The matrix of `vertices` 2x2 blocks with `values` (kEdgeBlockValues an edge, in the order of
// `edges`); where blocks overlap, their entries are summed in that order. `pattern`, when it
// matches, saves working the pattern out.
RealMatrix EdgeBlockMatrix(int vertices, const std::vector<PieceEdge>& edges,
                           const std::vector<double>& values, const EdgePattern* pattern = nullptr);

}  // namespace field
