// Writing of the generated SMD inputs.
#include "bench/bench_inputs.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <system_error>
#include <utility>

namespace {

// A fixed-seed generator: the same files on every run.
class Values {
 public:
  double Next(double low, double high) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    const double unit = static_cast<double>(state_ >> 11) / static_cast<double>(1ull << 53);
    return low + (high - low) * unit;
  }
  int Index(int count) { return static_cast<int>(Next(0, count)) % count; }

 private:
  uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

void WriteNodes(FILE* out) {
  std::fputs("nodes\n", out);
  for (int b = 0; b < kBenchBones; ++b)
    std::fprintf(out, "%d \"Bone%02d\" %d\n", b, b, b == 0 ? -1 : (b - 1) / 2);
  std::fputs("end\n", out);
}

void WriteFrame(FILE* out, Values& values, int time) {
  std::fprintf(out, "time %d\n", time);
  for (int b = 0; b < kBenchBones; ++b) {
    std::fprintf(out, "%d %.6f %.6f %.6f %.6f %.6f %.6f\n", b, values.Next(-20, 20), values.Next(-20, 20),
                 values.Next(-20, 20), values.Next(-3.2, 3.2), values.Next(-3.2, 3.2),
                 values.Next(-3.2, 3.2));
  }
}

// Writes an SMD file of the bench skeleton: the version and nodes, then "skeleton" and what
// `body` writes after it, then the closing "end". False when the file cannot be written.
bool WriteSmd(const std::string& path, const std::function<void(FILE* out, Values& values)>& body) {
  FILE* out = std::fopen(path.c_str(), "w");
  if (!out) return false;
  Values values;
  std::fputs("version 1\n", out);
  WriteNodes(out);
  std::fputs("skeleton\n", out);
  body(out, values);
  std::fputs("end\n", out);
  return std::fclose(out) == 0;
}

// The skeleton's pose, then the triangles. With `kLinks`, every vertex line goes on with two or
// three weighted links, as files of exporters that bind vertices to several bones write them.
template <bool kLinks>
void WriteReferenceBody(FILE* out, Values& values) {
  WriteFrame(out, values, 0);
  std::fputs("end\ntriangles\n", out);
  static constexpr const char* kMaterials[4] = {"Armour.bmp", "Skin.bmp", "Horn.bmp", "Blade.bmp"};
  for (int t = 0; t < kBenchTriangles; ++t) {
    // A quarter of the triangles for each material, grouped as an exporter groups them.
    std::fprintf(out, "%s\n", kMaterials[t / (kBenchTriangles / 4) % 4]);
    const int bone = values.Index(kBenchBones);
    for (int k = 0; k < 3; ++k) {
      std::fprintf(out, "%d %.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f", bone, values.Next(-60, 60),
                   values.Next(-60, 60), values.Next(0, 180), values.Next(-1, 1), values.Next(-1, 1),
                   values.Next(-1, 1), values.Next(0, 1), values.Next(0, 1));
      if (kLinks) {
        const double weight = values.Next(0.3, 0.7);
        const int count = 2 + values.Index(2);
        std::fprintf(out, " %d %d %.6f %d %.6f", count, bone, weight, values.Index(kBenchBones),
                     count == 2 ? 1 - weight : (1 - weight) / 2);
        if (count == 3) std::fprintf(out, " %d %.6f", values.Index(kBenchBones), (1 - weight) / 2);
      }
      std::fputc('\n', out);
    }
  }
}

void WriteAnimationBody(FILE* out, Values& values, int frames) {
  for (int f = 0; f < frames; ++f) WriteFrame(out, values, f);
}

// A pose of the character: the root at the sphere's centre, every bone turned a little.
void WriteCharacterFrame(FILE* out, Values& values, int time, double turn) {
  std::fprintf(out, "time %d\n", time);
  for (int b = 0; b < kBenchBones; ++b) {
    std::fprintf(out, "%d %.6f %.6f %.6f %.6f %.6f %.6f\n", b, 0.0, 0.0, b == 0 ? 90.0 : 0.0,
                 values.Next(-turn, turn), values.Next(-turn, turn), values.Next(-turn, turn));
  }
}

constexpr int kCharacterRings = 500;

// A sphere of radius 60 around (0, 0, 90) in `triangles` / (2 · kCharacterRings) segments and
// kCharacterRings rings, each ring's triangles bound to one bone (rings in bands, bone by bone).
void WriteCharacterBody(FILE* out, Values& values, int triangles) {
  WriteCharacterFrame(out, values, 0, 0);
  std::fputs("end\ntriangles\n", out);
  const int segments = triangles / (2 * kCharacterRings);
  constexpr double kPi = 3.14159265358979323846;
  const auto corner = [&](int bone, int ring, int segment) {
    const double polar = kPi * ring / kCharacterRings, azimuth = 2 * kPi * segment / segments;
    const double x = std::sin(polar) * std::cos(azimuth), y = std::sin(polar) * std::sin(azimuth),
                 z = std::cos(polar);
    std::fprintf(out, "%d %.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f\n", bone, 60 * x, 60 * y, 90 + 60 * z, x, y,
                 z, static_cast<double>(segment) / segments * 8,
                 static_cast<double>(ring) / kCharacterRings * 4);
  };
  for (int ring = 0; ring < kCharacterRings; ++ring) {
    const int bone = ring * kBenchBones / kCharacterRings;
    for (int segment = 0; segment < segments; ++segment) {
      std::fputs("Skin.bmp\n", out);
      corner(bone, ring, segment);
      corner(bone, ring + 1, segment);
      corner(bone, ring + 1, segment + 1);
      std::fputs("Skin.bmp\n", out);
      corner(bone, ring, segment);
      corner(bone, ring + 1, segment + 1);
      corner(bone, ring, segment + 1);
    }
  }
}

bool MakeInputFolder(const std::string& parent, BenchInputs* inputs, std::string* error) {
  std::error_code code;
  std::filesystem::create_directories(parent, code);
  std::string pattern = parent + "/smd-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    *error = parent + ": cannot make a folder for the inputs";
    return false;
  }
  inputs->directory = pattern;
  return true;
}

}  // namespace

bool WriteBenchInputs(const std::string& parent, BenchInputs* inputs, std::string* error) {
  if (!MakeInputFolder(parent, inputs, error)) return false;
  const std::string& folder = inputs->directory;
  inputs->reference = folder + "/reference.smd";
  inputs->animation = folder + "/animation.smd";
  inputs->linkedReference = folder + "/linked_reference.smd";
  inputs->longAnimation = folder + "/long_animation.smd";
  using Body = std::function<void(FILE*, Values&)>;
  for (const auto& [path, body] :
       {std::pair<std::string, Body>{inputs->reference, WriteReferenceBody<false>},
        std::pair<std::string, Body>{inputs->linkedReference, WriteReferenceBody<true>},
        std::pair<std::string, Body>{
            inputs->animation,
            [](FILE*out, Values&values) { WriteAnimationBody(out, values, kBenchFrames); }},
        std::pair<std::string, Body>{inputs->longAnimation, [](FILE*out, Values&values) {
                                       WriteAnimationBody(out, values, kBenchLongFrames);
                                     }}}) {
    if (!WriteSmd(path, body)) {
      *error = path + ": cannot be written";
      return false;
    }
  }
  return true;
}

bool WriteCharacterInputs(const std::string& parent, int triangles, BenchInputs* inputs, std::string* error) {
  if (!MakeInputFolder(parent, inputs, error)) return false;
  inputs->reference = inputs->directory + "/character.smd";
  inputs->animation = inputs->directory + "/character_animation.smd";
  const bool written =
      WriteSmd(inputs->reference,
               [&](FILE* out, Values& values) { WriteCharacterBody(out, values, triangles); }) &&
      WriteSmd(inputs->animation, [](FILE* out, Values& values) {
        for (int f = 0; f < kBenchFrames; ++f) WriteCharacterFrame(out, values, f, 0.1);
      });
  if (!written) *error = inputs->directory + ": the character's files cannot be written";
  return written;
}

void RemoveBenchInputs(const BenchInputs& inputs) {
  std::error_code code;
  if (!inputs.directory.empty()) std::filesystem::remove_all(inputs.directory, code);
}

bool ProgramAndContent(const char* tool, int argc, char** argv, std::string* program, std::string* content) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PROGRAM CONTENT_DIR\n", tool);
    return false;
  }
  std::error_code failure;
  const std::filesystem::path programPath = std::filesystem::canonical(argv[1], failure);
  const std::filesystem::path contentPath = failure ? std::filesystem::path() : std::filesystem::canonical(argv[2], failure);
  if (failure) {
    std::fprintf(stderr, "%s: %s or %s is missing\n", tool, argv[1], argv[2]);
    return false;
  }
  *program = programPath.string();
  *content = contentPath.string();
  return true;
}
