// The curvature-aligned line field (see line_field.h): the connection Laplacian for n = 2 in real
// 2x2 blocks, then one solve that smooths the curvature's lines, or, on a surface that bends the
// same way everywhere (sphere, plane), the smoothest line field by inverse power iteration.
#include "field/line_field.h"

#include <cmath>

#include "field/edge_blocks.h"
#include "field/sparse_solve.h"

namespace field {
namespace {

// The vertex's complex unknown is rows 2v (real) and 2v + 1 (imaginary). Adds w times the block
// of multiplying by the unit complex number (c, s).
void AddRotation(std::vector<double>& values, double w, double c, double s) {
  values.insert(values.end(), {w * c, -w * s, w * s, w * c});
}

std::vector<double> DoubledMass(const PieceGeometry& g) {
  std::vector<double> mass(2 * g.masses.size());
  for (size_t v = 0; v < g.masses.size(); ++v) mass[2 * v] = mass[2 * v + 1] = g.masses[v];
  return mass;
}

}  // namespace

std::vector<double> CurvatureLines(const PieceGeometry& g, std::vector<double>* imaginary) {
  std::vector<double> real(g.masses.size(), 0.0), mean(g.masses.size(), 0.0);
  imaginary->assign(g.masses.size(), 0.0);
  // An edge bent by beta curves the surface across it: its tensor beta * length * (edge x normal)^2
  // points at right angles to the edge, which doubling the angle turns into a minus sign.
  for (const PieceEdge& e : g.edges) {
    const double k = -e.dihedral * e.length;
    real[e.a] += k * std::cos(2 * e.angleAtA);
    (*imaginary)[e.a] += k * std::sin(2 * e.angleAtA);
    real[e.b] += k * std::cos(2 * e.angleAtB);
    (*imaginary)[e.b] += k * std::sin(2 * e.angleAtB);
    mean[e.a] -= k;
    mean[e.b] -= k;
  }
  // Turned by the sign of the mean curvature, the lines follow the curvature largest in size,
  // whichever way the triangles wind: around a limb, not along it.
  for (size_t v = 0; v < real.size(); ++v)
    if (mean[v] < 0) real[v] = -real[v], (*imaginary)[v] = -(*imaginary)[v];
  return real;
}

bool SolveLineField(const PieceGeometry& g, double smoothing, std::vector<double>* angles,
                    const EdgeBlockPattern* shared) {
  const int n = static_cast<int>(g.masses.size());
  std::vector<double> values;
  values.reserve(kEdgeBlockValues * g.edges.size());
  for (const PieceEdge& e : g.edges) {
    const double rho = 2 * e.Transport();
    AddRotation(values, e.weight, 1, 0);
    AddRotation(values, e.weight, 1, 0);
    AddRotation(values, -e.weight, std::cos(rho), std::sin(rho));
    AddRotation(values, -e.weight, std::cos(rho), -std::sin(rho));
  }
  const RealMatrix a = EdgeBlockMatrix(n, g.edges, values, shared);
  const std::vector<double> mass = DoubledMass(g);

  std::vector<double> imaginary;
  const std::vector<double> real = CurvatureLines(g, &imaginary);
  // The curvature per unit area, scaled to a mean square of 1 over the piece.
  Eigen::VectorXd q(2 * n);
  double square = 0;
  for (int v = 0; v < n; ++v) {
    q[2 * v] = real[v] / g.masses[v];
    q[2 * v + 1] = imaginary[v] / g.masses[v];
    square += g.masses[v] * (q[2 * v] * q[2 * v] + q[2 * v + 1] * q[2 * v + 1]);
  }
  const double rms = std::sqrt(square / g.area);
  const double shift = 1.0 / (smoothing * smoothing);
  Eigen::VectorXd u;
  bool solved = false;
  if (rms > 1e-9 / smoothing && std::isfinite(rms)) {
    Eigen::VectorXd b(2 * n);
    for (int i = 0; i < 2 * n; ++i) b[i] = shift * mass[i] * q[i] / rms;
    solved = SolveShifted(a, mass, shift, b, &u);
  }
  if (!solved) {
    u = Eigen::VectorXd::Zero(2 * n);
    for (int v = 0; v < n; ++v) u[2 * v] = 1;
    if (!SmallestEigenvector(a, mass, 1e-6 * shift, 20, shift, 8, &u)) return false;
  }
  angles->resize(n);
  for (int v = 0; v < n; ++v) (*angles)[v] = 0.5 * std::atan2(u[2 * v + 1], u[2 * v]);
  return true;
}

}  // namespace field
