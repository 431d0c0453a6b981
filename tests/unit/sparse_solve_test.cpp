// The field's shifted solves: large systems try conjugate gradients first, and one they do not
// settle is factored, never returned half solved.
#include "field/sparse_solve.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A chain of `n` vertices, two unknowns each, with unit weights: the slowest shape for conjugate
// gradients, whose iterations grow with its length when the shift is small.
field::RealMatrix Chain(int n) {
  std::vector<Eigen::Triplet<double>> entries;
  for (int i = 0; i + 1 < n; ++i)
    for (int c = 0; c < 2; ++c) {
      const int a = 2 * i + c, b = 2 * (i + 1) + c;
      entries.insert(entries.end(), {{a, a, 1.0}, {b, b, 1.0}, {a, b, -1.0}, {b, a, -1.0}});
    }
  field::RealMatrix m(2 * n, 2 * n);
  m.setFromTriplets(entries.begin(), entries.end());
  return m;
}

TEST(SparseSolve, AShiftedSolveIsSolvedWhetherOrNotItsIterationsSettle) {
  const field::RealMatrix a = Chain(3000);  // 6,000 unknowns
  const std::vector<double> mass(static_cast<size_t>(a.rows()), 1.0);
  Eigen::VectorXd b = Eigen::VectorXd::Zero(a.rows());
  b[0] = 1, b[a.rows() / 2 + 1] = -2, b[a.rows() - 1] = 3;
  // Shift 1 settles in a few dozen iterations; 1e-8 would take thousands and is factored.
  for (const double shift : {1.0, 1e-8}) {
    Eigen::VectorXd x;
    ASSERT_TRUE(field::SolveShifted(a, mass, shift, b, &x)) << shift;
    const Eigen::VectorXd residual = a * x + shift * x - b;
    EXPECT_LT(residual.norm(), 1e-7 * b.norm()) << shift;
  }
}

}  // namespace
