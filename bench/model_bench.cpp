// The model store's figures: loading a 200,000-triangle reference file against assimp's SMD
// import and against reading its lines, loading an animation against reading its lines, and a
// skinning pass (by parent columns, and by weighted links) against memcpy bandwidth.
#include <assimp/config.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "base/heap_policy.h"
#include "bench/bench_inputs.h"
#include "bench/bench_summary.h"
#include "bench/plain_device.h"
#include "gfx/recording/recorder.h"
#include "model/skinned_model.h"
#include "model/smd_scan_number_line.h"

namespace {

BenchInputs inputs;
PlainDevice* device = nullptr;
// The models the skinning benchmarks skin, loaded once: parent columns, and weighted links.
SkinnedModel* skinned = nullptr;
SkinnedModel* linked = nullptr;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The floor of any line-based reader: the file's lines read twice (one counting pass, one
// filling pass) with fgets into a buffer as large as the reader's line.
void ReadLinesTwice(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return;
  char line[kSmdLineSize];
  size_t lines = 0;
  for (int pass = 0; pass < 2; ++pass) {
    while (std::fgets(line, sizeof line, file)) ++lines;
    std::rewind(file);
  }
  std::fclose(file);
  Keep(lines);
}

void BM_AssimpReference(benchmark::State& state) {
  Assimp::Importer importer;
  importer.SetPropertyBool(AI_CONFIG_IMPORT_SMD_LOAD_ANIMATION_LIST, false);
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const aiScene* scene = importer.ReadFile(inputs.reference, 0);
    state.SetIterationTime(SecondsSince(start));
    if (!scene) {
      state.SkipWithError(importer.GetErrorString());
      break;
    }
    importer.FreeScene();
  }
}

void BM_LoadReference(benchmark::State& state) {
  for (auto _ : state) {
    auto model = std::make_unique<SkinnedModel>();
    const Clock::time_point start = Clock::now();
    const bool loaded = model->LoadReference(device, inputs.reference.c_str());
    state.SetIterationTime(SecondsSince(start));
    if (!loaded || model->meshes[0].triangleCount != kBenchTriangles) {
      state.SkipWithError("the reference file did not load");
      break;
    }
  }
}

void BM_ReferenceLines(benchmark::State& state) {
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    ReadLinesTwice(inputs.reference);
    state.SetIterationTime(SecondsSince(start));
  }
}

// Loads `path` into a new model each iteration, as the program loads a clip.
void LoadAnimation(benchmark::State& state, const std::string& path, int frames) {
  for (auto _ : state) {
    auto model = std::make_unique<SkinnedModel>();
    const Clock::time_point start = Clock::now();
    const bool loaded = model->LoadAnimation(path.c_str());
    state.SetIterationTime(SecondsSince(start));
    if (!loaded || model->clips[0].frameCount != frames) {
      state.SkipWithError("the animation file did not load");
      break;
    }
  }
}

void AnimationLines(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    ReadLinesTwice(path);
    state.SetIterationTime(SecondsSince(start));
  }
}

void BM_LoadAnimation(benchmark::State& state) {
  LoadAnimation(state, inputs.animation, kBenchFrames);
}
void BM_AnimationLines(benchmark::State& state) {
  AnimationLines(state, inputs.animation);
}
// 10,000 key frames: a bone block of 78 MB, far past the size that glibc maps on its own.
void BM_LoadLongAnimation(benchmark::State& state) {
  LoadAnimation(state, inputs.longAnimation, kBenchLongFrames);
}
void BM_LongAnimationLines(benchmark::State& state) {
  AnimationLines(state, inputs.longAnimation);
}

// What one skinning pass moves: the triangle table read, the vertex buffer written.
size_t SkinBytes() {
  const SmdMesh& mesh = skinned->meshes[0];
  return static_cast<size_t>(mesh.triangleCount) * (sizeof(SmdTriangle) + 3 * sizeof(SkinVertex));
}

size_t VertexBufferBytes() {
  return static_cast<size_t>(skinned->meshes[0].triangleCount) * 3 * sizeof(SkinVertex);
}

void BM_SkinMesh(benchmark::State& state) {
  SmdMesh& mesh = skinned->meshes[0];
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const bool skinnedAll = mesh.SkinMesh();
    state.SetIterationTime(SecondsSince(start));
    if (!skinnedAll) {
      state.SkipWithError("the mesh has no vertex buffer");
      break;
    }
  }
}

// What one links skinning pass moves: the corners' links and the triangle table read, the vertex
// buffer written.
size_t LinkSkinBytes() {
  const SmdMesh& mesh = linked->meshes[0];
  return static_cast<size_t>(mesh.triangleCount) *
         (sizeof(SmdTriangle) + 3 * (sizeof(SmdCornerLinks) + sizeof(SkinVertex)));
}

void BM_SkinMeshWithLinks(benchmark::State& state) {
  SmdMesh& mesh = linked->meshes[0];
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const bool skinnedAll = mesh.SkinMeshWithLinks();
    state.SetIterationTime(SecondsSince(start));
    if (!skinnedAll) {
      state.SkipWithError("the mesh has no vertex buffer or no links");
      break;
    }
  }
}

// memcpy between two buffers of the vertex buffer's size, both touched beforehand.
void BM_Memcpy(benchmark::State& state) {
  const size_t size = VertexBufferBytes();
  std::vector<uint8_t> from(size, 1), to(size, 2);
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    std::memcpy(to.data(), from.data(), size);
    benchmark::ClobberMemory();
    state.SetIterationTime(SecondsSince(start));
  }
  Keep(to[size / 2]);
}

// Each figure is the ratio of the fastest repetitions of its two benchmarks; the repetitions of
// all benchmarks run in a random interleaved order.
void Register() {
  const auto timed = [](benchmark::internal::Benchmark* b, int iterations, int repetitions) {
    b->UseManualTime()->Iterations(iterations)->Repetitions(repetitions)->Unit(benchmark::kMillisecond);
  };
  timed(benchmark::RegisterBenchmark("BM_AssimpReference", BM_AssimpReference), 1, 13);
  timed(benchmark::RegisterBenchmark("BM_LoadReference", BM_LoadReference), 2, 13);
  timed(benchmark::RegisterBenchmark("BM_ReferenceLines", BM_ReferenceLines), 2, 13);
  timed(benchmark::RegisterBenchmark("BM_LoadAnimation", BM_LoadAnimation), 20, 15);
  timed(benchmark::RegisterBenchmark("BM_AnimationLines", BM_AnimationLines), 20, 15);
  timed(benchmark::RegisterBenchmark("BM_LoadLongAnimation", BM_LoadLongAnimation), 2, 15);
  timed(benchmark::RegisterBenchmark("BM_LongAnimationLines", BM_LongAnimationLines), 2, 15);
  timed(benchmark::RegisterBenchmark("BM_SkinMesh", BM_SkinMesh), 20, 15);
  timed(benchmark::RegisterBenchmark("BM_SkinMeshWithLinks", BM_SkinMeshWithLinks), 20, 15);
  timed(benchmark::RegisterBenchmark("BM_Memcpy", BM_Memcpy), 20, 15);
}

// The exit status when HATCHING_SCANNER names a scanner this processor lacks.
constexpr int kScannerMissing = 4;

}  // namespace

int main(int argc, char** argv) {
  // BENCH_HEAP=program: the allocator as the program sets it at its start, which the long
  // animation's figure is about (its block of key frames stays mapped between loads). Otherwise
  // glibc's defaults, on which the loaders are compared with assimp and with reading the lines,
  // as they always were: the program's setting speeds up assimp's many allocations far more
  // than our loaders, and that is not what those figures compare.
  // A scanner asked for by name and not available: no figures under a name they are not of.
  const char* asked = std::getenv("HATCHING_SCANNER");
  if (asked && *asked &&
      std::strcmp(asked, smd::NumberLineScannerName(smd::ActiveNumberLineScanner())) != 0) {
    std::fprintf(stderr, "model_bench: HATCHING_SCANNER=%s is not available here\n", asked);
    return kScannerMissing;
  }
  const char* heap = std::getenv("BENCH_HEAP");
  if (heap && std::string(heap) == "program") KeepFreedMemoryMapped();
  std::string error;
  const char* folder = std::getenv("BENCH_INPUTS");
  const std::string parent = folder && *folder ? folder : "/tmp";
  if (!WriteBenchInputs(parent, &inputs, &error)) {
    std::fprintf(stderr, "model_bench: %s\n", error.c_str());
    return 1;
  }
  UseRecordingBackend();
  Recording().logging = false;
  device = new PlainDevice();
  skinned = new SkinnedModel();
  if (!skinned->LoadReference(device, inputs.reference.c_str())) {
    std::fprintf(stderr, "model_bench: %s: %s\n", inputs.reference.c_str(), skinned->diagnostic.reason);
    return 1;
  }

  linked = new SkinnedModel();
  linked->readLinks = true;
  if (!linked->LoadReference(device, inputs.linkedReference.c_str())) {
    std::fprintf(stderr, "model_bench: %s: %s\n", inputs.linkedReference.c_str(), linked->diagnostic.reason);
    return 1;
  }

  Register();
  TimesReporter reporter;
  RunInterleaved(argc, argv, &reporter);

  const double assimp = reporter.MinSeconds("BM_AssimpReference");
  const double reference = reporter.MinSeconds("BM_LoadReference");
  const double referenceLines = reporter.MinSeconds("BM_ReferenceLines");
  const double animation = reporter.MinSeconds("BM_LoadAnimation");
  const double animationLines = reporter.MinSeconds("BM_AnimationLines");
  const double longAnimation = reporter.MinSeconds("BM_LoadLongAnimation");
  const double longAnimationLines = reporter.MinSeconds("BM_LongAnimationLines");
  const double skin = reporter.MinSeconds("BM_SkinMesh");
  const double linkSkin = reporter.MinSeconds("BM_SkinMeshWithLinks");
  const double copy = reporter.MinSeconds("BM_Memcpy");
  const auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : 0.0; };
  const double skinBandwidth = ratio(static_cast<double>(SkinBytes()), skin);
  const double copyBandwidth = ratio(2.0 * static_cast<double>(VertexBufferBytes()), copy);

  // A figure whose benchmarks did not run (--benchmark_filter) is left out.
  std::vector<Figure> figures;
  const auto atLeast = [&](const char* name, double value, double target) {
    char text[32];
    std::snprintf(text, sizeof text, "≥ %.1f", target);
    if (value > 0) figures.push_back({name, value, text, value >= target});
  };
  const auto atMost = [&](const char* name, double value, double target) {
    char text[32];
    std::snprintf(text, sizeof text, "≤ %.1f", target);
    if (value > 0) figures.push_back({name, value, text, value <= target});
  };
  atLeast("smd_load_vs_assimp", ratio(assimp, reference), 3.0);
  atMost("smd_load_vs_line_floor", ratio(reference, referenceLines), 1.2);
  atMost("anim_load_vs_line_floor", ratio(animation, animationLines), 1.8);
  atMost("anim_load_vs_line_floor_10k", ratio(longAnimation, longAnimationLines), 2.0);
  atLeast("skin_vs_memcpy", ratio(skinBandwidth, copyBandwidth), 0.5);
  const double linkSkinBandwidth = ratio(static_cast<double>(LinkSkinBytes()), linkSkin);
  atLeast("skin_links_vs_memcpy", ratio(linkSkinBandwidth, copyBandwidth), 0.3);
  std::printf(
      "\nLoadReference %.1f ms, assimp %.1f ms, lines twice %.1f ms; LoadAnimation %.3f ms, lines twice "
      "%.3f ms; 10,000 key frames %.1f ms, lines twice %.1f ms; SkinMesh %.2f ms (%.2f GB/s), memcpy %.2f ms "
      "(%.2f GB/s)\n",
      reference * 1e3, assimp * 1e3, referenceLines * 1e3, animation * 1e3, animationLines * 1e3,
      longAnimation * 1e3, longAnimationLines * 1e3, skin * 1e3, skinBandwidth * 1e-9, copy * 1e3,
      copyBandwidth * 1e-9);
  const int missed = PrintSummary(figures);
  // Which number scanner the loaders' figures are of.
  const char* scanner = smd::NumberLineScannerName(smd::ActiveNumberLineScanner());
  std::printf("number_scanner: %s (report)\n", scanner);
  if (const char* summary = std::getenv("BENCH_SUMMARY"); summary && *summary) {
    if (FILE* file = std::fopen(summary, "a")) {
      std::fprintf(file, "number_scanner: %s (report)\n", scanner);
      std::fclose(file);
    }
  }

  delete skinned;
  skinned = nullptr;
  delete linked;
  linked = nullptr;
  SafeRelease(device);
  RemoveBenchInputs(inputs);
  return missed == 0 ? 0 : 3;
}
