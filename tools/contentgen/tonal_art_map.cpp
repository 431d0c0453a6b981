// Line-by-line construction of the tonal art map. Every tone adds one or more families of
// parallel lines. A family's lines sit at an even spacing, in texels, that is the same on every
// drawn level: the coarsest drawn level holds every 2^k-th line of the finest, and each finer
// level adds the lines midway between the ones it inherits. So a line drawn on one level is on
// every finer level and each level is evenly covered. Each line is a closed chain of pencil
// strokes around the tile whose ends overlap a little, staggered from line to line, with a
// small jitter in place, angle and bow. The lines a tone adds on a level share one pressure,
// solved so that the level's mean darkness lands on the tone's target.
#include "tonal_art_map.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "pencil_stroke.h"
#include "random.h"
#include "vec_math.h"

namespace contentgen {
namespace {

struct Family {
  double angle_deg;  // direction of the strokes: 0 runs along u, 90 along v, +-45 diagonal
  double spacing;    // texels between neighbouring lines, along the axis the lines cross
  double offset;     // where the lines sit within the coarsest level's spacing, as a fraction
  double width = 2;  // stroke width in texels, on every level
};

// What each tone adds to the lighter one. Light tones hatch along u only; the darker ones
// cross them along v and then along both diagonals. A diagonal's spacing is measured along u,
// so its lines lie 1/sqrt(2) of that apart. Darker tones go over the lines already there with
// wider strokes instead of filling the gaps between them: the tone keeps its stripes 8 texels
// apart, which survive minification, where lines a few texels apart blur into flat grey.
struct ToneLines {
  std::vector<Family> families;
};
// Offsets are thirds: a line's offset within the spacing doubles (mod 1) from one level to the
// next finer one, and thirds only trade places, so the lines of the families of one direction
// stay a third of the spacing apart on every level. The second tone doubles every line of the
// first; the third goes over both with a broad stroke; the fourth and fifth do the same along v.
const ToneLines kToneLines[kToneCount] = {
    {{{0, 8, 0.0}}},
    {{{0, 8, 1 / 3.0}}},
    {{{0, 8, 0.0, 8}, {0, 8, 1 / 3.0, 8}}},
    {{{90, 8, 0.0, 4}, {90, 8, 1 / 3.0, 4}}},
    {{{90, 8, 0.0, 6}, {90, 8, 1 / 3.0, 6}}},
    {{{45, 8, 0.0, 3}, {-45, 8, 0.0, 3}}},
};

// Stroke length in texture coordinates, and the shortest a stroke may be in the pixels of the
// level it is first drawn on, so that coarse levels get dashes rather than dots.
constexpr double kMinLength = 0.11, kMaxLength = 0.175;
constexpr double kMinLengthPixels = 5.0;
// Neighbouring strokes of a line overlap by this fraction of their length, about the length of
// their tapered tips, so the line's darkness carries on evenly across the join.
constexpr double kMinOverlap = 0.06, kMaxOverlap = 0.14;
// Hand-drawn jitter, in units of the line spacing on the finest level (place) and degrees.
constexpr double kPlaceJitter = 0.06;
constexpr double kAngleJitterDeg = 0.7;
constexpr double kBend = 0.004;
// Strokes of a tone differ in pressure by up to this fraction.
constexpr double kPressureSpread = 0.05;

struct Level {
  int size;
  FloatImage image;  // brightness, 1 = bare paper
  // The finest level's strokes cover whole pixels: the viewer shows that level texel by texel
  // when it magnifies it, with a sharp step between texels, and a half-covered texel at a
  // stroke's edge would show there as a grey band.
  bool whole_pixels = false;
  explicit Level(int s) : size(s), image(s, s, 1.0f) {}
  double MeanDarkness() const {
    double sum = 0;
    for (float v : image.values) sum += 1.0 - v;
    return sum / static_cast<double>(image.values.size());
  }
};

uint64_t Mix(uint64_t a, uint64_t b) {
  Random r(a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull));
  return r.NextBits();
}

// The strokes of line `index` of a family with `lines` lines on the finest level (of size
// `finest`), first drawn on a level of size `first_size`.
void AddLineStrokes(const Family& f, int index, int lines, int coarsest_lines, int finest, int first_size,
                    uint64_t seed, std::vector<PencilStroke>& out) {
  Random rng(seed);
  const double angle = Radians(f.angle_deg);
  const double dx = std::cos(angle), dy = std::sin(angle);
  // Lines of a horizontal family cross the v axis; all others cross the u axis.
  const bool along_u = std::abs(dy) < 1e-9;
  const double position = static_cast<double>(index) / lines + f.offset / coarsest_lines;
  const double loop = along_u ? 1.0 : 1.0 / std::abs(dy);  // length of the closed line
  const double spacing_tex = f.spacing / finest * (along_u ? 1.0 : std::abs(dy));  // normal to the line
  const double min_length = kMinLengthPixels / first_size;

  // Stroke lengths and overlaps, then scaled so that the chain closes on itself.
  std::vector<double> lengths, overlaps;
  double total = 0;
  const double mean = std::max(0.5 * (kMinLength + kMaxLength), 1.15 * min_length) * (1 - 0.5 * (kMinOverlap + kMaxOverlap));
  const int count = std::max(1, static_cast<int>(std::lround(loop / mean)));
  for (int i = 0; i < count; ++i) {
    const double length = std::max(rng.Uniform(kMinLength, kMaxLength), rng.Uniform(1.0, 1.3) * min_length);
    const double overlap = length * rng.Uniform(kMinOverlap, kMaxOverlap);
    lengths.push_back(length);
    overlaps.push_back(overlap);
    total += length - overlap;
  }
  const double scale = loop / total;
  double along = rng.Uniform() * loop;
  const double nx = -dy, ny = dx;  // unit normal
  const double ox = along_u ? 0.0 : position, oy = along_u ? position : 0.0;
  for (int i = 0; i < count; ++i) {
    PencilStroke s;
    s.length = lengths[i] * scale;
    // Keep the ends of a long stroke within a fraction of the spacing of the line.
    const double max_tilt = std::atan(2 * kPlaceJitter * spacing_tex / (0.5 * s.length));
    s.angle = angle + rng.Uniform(-1.0, 1.0) * std::min(Radians(kAngleJitterDeg), max_tilt);
    const double shift = rng.Uniform(-1.0, 1.0) * kPlaceJitter * spacing_tex;
    // Centre the stroke on the line: its midpoint sits `shift` off the line.
    const double mx = ox + dx * (along + 0.5 * s.length) + nx * shift;
    const double my = oy + dy * (along + 0.5 * s.length) + ny * shift;
    s.x = mx - 0.5 * s.length * std::cos(s.angle);
    s.y = my - 0.5 * s.length * std::sin(s.angle);
    s.x -= std::floor(s.x);
    s.y -= std::floor(s.y);
    s.bend = rng.Uniform(-kBend, kBend);
    s.darkness = 1.0 - kPressureSpread * rng.Uniform();
    s.seed = static_cast<uint32_t>(rng.NextBits());
    s.width = f.width;
    out.push_back(s);
    along += s.length - overlaps[i] * scale;
  }
}

// Darkness of `level` once `strokes` are drawn on it with their darkness scaled by k.
// A stroke's darkness is capped at 1 (it cannot take away more light than there is).
struct Footprint {
  std::vector<uint32_t> pixel;
  std::vector<float> amount;  // at darkness 1
  std::vector<float> darkness;
};

double DarknessWith(const Level& level, const Footprint& fp, double k) {
  FloatImage image = level.image;
  for (size_t i = 0; i < fp.pixel.size(); ++i)
    image.values[fp.pixel[i]] *= static_cast<float>(1.0 - std::min(1.0, k * fp.darkness[i]) * fp.amount[i]);
  double sum = 0;
  for (float v : image.values) sum += 1.0 - v;
  return sum / static_cast<double>(image.values.size());
}

// Scales the strokes' darkness so that drawing them on `level` brings it to `target`.
void SolvePressure(const Level& level, std::vector<PencilStroke>& strokes, double target) {
  Footprint fp;
  double lightest = 1;
  for (const PencilStroke& s : strokes) {
    lightest = std::min(lightest, s.darkness);
    PencilStroke full = s;
    full.darkness = 1;
    full.whole_pixels = level.whole_pixels;
    ForEachStrokePixel(full, level.size, [&](int x, int y, double amount) {
      fp.pixel.push_back(static_cast<uint32_t>(y * level.size + x));
      fp.amount.push_back(static_cast<float>(amount));
      fp.darkness.push_back(static_cast<float>(s.darkness));
    });
  }
  // Past this every stroke is at full darkness and nothing more can be had.
  const double k_max = 1.0 / lightest;
  // Darkness rises with k almost linearly (only where this level's strokes overlap each other
  // is it not), so a few secant steps land on the target.
  double k0 = 0, d0 = level.MeanDarkness();
  if (d0 >= target) throw std::runtime_error("tonal art map: a level is already darker than its tone");
  double k1 = 1, d1 = DarknessWith(level, fp, k1);
  for (int step = 0; step < 12 && std::abs(d1 - target) > 1e-6; ++step) {
    const double k2 = std::clamp(k1 + (target - d1) * (k1 - k0) / (d1 - d0), 0.0, 2 * k_max);
    k0 = k1, d0 = d1;
    k1 = k2, d1 = DarknessWith(level, fp, k1);
  }
  if (k1 > k_max || std::abs(d1 - target) > 1e-3)
    throw std::runtime_error("tonal art map: cannot reach a tone target (" + std::to_string(level.size) + ", k " + std::to_string(k1) + ", " + std::to_string(d1) + " vs " + std::to_string(target) + ")");
  for (PencilStroke& s : strokes) s.darkness = std::min(1.0, s.darkness * k1);
}

void Draw(Level& level, PencilStroke stroke) {
  stroke.whole_pixels = level.whole_pixels;
  ForEachStrokePixel(stroke, level.size,
                     [&](int x, int y, double amount) { level.image.At(x, y) *= static_cast<float>(1.0 - amount); });
}

}  // namespace

std::vector<std::vector<GrayImage>> BuildTonalArtMap(const TonalArtMapOptions& options) {
  std::vector<Level> levels;  // coarsest drawn level first
  for (int size = options.coarsest_drawn; size <= options.finest_size; size *= 2) levels.emplace_back(size);
  levels.back().whole_pixels = true;
  const int finest = options.finest_size;

  std::vector<std::vector<GrayImage>> tones(kToneCount);
  for (int tone = 0; tone < kToneCount; ++tone) {
    const std::vector<Family>& families = kToneLines[tone].families;
    for (size_t l = 0; l < levels.size(); ++l) {
      const int size = levels[l].size;
      std::vector<PencilStroke> strokes;  // the lines that first appear on this level
      for (size_t f = 0; f < families.size(); ++f) {
        const Family& family = families[f];
        const int lines = static_cast<int>(std::lround(finest / family.spacing));
        const int level_lines = static_cast<int>(std::lround(size / family.spacing));
        if (level_lines < 1 || lines % level_lines != 0 || std::abs(lines * family.spacing - finest) > 1e-9)
          throw std::runtime_error("tonal art map: line spacing does not divide the levels");
        const int step = lines / level_lines;
        const int coarsest_lines = static_cast<int>(std::lround(levels.front().size / family.spacing));
        for (int j = 0; j < lines; j += step) {
          if (l > 0 && j % (2 * step) == 0) continue;  // already drawn on the coarser level
          const uint64_t seed = Mix(Mix(options.seed, static_cast<uint64_t>(tone) * 16 + f), static_cast<uint64_t>(j));
          AddLineStrokes(family, j, lines, coarsest_lines, finest, size, seed, strokes);
        }
      }
      SolvePressure(levels[l], strokes, ToneTarget(tone));
      for (size_t finer = l; finer < levels.size(); ++finer)
        for (const PencilStroke& s : strokes) Draw(levels[finer], s);
    }

    // Finest first for the file; below the coarsest drawn level, box-filter down to 1x1.
    std::vector<GrayImage>& chain = tones[tone];
    for (size_t l = levels.size(); l-- > 0;) chain.push_back(Quantize(levels[l].image));
    FloatImage smaller = levels.front().image;
    while (smaller.width > 1) {
      smaller = HalveFloat(smaller);
      chain.push_back(Quantize(smaller));
    }
  }
  return tones;
}

}  // namespace contentgen
