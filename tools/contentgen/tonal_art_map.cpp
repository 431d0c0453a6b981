// Stroke-by-stroke construction of the tonal art map, after Praun et al.: each tone starts from
// the lighter tone's levels and each level from the strokes of the coarser ones, and adds
// strokes placed at random until the level reaches the tone. Each stroke is the best of a few
// candidates: the one that finds the most bare paper around it, so the tone stays even without
// any grid. A stroke added on a level is drawn on every finer level too, which keeps the nesting
// across tones and levels pixel by pixel. On each level, all the strokes the tone has drawn so far
// then have their pressure evened and scaled together, so that the level's mean darkness lands
// on the tone's target; the lighter tones' strokes stay as they are.
#include "tonal_art_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include "pencil_stroke.h"
#include "random.h"
#include "vec_math.h"

namespace contentgen {
namespace {

// The directions each tone's new strokes take, in degrees (0 runs along u, 90 along v). Light
// tones hatch along u; darker ones cross them along v, and the darkest along both diagonals.
struct ToneStrokes {
  std::vector<double> angles_deg;
};
const ToneStrokes kToneStrokes[kToneCount] = {{{0}}, {{0}}, {{0}}, {{90}}, {{90, 0}}, {{45, -45}}};

// Praun et al. and the open builders after them: the best of about 25 random candidates, each
// 0.3 to 1 of the tile long, turned by up to 2.5 degrees from the tone's direction.
constexpr int kCandidates = 25;
constexpr double kMinLength = 0.3, kMaxLength = 1.0;
// The finest level's firm strokes are shorter, so that each finds a gap of its own.
constexpr double kFinestMaxLength = 0.4;
constexpr double kAngleJitterDeg = 2.5;
// A hand's stroke bows a little, and the tips taper over a few widths, whatever the length.
constexpr double kBend = 0.006;
constexpr double kTipPixels = 9.0;
constexpr double kWidth = 2.0;
// A light hand: many light strokes keep the tone even where few dark ones would leave holes.
// Strokes differ in pressure by up to kPressureSpread, and each wavers by up to kWaver along itself.
constexpr double kPressure = 0.45;
// The finest level's own strokes are what a close view magnifies: a firmer hand there draws
// fewer strokes, each standing alone on the paper with a crisp flank.
constexpr double kFinestPressure = 0.6;
constexpr double kPressureSpread = 0.2;
constexpr double kWaver = 0.25;
// How far either side of its axis a candidate looks for bare paper, in pixels: about half the
// gap between neighbouring strokes of the lightest tone. From kEvenFrom up, short of the finest
// level, it is the reach over which the viewer averages a level (a sixty-fourth of the tile).
constexpr int kRoomReach = 8;
// Strokes that touch or overlap a neighbour merge into a band with a stepped flank: a candidate
// pays for the darkest pixel within kTouchReach of its axis, so strokes keep paper between them.
constexpr int kTouchReach = 3;
constexpr double kTouchWeight = 2.0;
constexpr int kFinestCandidates = 40;
// How far round a stroke EvenOut weighs the tone, how hard and how far it may change a
// stroke's pressure, and how often it looks again. The finest level, whose strokes a close view
// shows one by one, is evened more gently than the levels the ramp of tones is seen through.
constexpr int kEvenReach = 8;
constexpr double kEvenGain = 0.5, kEvenRange = 0.5;
constexpr int kEvenPasses = 3;
constexpr double kCoarseEvenGain = 1.0;
constexpr int kCoarseEvenPasses = 4;
// A stroke evened again on a finer level keeps this share of the pressure it had on the coarser
// one, so a texel dark on a level stays dark on the next finer one.
constexpr double kLevelKeep = 0.85;

// Below this size the neighbourhood is a good part of the tile and a few strokes make the
// whole level: there evening out would only band them.
constexpr int kEvenFrom = 256;

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

PencilStroke Candidate(Random& rng, double angle_deg, double pressure, double longest) {
  PencilStroke s;
  s.x = rng.Uniform();
  s.y = rng.Uniform();
  s.length = rng.Uniform(kMinLength, 1.0) * longest;
  s.angle = Radians(angle_deg + rng.Uniform(-kAngleJitterDeg, kAngleJitterDeg));
  s.bend = rng.Uniform(-kBend, kBend);
  s.darkness = pressure * (1.0 - kPressureSpread * rng.Uniform());
  s.width = kWidth;
  s.tip_pixels = kTipPixels;
  s.waver = kWaver * rng.Uniform();
  s.seed = static_cast<uint32_t>(rng.NextBits());
  return s;
}

// How much bare paper the stroke would find: along its axis, a pixel apart, the brightness of
// `image` within kRoomReach either side, weighted towards the axis (a blurred tone), squared so
// that a hole counts for more than a full stretch; the mean over the stroke.
double Room(const FloatImage& image, const PencilStroke& s, int reach, double touch_weight) {
  const int size = image.width;
  const double dx = std::cos(s.angle), dy = std::sin(s.angle);
  const int steps = std::max(1, static_cast<int>(s.length * size));
  double sum = 0;
  for (int i = 0; i < steps; ++i) {
    const double along = i + 0.5, t = along / steps;
    const double bow = s.bend * s.length * size * 4.0 * t * (1.0 - t);
    const double cx = s.x * size + dx * along - dy * bow, cy = s.y * size + dy * along + dx * bow;
    double band = 0, weights = 0, nearest = 1;
    for (int k = -reach; k <= reach; ++k) {
      const int x = static_cast<int>(std::floor(cx - dy * k)) & (size - 1);
      const int y = static_cast<int>(std::floor(cy + dx * k)) & (size - 1);
      const double w = reach + 1 - std::abs(k);
      band += w * image.At(x, y);
      weights += w;
      if (std::abs(k) <= kTouchReach) nearest = std::min(nearest, static_cast<double>(image.At(x, y)));
    }
    band /= weights;
    sum += band * band - touch_weight * (1.0 - nearest);
  }
  return sum / steps;
}

// Draws the stroke on `level` and returns the darkness it added, summed over the pixels.
double Draw(Level& level, PencilStroke stroke) {
  stroke.whole_pixels = level.whole_pixels;
  double added = 0;
  ForEachStrokePixel(stroke, level.size, [&](int x, int y, double amount) {
    float& v = level.image.At(x, y);
    added += v * amount;
    v *= static_cast<float>(1.0 - amount);
  });
  return added;
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
    image.values[fp.pixel[i]] *=
        static_cast<float>(1.0 - std::min(1.0, std::min(1.0, k * fp.darkness[i]) * fp.amount[i]));
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
    throw std::runtime_error("tonal art map: cannot reach a tone target (" + std::to_string(level.size) +
                             ", k " + std::to_string(k1) + ", " + std::to_string(d1) + " vs " +
                             std::to_string(target) + ")");
  for (PencilStroke& s : strokes) s.darkness = std::min(1.0, s.darkness * k1);
}

// Darkness of `image` averaged over the (2r + 1)^2 square round each pixel, wrapping.
FloatImage BlurredDarkness(const FloatImage& image, int r) {
  const int n = image.width;
  FloatImage rows(n, n, 0.0f), out(n, n, 0.0f);
  for (int y = 0; y < n; ++y) {
    double sum = 0;
    for (int k = -r; k <= r; ++k) sum += 1.0 - image.At(k & (n - 1), y);
    for (int x = 0; x < n; ++x) {
      rows.At(x, y) = static_cast<float>(sum);
      sum += image.At((x - r) & (n - 1), y) - image.At((x + r + 1) & (n - 1), y);
    }
  }
  const double area = (2.0 * r + 1) * (2.0 * r + 1);
  for (int x = 0; x < n; ++x) {
    double sum = 0;
    for (int k = -r; k <= r; ++k) sum += rows.At(x, k & (n - 1));
    for (int y = 0; y < n; ++y) {
      out.At(x, y) = static_cast<float>(sum / area);
      sum += rows.At(x, (y + r + 1) & (n - 1)) - rows.At(x, (y - r) & (n - 1));
    }
  }
  return out;
}

// `image` on the stroke's axis at t in [0, 1] along it.
double AtAxis(const FloatImage& image, const PencilStroke& s, double t) {
  const int size = image.width;
  const double along = t * s.length * size, bow = s.bend * s.length * size * 4.0 * t * (1.0 - t);
  const int x =
      static_cast<int>(std::floor(s.x * size + std::cos(s.angle) * along - std::sin(s.angle) * bow));
  const int y =
      static_cast<int>(std::floor(s.y * size + std::sin(s.angle) * along + std::cos(s.angle) * bow));
  return image.At(x & (size - 1), y & (size - 1));
}

// Best-of-candidates placement leaves some neighbourhoods a stroke too dark or too light. Each
// stroke's pressure on this level leans against its neighbourhood's error (the tone seen over
// about the area a pixel of the ramp's screen takes in at this level), which evens the tone where
// the viewer samples it; the strokes stay where they are, so the nesting holds.
// On the coarser levels the error is spread once more over the same reach before a stroke reads
// it (the gradient of the blurred tone's squared error): a stroke beside a hole then sees the
// hole too, where no stroke lies in it to darken it.
// The first `inherited` strokes come from coarser levels and change by at most kLevelKeep here.
void EvenOut(const Level& level, std::vector<PencilStroke>& strokes, double target, size_t inherited) {
  const bool fine = level.whole_pixels;
  const int reach = fine ? 2 * kEvenReach : kEvenReach;
  const double gain = fine ? kEvenGain : kCoarseEvenGain;
  const int passes = fine ? kEvenPasses : kCoarseEvenPasses;
  const double added = target - level.MeanDarkness();
  std::vector<std::array<float, PencilStroke::kShadePoints>> lowest(strokes.size()), highest(strokes.size());
  for (size_t i = 0; i < strokes.size(); ++i)
    for (size_t k = 0; k < strokes[i].shade.size(); ++k) {
      const double start = strokes[i].shade[k];
      const bool old = i < inherited;
      lowest[i][k] = static_cast<float>(std::max(1.0 - kEvenRange, old ? start * kLevelKeep : 0.0));
      highest[i][k] = static_cast<float>(std::min(1.0 + kEvenRange, old ? start / kLevelKeep : 2.0));
    }
  for (int pass = 0; pass < passes; ++pass) {
    Level trial = level;
    for (const PencilStroke& s : strokes) Draw(trial, s);
    // As an image whose darkness is the error, so BlurredDarkness can spread it.
    FloatImage error = BlurredDarkness(trial.image, reach);
    for (float& v : error.values) v = static_cast<float>(1.0 - (v - target));
    if (!fine)
      error = BlurredDarkness(error, reach);
    else
      for (float& v : error.values) v = 1.0f - v;
    for (size_t i = 0; i < strokes.size(); ++i) {
      PencilStroke& s = strokes[i];
      for (size_t k = 0; k < s.shade.size(); ++k) {
        const double t = static_cast<double>(k) / (s.shade.size() - 1);
        const double shade = s.shade[k] * (1.0 - gain * AtAxis(error, s, t) / added);
        s.shade[k] = static_cast<float>(std::clamp<double>(shade, lowest[i][k], highest[i][k]));
      }
    }
  }
}

// The strokes tone `tone` adds on `level`: best-of-candidates strokes, tried on a copy of the
// level, until it is as dark as the tone asks.
std::vector<PencilStroke> ChooseStrokes(const Level& level, int tone, uint64_t seed) {
  const std::vector<double>& angles = kToneStrokes[tone].angles_deg;
  Random rng(seed);
  Level trial = level;
  const double pixels = static_cast<double>(level.size) * level.size;
  double darkness = level.MeanDarkness() * pixels;
  const double wanted = ToneTarget(tone) * pixels;
  std::vector<PencilStroke> chosen;
  const double pressure = level.whole_pixels ? kFinestPressure : kPressure;
  const double longest = level.whole_pixels ? kFinestMaxLength : kMaxLength;
  const double touch_weight = level.whole_pixels ? kTouchWeight : 0.0;
  const int candidates = level.whole_pixels ? kFinestCandidates : kCandidates;
  const int reach =
      level.size >= kEvenFrom && !level.whole_pixels ? level.size / 64 : std::min(kRoomReach, level.size / 8);
  // Even a stroke's thin tips darken a level, so this bounds the loop far above its need.
  const size_t limit = static_cast<size_t>(level.size) * 64;
  while (darkness < wanted) {
    if (chosen.size() >= limit) throw std::runtime_error("tonal art map: a level does not darken");
    const double angle = angles[chosen.size() % angles.size()];
    PencilStroke best = Candidate(rng, angle, pressure, longest);
    double best_room = Room(trial.image, best, reach, touch_weight);
    for (int c = 1; c < candidates; ++c) {
      PencilStroke s = Candidate(rng, angle, pressure, longest);
      const double room = Room(trial.image, s, reach, touch_weight);
      if (room > best_room) best = s, best_room = room;
    }
    darkness += Draw(trial, best);
    chosen.push_back(best);
  }
  return chosen;
}

}  // namespace

std::vector<std::vector<GrayImage>> BuildTonalArtMap(const TonalArtMapOptions& options) {
  std::vector<Level> levels;  // coarsest drawn level first
  for (int size = options.coarsest_drawn; size <= options.finest_size; size *= 2) levels.emplace_back(size);
  levels.back().whole_pixels = true;

  std::vector<std::vector<GrayImage>> tones(kToneCount);
  for (int tone = 0; tone < kToneCount; ++tone) {
    // The tone's strokes so far, with the pressure the last level gave them: a stroke keeps its
    // place on every finer level, but its pressure is evened again there together with the
    // level's new strokes, so errors a coarser level left are mended where they show and not
    // only through the few strokes a level adds. The finest level is evened at twice the reach
    // and holds the most strokes: there only its own strokes are weighed.
    std::vector<PencilStroke> tone_strokes;
    for (size_t l = 0; l < levels.size(); ++l) {
      Level inherited = levels[l];
      for (const PencilStroke& s : tone_strokes) Draw(inherited, s);
      std::vector<PencilStroke> added = ChooseStrokes(inherited, tone, Mix(Mix(options.seed, tone), l));
      if (levels[l].whole_pixels) {
        if (levels[l].size >= kEvenFrom) EvenOut(inherited, added, ToneTarget(tone), 0);
        SolvePressure(inherited, added, ToneTarget(tone));
        for (const PencilStroke& s : added) Draw(inherited, s);
        levels[l] = std::move(inherited);
        continue;
      }
      const size_t kept = tone_strokes.size();
      tone_strokes.insert(tone_strokes.end(), added.begin(), added.end());
      if (levels[l].size >= kEvenFrom) EvenOut(levels[l], tone_strokes, ToneTarget(tone), kept);
      SolvePressure(levels[l], tone_strokes, ToneTarget(tone));
      for (const PencilStroke& s : tone_strokes) Draw(levels[l], s);
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
