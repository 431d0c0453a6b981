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
  const field::BlockOrder order = field::NestedDissection(m);
  for (const double shift : {1.0, 1e-8})
    for (const field::BlockOrder* given : {static_cast<const field::BlockOrder*>(nullptr), &order}) {
      ASSERT_TRUE(field::SolveShifted(m, std::vector<double>(kUnknowns, 1.0), shift, b, &x, given)) << shift;
      EXPECT_LT((m * x + shift * x - b).norm(), 1.5e-6 * b.norm()) << shift;
    }
}

TEST(SparseSolve, AnEigenvectorFactoredInNestedDissectionOrderIsTheOneInMinimumDegreeOrder) {
  // A 40 x 40 grid of vertices, two unknowns each, its unknowns coupled to their neighbours'.
  constexpr int kSide = 40, kUnknowns = 2 * kSide * kSide;
  std::vector<Eigen::Triplet<double>> entries;
  for (int v = 0; v < kSide * kSide; ++v)
    for (const int u : {v + 1, v + kSide}) {
      if (u >= kSide * kSide || (u == v + 1 && u % kSide == 0)) continue;
      for (int i = 0; i < 2; ++i)
        entries.insert(entries.end(), {{2 * v + i, 2 * v + i, 1.0},
                                       {2 * u + i, 2 * u + i, 1.0},
                                       {2 * v + i, 2 * u + i, -1.0},
                                       {2 * u + i, 2 * v + i, -1.0}});
    }
  field::RealMatrix m(kUnknowns, kUnknowns);
  m.setFromTriplets(entries.begin(), entries.end());
  const field::BlockOrder order = field::NestedDissection(m);
  ASSERT_EQ(order.size(), static_cast<size_t>(kSide * kSide));
  std::vector<double> mass(kUnknowns);
  for (int i = 0; i < kUnknowns; ++i) mass[i] = 1.0 + (i % 7) * 0.1;
  Eigen::VectorXd x = Eigen::VectorXd::LinSpaced(kUnknowns, -1.0, 2.0), y = x;
  ASSERT_TRUE(field::SmallestEigenvector(m, mass, 0.01, 6, 0.1, 6, &x));
  ASSERT_TRUE(field::SmallestEigenvector(m, mass, 0.01, 6, 0.1, 6, &y, &order));
  EXPECT_LT((x - y).norm(), 1e-9 * x.norm());
}
