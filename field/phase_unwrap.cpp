// The walk that unwraps stripe phases over a piece (see phase_unwrap.h).
#include "field/phase_unwrap.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace field {
namespace {

struct Corner {
  int sign = 1;  // +1: the vertex's value as it is; -1: conjugated (the line field turned over)
  double phase = 0;
};

// What a step along an edge reads of it, in one place: a walk over a large piece meets the edges
// in no order, and each fetch of them is a wait.
struct EdgeStep {
  int a;         // the end the phase grows away from
  int turn;      // -1 where the line field turns over along the edge
  double omega;  // the phase's growth from a to the other end
};

// The corner at vertex `to`, reached from `from` along edge `e`; `phase[v]` is the argument of
// the stripes' value at v.
Corner Step(const EdgeStep& e, int from, const Corner& c, int to, const std::vector<double>& phase) {
  const double omega = e.omega;
  const int turn = e.turn;
  const double forward = from == e.a ? omega : -turn * omega;
  Corner out;
  out.sign = c.sign * turn;
  const double step = c.sign * forward;
  const double target = out.sign * phase[to];
  out.phase = c.phase + step + WrapAngle(target - c.phase - step);
  return out;
}

}  // namespace

UnwrapTopology TopologyOf(const FieldPiece& piece, const PieceGeometry& g) {
  UnwrapTopology out;
  out.edgeFaces.assign(g.edges.size(), {-1, -1});
  out.edgeSides.assign(g.edges.size(), 0);
  for (size_t t = 0; t < piece.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      const int e = g.triangleEdges[t][k];
      if (out.edgeSides[e] < 2) out.edgeFaces[e][out.edgeSides[e]] = static_cast<int>(t);
      ++out.edgeSides[e];
    }
  out.arcs = ArcsOf(piece, g);
  return out;
}

int UnwrapPhases(const FieldPiece& piece, const PieceGeometry& g, const UnwrapTopology& topology,
                 const StripeFamily& stripes, std::vector<std::array<double, 3>>* phases) {
  const size_t count = piece.triangles.size();
  // Each corner's phase is written where it is returned, its sign beside it.
  phases->assign(count, {0, 0, 0});
  std::vector<std::array<double, 3>>& phaseAt = *phases;
  std::vector<std::array<signed char, 3>> signAt(count);
  const auto corner = [&](size_t t, int k) { return Corner{signAt[t][k], phaseAt[t][k]}; };
  const auto setCorner = [&](size_t t, int k, const Corner& c) {
    signAt[t][k] = static_cast<signed char>(c.sign), phaseAt[t][k] = c.phase;
  };
  std::vector<char> done(count, 0);
  const std::vector<int>& edgeSides = topology.edgeSides;
  std::vector<EdgeStep> steps(g.edges.size());
  for (size_t e = 0; e < steps.size(); ++e) steps[e] = {g.edges[e].a, stripes.sign[e], stripes.omega[e]};
  std::vector<double> phase(stripes.psi.size());
  for (size_t v = 0; v < phase.size(); ++v) phase[v] = std::arg(stripes.psi[v]);
  const auto stepAlong = [&](size_t t, int from, int to, const Corner& c) {
    // Side k runs from corner k to corner k + 1; a piece's triangles have three distinct corners.
    const auto& tri = piece.triangles[t];
    const int side = to == (from + 1) % 3 ? from : to;
    return Step(steps[g.triangleEdges[t][side]], tri[from], c, tri[to], phase);
  };

  // Stepped once around each triangle from its first corner: does it come back to itself?
  std::vector<char> singular(count, 0);
  for (size_t t = 0; t < count; ++t) {
    const Corner start{1, phase[piece.triangles[t][0]]};
    const Corner back = stepAlong(t, 2, 0, stepAlong(t, 1, 2, stepAlong(t, 0, 1, start)));
    singular[t] = back.sign != start.sign || std::abs(back.phase - start.phase) > 1.0;
  }
  const std::vector<char> cut = CutGraph(piece, g, topology.arcs, singular, edgeSides);
  // The edges the walk may not cross (a border, more than two sides, the cut tree) lose their
  // triangles, so that a step reads one entry of the edge where it read three.
  std::vector<std::array<int, 2>> edgeFaces = topology.edgeFaces;
  for (size_t e = 0; e < edgeFaces.size(); ++e)
    if (edgeSides[e] != 2 || cut[e]) edgeFaces[e] = {-1, -1};

  std::vector<int> queue;
  queue.reserve(count);
  for (size_t seed = 0; seed < count; ++seed) {
    if (done[seed]) continue;
    const Corner first{1, phase[piece.triangles[seed][0]]};
    setCorner(seed, 0, first);
    setCorner(seed, 1, stepAlong(seed, 0, 1, first));
    setCorner(seed, 2, stepAlong(seed, 0, 2, first));
    done[seed] = 1;
    queue.clear();
    queue.push_back(static_cast<int>(seed));
    for (size_t head = 0; head < queue.size(); ++head) {
      const int t = queue[head];
      for (int k = 0; k < 3; ++k) {
        const std::array<int, 2>& faces = edgeFaces[g.triangleEdges[t][k]];
        const int next = faces[0] == t ? faces[1] : faces[0];
        if (next < 0 || done[next]) continue;
        // The shared corners keep their phases; the third is stepped to from the first of them.
        const auto& from = piece.triangles[t];
        const auto& tri = piece.triangles[next];
        int shared = -1, third = -1;
        for (int j = 0; j < 3; ++j) {
          int m = -1;
          for (int i = 0; i < 3; ++i)
            if (from[i] == tri[j]) m = i;
          if (m >= 0) {
            setCorner(next, j, corner(t, m));
            if (shared < 0) shared = j;
          } else {
            third = j;
          }
        }
        if (shared < 0 || third < 0) continue;
        setCorner(next, third, stepAlong(next, shared, third, corner(next, shared)));
        done[next] = 1;
        queue.push_back(next);
      }
    }
  }
  return static_cast<int>(std::count(singular.begin(), singular.end(), 1));
}

}  // namespace field
