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
#include "app/hatching_app.h"
#include "base/platform.h"
#include "gfx/gl/gl_backend.h"
#include "gfx/gl/headless/egl_context.h"
#include "gfx/png_file.h"
#include "model/skinned_model.h"

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

bool Draw(const ThumbnailRequest& request, EglContext* surface, HatchingApp* app, std::string* error) {
  RenderContext& context = app->renderContext;
  if (FAILED(context.InitDevice(surface, request.size, request.size, kFontHeight))) {
    *error = "the graphics device could not be created";
    return false;
  }
  app->model = new (std::nothrow) SkinnedModel();
  if (!app->model) {
    *error = request.input + ": out of memory";
    return false;
  }
  app->character.reference = request.input;
  app->character.links = request.links;
  LoadCharacter(app->character, context.device, app->model);
  if (!HasTriangles(*app->model)) {
    // A refusal has had its line on standard error, with the file and line, from the loader.
    const SmdDiagnostic& refusal = app->model->diagnostic;
    const bool told = refusal.result != 0 || refusal.reason[0] != '\0';
    *error = told ? std::string() : request.input + ": no triangles to draw";
    return false;
  }
  if (FAILED(app->CreateBoxVertexBuffer()) || FAILED(app->CreateBoxIndexBuffer())) {
    *error = "the backdrop's buffers could not be created";
    return false;
  }
  if (FAILED(app->LoadEffectTextures())) {
    *error = app->startupFailure;
    return false;
  }
  app->CreateEffect();
  if (!app->effect || !app->technique) {
    *error = "Shaders/Hatching.fx: the effect could not be made";
    return false;
  }
  FrameCharacter(*app->model, &context);
  // A thumbnail shows the form whatever uv the file has: strokes along its stroke field.
  ApplyStrokeField(app->model, context.objectTransform.scale.x);
  app->clipToPlay = -1;
  app->overlay = false;
  app->RenderFrame();

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
  // Everything made on the context goes before it does.
  auto app = std::make_unique<HatchingApp>();
  const bool written = Draw(request, &surface, app.get(), error);
  app->ReleaseAll();
  return written;
}
