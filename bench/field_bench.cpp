// The stroke field's cost against loading the same reference file: the default character and a
// generated sphere of 200,000 triangles. The ratio stays about the same when the cost grows like
// the mesh.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "bench/bench_summary.h"
#include "bench/plain_device.h"
#include "gfx/recording/recorder.h"
#include "model/form_strokes.h"
#include "model/skinned_model.h"

namespace {

PlainDevice* device = nullptr;
std::string defaultReference;
BenchInputs sphere;
constexpr int kSphereTriangles = 200000;

using Clock = std::chrono::steady_clock;

void Load(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    auto model = std::make_unique<SkinnedModel>();
    const Clock::time_point start = Clock::now();
    const bool loaded = model->LoadReference(device, path.c_str());
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (!loaded) {
      state.SkipWithError("the reference file did not load");
      break;
    }
  }
}

void Field(benchmark::State& state, const std::string& path) {
  auto model = std::make_unique<SkinnedModel>();
  if (!model->LoadReference(device, path.c_str())) {
    state.SkipWithError("the reference file did not load");
    return;
  }
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const field::StrokeFieldFigures figures = ApplyFormStrokes(model->meshes[0]);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    state.counters["singularities"] = figures.singularities;
    state.counters["fixed_pieces"] = figures.fixedPieces;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: field_bench CONTENT_DIR [benchmark options]\n");
    return 2;
  }
  defaultReference = std::string(argv[1]) + "/Model/SMD/Vekku_Red/Ref_Red.smd";
  const char* folder = std::getenv("BENCH_INPUTS");
  std::string error;
  if (!WriteCharacterInputs(folder && *folder ? folder : "/tmp", kSphereTriangles, &sphere, &error)) {
    std::fprintf(stderr, "field_bench: %s\n", error.c_str());
    return 1;
  }
  UseRecordingBackend();
  Recording().logging = false;
  device = new PlainDevice();
  const auto timed = [](benchmark::internal::Benchmark* b, int repetitions) {
    b->UseManualTime()->Iterations(1)->Repetitions(repetitions)->Unit(benchmark::kMillisecond);
  };
  timed(benchmark::RegisterBenchmark("BM_LoadDefault", Load, defaultReference), 7);
  timed(benchmark::RegisterBenchmark("BM_FieldDefault", Field, defaultReference), 7);
  timed(benchmark::RegisterBenchmark("BM_LoadSphere", Load, sphere.reference), 5);
  timed(benchmark::RegisterBenchmark("BM_FieldSphere", Field, sphere.reference), 5);
  TimesReporter reporter;
  RunInterleaved(argc - 1, argv + 1, &reporter);
  RemoveBenchInputs(sphere);

  const auto ratio = [&](const char* a, const char* b) {
    const double x = reporter.MinSeconds(a), y = reporter.MinSeconds(b);
    return x > 0 && y > 0 ? x / y : 0.0;
  };
  std::vector<Figure> figures;
  for (const auto& [name, value] :
       {std::pair{"form_field_vs_load", ratio("BM_FieldDefault", "BM_LoadDefault")},
        std::pair{"form_field_vs_load_200k", ratio("BM_FieldSphere", "BM_LoadSphere")}})
    figures.push_back({name, value, "≤ 10.0", value > 0 && value <= 10.0});
  return PrintSummary(figures) == 0 ? 0 : 1;
}
