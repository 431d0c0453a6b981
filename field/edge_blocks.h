// The sparse matrices of the line field and the stripes: a 2x2 block at (a, a), (b, b), (b, a)
// and (a, b) for every edge, so a piece's systems share one pattern. It is worked out once a
// piece and then only refilled.
#pragma once

#include <memory>
#include <vector>

#include "field/piece_geometry.h"
#include "field/sparse_solve.h"

namespace field {

// The four blocks of an edge, in the order (a, a), (b, b), (b, a), (a, b), each row by row.
inline constexpr int kEdgeBlockValues = 16;

// A piece's pattern worked out once for systems that several threads fill at the same time, with
// a nested-dissection order for their factorisations.
class EdgeBlockPattern {
 public:
  EdgeBlockPattern(int vertices, const std::vector<PieceEdge>& edges);
  ~EdgeBlockPattern();
  EdgeBlockPattern(const EdgeBlockPattern&) = delete;
  EdgeBlockPattern& operator=(const EdgeBlockPattern&) = delete;

  const BlockOrder& Order() const { return order_; }

  struct Pattern;

 private:
  friend RealMatrix EdgeBlockMatrix(int, const std::vector<PieceEdge>&, const std::vector<double>&,
                                    const EdgeBlockPattern*);
  std::unique_ptr<Pattern> pattern_;
  BlockOrder order_;
};

// The matrix of `vertices` 2x2 blocks with `values` (kEdgeBlockValues an edge, in the order of
// `edges`); where blocks overlap, their entries are summed in that order. From `shared` when it
// was worked out for these edges, else from a pattern this thread keeps or works out.
RealMatrix EdgeBlockMatrix(int vertices, const std::vector<PieceEdge>& edges, const std::vector<double>& values,
                           const EdgeBlockPattern* shared = nullptr);

}  // namespace field
