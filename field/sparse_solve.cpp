// Eigen's simplicial LDL^T, or its conjugate gradients, behind the solves of sparse_solve.h;
// METIS for the nested dissection.
#include "field/sparse_solve.h"

#include <metis.h>

#include <Eigen/IterativeLinearSolvers>
#include <Eigen/OrderingMethods>
#include <Eigen/SparseCholesky>
#include <algorithm>
#include <cmath>

namespace field {
namespace {

// Enough for a shift that dominates the cotangent weights at the stripes' scale.
constexpr int kMaxIterations = 80;

RealMatrix Shifted(const RealMatrix& a, const std::vector<double>& mass, double shift) {
  RealMatrix shifted = a;
  for (int i = 0; i < shifted.rows(); ++i) shifted.coeffRef(i, i) += shift * mass[i];
  shifted.makeCompressed();
  return shifted;
}

// Minimum degree on the graph of the vertices, each vertex's two unknowns kept next to each
// other: a quarter of the entries to order, and the fill of the 2x2 blocks is the same.
struct PairedAmdOrdering {
  using PermutationType = Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int>;

  template <typename MatrixType>
  void operator()(const MatrixType& a, PermutationType& perm) const {
    const int n = static_cast<int>(a.cols() / 2);
    RealMatrix pattern(n, n);
    Eigen::VectorXi perColumn(n);
    for (int v = 0; v < n; ++v) perColumn[v] = static_cast<int>(a.col(2 * v).nonZeros() / 2 + 1);
    pattern.reserve(perColumn);
    for (int v = 0; v < n; ++v) {
      int last = -1;
      for (typename MatrixType::InnerIterator it(a, 2 * v); it; ++it) {
        const int u = static_cast<int>(it.row() / 2);
        if (u != last && u < n) pattern.insert(u, v) = 1, last = u;
      }
    }
    pattern.makeCompressed();
    PermutationType vertices;
    Eigen::AMDOrdering<int>()(pattern.selfadjointView<Eigen::Lower>(), vertices);
    perm.resize(2 * n);
    for (int v = 0; v < n; ++v) {
      perm.indices()[2 * v] = 2 * vertices.indices()[v];
      perm.indices()[2 * v + 1] = 2 * vertices.indices()[v] + 1;
    }
  }
};

// One solve a step, by whichever solver `Solver` is, normalised in the mass norm.
template <typename Solver>
bool Iterate(const Solver& solver, const std::vector<double>& mass, int steps, Eigen::VectorXd* x) {
  const Eigen::Map<const Eigen::VectorXd> m(mass.data(), static_cast<Eigen::Index>(mass.size()));
  // Vectors kept across the steps: a solve into a vector of the right size allocates nothing.
  Eigen::VectorXd weighted(x->size()), next(x->size());
  for (int k = 0; k < steps; ++k) {
    weighted = m.cwiseProduct(*x);
    if constexpr (requires { solver.solveWithGuess(*x, *x); })
      next = solver.solveWithGuess(weighted, *x);
    else
      next = solver.solve(weighted);
    const double norm = std::sqrt(next.dot(m.cwiseProduct(next)));
    if (!(norm > 0) || !std::isfinite(norm)) return false;
    *x = next / norm;
  }
  return true;
}

using Factored = Eigen::SimplicialLDLT<RealMatrix, Eigen::Lower, PairedAmdOrdering>;
// For a system already permuted into its order.
using Preordered = Eigen::SimplicialLDLT<RealMatrix, Eigen::Upper, Eigen::NaturalOrdering<int>>;
using Iterative = Eigen::ConjugateGradient<RealMatrix, Eigen::Lower | Eigen::Upper>;

// A shifted solve whose shift is large against the weights is well conditioned: where the
// diagonal's weights come to at most this many times the shift's (a mesh of eight vertices a
// stripe period smoothed over half a period: 65 to 100), conjugate gradients reach the residual
// below in about 100 iterations, a fifth of a factorisation's time, with the same answer to
// about six digits (1.8e-6 apart on the 200k sphere's coarse copy). Finer meshes take thousands
// (a ratio of 350 did not settle in 400) and are factored, as is a system that does not settle in
// the iterations allowed after all.
constexpr double kIteratedRatio = 150;
constexpr double kConvergedResidual = 1e-6;
constexpr int kConvergedIterations = 400;

// The sum of A's diagonal over the sum of the shift's.
double WeightsOverShift(const RealMatrix& a, const std::vector<double>& mass, double shift) {
  double weights = 0, shifted = 0;
  for (Eigen::Index i = 0; i < a.rows(); ++i) weights += a.coeff(i, i), shifted += shift * mass[i];
  return weights / shifted;
}

// Small pieces come by the dozen, and for them ordering and symbolic analysis cost as much as
// the factorisation itself. A piece's systems share one pattern (a 2x2 block a vertex and an
// edge), so the analysis of the last small pattern is kept for the next system. Larger systems
// are analysed each time and their factors freed, so that what is kept stays small.
constexpr Eigen::Index kKeptUnknowns = 4000;

class KeptAnalysis {
 public:
  // False when the matrix is not positive definite.
  bool Factor(const RealMatrix& m) {
    const Eigen::Index outer = m.outerSize() + 1, inner = m.nonZeros();
    if (!std::equal(m.outerIndexPtr(), m.outerIndexPtr() + outer, outer_.begin(), outer_.end()) ||
        !std::equal(m.innerIndexPtr(), m.innerIndexPtr() + inner, inner_.begin(), inner_.end())) {
      solver_.analyzePattern(m);
      outer_.assign(m.outerIndexPtr(), m.outerIndexPtr() + outer);
      inner_.assign(m.innerIndexPtr(), m.innerIndexPtr() + inner);
    }
    solver_.factorize(m);
    return solver_.info() == Eigen::Success;
  }
  const Factored& Solver() const { return solver_; }

 private:
  Factored solver_;
  std::vector<int> outer_, inner_;
};

// Calls `use` with a factorisation of `m` (compressed); false when it failed.
template <typename Use>
bool WithFactorisation(const RealMatrix& m, const Use& use) {
  if (m.rows() <= kKeptUnknowns) {
    thread_local KeptAnalysis kept;
    return kept.Factor(m) && use(kept.Solver());
  }
  const Factored solver(m);
  return solver.info() == Eigen::Success && use(solver);
}

// A factorisation of a shifted system permuted into `order`, solving in the system's own order.
class OrderedFactorisation {
 public:
  OrderedFactorisation(const RealMatrix& shifted, const BlockOrder& order) : permutation_(shifted.rows()) {
    const Eigen::Index n = shifted.rows();
    for (Eigen::Index i = 0; i < n; ++i)
      permutation_.indices()[i] = 2 * order[static_cast<size_t>(i / 2)] + static_cast<int>(i % 2);
    RealMatrix permuted(n, n);
    permuted.selfadjointView<Eigen::Upper>() =
        shifted.selfadjointView<Eigen::Lower>().twistedBy(permutation_);
    solver_.compute(permuted);
  }
  bool Succeeded() const { return solver_.info() == Eigen::Success; }
  Eigen::VectorXd solve(const Eigen::VectorXd& b) const {
    return permutation_.transpose() * solver_.solve(permutation_ * b);
  }

 private:
  Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> permutation_;
  Preordered solver_;
};

bool Ordered(const BlockOrder* order) {
  return order && !order->empty();
}

}  // namespace

BlockOrder NestedDissection(const RealMatrix& pattern) {
  const idx_t n = static_cast<idx_t>(pattern.cols() / 2);
  // The blocks' graph: each vertex's neighbours from the first column of its block, once each.
  std::vector<idx_t> start(1, 0), neighbours;
  neighbours.reserve(static_cast<size_t>(pattern.nonZeros() / 4));
  for (idx_t v = 0; v < n; ++v) {
    idx_t last = -1;
    for (RealMatrix::InnerIterator it(pattern, 2 * v); it; ++it) {
      const idx_t u = static_cast<idx_t>(it.row() / 2);
      if (u != last && u != v && u < n) neighbours.push_back(u);
      last = u;
    }
    start.push_back(static_cast<idx_t>(neighbours.size()));
  }
  idx_t options[METIS_NOPTIONS];
  METIS_SetDefaultOptions(options);
  std::vector<idx_t> permutation(static_cast<size_t>(n)), position(static_cast<size_t>(n));
  idx_t vertices = n;
  if (n < 2 || METIS_NodeND(&vertices, start.data(), neighbours.data(), nullptr, options, permutation.data(),
                            position.data()) != METIS_OK)
    return {};
  return BlockOrder(position.begin(), position.end());
}

bool SolveShifted(const RealMatrix& a, const std::vector<double>& mass, double shift,
                  const Eigen::VectorXd& b, Eigen::VectorXd* x, const BlockOrder* order) {
  const RealMatrix shifted = Shifted(a, mass, shift);
  if (a.rows() > kFactoredUnknowns) {
    Iterative solver(shifted);
    solver.setMaxIterations(kMaxIterations);
    *x = solver.solve(b);
    return x->allFinite();
  }
  if (a.rows() > kKeptUnknowns && WeightsOverShift(a, mass, shift) <= kIteratedRatio) {
    Iterative solver(shifted);
    solver.setTolerance(kConvergedResidual);
    solver.setMaxIterations(kConvergedIterations);
    *x = solver.solve(b);
    if (solver.info() == Eigen::Success && x->allFinite()) return true;
  }
  if (Ordered(order)) {
    const OrderedFactorisation solver(shifted, *order);
    if (!solver.Succeeded()) return false;
    *x = solver.solve(b);
  } else if (!WithFactorisation(shifted,
                                [&](const Factored& solver) { return (*x = solver.solve(b)), true; })) {
    return false;
  }
  return x->allFinite();
}

bool SmallestEigenvector(const RealMatrix& a, const std::vector<double>& mass, double shift, int iterations,
                         double iterativeShift, int iterativeSteps, Eigen::VectorXd* x,
                         const BlockOrder* order) {
  if (Ordered(order) && a.rows() <= kFactoredUnknowns) {
    const OrderedFactorisation solver(Shifted(a, mass, shift), *order);
    return solver.Succeeded() && Iterate(solver, mass, iterations, x);
  }
  if (a.rows() <= kFactoredUnknowns) {
    return WithFactorisation(Shifted(a, mass, shift),
                             [&](const Factored& solver) { return Iterate(solver, mass, iterations, x); });
  }
  // The solver keeps a reference to its matrix.
  const RealMatrix shifted = Shifted(a, mass, iterativeShift);
  Iterative solver(shifted);
  solver.setMaxIterations(kMaxIterations);
  return Iterate(solver, mass, iterativeSteps, x);
}

}  // namespace field
