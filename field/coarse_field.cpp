// Vertex clustering and the carrying of coarse solutions to the fine vertices (see coarse_field.h).
#include "field/coarse_field.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <tuple>

#include "base/helper_thread.h"
#include "field/line_field.h"
#include "field/local_relaxation.h"
#include "field/sparse_solve.h"

namespace field {
namespace {

// Slices of the fine vertices that the two threads take in turn when the line field is carried.
constexpr size_t kBlendParts = 16;
// Grid cells a stripe period: enough for the phase to turn by well under half a turn along a
// coarse edge.
constexpr double kCellsPerPeriod = 8;
// Pieces of more vertices than this are solved on a coarse copy: it costs less than factoring
// the piece itself.
constexpr size_t kCoarsenedVertices = 20000;
// The coarse pieces together stay within what one factorisation takes. A compact piece framed
// at the viewer's size (a ball of 200 units) needs some 26,000 clusters at eight a period.
constexpr size_t kMaxCoarseVertices = kFactoredUnknowns / 2;
constexpr size_t kMinSolvedTriangles = 8;
// The carried line field is relaxed where neighbours differ by more than 30 degrees (60 in doubled
// angles), the stripes where their phases, carried along an edge, differ by more than a quarter
// turn. Five rings and these sweeps take the carried fields about half way to the count of
// singularities that a solve on the piece itself gives, for a few per cent of the time.
constexpr double kRoughLines = std::numbers::pi / 3, kRoughStripes = std::numbers::pi / 2;
constexpr int kRelaxedRings = 5, kLineSweeps = 40, kStripeSweeps = 10;
constexpr int kAxisCells = 1 << 20;
// The coarse stripes are carried and relaxed afterwards, which settles what further iterations
// would: on the bench's sphere of 100,000 vertices, 4 iterations leave 39 triangles that do not
// close and 6 leave 38 (62 and 65 at the viewer's scale).
constexpr int kCoarseStripeIterations = 4;

struct FloatKey {
  float p[3];
  bool operator<(const FloatKey& o) const {
    return std::tie(p[0], p[1], p[2]) < std::tie(o.p[0], o.p[1], o.p[2]);
  }
  bool operator==(const FloatKey& o) const { return p[0] == o.p[0] && p[1] == o.p[1] && p[2] == o.p[2]; }
};

FloatKey KeyOf(const Vec3& v) {
  return {{static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)}};
}

// The carried line field as doubled angles: b's value is a's turned by the edge's transport.
class RoughLines final : public RoughField {
 public:
  RoughLines(const PieceGeometry& g, std::vector<double>* angles) : g_(g), angles_(*angles) {}
  bool Rough(int k) const override {
    const PieceEdge& e = g_.edges[k];
    return std::abs(WrapAngle(2 * (angles_[e.b] - angles_[e.a] - e.Transport()))) > kRoughLines;
  }
  std::complex<double> Carry(int k, int v, bool* conjugated) const override {
    *conjugated = false;
    const std::complex<double> turn = std::polar(1.0, 2 * g_.edges[k].Transport());
    return v == g_.edges[k].b ? turn : std::conj(turn);
  }
  std::complex<double> Value(int v) const override { return std::polar(1.0, 2 * angles_[v]); }
  void Store(int v, std::complex<double> value) override {
    // The direction nearest the one blended, so that the stripes' side of the line is kept.
    double angle = 0.5 * std::arg(value);
    if (std::cos(angle - angles_[v]) < 0) angle += std::numbers::pi;
    angles_[v] = angle;
  }

 private:
  const PieceGeometry& g_;
  std::vector<double>& angles_;
};

// Carried stripes: psi_b = r psi_a along an edge, or conj(psi_b) = r psi_a across a turn of the
// line field, with r the edge's phase growth.
class RoughStripes final : public RoughField {
 public:
  RoughStripes(const PieceGeometry& g, StripeFamily* stripes) : g_(g), stripes_(*stripes) {
    phase_.resize(stripes_.psi.size());
    for (size_t v = 0; v < phase_.size(); ++v) phase_[v] = std::arg(stripes_.psi[v]);
  }
  bool Rough(int k) const override {
    const PieceEdge& e = g_.edges[k];
    const double carried = phase_[e.a] + stripes_.omega[k];
    return std::abs(WrapAngle(phase_[e.b] - (stripes_.sign[k] > 0 ? carried : -carried))) > kRoughStripes;
  }
  std::complex<double> Carry(int k, int v, bool* conjugated) const override {
    const std::complex<double> r = std::polar(1.0, stripes_.omega[k]);
    *conjugated = stripes_.sign[k] < 0;
    return stripes_.sign[k] > 0 && v == g_.edges[k].b ? r : std::conj(r);
  }
  std::complex<double> Value(int v) const override {
    const std::complex<double> value = stripes_.psi[v];
    const double length = std::sqrt(std::norm(value));
    return length > 0 ? value / length : value;
  }
  void Store(int v, std::complex<double> value) override { stripes_.psi[v] = value; }

 private:
  const PieceGeometry& g_;
  StripeFamily& stripes_;
  std::vector<double> phase_;
};

}  // namespace

bool CoarseField::Build(const FieldPiece& piece, double period) {
  const size_t n = piece.positions.size();
  if (n <= kCoarsenedVertices || !(period > 0)) return false;
  Vec3 lo = piece.positions[0], hi = lo;
  for (const Vec3& p : piece.positions) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  const double cell = period / kCellsPerPeriod;
  if (std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}) / cell >= kAxisCells - 1) return false;

  // Clusters: the occupied cells, numbered in the order of their keys.
  std::vector<std::pair<uint64_t, int>> cells(n);
  for (size_t v = 0; v < n; ++v) {
    const Vec3 d = (1 / cell) * (piece.positions[v] - lo);
    const auto axis = [](double x) { return static_cast<uint64_t>(x); };
    cells[v] = {axis(d.x) << 42 | axis(d.y) << 21 | axis(d.z), static_cast<int>(v)};
  }
  std::sort(cells.begin(), cells.end());
  std::vector<int> clusterOf(n);
  std::vector<Vec3> centres;
  std::vector<int> members;
  for (size_t i = 0; i < n; ++i) {
    if (i == 0 || cells[i].first != cells[i - 1].first) {
      if (centres.size() >= kMaxCoarseVertices) return false;
      centres.emplace_back();
      members.push_back(0);
    }
    clusterOf[cells[i].second] = static_cast<int>(centres.size() - 1);
    centres.back() = centres.back() + piece.positions[cells[i].second];
    ++members.back();
  }
  for (size_t c = 0; c < centres.size(); ++c) centres[c] = (1.0 / members[c]) * centres[c];

  // Coarse triangles: the fine ones whose corners fall in three clusters, each once.
  std::vector<std::array<int, 3>> triangles;
  std::vector<std::array<int, 3>> seen;
  for (const auto& tri : piece.triangles) {
    const std::array<int, 3> c = {clusterOf[tri[0]], clusterOf[tri[1]], clusterOf[tri[2]]};
    if (c[0] == c[1] || c[1] == c[2] || c[2] == c[0]) continue;
    triangles.push_back(c);
  }
  std::vector<int> order(triangles.size());
  for (size_t t = 0; t < order.size(); ++t) order[t] = static_cast<int>(t);
  const auto sorted = [&](int t) {
    std::array<int, 3> s = triangles[t];
    std::sort(s.begin(), s.end());
    return s;
  };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return sorted(a) < sorted(b); });
  std::vector<float> corners;
  corners.reserve(9 * triangles.size());
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && sorted(order[i]) == sorted(order[i - 1])) continue;
    for (int c : triangles[order[i]]) {
      const FloatKey k = KeyOf(centres[c]);
      corners.insert(corners.end(), k.p, k.p + 3);
    }
  }

  // The coarse pieces worth a solve, and where each cluster's centre sits in them.
  WeldedMesh coarse = WeldAndSplit(corners);
  std::vector<std::pair<FloatKey, Source>> located;
  for (FieldPiece& p : coarse.pieces) {
    if (p.triangles.size() < kMinSolvedTriangles) continue;
    const int index = static_cast<int>(pieces_.size());
    for (size_t v = 0; v < p.positions.size(); ++v)
      located.push_back({KeyOf(p.positions[v]), Source{index, static_cast<int>(v)}});
    geometries_.push_back(MeasurePiece(p));
    const std::vector<PieceEdge>& edges = geometries_.back().edges;
    patterns_.push_back(std::make_unique<EdgeBlockPattern>(static_cast<int>(p.positions.size()), edges));
    std::vector<int> begin(p.positions.size() + 1, 0), around(2 * edges.size());
    for (const PieceEdge& e : edges) ++begin[e.a + 1], ++begin[e.b + 1];
    for (size_t v = 0; v < p.positions.size(); ++v) begin[v + 1] += begin[v];
    std::vector<int> fill(begin.begin(), begin.end() - 1);
    for (const PieceEdge& e : edges) around[fill[e.a]++] = e.b, around[fill[e.b]++] = e.a;
    neighbourStart_.push_back(std::move(begin));
    neighbours_.push_back(std::move(around));
    pieces_.push_back(std::move(p));
  }
  if (pieces_.empty()) return false;
  std::stable_sort(located.begin(), located.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Source> clusterSource(centres.size());
  for (size_t c = 0; c < centres.size(); ++c) {
    const FloatKey k = KeyOf(centres[c]);
    const auto at = std::lower_bound(located.begin(), located.end(), k,
                                     [](const auto& a, const FloatKey& key) { return a.first < key; });
    if (at != located.end() && at->first == k) clusterSource[c] = at->second;
  }

  sources_.assign(n, Source{});
  for (size_t v = 0; v < n; ++v) sources_[v] = clusterSource[clusterOf[v]];
  fine_ = &piece;
  cell_ = cell;
  return true;
}

bool CoarseField::SolveCoarseLineField(double smoothing, const PieceGeometry& g, bool twoThreads,
                                       const std::function<void()>& meanwhile) {
  // The fine bend carried to the clusters as tensors in space: an edge bent by beta adds
  // beta * length * (e x e), e its unit direction, to its two ends' clusters, turned by the sign of
  // the end's mean bend as the piece's own bend is (line_field.cpp); each coarse vertex then reads
  // the sum in its frame.
  const std::vector<Vec3>& positions = fine_->positions;
  std::vector<double> mean(positions.size(), 0.0);
  for (const PieceEdge& e : g.edges) mean[e.a] += e.dihedral * e.length, mean[e.b] += e.dihedral * e.length;
  std::vector<std::vector<std::array<double, 6>>> tensors(pieces_.size());
  for (size_t k = 0; k < pieces_.size(); ++k) tensors[k].assign(pieces_[k].positions.size(), {});
  for (const PieceEdge& e : g.edges) {
    if (!(e.length > 0)) continue;
    const Vec3 d = (1 / e.length) * (positions[e.b] - positions[e.a]);
    const double w = e.dihedral * e.length;
    for (const int v : {e.a, e.b}) {
      const Source& s = sources_[v];
      if (s.piece < 0) continue;
      const double turned = mean[v] < 0 ? -w : w;
      std::array<double, 6>& t = tensors[s.piece][s.vertex];
      t[0] += turned * d.x * d.x, t[1] += turned * d.x * d.y, t[2] += turned * d.x * d.z;
      t[3] += turned * d.y * d.y, t[4] += turned * d.y * d.z, t[5] += turned * d.z * d.z;
    }
  }
  // What carrying the field back needs of the fine piece is worked out meanwhile (it changes the
  // sources, which the bend above has read).
  HelperThread preparing;
  struct Context {
    CoarseField* field;
    const PieceGeometry* g;
    const std::function<void()>* meanwhile;
  } context{this, &g, &meanwhile};
  const auto prepare = [](void* c, size_t) {
    const Context& context = *static_cast<Context*>(c);
    context.field->PrepareCarry(*context.g);
    if (*context.meanwhile) (*context.meanwhile)();
  };
  if (twoThreads) preparing.Start(1, prepare, &context);
  const bool solved = SolveCoarsePieces(smoothing, tensors);
  if (twoThreads)
    preparing.Finish();
  else
    prepare(&context, 0);
  return solved;
}

bool CoarseField::SolveCoarsePieces(double smoothing,
                                    const std::vector<std::vector<std::array<double, 6>>>& tensors) {
  angles_.resize(pieces_.size());
  for (size_t k = 0; k < pieces_.size(); ++k) {
    const PieceGeometry& coarse = geometries_[k];
    Bend bend;
    bend.lines.resize(coarse.masses.size());
    bend.bend.resize(coarse.masses.size());
    for (size_t c = 0; c < coarse.masses.size(); ++c) {
      const std::array<double, 6>& t = tensors[k][c];
      const auto form = [&t](const Vec3& x, const Vec3& y) {
        return x.x * (t[0] * y.x + t[1] * y.y + t[2] * y.z) + x.y * (t[1] * y.x + t[3] * y.y + t[4] * y.z) +
               x.z * (t[2] * y.x + t[4] * y.y + t[5] * y.z);
      };
      const Vec3 &x = coarse.basisX[c], &y = coarse.basisY[c];
      const double xx = form(x, x), xy = form(x, y), yy = form(y, y);
      // As in BendOf: the bend across an edge is at right angles to it, a minus sign doubled.
      bend.lines[c] = {-(xx - yy), -2 * xy};
      bend.bend[c] = std::max(std::abs(bend.lines[c]), std::abs(xx + yy));
    }
    if (!field::SolveLineField(coarse, smoothing, &angles_[k], patterns_[k].get(), &bend)) return false;
  }
  return true;
}

void CoarseField::PrepareCarry(const PieceGeometry& g) {
  // A fine vertex whose cluster was left out takes its values from a neighbour's source.
  const size_t n = sources_.size();
  std::vector<int> queue;
  queue.reserve(n);
  for (size_t v = 0; v < n; ++v)
    if (sources_[v].piece >= 0) queue.push_back(static_cast<int>(v));
  around_ = EdgesAround(g);
  for (size_t head = 0; head < queue.size(); ++head) {
    const int v = queue[head];
    for (int i = around_.start[v]; i < around_.start[v + 1]; ++i) {
      const PieceEdge& e = g.edges[around_.incident[i]];
      const int w = e.a == v ? e.b : e.a;
      if (sources_[w].piece < 0) sources_[w] = sources_[v], queue.push_back(w);
    }
  }
  fineGeometry_ = &g;
  blendStart_.assign(n + 1, 0);
  for (size_t v = 0; v < n; ++v) {
    const Source& s = sources_[v];
    const int weights =
        s.piece < 0 ? 0 : 1 + neighbourStart_[s.piece][s.vertex + 1] - neighbourStart_[s.piece][s.vertex];
    blendStart_[v + 1] = blendStart_[v] + weights;
  }
  blendWeights_.resize(static_cast<size_t>(blendStart_[n]));
  // The source's and its coarse neighbours' weights, by their distance.
  for (size_t v = 0; v < n; ++v) {
    const Source& s = sources_[v];
    if (s.piece < 0) continue;
    const Vec3& p = fine_->positions[v];
    const std::vector<Vec3>& coarse = pieces_[s.piece].positions;
    double* weight = &blendWeights_[static_cast<size_t>(blendStart_[v])];
    const auto weigh = [&](int c) {
      const Vec3 d = p - coarse[c];
      *weight++ = std::exp(-Dot(d, d) / (cell_ * cell_));
    };
    weigh(s.vertex);
    const std::vector<int>& around = neighbourStart_[s.piece];
    for (int k = around[s.vertex]; k < around[s.vertex + 1]; ++k) weigh(neighbours_[s.piece][k]);
  }
}

void CoarseField::SolveLineField(const PieceGeometry& g, std::vector<double>* angles, bool twoThreads) {
  const size_t n = sources_.size();
  const std::vector<std::vector<Vec3>> directions = Directions(0);
  angles->assign(n, 0.0);
  // Every vertex is worked out on its own, so the parts may go to either thread.
  const size_t parts = twoThreads ? kBlendParts : 1;
  auto part = [&](size_t k) {
    for (size_t v = k * n / parts; v < (k + 1) * n / parts; ++v)
      BlendLineField(g, directions, v, &(*angles)[v]);
  };
  if (parts > 1) {
    HelperThread helper;
    helper.Run(parts, part);
  } else {
    part(0);
  }
  RoughLines lines(g, angles);
  RelaxWhereRough(g, around_, kRelaxedRings, kLineSweeps, &lines);
}

void CoarseField::BlendLineField(const PieceGeometry& g, const std::vector<std::vector<Vec3>>& directions,
                                 size_t v, double* out) {
  const Source& s = sources_[v];
  if (s.piece < 0) return;  // a vertex on no edge: any direction
  // A direction in v's frame as a complex number, and lines, not directions, blended: the
  // doubled angle is the square's, unit (x + iy)^2 / |x + iy|^2, with no angle worked out.
  const auto inFrame = [&](const Vec3& d) {
    return std::complex<double>(Dot(d, g.basisX[v]), Dot(d, g.basisY[v]));
  };
  std::complex<double> sum = 0;
  Blend(static_cast<int>(v), [&](int c, double w) {
    const std::complex<double> z = inFrame(directions[s.piece][c]);
    const double square = std::norm(z);
    sum += square > 0 ? (w / square) * (z * z) : std::complex<double>(w, 0);
  });
  const std::complex<double> own = inFrame(directions[s.piece][s.vertex]);
  double angle = std::abs(sum) > 0 ? 0.5 * std::arg(sum) : std::arg(own);
  // The direction of the line that the source's stripes were solved along.
  if (std::cos(angle) * own.real() + std::sin(angle) * own.imag() < 0 ||
      (own == 0.0 && std::cos(angle) < 0))
    angle += std::numbers::pi;
  *out = angle;
}

template <typename Use>
void CoarseField::Blend(int fine, const Use& use) const {
  const Source& s = sources_[fine];
  const double* weight = &blendWeights_[static_cast<size_t>(blendStart_[fine])];
  use(s.vertex, *weight);
  const std::vector<int>& start = neighbourStart_[s.piece];
  for (int k = start[s.vertex]; k < start[s.vertex + 1]; ++k) use(neighbours_[s.piece][k], *++weight);
}

std::vector<std::vector<Vec3>> CoarseField::Directions(double turn) const {
  std::vector<std::vector<Vec3>> directions(pieces_.size());
  for (size_t k = 0; k < pieces_.size(); ++k) {
    const PieceGeometry& g = geometries_[k];
    directions[k].resize(angles_[k].size());
    for (size_t v = 0; v < angles_[k].size(); ++v) {
      const double angle = angles_[k][v] + turn;
      directions[k][v] = std::cos(angle) * g.basisX[v] + std::sin(angle) * g.basisY[v];
    }
  }
  return directions;
}

bool CoarseField::SolveStripes(double turn, const std::vector<double>& angles, double frequency,
                               StripeFamily* out) const {
  std::vector<StripeFamily> coarse(pieces_.size());
  for (size_t k = 0; k < pieces_.size(); ++k) {
    std::vector<double> turned = angles_[k];
    for (double& a : turned) a += turn;
    if (!field::SolveStripes(geometries_[k], turned, frequency, &coarse[k], nullptr, patterns_[k].get(),
                             kCoarseStripeIterations))
      return false;
  }
  // The phase grows by `frequency` along the coarse field from the cluster's coarse vertex.
  const std::vector<std::vector<Vec3>> directions = Directions(turn);
  std::vector<std::complex<double>> carried(sources_.size(), 1.0);
  for (size_t v = 0; v < sources_.size(); ++v) {
    const Source& s = sources_[v];
    if (s.piece < 0) continue;
    const Vec3& own = directions[s.piece][s.vertex];
    std::complex<double> sum = 0;
    Blend(static_cast<int>(v), [&](int c, double w) {
      const Vec3& along = directions[s.piece][c];
      const Vec3 offset = fine_->positions[v] - pieces_[s.piece].positions[c];
      const std::complex<double> value =
          coarse[s.piece].psi[c] * std::polar(1.0, frequency * Dot(offset, along));
      // A neighbour whose line points the other way holds the phase of the opposite direction.
      sum += w * (Dot(along, own) >= 0 ? value : std::conj(value));
    });
    if (std::abs(sum) > 0) carried[v] = sum;
  }
  if (!field::SolveStripes(*fineGeometry_, angles, frequency, out, &carried)) return false;
  RoughStripes stripes(*fineGeometry_, out);
  RelaxWhereRough(*fineGeometry_, around_, kRelaxedRings, kStripeSweeps, &stripes);
  return true;
}

}  // namespace field
