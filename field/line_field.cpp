// The curvature-aligned line field (see line_field.h): the connection Laplacian for n = 2 in real
// 2x2 blocks, then one solve that smooths the curvature's lines, or, on a surface that bends the
// same way everywhere (sphere, plane), lines around an axis; the smoothest line field by inverse
// power iteration where neither gives a target.
#include "field/line_field.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
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

// Below this share of the whole bend (root mean squares over the piece), the curvature's
// directions are those of the tessellation, not of the shape: balls tessellated evenly or by
// latitude show 0.0001 to 0.008, the default character's least clearly bent piece 0.04. (A ball
// tessellated unevenly shows more, 0.24 for an icosahedron split and only then pushed out onto
// the ball: the agreement below tells it.)
constexpr double kClearBend = 0.02;

// Nor are they the shape's where they agree with their neighbours' no better than random
// directions would: around a vertex of six neighbours, seven random unit values average to a
// length of about a third. A ball tessellated unevenly (an icosahedron split three to five times
// and only then pushed out onto the ball) shows 0.32 to 0.35; the default character's pieces
// 0.48 and up, its limbs and torso 0.96.
constexpr double kCoherentBend = 0.4;

// How well the lines `q` (a vertex's value at 2 v and 2 v + 1, in its frame) agree around each
// vertex: the length of the mean of its and its neighbours' values, carried into its frame, over
// the mean of their lengths, weighted by mass over the piece. 1 where they agree.
double Coherence(const PieceGeometry& g, const Eigen::VectorXd& q) {
  const size_t n = g.masses.size();
  std::vector<std::complex<double>> sum(n);
  std::vector<double> length(n), count(n, 1.0);
  for (size_t v = 0; v < n; ++v) {
    sum[v] = {q[2 * v], q[2 * v + 1]};
    length[v] = std::abs(sum[v]);
  }
  for (const PieceEdge& e : g.edges) {
    const std::complex<double> turn = std::polar(1.0, 2 * e.Transport());
    const std::complex<double> atA(q[2 * e.a], q[2 * e.a + 1]), atB(q[2 * e.b], q[2 * e.b + 1]);
    sum[e.b] += atA * turn, sum[e.a] += atB * std::conj(turn);
    length[e.b] += std::abs(atA), length[e.a] += std::abs(atB);
    ++count[e.a], ++count[e.b];
  }
  double agreeing = 0, all = 0;
  for (size_t v = 0; v < n; ++v) {
    agreeing += g.masses[v] * std::abs(sum[v]) / count[v];
    all += g.masses[v] * length[v] / count[v];
  }
  return all > 0 ? agreeing / all : 0.0;
}

std::vector<double> DoubledMass(const PieceGeometry& g) {
  std::vector<double> mass(2 * g.masses.size());
  for (size_t v = 0; v < g.masses.size(); ++v) mass[2 * v] = mass[2 * v + 1] = g.masses[v];
  return mass;
}

}  // namespace

Bend BendOf(const PieceGeometry& g) {
  std::vector<double> real(g.masses.size(), 0.0), imaginary(g.masses.size(), 0.0), mean(g.masses.size(), 0.0);
  // An edge bent by beta curves the surface across it: its tensor beta * length * (edge x normal)^2
  // points at right angles to the edge, which doubling the angle turns into a minus sign.
  for (const PieceEdge& e : g.edges) {
    const double k = -e.dihedral * e.length;
    real[e.a] += k * std::cos(2 * e.angleAtA);
    imaginary[e.a] += k * std::sin(2 * e.angleAtA);
    real[e.b] += k * std::cos(2 * e.angleAtB);
    imaginary[e.b] += k * std::sin(2 * e.angleAtB);
    mean[e.a] -= k;
    mean[e.b] -= k;
  }
  // Turned by the sign of the mean curvature, the lines follow the curvature largest in size,
  // whichever way the triangles wind: around a limb, not along it.
  Bend out;
  out.lines.resize(g.masses.size());
  out.bend.resize(g.masses.size());
  for (size_t v = 0; v < real.size(); ++v) {
    out.lines[v] = mean[v] < 0 ? std::complex<double>(-real[v], -imaginary[v])
                               : std::complex<double>(real[v], imaginary[v]);
    out.bend[v] = std::max(std::abs(out.lines[v]), std::abs(mean[v]));
  }
  return out;
}

bool SolveLineField(const PieceGeometry& g, double smoothing, std::vector<double>* angles,
                    const EdgeBlockPattern* shared, const Bend* measured) {
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

  const Bend own = measured ? Bend{} : BendOf(g);
  const Bend& bend = measured ? *measured : own;
  // The curvature per unit area, scaled to a mean square of 1 over the piece; and the whole
  // bend's mean square, against which the curvature's tells whether the piece clearly bends more
  // one way than another.
  Eigen::VectorXd q(2 * n);
  double square = 0, bent = 0;
  for (int v = 0; v < n; ++v) {
    q[2 * v] = bend.lines[v].real() / g.masses[v];
    q[2 * v + 1] = bend.lines[v].imag() / g.masses[v];
    square += g.masses[v] * (q[2 * v] * q[2 * v] + q[2 * v + 1] * q[2 * v + 1]);
    bent += bend.bend[v] * bend.bend[v] / g.masses[v];
  }
  const double rms = std::sqrt(square / g.area);
  const double shift = 1.0 / (smoothing * smoothing);
  if (!(rms > 1e-9 / smoothing && std::isfinite(rms) && square > kClearBend * kClearBend * bent) ||
      Coherence(g, q) < kCoherentBend) {
    // Lines around the axis the normals point along least: around a ball, across a plate.
    Eigen::Matrix3d spread = Eigen::Matrix3d::Zero();
    for (int v = 0; v < n; ++v) {
      const Eigen::Vector3d normal(g.normals[v].x, g.normals[v].y, g.normals[v].z);
      spread += g.masses[v] * normal * normal.transpose();
    }
    const Eigen::Vector3d least = Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(spread).eigenvectors().col(0);
    const Vec3 axis{least.x(), least.y(), least.z()};
    square = 0;
    for (int v = 0; v < n; ++v) {
      const Vec3 around = Cross(axis, g.normals[v]);
      const std::complex<double> z(Dot(around, g.basisX[v]), Dot(around, g.basisY[v]));
      const std::complex<double> doubled = z * z;
      q[2 * v] = doubled.real(), q[2 * v + 1] = doubled.imag();
      square += g.masses[v] * std::norm(doubled);
    }
  }
  Eigen::VectorXd u;
  bool solved = false;
  const double scale = std::sqrt(square / g.area);
  if (scale > 0 && std::isfinite(scale)) {
    Eigen::VectorXd b(2 * n);
    for (int i = 0; i < 2 * n; ++i) b[i] = shift * mass[i] * q[i] / scale;
    solved = SolveShifted(a, mass, shift, b, &u, shared ? &shared->Order() : nullptr);
  }
  if (!solved) {
    u = Eigen::VectorXd::Zero(2 * n);
    for (int v = 0; v < n; ++v) u[2 * v] = 1;
    if (!SmallestEigenvector(a, mass, 1e-6 * shift, 20, shift, 8, &u, shared ? &shared->Order() : nullptr))
      return false;
  }
  angles->resize(n);
  for (int v = 0; v < n; ++v) (*angles)[v] = 0.5 * std::atan2(u[2 * v + 1], u[2 * v]);
  return true;
}

}  // namespace field
