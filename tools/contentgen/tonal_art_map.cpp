// Stroke-by-stroke construction of the tonal art map. For each tone, from the coarsest drawn
// level to the finest, strokes are added until the level's mean darkness reaches the tone's
// target. Each stroke is the best of K random candidates: the one that raises the tone of all
// the levels it will land on the most per unit of length, which favours candidates that fall on
// empty paper and so spreads strokes evenly. A stroke added at one level is added to all finer
// levels too, and each tone starts from the finished lighter tone.
#include "tonal_art_map.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "pencil_stroke.h"
#include "random.h"
#include "vec_math.h"

namespace contentgen {
namespace {

// How close to its target a level must end, and how far past it one stroke may carry it.
constexpr double kStopBelow = 0.004;
constexpr double kMaxOver = 0.010;

// Strokes should spread evenly, but a thin stroke darkens nearly as much whether it lands next
// to another stroke or on empty paper. So candidates are also judged by the paper's local
// brightness, kept per level as the mean of each cell of a kGrid x kGrid grid and read back
// bilinearly: a stroke through a bare neighbourhood scores higher than one through a busy one.
constexpr int kGrid = 16;

struct Level {
  FloatImage image;  // brightness, 1 = bare paper
  double darkness_sum = 0;
  FloatImage cells;  // mean brightness of each grid cell

  explicit Level(int size) : image(size, size, 1.0f), cells(kGrid, kGrid, 1.0f) {}
  double MeanDarkness() const { return darkness_sum / (static_cast<double>(image.width) * image.height); }
  int CellSize() const { return std::max(1, image.width / kGrid); }

  double LocalBrightness(int x, int y) const {
    const int grid = std::min(kGrid, image.width);
    const double gx = (x + 0.5) / CellSize() - 0.5, gy = (y + 0.5) / CellSize() - 0.5;
    const int ix = static_cast<int>(std::floor(gx)), iy = static_cast<int>(std::floor(gy));
    const double fx = gx - ix, fy = gy - iy;
    auto cell = [&](int cx, int cy) { return cells.At((cx + grid) % grid, (cy + grid) % grid); };
    return (1 - fy) * ((1 - fx) * cell(ix, iy) + fx * cell(ix + 1, iy)) +
           fy * ((1 - fx) * cell(ix, iy + 1) + fx * cell(ix + 1, iy + 1));
  }
};

struct Candidate {
  double gain = 0;      // mean darkness the stroke adds to a level
  double weighted = 0;  // the same, weighted by how bare the neighbourhood is
};

Candidate Evaluate(const Level& level, const PencilStroke& stroke) {
  Candidate c;
  ForEachStrokePixel(stroke, level.image.width, [&](int x, int y, double amount) {
    const double added = level.image.At(x, y) * amount;
    c.gain += added;
    c.weighted += added * level.LocalBrightness(x, y);
  });
  const double pixels = static_cast<double>(level.image.width) * level.image.height;
  c.gain /= pixels;
  c.weighted /= pixels;
  return c;
}

void ApplyStroke(std::vector<Level>& levels, size_t from, const PencilStroke& stroke) {
  for (size_t l = from; l < levels.size(); ++l) {
    Level& level = levels[l];
    const int cell = level.CellSize();
    const float per_cell = 1.0f / static_cast<float>(cell * cell);
    ForEachStrokePixel(stroke, level.image.width, [&](int x, int y, double amount) {
      float& b = level.image.At(x, y);
      const float removed = static_cast<float>(b * amount);
      level.darkness_sum += removed;
      level.cells.At(x / cell, y / cell) -= removed * per_cell;
      b -= removed;
    });
  }
}

// Light tones hatch in one direction only; darker tones cross them.
PencilStroke RandomStroke(Random& rng, int tone, double length_scale) {
  PencilStroke s;
  s.x = rng.Uniform();
  s.y = rng.Uniform();
  bool across = tone >= 3;
  if (tone >= 5) across = rng.Uniform() < 0.5;
  s.angle = Radians((across ? 90.0 : 0.0) + rng.Uniform(-4.0, 4.0));
  s.length = rng.Uniform(0.45, 0.7) * length_scale;
  s.bend = rng.Uniform(-0.02, 0.02);
  s.darkness = rng.Uniform(0.75, 0.95);
  s.seed = static_cast<uint32_t>(rng.NextBits());
  return s;
}

// Adds strokes at level `from` (and every finer level) until it reaches the target darkness.
void FillLevel(std::vector<Level>& levels, size_t from, int tone, int candidates, Random& rng) {
  const double target = ToneTarget(tone);
  double length_scale = 1.0;
  while (levels[from].MeanDarkness() < target - kStopBelow) {
    PencilStroke best;
    double best_score = -1;
    for (int k = 0; k < candidates; ++k) {
      const PencilStroke s = RandomStroke(rng, tone, length_scale);
      double score = 0;
      bool overshoots = false;
      for (size_t l = from; l < levels.size(); ++l) {
        const Candidate c = Evaluate(levels[l], s);
        overshoots |= levels[l].MeanDarkness() + c.gain > target + kMaxOver;
        score += c.weighted;
      }
      if (overshoots) continue;
      score /= s.length;
      if (score > best_score) best_score = score, best = s;
    }
    if (best_score < 0) {
      // Every candidate would overshoot: finish the level with shorter strokes.
      length_scale *= 0.7;
      if (length_scale < 0.05) throw std::runtime_error("tonal art map: cannot reach a tone target");
      continue;
    }
    ApplyStroke(levels, from, best);
  }
}

}  // namespace

std::vector<std::vector<GrayImage>> BuildTonalArtMap(const TonalArtMapOptions& options) {
  Random rng(options.seed);
  std::vector<Level> levels;  // coarsest drawn level first
  for (int size = options.coarsest_drawn; size <= options.finest_size; size *= 2) levels.emplace_back(size);

  std::vector<std::vector<GrayImage>> tones(kToneCount);
  for (int tone = 0; tone < kToneCount; ++tone) {
    for (size_t level = 0; level < levels.size(); ++level)
      FillLevel(levels, level, tone, options.candidates, rng);

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
