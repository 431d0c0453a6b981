// The sparse factorisation and the inverse power iteration the field's solvers share (Eigen).
#pragma once

#include <Eigen/SparseCore>
#include <vector>

namespace field {

using RealMatrix = Eigen::SparseMatrix<double>;

// The eigenvector of A x = lambda M x with the smallest lambda, for A symmetric positive
// semi-definite and M diagonal positive (`mass`, one entry a row), found by inverse power
// iteration on A + shift M from `x`. False when the factorisation fails or a value is not finite.
bool SmallestEigenvector(const RealMatrix& a, const std::vector<double>& mass, double shift, int iterations,
                         Eigen::VectorXd* x);

// Solves (A + shift M) x = b; false on failure.
bool SolveShifted(const RealMatrix& a, const std::vector<double>& mass, double shift,
                  const Eigen::VectorXd& b, Eigen::VectorXd* x);

}  // namespace field
