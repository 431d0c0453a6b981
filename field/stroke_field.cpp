// The stroke field, piece by piece: geometry, line field, two stripe families at right angles,
// unwrapped phases scaled into texture units (see stroke_field.h).
#include "field/stroke_field.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <system_error>
#include <thread>
#include <vector>

#include "field/coarse_field.h"
#include "field/field_mesh.h"
#include "field/line_field.h"
#include "field/phase_unwrap.h"
#include "field/piece_geometry.h"
#include "field/spatial_order.h"
#include "field/stripe_pattern.h"

namespace field {
namespace {

// Fewer triangles than this hold no direction worth solving for.
constexpr size_t kMinSolvedTriangles = 8;
// Nor does a piece of less area than this, in square stripe periods (a spike, a claw, a hilt):
// no stripe turns on it, and the field's singularities and the cuts between them would crowd
// into the few pixels it covers, which flicker as the eye moves.
constexpr double kMinSolvedArea = 0.25;

void WriteCorner(std::span<float> uv, int triangle, int k, double u, double v) {
  const auto finite = [](double x) { return std::isfinite(x) ? static_cast<float>(x) : 0.0f; };
  uv[6 * static_cast<size_t>(triangle) + 2 * k] = finite(u);
  uv[6 * static_cast<size_t>(triangle) + 2 * k + 1] = finite(v);
}

// Writes a piece's corners, moved by whole texture periods so that each coordinate starts at 0.
void WritePiece(const FieldPiece& piece, const std::vector<std::array<double, 3>>& u,
                const std::vector<std::array<double, 3>>& v, double period, std::span<float> uv) {
  double lowU = std::numeric_limits<double>::infinity(), lowV = lowU;
  for (size_t t = 0; t < piece.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) lowU = std::min(lowU, u[t][k]), lowV = std::min(lowV, v[t][k]);
  const auto whole = [period](double low) {
    return period > 0 && std::isfinite(low) ? period * std::floor(low / period) : 0.0;
  };
  const double shiftU = whole(lowU), shiftV = whole(lowV);
  for (size_t t = 0; t < piece.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k)
      WriteCorner(uv, piece.sources[t], piece.SourceCorner(t, k), u[t][k] - shiftU, v[t][k] - shiftV);
}

// Strokes along the first triangle's first edge, flat over the piece.
void FixedDirection(const FieldPiece& piece, const StrokeFieldOptions& options, std::span<float> uv) {
  const auto& first = piece.triangles[0];
  const Vec3 origin = piece.positions[first[0]];
  Vec3 along = piece.positions[first[1]] - origin;
  Vec3 normal = Cross(along, piece.positions[first[2]] - origin);
  const double length = std::sqrt(Dot(along, along)), area = std::sqrt(Dot(normal, normal));
  along = length > 0 ? (1 / length) * along : Vec3{1, 0, 0};
  normal = area > 0 ? (1 / area) * normal : Vec3{0, 0, 1};
  const Vec3 across = Cross(normal, along);
  std::vector<std::array<double, 3>> u(piece.triangles.size()), v(piece.triangles.size());
  for (size_t t = 0; t < piece.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      const Vec3 d = piece.positions[piece.triangles[t][k]] - origin;
      u[t][k] = options.density * Dot(d, along), v[t][k] = options.density * Dot(d, across);
    }
  WritePiece(piece, u, v, options.texturePeriod, uv);
}

// Pieces at least this large solve their two stripe families side by side when a second thread
// is allowed: after the line field the families share nothing but what they read.
constexpr size_t kSplitTriangles = 20000;

// One stripe family turned by `turn` from the line field, unwrapped into `phases`; the number of
// triangles where it does not close, or -1 when the solve failed.
int SolveFamily(const FieldPiece& piece, const PieceGeometry& g, const UnwrapTopology& topology,
                const EdgeBlockPattern* pattern, const CoarseField* coarse, const std::vector<double>& angles,
                double turn, double frequency, std::vector<std::array<double, 3>>* phases) {
  std::vector<double> turned;
  if (turn != 0) {
    turned.resize(angles.size());
    for (size_t v = 0; v < angles.size(); ++v) turned[v] = angles[v] + turn;
  }
  const std::vector<double>& along = turn != 0 ? turned : angles;
  StripeFamily stripes;
  if (coarse ? !coarse->SolveStripes(turn, along, frequency, &stripes)
             : !SolveStripes(g, along, frequency, &stripes, nullptr, pattern))
    return -1;
  return UnwrapPhases(piece, g, topology, stripes, phases);
}

// Pieces of more vertices than this are solved renumbered in spatial order (spatial_order.h),
// and, when they are solved on themselves, factored in one nested-dissection order worked out for
// the piece: at 20,000 vertices minimum degree's factors take two and a half times as long.
constexpr size_t kLargePieceVertices = 2000;

bool SolvePiece(const FieldPiece& given, const StrokeFieldOptions& options, std::span<float> uv,
                int* singularities) {
  FieldPiece renumbered;
  if (given.positions.size() > kLargePieceVertices) renumbered = InSpatialOrder(given);
  const FieldPiece& piece = renumbered.positions.empty() ? given : renumbered;
  const double period = options.stripePeriod / options.density;  // in units of length
  const bool split = options.threads > 1 && piece.triangles.size() >= kSplitTriangles;
  PieceGeometry g;
  CoarseField coarse;
  bool coarsened = false;
  const auto coarsen = [&] { coarsened = coarse.Build(piece, period); };
  if (split) {
    // The coarse copy needs only the positions: it is made while the piece is measured, and left
    // unused when the piece turns out too small. Its line field follows the measured piece's bend.
    std::thread measuring;
    try {
      measuring = std::thread([&] { g = MeasurePiece(piece); });
    } catch (const std::system_error&) {
      // Measured after the coarse copy on this thread.
    }
    coarsen();
    if (measuring.joinable())
      measuring.join();
    else
      g = MeasurePiece(piece);
    if (!(g.area > kMinSolvedArea * period * period)) return false;
  } else {
    g = MeasurePiece(piece);
    if (!(g.area > kMinSolvedArea * period * period)) return false;
    coarsen();
  }
  std::vector<double> angles;
  // What both families' unwraps read: on the second thread while the coarse copy is solved.
  UnwrapTopology topology;
  std::unique_ptr<EdgeBlockPattern> pattern;
  if (coarsened) {
    if (!coarse.SolveCoarseLineField(0.5 * period, g, split, [&] { topology = TopologyOf(piece, g); }))
      return false;
    coarse.SolveLineField(g, &angles, split);
  } else {
    if (piece.positions.size() > kLargePieceVertices)
      pattern = std::make_unique<EdgeBlockPattern>(static_cast<int>(piece.positions.size()), g.edges);
    if (!SolveLineField(g, 0.5 * period, &angles, pattern.get())) return false;
    topology = TopologyOf(piece, g);
  }
  const double frequency = 2 * std::numbers::pi / period;
  const CoarseField* from = coarsened ? &coarse : nullptr;
  std::vector<std::array<double, 3>> u, v;
  int across = -1;
  const auto solveAcross = [&] {
    across =
        SolveFamily(piece, g, topology, pattern.get(), from, angles, 0.5 * std::numbers::pi, frequency, &v);
  };
  std::thread helper;
  if (options.threads > 1 && piece.triangles.size() >= kSplitTriangles) {
    try {
      helper = std::thread(solveAcross);
    } catch (const std::system_error&) {
      // Solved after the first family on this thread.
    }
  }
  const int along = SolveFamily(piece, g, topology, pattern.get(), from, angles, 0, frequency, &u);
  if (helper.joinable())
    helper.join();
  else if (along >= 0)
    solveAcross();
  if (along < 0 || across < 0) return false;
  *singularities += along + across;
  const double scale = options.stripePeriod / (2 * std::numbers::pi);
  for (size_t t = 0; t < piece.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      if (!std::isfinite(u[t][k]) || !std::isfinite(v[t][k])) return false;
      u[t][k] *= scale, v[t][k] *= scale;
    }
  WritePiece(piece, u, v, options.texturePeriod, uv);
  return true;
}

}  // namespace

StrokeFieldFigures ComputeStrokeField(std::span<const float> corners, std::span<float> uv,
                                      const StrokeFieldOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  StrokeFieldFigures figures;
  const size_t triangles = std::min(corners.size() / 9, uv.size() / 6);
  const WeldedMesh mesh = WeldAndSplit(corners.first(9 * triangles));
  figures.pieces = static_cast<int>(mesh.pieces.size());
  figures.droppedTriangles = static_cast<int>(mesh.dropped.size());
  // A dropped triangle shows no area, or none worth a direction: strokes along the model's x.
  for (int t : mesh.dropped)
    for (int k = 0; k < 3; ++k) {
      const float* p = &corners[9 * static_cast<size_t>(t) + 3 * k];
      WriteCorner(uv, t, k, options.density * p[0], options.density * p[2]);
    }
  // Pieces are solved apart and write disjoint corners, so the result does not depend on which
  // thread solved which.
  const size_t count = mesh.pieces.size();
  std::vector<int> singularities(count, 0);
  std::vector<char> fixed(count, 0);
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
      const FieldPiece& piece = mesh.pieces[i];
      const bool solvable = piece.triangles.size() >= kMinSolvedTriangles &&
                            piece.positions.size() <= static_cast<size_t>(options.maxSolvedVertices);
      if (!solvable || !SolvePiece(piece, options, uv, &singularities[i])) {
        FixedDirection(piece, options, uv);
        fixed[i] = 1;
      }
    }
  };
  std::vector<std::thread> helpers;
  const size_t wanted =
      std::min<size_t>(count, static_cast<size_t>(std::max(options.threads, 1))) - (count > 0);
  try {
    while (helpers.size() < wanted) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // No thread to be had: this one solves what the others leave.
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  for (size_t i = 0; i < count; ++i)
    figures.singularities += singularities[i], figures.fixedPieces += fixed[i];
  figures.solveMilliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return figures;
}

}  // namespace field
