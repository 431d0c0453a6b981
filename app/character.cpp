// Loading the character the options name, reporting its missing textures, and framing it.
#include "app/character.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

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
// often come without their pictures, are told which files were not found.
void ReportMissingTextures(const SmdMesh& mesh, const char* directory) {
  for (int j = 0; j < mesh.textureCount; ++j) {
    if (mesh.textures && mesh.textures[j]) continue;
    const std::string path = std::string(directory) + mesh.textureNames[j];
    FILE* file = OpenFile(path.c_str(), "rb");
    if (file) {
      std::fclose(file);
      continue;
    }
    std::fprintf(stderr, "hatching: texture not found: %s\n", NativePath(path.c_str()).c_str());
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

void LoadCharacter(const CharacterFiles& files, IDirect3DDevice9* device, SkinnedModel* model) {
  model->readLinks = files.links;
  const char* reference = files.reference.empty() ? kDefaultReference : files.reference.c_str();
  const int meshesBefore = model->meshCount;
  if (!model->LoadReference(device, reference))
    ReportRefusal(files.typedReference.empty() ? reference : files.typedReference.c_str(), model->diagnostic,
                  "reference");
  if (model->meshCount > meshesBefore) ReportMissingTextures(model->meshes[meshesBefore], model->directory);
  const auto load = [model](const char* path, const char* shown) {
    if (!model->LoadAnimation(path)) ReportRefusal(shown, model->diagnostic, "animation");
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
  if (!files.reference.empty() && (clip >= model.clipCount || model.clips[clip].frameCount == 0)) return -1;
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

// The bounds' eight corners through the world matrix.
void WorldBounds(const D3DXVECTOR3& low, const D3DXVECTOR3& high, const D3DXMATRIX& world,
                 D3DXVECTOR3* worldLow, D3DXVECTOR3* worldHigh) {
  for (int corner = 0; corner < 8; ++corner) {
    const D3DXVECTOR3 p((corner & 1) ? high.x : low.x, (corner & 2) ? high.y : low.y,
                        (corner & 4) ? high.z : low.z);
    const D3DXVECTOR3 w = Transformed(p, world);
    if (corner == 0) *worldLow = *worldHigh = w;
    Widen(w, worldLow, worldHigh);
  }
}

void FrameCharacter(const SkinnedModel& model, RenderContext* context) {
  D3DXVECTOR3 low, high;
  if (model.meshCount < 1 || !BindPoseBounds(model.meshes[0], &low, &high)) return;
  const D3DXVECTOR3 extent(high.x - low.x, high.y - low.y, high.z - low.z);
  ObjectTransform& object = context->objectTransform;
  // Most characters stand along z and face -y, as the default turn expects; one that stands
  // clearly along y (exporters of y-up packages) faces +z there, and is turned about y alone.
  if (extent.y > 1.25f * extent.z && extent.y >= extent.x) object.pitch = 0.0f;

  // The projection's scale factors are 1 / tan of half the field of view, vertically and across;
  // its depth terms give the near and far planes.
  const D3DXMATRIX& projection = context->projection;
  const float tanHalfY = 1.0f / projection.m[1][1];
  const float tanHalfX = 1.0f / projection.m[0][0];
  const float nearPlane = -projection.m[3][2] / projection.m[2][2];
  const float farPlane = projection.m[2][2] * nearPlane / (projection.m[2][2] - 1.0f);
  constexpr float kMargin = 1.15f;

  D3DXVECTOR3 worldLow, worldHigh, size;
  float distance = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    object.BuildWorldMatrix(&context->world);
    WorldBounds(low, high, context->world, &worldLow, &worldHigh);
    size = D3DXVECTOR3(worldHigh.x - worldLow.x, worldHigh.y - worldLow.y, worldHigh.z - worldLow.z);
    distance = kMargin * std::max(size.y / 2 / tanHalfY, size.x / 2 / tanHalfX);
    // A character in other units than ours (a speck, or one far past the far plane) is scaled to
    // the default character's size, so that the depth range holds it.
    const float largest = std::max({size.x, size.y, size.z});
    if (attempt > 0 || !(largest > 0) || (distance > 20 * nearPlane && distance + size.z < 0.6f * farPlane))
      break;
    const float scale = 200.0f / largest;
    object.scale = D3DXVECTOR3(scale, scale, scale);
  }
  const D3DXVECTOR3 centre((worldLow.x + worldHigh.x) / 2, (worldLow.y + worldHigh.y) / 2,
                           (worldLow.z + worldHigh.z) / 2);

  Camera& camera = context->camera;
  camera.right = D3DXVECTOR3(1, 0, 0);
  camera.up = D3DXVECTOR3(0, 1, 0);
  camera.look = D3DXVECTOR3(0, 0, 1);
  // The distance is to the nearest face of the bounds: it fits the face the camera sees first.
  camera.SetPosition(D3DXVECTOR3(centre.x, centre.y, worldLow.z - std::max(distance, 2 * nearPlane)));
  context->UpdateView();

  const float largest = std::max({size.x, size.y, size.z, 1.0f});
  context->light.SetPosition(centre.x + 2.5f * largest, centre.y + 2.5f * largest, centre.z - 3.0f * largest);
}
