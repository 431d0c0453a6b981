// The sparse solves the field's solvers share (Eigen): a factorisation where the system is small
// enough for its fill-in, preconditioned conjugate gradients above that, where a factorisation's
// time and memory grow faster than the mesh.
#pragma once

#include <Eigen/SparseCore>
#include <vector>

namespace field {

using RealMatrix = Eigen::SparseMatrix<double>;

// Systems with more unknowns than this are solved iteratively. A factorisation of this size takes
// about a second and some 60 MB; conjugate gradients on such a system, stopped after a bounded
// number of iterations, take longer and leave the stripes wavering.
inline constexpr Eigen::Index kFactoredUnknowns = 60000;

// A fill-reducing order for factorisations of systems of 2x2 blocks: vertex v's two unknowns go
// to 2 order[v] and 2 order[v] + 1. Empty when none was worked out.
using BlockOrder = std::vector<int>;

// Nested dissection of the graph of `pattern`'s blocks (METIS; both its triangles are read). On a
// mesh of thousands of vertices its factors fill a tenth less than minimum degree's and take two
// thirds of the time, or at 20,000 vertices two fifths, but it takes three times as long to work
// out: worth it for an order that serves several factorisations, or is worked out beside other
// work. Empty when METIS fails.
BlockOrder NestedDissection(const RealMatrix& pattern);

// An eigenvector of A x = lambda M x for a small lambda, for A symmetric positive semi-definite
// and M diagonal positive (`mass`, one entry a row), by inverse power iteration on A + shift M
// from `x`. Systems too large to factor use `iterativeShift` (larger, so that each solve takes
// few iterations) and `iterativeSteps`: the low end of the spectrum then, not its very bottom,
// which is why `x` should start near the answer. False when a solve fails or a value is not finite.
// A factorisation follows `order` when it is given and not empty.
bool SmallestEigenvector(const RealMatrix& a, const std::vector<double>& mass, double shift, int iterations,
                         double iterativeShift, int iterativeSteps, Eigen::VectorXd* x,
                         const BlockOrder* order = nullptr);

// Solves (A + shift M) x = b; false on failure. Systems of more than a few thousand unknowns
// whose shift is large against the weights try conjugate gradients to a tight residual before
// they are factored, in `order` when it is given and not empty.
bool SolveShifted(const RealMatrix& a, const std::vector<double>& mass, double shift,
                  const Eigen::VectorXd& b, Eigen::VectorXd* x, const BlockOrder* order = nullptr);

}  // namespace field
