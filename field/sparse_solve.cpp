// Eigen's simplicial LDL^T behind the two solves of sparse_solve.h.
#include "field/sparse_solve.h"

#include <Eigen/SparseCholesky>
#include <cmath>

namespace field {
namespace {

bool Factor(const RealMatrix& a, const std::vector<double>& mass, double shift,
            Eigen::SimplicialLDLT<RealMatrix>* solver) {
  RealMatrix shifted = a;
  for (int i = 0; i < shifted.rows(); ++i) shifted.coeffRef(i, i) += shift * mass[i];
  solver->compute(shifted);
  return solver->info() == Eigen::Success;
}

}  // namespace

bool SolveShifted(const RealMatrix& a, const std::vector<double>& mass, double shift,
                  const Eigen::VectorXd& b, Eigen::VectorXd* x) {
  Eigen::SimplicialLDLT<RealMatrix> solver;
  if (!Factor(a, mass, shift, &solver)) return false;
  *x = solver.solve(b);
  return solver.info() == Eigen::Success && x->allFinite();
}

bool SmallestEigenvector(const RealMatrix& a, const std::vector<double>& mass, double shift, int iterations,
                         Eigen::VectorXd* x) {
  Eigen::SimplicialLDLT<RealMatrix> solver;
  if (!Factor(a, mass, shift, &solver)) return false;
  const Eigen::Map<const Eigen::VectorXd> m(mass.data(), static_cast<Eigen::Index>(mass.size()));
  for (int k = 0; k < iterations; ++k) {
    const Eigen::VectorXd next = solver.solve(m.cwiseProduct(*x));
    const double norm = std::sqrt(next.dot(m.cwiseProduct(next)));
    if (!(norm > 0) || !std::isfinite(norm)) return false;
    *x = next / norm;
  }
  return true;
}

}  // namespace field
