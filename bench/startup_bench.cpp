// Start-up and frame rate of the program itself, measured as whole processes: the time from
// starting `hatching --headless` in the content folder to its first presented frame (it reports
// that moment with --report-startup), the frames per second after it at 800 x 600 on the GL
// backend, the minor page faults a frame once it runs, the same for a generated character of a
// million triangles, the frame time of the hatching effect against a flat one, and the parts of
// start-up (textures, effect compile, model) timed one by one in this process on the same backend
// and files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/character.h"
#include "base/heap_policy.h"
#include "bench/bench_inputs.h"
#include "bench/program_run.h"
#include "bench/bench_summary.h"
#include "gfx/gl/gl_backend.h"
#include "gfx/gl/headless/egl_context.h"
#include "model/skin_vertex.h"
#include "model/skinned_model.h"
#include "render/hatching_scene.h"
#include "render/render_context.h"

namespace {

// Runs the program headless in the content folder for `frames` frames with --report-startup;
// `extra` are more options.
ProgramRun RunProgram(const std::string& program, const std::string& content, int frames,
                      const std::vector<std::string>& extra = {}) {
  std::vector<std::string> arguments = {program, "--headless", "--frames", std::to_string(frames),
                                        "--report-startup"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return SpawnProgram(std::move(arguments), content);
}

// The number that follows `marker` in the program's report; negative when it is missing.
double Reported(const std::string& text, const std::string& marker) {
  const size_t at = text.find(marker);
  if (at == std::string::npos) return -1;
  return std::strtod(text.c_str() + at + marker.size(), nullptr);
}

// The number of "startup: N minor page faults a frame ..."; negative when it is missing.
double ReportedFaults(const std::string& text) {
  const size_t end = text.find(" minor page faults");
  const size_t at = end == std::string::npos ? end : text.rfind("startup: ", end);
  if (at == std::string::npos) return -1;
  return std::strtod(text.c_str() + at + 9, nullptr);
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Parts {
  double textures = -1;
  double effect = -1;
  double model = -1;
  // The bytes of the default character's vertex buffers.
  double vertexBytes = 0;
};

// What a run of many frames reports: frames per second, and minor page faults a frame from
// frame 10 on; negative when missing.
struct FrameRun {
  double fps = -1;
  double faults = -1;
};

FrameRun RunFrames(const std::string& program, const std::string& content, int frames,
                   const std::vector<std::string>& extra = {}) {
  const ProgramRun result = RunProgram(program, content, frames, extra);
  if (!result.ok) {
    std::fprintf(stderr, "startup_bench: %s failed:\n%s", program.c_str(), result.errors.c_str());
    return {};
  }
  return {Reported(result.errors, "ms, "), ReportedFaults(result.errors)};
}

// A content folder beside `content` whose Shaders/Hatching.fx is the flat effect: the models and
// textures are links to the content's own. Empty when it cannot be made.
std::string MakeFlatContent(const std::string& content, const std::string& parent) {
  std::error_code code;
  std::filesystem::create_directories(parent, code);
  std::string folder = parent + "/flat-XXXXXX";
  if (!mkdtemp(folder.data())) return "";
  namespace fs = std::filesystem;
  fs::create_directory_symlink(content + "/Model", folder + "/Model", code);
  if (!code) fs::create_directory_symlink(content + "/Textures", folder + "/Textures", code);
  if (!code) fs::create_directory(folder + "/Shaders", code);
  if (!code)
    fs::copy_file(std::string(HATCHING_BENCH_DATA) + "/flat_effect.fx", folder + "/Shaders/Hatching.fx",
                  code);
  if (code) {
    fs::remove_all(folder, code);
    return "";
  }
  return folder;
}

// The program's start-up steps after its window and device, through the scene and the loader it
// uses, in its order.
Parts TimeParts(const std::string& content) {
  Parts parts;
  EglContext context;
  std::string error;
  if (chdir(content.c_str()) != 0 || !context.Create(800, 600, &error)) return parts;
  IDirect3D9* direct3d = CreateGlDirect3D(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS parameters = PresentParameters(800, 600);
  IDirect3DDevice9* device = nullptr;
  if (!direct3d ||
      FAILED(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, &context, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &parameters, &device))) {
    SafeRelease(direct3d);
    return parts;
  }
  HatchingScene scene;
  std::string failure;
  double start = MonotonicSeconds();
  if (SUCCEEDED(scene.LoadEffectTextures(device, &failure))) parts.textures = MonotonicSeconds() - start;

  start = MonotonicSeconds();
  if (SUCCEEDED(scene.CreateEffect(device)) && scene.effect) parts.effect = MonotonicSeconds() - start;

  start = MonotonicSeconds();
  auto* model = new SkinnedModel();
  LoadCharacter(CharacterFiles{}, device, model);
  // The default character: one mesh and its three clips.
  if (model->meshCount > 0 && model->clipCount == 3) parts.model = MonotonicSeconds() - start;
  for (int m = 0; m < model->meshCount; ++m)
    parts.vertexBytes += 3.0 * model->meshes[m].triangleCount * sizeof(SkinVertex);

  delete model;
  scene.Release();
  SafeRelease(device);
  SafeRelease(direct3d);
  return parts;
}

}  // namespace

int main(int argc, char** argv) {
  // As the program starts: the parts timed here run on the allocator it runs on.
  KeepFreedMemoryMapped();
  // The program starts in the content folder: its path must not depend on this one.
  std::string program, content;
  if (!ProgramAndContent("startup_bench", argc, argv, &program, &content)) return argc != 3 ? 2 : 1;

  std::vector<double> startups;
  for (int run = 0; run < 5; ++run) {
    const ProgramRun result = RunProgram(program, content, 1);
    const double presentedAt = Reported(result.errors, "(monotonic ");
    if (!result.ok || presentedAt < 0) {
      std::fprintf(stderr, "startup_bench: %s did not report its first frame:\n%s", program.c_str(),
                   result.errors.c_str());
      return 1;
    }
    startups.push_back((presentedAt - result.startedAt) * 1e3);
    std::printf("start-up run %d: first frame after %.1f ms\n", run + 1, startups.back());
  }
  // The same with the strokes along the form, whose field is computed before the first frame.
  std::vector<double> formStartups;
  for (int run = 0; run < 5; ++run) {
    const ProgramRun result = RunProgram(program, content, 1, {"--strokes", "form"});
    const double presentedAt = Reported(result.errors, "(monotonic ");
    if (result.ok && presentedAt >= 0) formStartups.push_back((presentedAt - result.startedAt) * 1e3);
  }
  const double formStartup = formStartups.empty() ? 0 : Median(formStartups);
  std::printf("start-up with --strokes form: first frame after %.1f ms (median of %zu)\n", formStartup,
              formStartups.size());
  // The default character, with the hatching effect and with the flat one in turn.
  const char* folder = std::getenv("BENCH_INPUTS");
  const std::string parent = folder && *folder ? folder : "/tmp";
  const std::string flatContent = MakeFlatContent(content, parent);
  if (flatContent.empty()) {
    std::fprintf(stderr, "startup_bench: cannot make a content folder under %s\n", parent.c_str());
    return 1;
  }
  double fps = 0, flatFps = 0, faults = 0;
  for (int run = 0; run < 3; ++run) {
    const FrameRun hatched = RunFrames(program, content, 61);
    const FrameRun flat = RunFrames(program, flatContent, 61);
    std::printf(
        "frame rate run %d: %.2f frames per second (flat effect %.2f), %.2f minor page faults a frame\n",
        run + 1, hatched.fps, flat.fps, hatched.faults);
    fps = std::max(fps, hatched.fps);
    flatFps = std::max(flatFps, flat.fps);
    faults = hatched.faults < 0 || faults < 0 ? -1 : std::max(faults, hatched.faults);
  }
  std::error_code code;
  std::filesystem::remove_all(flatContent, code);

  // A character of a million triangles from its own files.
  BenchInputs character;
  std::string error;
  FrameRun million;
  if (WriteCharacterInputs(parent, kCharacterTriangles, &character, &error)) {
    million = RunFrames(program, content, 31,
                        {"--reference", character.reference, "--animation", character.animation});
    std::printf("%d triangles: %.2f frames per second, %.2f minor page faults a frame\n", kCharacterTriangles,
                million.fps, million.faults);
  } else {
    std::fprintf(stderr, "startup_bench: %s\n", error.c_str());
  }
  RemoveBenchInputs(character);

  const Parts parts = TimeParts(content);
  const double startup = Median(startups);
  constexpr double kPage = 4096;
  const double pages = parts.vertexBytes / kPage;
  const double millionPages = 3.0 * kCharacterTriangles * sizeof(SkinVertex) / kPage;
  const double faultsPerPage = faults >= 0 && pages > 0 ? faults / pages : -1;
  const double millionFaultsPerPage = million.faults >= 0 ? million.faults / millionPages : -1;
  const double hatchCost = fps > 0 && flatFps > 0 ? flatFps / fps : 0;
  std::printf("vertex buffers: %.0f pages (default), %.0f pages (%d triangles)\n", pages, millionPages,
              kCharacterTriangles);
  std::vector<Figure> figures = {{"startup_ms", startup, "≤ 1000", startup > 0 && startup <= 1000}};
  figures.push_back(
      {"startup_ms_strokes_form", formStartup, "≤ 1000", formStartup > 0 && formStartup <= 1000});
  figures.push_back({"startup_textures_ms", parts.textures * 1e3, "part of startup_ms", parts.textures >= 0});
  figures.push_back(
      {"startup_effect_compile_ms", parts.effect * 1e3, "part of startup_ms", parts.effect >= 0});
  figures.push_back({"startup_model_ms", parts.model * 1e3, "part of startup_ms", parts.model >= 0});
  figures.push_back({"fps_default", fps, "report", fps > 0});
  figures.push_back({"fps_1m", million.fps, "report", million.fps > 0});
  figures.push_back(
      {"faults_per_frame_vs_vb_pages", faultsPerPage, "≤ 0.01", faultsPerPage >= 0 && faultsPerPage <= 0.01});
  figures.push_back({"faults_per_frame_vs_vb_pages_1m", millionFaultsPerPage, "≤ 0.01",
                     millionFaultsPerPage >= 0 && millionFaultsPerPage <= 0.01});
  figures.push_back({"hatch_vs_trivial_frame", hatchCost, "≤ 2.0", hatchCost > 0 && hatchCost <= 2.0});
  return PrintSummary(figures) == 0 ? 0 : 3;
}
