// Loading the character the options name, reporting its missing textures, and framing it.
#include "app/character.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/viewer_framing.h"
#include "base/cp949.h"
#include "base/platform.h"
#include "model/form_strokes.h"
#include "model/skinned_model.h"
#include "model/smd_messages.h"
#include "render/render_context.h"

namespace {

constexpr char kDefaultReference[] = "Model\\SMD\\Vekku_Red\\Ref_Red.smd";
constexpr const char* kDefaultAnimations[3] = {
    "Model\\SMD\\Vekku_Red\\Ani_Red(Attack).smd",
    "Model\\SMD\\Vekku_Red\\Ani_Red(Run).smd",
    "Model\\SMD\\Vekku_Red\\Ani_Red(Stun).smd",
};

// The loaders show their boxes as they always have; standard error gets one line a refused file
// too, for headless runs and terminals: the file with / separators, the line, the box's own text
// where there is one, and what it means in English.
void ReportRefusal(const char* path, const SmdDiagnostic& diagnostic, const char* kind) {
  const std::string file = NativePath(path);
  if (diagnostic.result == -1) {
    std::fprintf(stderr, "hatching: %s: %s (the %s file is missing or cannot be read)\n", file.c_str(),
                 std::strerror(diagnostic.systemError ? diagnostic.systemError : EIO), kind);
    return;
  }
  const char* box =
      diagnostic.result == kSmdHeaderRefused ? kSmdNotSmdMessage
      : diagnostic.result == kSmdWrongKind
          ? (std::strcmp(kind, "reference") == 0 ? kSmdNotReferenceMessage : kSmdNotAnimationMessage)
          : nullptr;
  std::string message = diagnostic.reason;
  if (box) {
    std::string text;
    Cp949ToUtf8(box, std::strlen(box), &text);
    message = text + " (" + message + ")";
  }
  const std::string where = diagnostic.line > 0 ? ":" + std::to_string(diagnostic.line) : std::string();
  std::fprintf(stderr, "hatching: %s%s: %s\n", file.c_str(), where.c_str(), message.c_str());
}

// The loader stays silent about textures it cannot make; users of their own characters, which
// often come without their pictures, are told which files were not found or could not be read.
void ReportMissingTextures(const SmdMesh& mesh) {
  for (int j = 0; j < mesh.textureCount && j < static_cast<int>(mesh.texturePaths.size()); ++j) {
    if (mesh.textures && mesh.textures[j]) continue;
    const char* path = mesh.texturePaths[j].c_str();
    FILE* file = OpenFile(path, "rb");
    if (file) std::fclose(file);
    std::fprintf(stderr, "hatching: texture %s: %s\n", file ? "cannot be read" : "not found",
                 NativePath(path).c_str());
  }
}

D3DXVECTOR3 Transformed(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &p, &m);
  return out;
}

void Widen(const D3DXVECTOR3& p, D3DXVECTOR3* low, D3DXVECTOR3* high) {
  low->x = std::min(low->x, p.x), low->y = std::min(low->y, p.y), low->z = std::min(low->z, p.z);
  high->x = std::max(high->x, p.x), high->y = std::max(high->y, p.y), high->z = std::max(high->z, p.z);
}

}  // namespace

void LoadCharacter(const CharacterFiles& files, IDirect3DDevice9* device, SkinnedModel* model,
                   LoadReport* report) {
  model->readLinks = files.links;
  const char* reference = files.reference.empty() ? kDefaultReference : files.reference.c_str();
  const int meshesBefore = model->meshCount;
  if (!model->LoadReference(device, reference))
    ReportRefusal(files.typedReference.empty() ? reference : files.typedReference.c_str(), model->diagnostic,
                  "reference");
  if (report) report->reference = model->diagnostic;
  if (model->meshCount > meshesBefore) ReportMissingTextures(model->meshes[meshesBefore]);
  const auto load = [model, report](const char* path, const char* shown) {
    const int slot = model->clipCount;
    const bool read = model->LoadAnimation(path);
    if (!read) ReportRefusal(shown, model->diagnostic, "animation");
    if (report) report->clips.push_back(LoadedClip{NativePath(shown), read ? slot : -1});
  };
  const bool typed = files.typedAnimations.size() == files.animations.size();
  for (size_t k = 0; k < files.animations.size(); ++k)
    load(files.animations[k].c_str(), (typed ? files.typedAnimations[k] : files.animations[k]).c_str());
  if (files.animations.empty() && files.reference.empty())
    for (const char* path : kDefaultAnimations) load(path, path);
}

bool StrokesFollowForm(const CharacterFiles& files) {
  if (files.strokes != CharacterFiles::Strokes::kChosen)
    return files.strokes == CharacterFiles::Strokes::kForm;
  return !files.reference.empty();
}

void ApplyStrokeField(SkinnedModel* model, float scale) {
  for (int m = 0; m < model->meshCount && m < kSmdMaxMeshes; ++m) ApplyFormStrokes(model->meshes[m], scale);
}

int ClipToPlay(const CharacterFiles& files, const SkinnedModel& model) {
  const int clip = files.clip;
  // A clip that was refused has no key frames: the character then stands in its bind pose rather
  // than vanish, whichever reference it is.
  if (clip < 0 || clip >= model.clipCount || model.clips[clip].frameCount == 0) return -1;
  return clip;
}

bool BindPoseBounds(const SmdMesh& mesh, D3DXVECTOR3* low, D3DXVECTOR3* high) {
  const int count = mesh.triangles ? mesh.triangleCount : 0;
  bool any = false;
  for (int t = 0; t < count; ++t) {
    for (int k = 0; k < 3; ++k) {
      const int b = mesh.triangles[t].bones[k];
      const D3DXVECTOR3& stored = mesh.triangles[t].corners[k].position;
      // Corners lie in their bone's space; the bind pose moves them back into the model's.
      const D3DXVECTOR3 p =
          mesh.bones && b >= 0 && b < mesh.boneCount ? Transformed(stored, mesh.bones[b].combined) : stored;
      if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
      if (!any) *low = *high = p;
      Widen(p, low, high);
      any = true;
    }
  }
  return any;
}

void FrameCharacter(const SkinnedModel& model, RenderContext* context) {
  FramingRequest request;
  request.projection = context->projection;
  request.pictureHeight = context->backBufferHeight;
  const Framing framing = FrameModel(model, request);
  if (!framing.framed) return;
  context->objectTransform = framing.object;
  context->objectTransform.BuildWorldMatrix(&context->world);
  context->camera = framing.camera;
  context->UpdateView();
  context->light.SetPosition(framing.light.x, framing.light.y, framing.light.z);
}
