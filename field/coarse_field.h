// A piece too large to factor, solved on a coarser copy of itself: its vertices clustered on a
// grid several cells to the stripe period, the line field and the stripes solved there by
// factorisation and carried back to every vertex. The cost then grows like the piece, where
// iterating on the piece itself grows faster.
#pragma once

#include <array>
#include <complex>
#include <functional>
#include <memory>
#include <vector>

#include "field/edge_blocks.h"
#include "field/field_mesh.h"
#include "field/local_relaxation.h"
#include "field/piece_geometry.h"
#include "field/stripe_pattern.h"

namespace field {

class CoarseField {
 public:
  // False, leaving the piece to be solved as it is, when it is small enough to factor, when a
  // grid that resolves `period` would still be too fine to factor, or when no coarse piece is
  // large enough to solve. Needs only the piece's positions, so it can run while the piece's
  // geometry is measured.
  bool Build(const FieldPiece& piece, double period);

  // The line field solved on the coarse pieces, along the bend of the fine piece's geometry `g`
  // (clusters are too coarse to measure it: on a ball, their corners' jitter reads as strong
  // curvature in random directions); false when a solve failed.
  // On two threads when `twoThreads`: what the carrying back needs is prepared on the second,
  // and then the caller's `meanwhile`, when given (on this thread, after the solve, otherwise).
  bool SolveCoarseLineField(double smoothing, const PieceGeometry& g, bool twoThreads,
                            const std::function<void()>& meanwhile = {});

  // After both of the above: the coarse line field carried to the fine vertices of `g`, as
  // angles in their frames (on two threads when `twoThreads`), then relaxed where it is rough
  // (local_relaxation.h).
  void SolveLineField(const PieceGeometry& g, std::vector<double>* angles, bool twoThreads);

  // Stripes along the coarse line field turned by `turn`, carried to the fine vertices and
  // relaxed where rough; `angles` are the fine vertices' (turned alike), which set the fine
  // edges' phases.
  bool SolveStripes(double turn, const std::vector<double>& angles, double frequency,
                    StripeFamily* out) const;

 private:
  struct Source {
    int piece = -1, vertex = -1;
  };
  // The line field of each coarse piece from its bend tensors in space (six entries a vertex).
  bool SolveCoarsePieces(double smoothing, const std::vector<std::vector<std::array<double, 6>>>& tensors);
  // For the fine piece's geometry `g`: its edges around each vertex, a source for every fine
  // vertex whose cluster was left out (a neighbour's), and every fine vertex's blend weights.
  void PrepareCarry(const PieceGeometry& g);
  // Fine vertex v's angle from the coarse `directions` into `out`.
  void BlendLineField(const PieceGeometry& g, const std::vector<std::vector<Vec3>>& directions, size_t v,
                      double* out);
  // The coarse line field's direction at every coarse vertex, turned by `turn`, in space.
  std::vector<std::vector<Vec3>> Directions(double turn) const;
  // Calls `use(vertex, weight)` for the fine vertex's source and the source's coarse neighbours,
  // weighted by their distance, so that the carried values blend from one cluster to the next.
  template <typename Use>
  void Blend(int fine, const Use& use) const;

  const FieldPiece* fine_ = nullptr;
  const PieceGeometry* fineGeometry_ = nullptr;
  std::vector<FieldPiece> pieces_;
  std::vector<PieceGeometry> geometries_;
  // Each coarse piece's matrix pattern, shared by its line field and both stripe families.
  std::vector<std::unique_ptr<EdgeBlockPattern>> patterns_;
  std::vector<std::vector<double>> angles_;
  // Each coarse piece's vertices' neighbours, from neighbourStart_[k][v] to [v + 1].
  std::vector<std::vector<int>> neighbourStart_, neighbours_;
  double cell_ = 0;
  // The fine piece's edges around each vertex, from SolveLineField.
  VertexEdges around_;
  // Each fine vertex's weights in Blend's order, from blendStart_[v] to [v + 1]: worked out once
  // for the line field and both stripe families.
  std::vector<int> blendStart_;
  std::vector<double> blendWeights_;
  // The coarse vertex each fine vertex takes its values from.
  std::vector<Source> sources_;
};

}  // namespace field
