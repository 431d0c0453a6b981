// Large shifted solves: iterated where the shift dominates, factored where it does not, and
// solved to the residual either way.
#include "field/sparse_solve.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SparseSolve, AShiftedSolveIsSolvedToItsResidualIteratedOrFactored) {
  // A chain of 3,000 vertices, two unknowns each: with a shift of 1 conjugate gradients settle
  // in a few dozen iterations, with 1e-8 they would take thousands.
  constexpr int kUnknowns = 6000;
  std::vector<Eigen::Triplet<double>> entries;
  for (int a = 0; a + 2 < kUnknowns; ++a)
    entries.insert(entries.end(), {{a, a, 1.0}, {a + 2, a + 2, 1.0}, {a, a + 2, -1.0}, {a + 2, a, -1.0}});
  field::RealMatrix m(kUnknowns, kUnknowns);
  m.setFromTriplets(entries.begin(), entries.end());
  Eigen::VectorXd b = Eigen::VectorXd::Zero(kUnknowns), x;
  b[0] = 1, b[kUnknowns / 2 + 1] = -2, b[kUnknowns - 1] = 3;
  for (const double shift : {1.0, 1e-8}) {
    ASSERT_TRUE(field::SolveShifted(m, std::vector<double>(kUnknowns, 1.0), shift, b, &x)) << shift;
    EXPECT_LT((m * x + shift * x - b).norm(), 1.5e-6 * b.norm()) << shift;
  }
}
