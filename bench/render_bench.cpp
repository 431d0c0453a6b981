// The drawing figures on the OpenGL backend in a headless EGL context: how many GL draw calls
// one frame of the 200,000-triangle model costs after draw merging, and the time of a whole
// UpdateAndDraw (blend, skin, upload, one DrawPrimitive per triangle) against skinning alone.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/heap_policy.h"
#include "bench/bench_inputs.h"
#include "bench/bench_summary.h"
#include "bench/plain_device.h"
#include "gfx/gl/gl_backend.h"
#include "gfx/recording/recorder.h"
#include "model/skin_vertex.h"
#include "model/skinned_model.h"
#include "render/render_context.h"
#include "gfx/gl/headless/egl_context.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct GlScene {
  EglContext context;
  IDirect3D9* direct3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  IDirect3DVertexDeclaration9* declaration = nullptr;
  ID3DXEffect* effect = nullptr;
  SkinnedModel* model = nullptr;
  std::vector<uint8_t> pixels;

  bool Create(const BenchInputs& inputs, std::string* error);
  void Release();
  // One frame of the model with the effect's pass active; the time of the UpdateAndDraw inside.
  double Frame();
};

GlScene scene;
BenchInputs inputs;
// The same model on a device whose buffers are plain memory, for skinning alone.
SkinnedModel* plainModel = nullptr;
PlainDevice* plainDevice = nullptr;

bool GlScene::Create(const BenchInputs& files, std::string* error) {
  if (!context.Create(800, 600, error)) return false;
  direct3d = CreateGlDirect3D(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS parameters = PresentParameters(800, 600);
  if (!direct3d ||
      FAILED(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, &context, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &parameters, &device))) {
    *error = "the OpenGL device cannot be created";
    return false;
  }
  device->CreateVertexDeclaration(kSkinVertexElements, &declaration);
  const std::string effectPath = std::string(HATCHING_TEST_DATA) + "/gl_effect_basic.fx";
  ID3DXBuffer* errors = nullptr;
  if (FAILED(D3DXCreateEffectFromFileA(device, effectPath.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                                       &errors))) {
    *error =
        effectPath + ": " + (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "no effect");
    SafeRelease(errors);
    return false;
  }
  effect->SetTechnique(effect->GetTechniqueByName("Solid"));
  effect->SetMatrix("matWorldViewProjection", &kIdentityMatrix);
  model = new SkinnedModel();
  if (!model->LoadReference(device, files.reference.c_str()) ||
      !model->LoadAnimation(files.animation.c_str())) {
    *error = files.reference + ": " + model->diagnostic.reason;
    return false;
  }
  return true;
}

void GlScene::Release() {
  delete model;
  model = nullptr;
  SafeRelease(effect);
  SafeRelease(declaration);
  SafeRelease(device);
  SafeRelease(direct3d);
}

double GlScene::Frame() {
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFFu, 1.0f, 0);
  device->BeginScene();
  UINT passes = 0;
  effect->Begin(&passes, 0);
  effect->BeginPass(0);
  device->SetVertexDeclaration(declaration);
  const Clock::time_point start = Clock::now();
  model->UpdateAndDraw(device, D3DFILL_SOLID, 0, model->clips[0].frameCount, 0.01f, 0, true);
  const double seconds = SecondsSince(start);
  effect->EndPass();
  effect->End();
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  // Reading the frame back waits for the rasterizer, so the next frame's upload finds its buffer
  // free, as it would a frame later on a GPU.
  int width = 0, height = 0;
  GlCapturePresentedFrame(device, &pixels, &width, &height);
  return seconds;
}

void BM_UpdateAndDrawGl(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(scene.Frame());
  state.counters["draws"] = static_cast<double>(GlDrawCallsLastFrame(scene.device));
}

// Each pass follows a rendered frame, as UpdateAndDraw's skinning does, so that both find the
// caches as the rasterizer left them.
void BM_SkinMeshPlain(benchmark::State& state) {
  SmdMesh& mesh = plainModel->meshes[0];
  for (auto _ : state) {
    scene.Frame();
    const Clock::time_point start = Clock::now();
    mesh.SkinMesh();
    state.SetIterationTime(SecondsSince(start));
  }
}

void Register() {
  for (auto* b : {benchmark::RegisterBenchmark("BM_UpdateAndDrawGl", BM_UpdateAndDrawGl),
                  benchmark::RegisterBenchmark("BM_SkinMeshPlain", BM_SkinMeshPlain)}) {
    b->UseManualTime()->Iterations(4)->Repetitions(15)->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // As the program starts, before the GL context: the frames run on the allocator it runs on.
  KeepFreedMemoryMapped();
  std::string error;
  const char* folder = std::getenv("BENCH_INPUTS");
  if (!WriteBenchInputs(folder && *folder ? folder : "/tmp", &inputs, &error) ||
      !scene.Create(inputs, &error)) {
    std::fprintf(stderr, "render_bench: %s\n", error.c_str());
    scene.Release();
    RemoveBenchInputs(inputs);
    return 1;
  }
  UseRecordingBackend();
  Recording().logging = false;
  plainDevice = new PlainDevice();
  plainModel = new SkinnedModel();
  plainModel->LoadReference(plainDevice, inputs.reference.c_str());
  plainModel->LoadAnimation(inputs.animation.c_str());

  // The first frames run slower while the driver and the caches settle; they are not measured.
  for (int frame = 0; frame < 12; ++frame) scene.Frame();
  for (int pass = 0; pass < 12; ++pass) plainModel->meshes[0].SkinMesh();
  ReserveHeapHeadroom();

  Register();
  TimesReporter reporter;
  RunInterleaved(argc, argv, &reporter);

  const double draws = reporter.MaxCounter("BM_UpdateAndDrawGl", "draws");
  const double whole = reporter.MinSeconds("BM_UpdateAndDrawGl");
  const double skin = reporter.MinSeconds("BM_SkinMeshPlain");
  // For comparison only, after the measured runs so as not to disturb them: skinning with the
  // caches warm from the pass before.
  double warm = 0;
  for (int pass = 0; pass < 30; ++pass) {
    const Clock::time_point start = Clock::now();
    plainModel->meshes[0].SkinMesh();
    const double seconds = SecondsSince(start);
    if (pass == 0 || seconds < warm) warm = seconds;
  }
  const double ratio = whole > 0 && skin > 0 ? whole / skin : 0;
  std::printf(
      "\nUpdateAndDraw on OpenGL %.2f ms, SkinMesh alone after a frame %.2f ms (warm %.2f ms, UpdateAndDraw "
      "%.2f times that), %.0f GL draw calls a frame\n",
      whole * 1e3, skin * 1e3, warm * 1e3, warm > 0 ? whole / warm : 0.0, draws);
  const int missed = PrintSummary({{"gl_draws_per_frame", draws, "≤ 8", draws >= 1 && draws <= 8},
                                   {"update_and_draw_vs_skin", ratio, "≤ 2.0", ratio > 0 && ratio <= 2.0}});

  delete plainModel;
  SafeRelease(plainDevice);
  scene.Release();
  RemoveBenchInputs(inputs);
  return missed == 0 ? 0 : 3;
}
