// Eigen's simplicial LDL^T, or its conjugate gradients, behind the solves of sparse_solve.h.
#include "field/sparse_solve.h"

#include <Eigen/IterativeLinearSolvers>
#include <Eigen/SparseCholesky>
#include <cmath>

namespace field {
namespace {

// Enough for a shift that dominates the cotangent weights at the stripes' scale.
constexpr int kMaxIterations = 80;

RealMatrix Shifted(const RealMatrix& a, const std::vector<double>& mass, double shift) {
  RealMatrix shifted = a;
  for (int i = 0; i < shifted.rows(); ++i) shifted.coeffRef(i, i) += shift * mass[i];
  return shifted;
}

// One solve a step, by whichever solver `Solver` is, normalised in the mass norm.
template <typename Solver>
bool Iterate(const Solver& solver, const std::vector<double>& mass, int steps, Eigen::VectorXd* x) {
  const Eigen::Map<const Eigen::VectorXd> m(mass.data(), static_cast<Eigen::Index>(mass.size()));
  for (int k = 0; k < steps; ++k) {
    Eigen::VectorXd next;
    if constexpr (requires { solver.solveWithGuess(*x, *x); })
      next = solver.solveWithGuess(m.cwiseProduct(*x), *x);
    else
      next = solver.solve(m.cwiseProduct(*x));
    const double norm = std::sqrt(next.dot(m.cwiseProduct(next)));
    if (!(norm > 0) || !std::isfinite(norm)) return false;
    *x = next / norm;
  }
  return true;
}

using Factored = Eigen::SimplicialLDLT<RealMatrix>;
using Iterative = Eigen::ConjugateGradient<RealMatrix, Eigen::Lower | Eigen::Upper>;

}  // namespace

bool SolveShifted(const RealMatrix& a, const std::vector<double>& mass, double shift,
                  const Eigen::VectorXd& b, Eigen::VectorXd* x) {
  const RealMatrix shifted = Shifted(a, mass, shift);
  if (a.rows() <= kFactoredUnknowns) {
    Factored solver(shifted);
    if (solver.info() != Eigen::Success) return false;
    *x = solver.solve(b);
  } else {
    Iterative solver(shifted);
    solver.setMaxIterations(kMaxIterations);
    *x = solver.solve(b);
  }
  return x->allFinite();
}

bool SmallestEigenvector(const RealMatrix& a, const std::vector<double>& mass, double shift, int iterations,
                         double iterativeShift, int iterativeSteps, Eigen::VectorXd* x) {
  if (a.rows() <= kFactoredUnknowns) {
    Factored solver(Shifted(a, mass, shift));
    return solver.info() == Eigen::Success && Iterate(solver, mass, iterations, x);
  }
  // The solver keeps a reference to its matrix.
  const RealMatrix shifted = Shifted(a, mass, iterativeShift);
  Iterative solver(shifted);
  solver.setMaxIterations(kMaxIterations);
  return Iterate(solver, mass, iterativeSteps, x);
}

}  // namespace field
