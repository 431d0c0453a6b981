// quality: renders the picture-quality test scenes headless from a content folder, measures the
// hatching in them and prints one figure a line, "name: value (target)". Exits 1 when a target
// is missed, 2 when the scenes cannot be rendered. The measured pictures go to the output folder.
//
// Scenes (800 x 600, the viewer's projection; d is the eye's distance in world units):
// - a tone ramp: a plane facing the eye at d = 300 whose normals turn from the light to beyond
//   90 degrees across the picture, so the tone runs from bare paper to the darkest;
// - planes facing the eye at d = 300, 1200 and 2400 with each tone forced, and planes close
//   enough that one texel of the finest hatching level covers 2.2 and 4.4 pixels;
// - the character, posed at the first key frame of its first clip and frozen: the start view,
//   a close-up, a view of its back, far away, an eight-step walk towards it and light steps.
// The hatching's own brightness, the tone asked for, the texture coordinates and the outline
// come from variants of the effect file (QUALITY_OUTPUT); the pictures from the file as it is.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "gfx/png_file.h"
#include "tools/quality/form_quality.h"
#include "tools/quality/picture_measures.h"
#include "tools/quality/quality_scene.h"
#include "tools/quality/seam_pairs.h"

namespace {

constexpr int kW = QualityScene::kWidth, kH = QualityScene::kHeight;
constexpr double kPixelsPerUnitAtOne = 300.0 / 0.41421356;  // half height / tan(fov / 2)
constexpr double kUvPerUnit = 1.0 / 480.0;                  // the character's texture density
constexpr double kTexelUnits = 48.0 / 256.0;                // one texel of the finest level

enum Output { kPicture = 0, kHatch = 1, kTone = 2, kU = 3, kV = 4, kOutline = 5 };

bool Background(const uint8_t* p) {
  return p[0] == 0 && p[1] == 0 && p[2] == 255;
}

// Grey outputs as 0..1; the texture coordinates from their two bytes.
Plane Decode(const std::vector<uint8_t>& rgba, Output output) {
  Plane plane(kW, kH);
  for (size_t i = 0; i < plane.value.size(); ++i) {
    const uint8_t* p = &rgba[4 * i];
    plane.inside[i] = !Background(p);
    plane.value[i] = output == kU || output == kV ? static_cast<float>((p[0] * 256 + p[1]) / 65535.0)
                                                   : static_cast<float>(p[0] / 255.0);
  }
  return plane;
}

Plane Darkness(Plane plane) {
  for (float& v : plane.value) v = 1.0f - v;
  return plane;
}

struct Report {
  int missed = 0;
  void Line(const char* name, double value, const char* target, bool met) {
    std::printf("%s: %.4g (%s)%s\n", name, value, target, met ? "" : "  MISSED");
    missed += !met;
  }
  void Note(const char* name, const std::string& text) { std::printf("%s: %s\n", name, text.c_str()); }
};

// A flat grid in the plane z = d facing the eye at the origin, wide enough to fill the picture;
// `turn(s)` gives the normal's angle about +y (radians, 0 facing the eye) at s in [0, 1] across.
std::vector<SkinVertex> FacingPlane(double d, const std::function<double(double)>& turn) {
  const double h = 1.1 * d * 0.41421356, w = h * kW / kH;
  constexpr int kColumns = 96;
  std::vector<SkinVertex> out;
  auto vertex = [&](int column, int row) {
    const double s = static_cast<double>(column) / kColumns;
    const double x = -w + 2 * w * s, y = row ? h : -h, a = turn(s);
    SkinVertex v;
    v.position = D3DXVECTOR3(static_cast<float>(x), static_cast<float>(y), static_cast<float>(d));
    v.normal = D3DXVECTOR3(static_cast<float>(std::sin(a)), 0, static_cast<float>(-std::cos(a)));
    v.u = static_cast<float>(0.3 + x * kUvPerUnit);
    v.v = static_cast<float>(0.3 - y * kUvPerUnit);
    return v;
  };
  for (int c = 0; c < kColumns; ++c)
    for (auto [col, row] : {std::pair{c, 0}, {c + 1, 0}, {c + 1, 1}, {c, 0}, {c + 1, 1}, {c, 1}})
      out.push_back(vertex(col, row));
  return out;
}

// Level `level` of a hatching texture as the content generator writes it: an 8-bit grey DDS
// with a full mip chain, or an A8R8G8B8 one whose red channel holds the texture's own tone.
std::vector<uint8_t> TextureLevel(const std::string& path, int level) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  if (bytes.size() < 128) return {};
  uint32_t height, width, format;
  std::memcpy(&height, &bytes[12], 4);
  std::memcpy(&width, &bytes[16], 4);
  std::memcpy(&format, &bytes[80], 4);
  const size_t pixelBytes = format == 0x41 ? 4 : 1, red = format == 0x41 ? 2 : 0;  // B, G, R, A
  size_t offset = 128;
  for (int l = 0; l < level && width > 1; ++l) {
    offset += static_cast<size_t>(width) * height * pixelBytes;
    width = std::max(1u, width / 2), height = std::max(1u, height / 2);
  }
  const size_t count = static_cast<size_t>(width) * height;
  if (bytes.size() < offset + count * pixelBytes) return {};
  std::vector<uint8_t> out(count);
  for (size_t i = 0; i < count; ++i) out[i] = bytes[offset + i * pixelBytes + red];
  return out;
}

class Quality {
 public:
  Quality(QualityScene& scene, std::string out) : scene_(scene), out_(std::move(out)) {}
  bool Run(const std::string& content, bool picturesOnly);
  int missed() const { return report_.missed; }

 private:
  // One picture through a variant, saved as out/<name>.png when a name is given.
  Plane Render(Output output, const std::function<const std::vector<uint8_t>&()>& draw, const char* name = nullptr);
  bool Use(Output output);
  void Save(const std::vector<uint8_t>& rgba, const std::string& name);
  void Pictures();
  void ToneRamp();
  void Contrast(const std::string& content);
  void EdgeWidth();
  void Walk();
  void Seam();
  void Outline();
  void Lattice();
  void LightSteps();
  void RuledLines(const std::string& content);

  QualityScene& scene_;
  std::string out_;
  Report report_;
  Output current_ = kPicture;
  bool loaded_ = false;
};

bool Quality::Use(Output output) {
  if (loaded_ && current_ == output) return true;
  std::string error;
  if (!scene_.UseEffect(output, &error)) {
    std::fprintf(stderr, "quality: %s\n", error.c_str());
    return false;
  }
  current_ = output, loaded_ = true;
  return true;
}

void Quality::Save(const std::vector<uint8_t>& rgba, const std::string& name) {
  std::string error;
  if (!WritePng(out_ + "/" + name + ".png", rgba.data(), kW, kH, &error)) std::fprintf(stderr, "quality: %s\n", error.c_str());
}

Plane Quality::Render(Output output, const std::function<const std::vector<uint8_t>&()>& draw, const char* name) {
  if (!Use(output)) return Plane(kW, kH);
  const std::vector<uint8_t>& rgba = draw();
  if (name) Save(rgba, name);
  return Decode(rgba, output);
}

bool Quality::Run(const std::string& content, bool picturesOnly) {
  if (!Use(kPicture)) return false;
  Pictures();
  if (picturesOnly) return true;
  if (!Use(kHatch)) return false;
  ToneRamp();
  Contrast(content);
  EdgeWidth();
  Walk();
  Seam();
  Outline();
  Lattice();
  LightSteps();
  RuledLines(content);
  loaded_ = false;  // the shapes use variants of their own
  return scene_.formStrokes ||
         MeasureFormStrokes(scene_, out_, [this](const char* n, double v, const char* t, bool met) {
           report_.Line(n, v, t, met);
         });
}

// The pictures a reader looks at: the start view, a close-up and far away, as the viewer draws
// them (with the paper box behind).
void Quality::Pictures() {
  Use(kPicture);
  const struct {
    const char* name;
    D3DXVECTOR3 eye, target;
  } views[] = {{"start_view", {0, 100, -200}, {0, 100, 0}},
               {"close_up", {-5, 72, 38}, {0, 68, 100}},
               {"far_1800", {0, 50, -1700}, {0, 50, 100}}};
  for (const auto& v : views) {
    scene_.Look(v.eye, v.target);
    Save(scene_.DrawCharacter(true), v.name);
  }
}

// Tone error on the ramp: rendered darkness (1 - the hatching's brightness) against the darkness
// the tone asks for (tone / 7, which the tonal art map's levels carry), in 16 x 16 blocks. The
// same on the character in the start view, over the blocks wholly inside the figure.
void Quality::ToneRamp() {
  const std::vector<SkinVertex> ramp =
      FacingPlane(300, [](double s) { return (-5 + 100 * s) * 3.14159265 / 180; });
  scene_.Look({0, 0, 0}, {0, 0, 1});
  scene_.light = D3DXVECTOR3(0, 0, -1e5f);
  scene_.forcedTone = -1;
  const Plane dark = Darkness(Render(kHatch, [&]() -> const auto& { return scene_.DrawTriangles(ramp); }, "ramp_hatch"));
  const Plane want = Render(kTone, [&]() -> const auto& { return scene_.DrawTriangles(ramp); });
  const ToneError e = BlockToneError(dark, want, 16);
  report_.Line("tone_error_mean", e.mean, "≤ 0.015", e.mean <= 0.015);
  report_.Line("tone_error_p95", e.p95, "≤ 0.040", e.p95 <= 0.040);
  report_.Line("tone_error_worst", e.worst, "≤ 0.060", e.worst <= 0.060);
  report_.Line("tone_error_column", e.columns, "≤ 0.0357, a quarter tone step", e.columns <= 1.0 / 28);

  // The same ramp up close, where a texel covers 2.2 pixels and strokes are drawn steepened:
  // the tone must hold there too.
  const double close = kTexelUnits * kPixelsPerUnitAtOne / 2.2;
  const std::vector<SkinVertex> closeRamp =
      FacingPlane(close, [](double s) { return (-5 + 100 * s) * 3.14159265 / 180; });
  const Plane closeDark = Darkness(Render(kHatch, [&]() -> const auto& { return scene_.DrawTriangles(closeRamp); }));
  const Plane closeWant = Render(kTone, [&]() -> const auto& { return scene_.DrawTriangles(closeRamp); });
  const ToneError up = BlockToneError(closeDark, closeWant, 64);
  report_.Line("tone_error_close_column", up.columns, "≤ 0.0357, a quarter tone step", up.columns <= 1.0 / 28);

  scene_.Look({0, 100, -200}, {0, 100, 0});
  scene_.light = D3DXVECTOR3(500, 500, -500);
  const Plane figure = Darkness(Render(kHatch, [&]() -> const auto& { return scene_.DrawCharacter(false); }, "start_view_hatch"));
  const Plane figureWant = Render(kTone, [&]() -> const auto& { return scene_.DrawCharacter(false); });
  const ToneError c = BlockToneError(figure, figureWant, 16);
  report_.Line("tone_error_worst_character", c.worst, "≤ 0.05", c.worst <= 0.05);
  long darkest = 0, inside = 0;
  for (size_t i = 0; i < figureWant.value.size(); ++i)
    if (figureWant.inside[i]) ++inside, darkest += figureWant.value[i] * 7 > 5.5;
  report_.Line("darkest_tone_share", inside ? static_cast<double>(darkest) / inside : 0, "report", true);
}

// Contrast kept: the deviation of the rendered hatching's brightness over the middle of a plane
// with one tone forced, divided by the deviation of that tone's texture at the mip level whose
// texels match the pixels there (what filtering had to work with); the lowest over tones 1 to 5
// (Hatch0 to Hatch4) at each distance.
void Quality::Contrast(const std::string& content) {
  scene_.Look({0, 0, 0}, {0, 0, 1});
  scene_.light = D3DXVECTOR3(0, 0, -1e5f);
  for (int d : {300, 1200, 2400}) {
    std::vector<SkinVertex> plane = FacingPlane(d, [](double) { return 0.0; });
    // The level whose texels match the pixels at this distance.
    const double texelsPerPixel = d / kPixelsPerUnitAtOne / kTexelUnits;
    const int level = std::max(0, static_cast<int>(std::lround(std::log2(texelsPerPixel))));
    double lowest = 1e9;
    std::string each;
    for (int tone = 1; tone <= 5; ++tone) {
      scene_.forcedTone = static_cast<float>(tone);
      const std::string name = "contrast_" + std::to_string(d) + "_tone" + std::to_string(tone);
      Plane hatch = Render(kHatch, [&]() -> const auto& { return scene_.DrawTriangles(plane); }, name.c_str());
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
          if (x < kW / 4 || x >= 3 * kW / 4 || y < kH / 4 || y >= 3 * kH / 4) hatch.inside[static_cast<size_t>(y) * kW + x] = 0;
      const double own = Deviation(TextureLevel(content + "/Textures/Hatch" + std::to_string(tone - 1) + ".dds", level));
      const double kept = own > 0 ? Deviation(hatch) / own : 0.0;
      lowest = std::min(lowest, kept);
      each += (tone > 1 ? ", " : "") + std::to_string(kept).substr(0, 4);
    }
    report_.Note(("contrast_by_tone_" + std::to_string(d)).c_str(), each);
    const std::string name = "contrast_kept_" + std::to_string(d);
    report_.Line(name.c_str(), lowest, "≥ 0.75", lowest >= 0.75);
  }
  scene_.forcedTone = -1;
}

// Stroke edge width up close: a plane with the lightest tone (strokes along u, across the
// picture's columns) at the distance where one finest-level texel covers 2.2 and 4.4 pixels.
void Quality::EdgeWidth() {
  scene_.Look({0, 0, 0}, {0, 0, 1});
  scene_.light = D3DXVECTOR3(0, 0, -1e5f);
  scene_.forcedTone = 1;
  for (double perTexel : {2.2, 4.4}) {
    const double d = kTexelUnits * kPixelsPerUnitAtOne / perTexel;
    const std::vector<SkinVertex> plane = FacingPlane(d, [](double) { return 0.0; });
    const std::string name = perTexel < 3 ? "edge_2.2" : "edge_4.4";
    const Plane dark = Darkness(Render(kHatch, [&]() -> const auto& { return scene_.DrawTriangles(plane); }, name.c_str()));
    int flanks = 0;
    const double width = MedianEdgeWidth(dark, 0.35, &flanks);
    const std::string figure = "stroke_edge_px_at_" + name.substr(5);
    report_.Line(figure.c_str(), width, "≤ 1.5", flanks > 0 && width <= 1.5);
  }
  scene_.forcedTone = -1;
}

struct WalkStep {
  double from, to;  // the figure's rough depth in the earlier and the later picture
};

void DollyGuess(double x, double y, const void* context, double* fx, double* fy) {
  const auto* step = static_cast<const WalkStep*>(context);
  const double scale = step->to / step->from;
  *fx = kW / 2.0 - 0.5 + (x - (kW / 2.0 - 0.5)) * scale;
  *fy = kH / 2.0 - 0.5 + (y - (kH / 2.0 - 0.5)) * scale;
}

// Shimmer: from the start view, eight steps of 10 units (the viewer's walk step) towards the
// character; every surface point seen in two successive pictures is compared (see TrackPoints).
void Quality::Walk() {
  scene_.light = D3DXVECTOR3(500, 500, -500);
  std::vector<Plane> hatch, u, v;
  for (int step = 0; step <= 8; ++step) {
    const float z = -200.0f + 10.0f * step;
    scene_.Look({0, 100, z}, {0, 100, z + 1});
    hatch.push_back(Render(kHatch, [&]() -> const auto& { return scene_.DrawCharacter(false); }));
    u.push_back(Render(kU, [&]() -> const auto& { return scene_.DrawCharacter(false); }));
    v.push_back(Render(kV, [&]() -> const auto& { return scene_.DrawCharacter(false); }));
  }
  long tracked = 0;
  double jumps = 0, change = 0;
  for (int step = 0; step < 8; ++step) {
    const WalkStep depth{300.0 - 10 * step, 290.0 - 10 * step};
    const Tracking t = TrackPoints({&hatch[step], &u[step], &v[step]}, {&hatch[step + 1], &u[step + 1], &v[step + 1]},
                                   DollyGuess, &depth);
    tracked += t.tracked;
    jumps += t.jumpShare * static_cast<double>(t.tracked);
    change += t.meanChange * static_cast<double>(t.tracked);
  }
  const double share = tracked ? jumps / static_cast<double>(tracked) : 1, mean = tracked ? change / static_cast<double>(tracked) : 1;
  report_.Line("walk_jump_share", share, "≤ 0.0025", tracked > 0 && share <= 0.0025);
  report_.Line("walk_mean_change", mean, "≤ 0.011", tracked > 0 && mean <= 0.011);
  report_.Line("walk_tracked_points", static_cast<double>(tracked), "report", true);
}

// The uv seams down the back: the character seen from behind, the eye on its centre line. In
// each row, the seam nearest the centre is found from the file's texture coordinates: a jump in u
// (more than 0.01 between neighbours, five model units, where a pixel moves u by under 0.001)
// or a fold (u at a local minimum below 0.003, falling towards it as fast as it rises after),
// with u running steadily for three pixels either side, so that the seam lies inside one part
// and not where one part's edge meets another. The hatching's brightness is correlated across
// it (less the tone's own brightness), over pixel pairs two columns apart with the seam between
// them, each pair laid along the strokes there (see seam_pairs.h), and, for comparison, over
// pairs laid the same way 8 to 60 pixels to either side in the same rows. The figure is the
// first divided by the second: 1 when the hatching runs on across the seam as it does anywhere
// else. Level pairs would compare thin strokes crossed at the seam (where strokes follow the
// spine) with strokes followed elsewhere; that figure is printed too, for reference.
void Quality::Seam() {
  scene_.Look({0, 62, 250}, {0, 62, 100});
  scene_.light = D3DXVECTOR3(-300, 400, 600);
  Plane hatch = Render(kHatch, [&]() -> const auto& { return scene_.DrawCharacter(false); }, "back_hatch");
  const Plane tone = Render(kTone, [&]() -> const auto& { return scene_.DrawCharacter(false); });
  // The seams are the file's: under --strokes form they are where the file's uv would cut the
  // strokes, and the hatching should run on across them as anywhere else.
  const Plane u = Render(kU, [&]() -> const auto& { return scene_.DrawCharacterWithFileUv(false); });
  // The strokes alone: brightness less the brightness the tone asks for, so that the shading's
  // own smooth change across the back does not pass for hatching that continues.
  for (size_t i = 0; i < hatch.value.size(); ++i) hatch.value[i] -= 1.0f - tone.value[i];
  std::vector<std::pair<int, int>> across, elsewhere;
  for (int y = 0; y < kH; ++y) {
    int seam = -1;
    for (int offset = 0; offset <= 40 && seam < 0; ++offset)
      for (int x : {kW / 2 - offset, kW / 2 + offset}) {
        bool inside = true;
        for (int k = -3; k <= 3; ++k) inside = inside && u.In(x + k, y);
        if (!inside) continue;
        // Steps of u either side, outwards from the seam, two pixels each.
        const float l1 = u.At(x - 1, y) - u.At(x - 2, y), l2 = u.At(x - 2, y) - u.At(x - 3, y);
        const float r1 = u.At(x + 2, y) - u.At(x + 1, y), r2 = u.At(x + 3, y) - u.At(x + 2, y);
        auto steady = [](float a, float b) { return std::abs(a - b) <= 0.5f * std::max(std::abs(a), std::abs(b)) + 2e-5f; };
        if (!steady(l1, l2) || !steady(r1, r2)) continue;  // another part's edge, not one surface
        const float jump = u.At(x + 1, y) - u.At(x, y);
        const bool jumps = std::abs(jump) > 0.01f;
        const bool folds = u.At(x, y) < 0.003f && l1 < 0 && r1 > 0 && steady(-l1, r1);
        if (jumps || folds) {
          seam = x;
          break;
        }
      }
    if (seam < 0 || !hatch.In(seam - 1, y) || !hatch.In(seam + 1, y)) continue;
    // A jump lies between seam and seam + 1, a fold at seam: either way seam - 1 and seam + 1
    // are on opposite sides.
    across.push_back({seam - 1, y});
    for (int x = seam - 60; x <= seam + 60; ++x)
      if (std::abs(x - seam) >= 8) elsewhere.push_back({x, y});
  }
  // The pairs along the strokes (see seam_pairs.h), centred between the two pixels above.
  std::vector<std::pair<int, int>> acrossCentres, elsewhereCentres;
  for (const auto& [x, y] : across) acrossCentres.push_back({x + 1, y});
  for (const auto& [x, y] : elsewhere) elsewhereCentres.push_back({x + 1, y});
  const AlongStrokeCorrelation seam = AlongStrokePairCorrelation(hatch, acrossCentres, 4);
  const AlongStrokeCorrelation other = AlongStrokePairCorrelation(hatch, elsewhereCentres, 4);
  const double continuity = other.correlation > 0 ? seam.correlation / other.correlation : 0;
  report_.Line("seam_correlation", seam.correlation, "report", true);
  report_.Line("correlation_elsewhere", other.correlation, "report", true);
  report_.Line("seam_continuity", continuity, "≥ 0.9, across the seam ÷ elsewhere, pairs along the strokes",
               continuity >= 0.9);
  report_.Line("seam_rows", static_cast<double>(across.size()), "report", true);
  report_.Line("seam_rows_strokes_along_seam", static_cast<double>(seam.alongSeam), "report, left out", true);
  // Pairs side by side in the row, whatever the strokes' direction.
  const double rowSeam = PairCorrelation(hatch, across, 2), rowOther = PairCorrelation(hatch, elsewhere, 2);
  const std::string parts = "report, pairs in the row: " + std::to_string(rowSeam).substr(0, 5) +
                            " across ÷ " + std::to_string(rowOther).substr(0, 5) + " elsewhere";
  report_.Line("seam_continuity_row_pairs", rowOther > 0 ? rowSeam / rowOther : 0, parts.c_str(), true);
}

// Outline share: the outline's coverage summed over the figure, divided by the figure's pixels,
// from the character far away (d = 1800) and, for comparison, in the start view.
void Quality::Outline() {
  scene_.light = D3DXVECTOR3(500, 500, -500);
  for (int d : {1800, 300}) {
    scene_.Look({0, 50, static_cast<float>(100 - d)}, {0, 50, 100});
    const std::string name = "outline_" + std::to_string(d);
    const Plane line = Render(kOutline, [&]() -> const auto& { return scene_.DrawCharacter(false); }, name.c_str());
    double sum = 0;
    long figure = 0;
    for (size_t i = 0; i < line.value.size(); ++i)
      if (line.inside[i]) sum += line.value[i], ++figure;
    const double share = figure ? sum / static_cast<double>(figure) : 1;
    const std::string figureName = "outline_share_" + std::to_string(d);
    if (d == 1800)
      report_.Line(figureName.c_str(), share, "≤ 0.25", share <= 0.25);
    else
      report_.Line(figureName.c_str(), share, "report", true);
  }
}

// Tile lattice: the normalised autocorrelation of the figure's hatching at the tile's period on
// screen, against its spread over the lags around it (see PeriodPeak); a score above 3 is a
// lattice. The period is the screen size of one texture repeat at the figure's distance.
void Quality::Lattice() {
  scene_.light = D3DXVECTOR3(500, 500, -500);
  const double tileUnits = 4 / (10 * kUvPerUnit);
  for (int d : {300, 1200}) {
    scene_.Look({0, 50, static_cast<float>(100 - d)}, {0, 50, 100});
    const Plane hatch = Render(kHatch, [&]() -> const auto& { return scene_.DrawCharacter(false); });
    const int period = static_cast<int>(std::lround(tileUnits * kPixelsPerUnitAtOne / d));
    double score = 0;
    const std::string name = "lattice_score_" + std::to_string(d);
    if (PeriodPeak(hatch, period, 2000, &score))
      report_.Line(name.c_str(), score, "≤ 3", score <= 3);
    else
      report_.Note(name.c_str(), "none (the tile's period, " + std::to_string(period) +
                                     " px, is longer than the figure: the pattern cannot repeat on it)");
  }
}

// Light steps: the light goes round the character in six steps of 45 degrees, from its right
// side past the front to behind its left; the figure's mean rendered darkness must follow the
// mean darkness asked for one to one (the least-squares slope of one on the other).
void Quality::LightSteps() {
  scene_.Look({0, 100, -200}, {0, 100, 0});
  std::vector<double> got, want;
  for (int step = 0; step < 6; ++step) {
    const double angle = (-90.0 + 45.0 * step) * 3.14159265 / 180;
    scene_.light = D3DXVECTOR3(static_cast<float>(800 * std::sin(angle)), 500, static_cast<float>(100 - 800 * std::cos(angle)));
    const Plane hatch = Render(kHatch, [&]() -> const auto& { return scene_.DrawCharacter(false); });
    const Plane tone = Render(kTone, [&]() -> const auto& { return scene_.DrawCharacter(false); });
    double g = 0, w = 0;
    long n = 0;
    for (size_t i = 0; i < hatch.value.size(); ++i)
      if (hatch.inside[i]) g += 1 - hatch.value[i], w += tone.value[i], ++n;
    got.push_back(n ? g / n : 0);
    want.push_back(n ? w / n : 0);
  }
  double mw = 0, mg = 0;
  for (size_t i = 0; i < got.size(); ++i) mw += want[i] / got.size(), mg += got[i] / got.size();
  double sxy = 0, sxx = 0;
  for (size_t i = 0; i < got.size(); ++i) sxy += (want[i] - mw) * (got[i] - mg), sxx += (want[i] - mw) * (want[i] - mw);
  const double slope = sxx > 0 ? sxy / sxx : 0;
  std::string steps;
  for (size_t i = 0; i < got.size(); ++i) steps += (i ? ", " : "") + std::to_string(want[i]).substr(0, 5) + "/" + std::to_string(got[i]).substr(0, 5);
  report_.Note("light_steps_asked_and_drawn", steps);
  report_.Line("light_step_ratio", slope, "0.95 to 1.05", slope >= 0.95 && slope <= 1.05);
  scene_.light = D3DXVECTOR3(500, 500, -500);
}

// Ruled lines: the row-profile correlation of two strips 192 texels apart on the finest level of
// every tone (see RowProfileCorrelation); the highest over the tones.
void Quality::RuledLines(const std::string& content) {
  constexpr int kFinest = 1024;
  double highest = -1;
  std::string each;
  for (int tone = 0; tone < 6; ++tone) {
    const std::vector<uint8_t> level =
        TextureLevel(content + "/Textures/Hatch" + std::to_string(tone) + ".dds", 0);
    const double r = level.size() == static_cast<size_t>(kFinest) * kFinest
                         ? RowProfileCorrelation(level, kFinest, 192)
                         : 1;
    highest = std::max(highest, r);
    each += (tone ? ", " : "") + std::to_string(r).substr(0, 5);
  }
  report_.Note("ruled_line_correlation_by_tone", each);
  report_.Line("ruled_line_correlation", highest, "≤ 0.25, strips 192 texels apart", highest <= 0.25);
}

}  // namespace

int main(int argc, char** argv) {
  bool picturesOnly = false;
  QualityScene scene;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pictures-only") == 0)
      picturesOnly = true;
    else if (std::strcmp(argv[i], "--strokes-form") == 0)
      scene.formStrokes = true;
    else
      positional.push_back(argv[i]);
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "usage: quality [--pictures-only] [--strokes-form] CONTENT OUT\n");
    return 2;
  }
  std::string error;
  if (!MakeDirectories(positional[1], &error)) {
    std::fprintf(stderr, "quality: %s\n", error.c_str());
    return 2;
  }
  if (!scene.Create(positional[0], &error)) {
    std::fprintf(stderr, "quality: %s\n", error.c_str());
    return 2;
  }
  Quality quality(scene, positional[1]);
  if (!quality.Run(positional[0], picturesOnly)) return 2;
  return quality.missed() == 0 ? 0 : 1;
}
