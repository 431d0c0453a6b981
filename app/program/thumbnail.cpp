// The thumbnailer. A file manager runs it on whatever the user has downloaded, so the input is
// checked before it is read (a regular file: no device, pipe or folder that reads forever or
// blocks), the model is loaded before the effect and textures (a refused file costs its reading
// and no more), and a file with nothing to draw is an error rather than an empty picture.
#include "app/program/thumbnail.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "app/character.h"
#include "base/platform.h"
#include "gfx/gl/gl_backend.h"
#include "gfx/gl/headless/egl_context.h"
#include "gfx/png_file.h"
#include "model/skinned_model.h"
#include "render/hatching_scene.h"
#include "render/render_context.h"

namespace {

constexpr int kFontHeight = 20;

// The loader's refusals are told on standard error with the file and line (LoadCharacter); its
// boxes would only repeat them.
int SilentBox(HWND, const char*, const char*, UINT) {
  return IDOK;
}

bool CheckInput(const std::string& path, std::string* error) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    *error = path + ": not a regular file";
    return false;
  }
  return true;
}

bool HasTriangles(const SkinnedModel& model) {
  for (int m = 0; m < model.meshCount && m < kSmdMaxMeshes; ++m)
    if (model.meshes[m].triangles && model.meshes[m].triangleCount > 0 && model.meshes[m].vertexBuffer)
      return true;
  return false;
}

// The device, the model and the scene live on the context and go before it does.
struct Drawing {
  RenderContext context;
  SkinnedModel* model = nullptr;
  HatchingScene scene;
  ~Drawing() {
    scene.Release();
    delete model;
    context.ReleaseDevice();
  }
};

bool Draw(const ThumbnailRequest& request, EglContext* surface, Drawing* drawing, std::string* error) {
  RenderContext& context = drawing->context;
  if (FAILED(context.InitDevice(surface, request.size, request.size, kFontHeight))) {
    *error = "the graphics device could not be created";
    return false;
  }
  drawing->model = new (std::nothrow) SkinnedModel();
  if (!drawing->model) {
    *error = request.input + ": out of memory";
    return false;
  }
  CharacterFiles files;
  files.reference = request.input;
  files.links = request.links;
  LoadCharacter(files, context.device, drawing->model);
  if (!HasTriangles(*drawing->model)) {
    // A refusal has had its line on standard error, with the file and line, from the loader.
    const SmdDiagnostic& refusal = drawing->model->diagnostic;
    const bool told = refusal.result != 0 || refusal.reason[0] != '\0';
    *error = told ? std::string() : request.input + ": no triangles to draw";
    return false;
  }
  HatchingScene& scene = drawing->scene;
  if (FAILED(scene.Create(context.device, "./", error))) return false;
  if (!scene.effect || !scene.technique) {
    *error = "Shaders/Hatching.fx: the effect could not be made";
    return false;
  }
  FrameCharacter(*drawing->model, &context);
  // A thumbnail shows the form whatever uv the file has: strokes along its stroke field.
  ApplyStrokeField(drawing->model, context.objectTransform.scale.x);
  SceneFrame frame;
  frame.parameters = ParametersOf(context);
  frame.model = drawing->model;
  frame.play.clip = -1;  // the bind pose; no overlay
  scene.Draw(context, frame);

  std::vector<uint8_t> pixels;
  int width = 0;
  int height = 0;
  if (!GlCapturePresentedFrame(context.device, &pixels, &width, &height)) {
    *error = request.output + ": no rendered frame to write";
    return false;
  }
  return WritePng(request.output, pixels.data(), width, height, error);
}

}  // namespace

bool WriteThumbnail(const ThumbnailRequest& request, std::string* error) {
  if (!CheckInput(request.input, error) || !CheckOutputFolder(request.output, error)) return false;
  SetMessageBoxHandler(SilentBox);
  SetDirect3DFactory(CreateGlDirect3D);
  EglContext surface;
  if (!surface.Create(request.size, request.size, error)) {
    *error = "no off-screen OpenGL context: " + *error;
    return false;
  }
  // Declared after the surface, so released before it.
  const auto drawing = std::make_unique<Drawing>();
  return Draw(request, &surface, drawing.get(), error);
}
