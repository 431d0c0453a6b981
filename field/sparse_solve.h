// The sparse solves the field's solvers share (Eigen): a factorisation where the system is small
// enough for its fill-in, preconditioned conjugate gradients above that, where a factorisation's
// time and memory grow faster than the mesh.
#pragma once

#include <Eigen/Core>
#include <Eigen/SparseCore>
#include <vector>

namespace field {

using RealMatrix = Eigen::SparseMatrix<double>;

// Systems with more unknowns than this are solved iteratively.
inline constexpr Eigen::Index kFactoredUnknowns = 40000;

// The fill-reducing ordering of one matrix pattern, kept for the later systems of that pattern:
// the first factorisation handed an empty one fills it; later ones whose pattern matches only
// read it, so that once it is filled several threads may share it.
class KeptOrdering {
 public:
  bool Empty() const { return outer_.empty(); }
  bool Matches(const RealMatrix& m) const;
  void Keep(const RealMatrix& m,
            const Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int>& inverse);
  const Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int>& Inverse() const { return inverse_; }

 private:
  std::vector<int> outer_, inner_;
  Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> inverse_;
};

// An eigenvector of A x = lambda M x for a small lambda, for A symmetric positive semi-definite
// and M diagonal positive (`mass`, one entry a row), by inverse power iteration on A + shift M
// from `x`. Systems too large to factor use `iterativeShift` (larger, so that each solve takes
// few iterations) and `iterativeSteps`: the low end of the spectrum then, not its very bottom,
// which is why `x` should start near the answer. False when a solve fails or a value is not finite.
// A factorisation takes its ordering from `reuse` when it matches, and leaves it in `keep` when
// that is empty.
bool SmallestEigenvector(const RealMatrix& a, const std::vector<double>& mass, double shift, int iterations,
                         double iterativeShift, int iterativeSteps, Eigen::VectorXd* x,
                         const KeptOrdering* reuse = nullptr, KeptOrdering* keep = nullptr);

// Solves (A + shift M) x = b; false on failure.
bool SolveShifted(const RealMatrix& a, const std::vector<double>& mass, double shift,
                  const Eigen::VectorXd& b, Eigen::VectorXd* x, const KeptOrdering* reuse = nullptr,
                  KeptOrdering* keep = nullptr);

}  // namespace field
