// Skinned bounds of a whole clip.
#include "app/viewer_bounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/skinned_model.h"

namespace {

constexpr long long kMostCornerFrames = 1LL << 25;

void Widen(const D3DXVECTOR3& p, bool* any, D3DXVECTOR3* low, D3DXVECTOR3* high) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
  if (!*any) *low = *high = p;
  *any = true;
  low->x = std::min(low->x, p.x), low->y = std::min(low->y, p.y), low->z = std::min(low->z, p.z);
  high->x = std::max(high->x, p.x), high->y = std::max(high->y, p.y), high->z = std::max(high->z, p.z);
}

D3DXVECTOR3 Moved(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &p, &m);
  return out;
}

// Bone b's matrix at key frame `frame`: the clip's where it holds the bone, as blending writes
// it, the bind pose's otherwise.
const D3DXMATRIX& BoneAt(const SmdMesh& mesh, const AnimationClip* clip, int frame, int b) {
  if (clip && b < clip->boneCount) return clip->frames[frame][b].combined;
  return mesh.bones[b].combined;
}

}  // namespace

bool ClipBounds(const SkinnedModel& model, int clipIndex, D3DXVECTOR3* low, D3DXVECTOR3* high) {
  if (model.meshCount < 1) return false;
  const SmdMesh& mesh = model.meshes[0];
  const AnimationClip* clip =
      clipIndex >= 0 && clipIndex < model.clipCount ? &model.clips[clipIndex] : nullptr;
  if (clip && (clip->frameCount <= 0 || !clip->frames || clip->pending)) clip = nullptr;
  const int frames = clip ? clip->frameCount : 1;
  const int triangles = mesh.triangles ? mesh.triangleCount : 0;
  const long long cornerFrames = 3LL * triangles * frames;
  const int stride =
      static_cast<int>(std::max(1LL, (cornerFrames + kMostCornerFrames - 1) / kMostCornerFrames));
  const int boneCount = mesh.bones ? mesh.boneCount : 0;
  const SmdLinkTable* links = mesh.links && mesh.links->cornerCount >= 3 * triangles ? mesh.links : nullptr;
  std::vector<D3DXMATRIX> skinning(links ? static_cast<size_t>(boneCount) : 0);
  bool any = false;
  for (int f = 0; f < frames; ++f) {
    for (int b = 0; b < static_cast<int>(skinning.size()); ++b)
      D3DXMatrixMultiply(&skinning[b], &links->bindInverses[b], &BoneAt(mesh, clip, f, b));
    for (int c = 0; c < 3 * triangles; c += stride) {
      const SmdTriangle& triangle = mesh.triangles[c / 3];
      const int k = c % 3;
      const SmdCornerLinks* corner = links ? &links->corners[c] : nullptr;
      if (corner && corner->count > 0) {
        D3DXVECTOR3 sum(0, 0, 0);
        for (int i = 0; i < corner->count; ++i) {
          const D3DXVECTOR3 p = Moved(corner->position, skinning[corner->bones[i]]);
          sum.x += corner->weights[i] * p.x, sum.y += corner->weights[i] * p.y,
              sum.z += corner->weights[i] * p.z;
        }
        Widen(sum, &any, low, high);
        continue;
      }
      const int b = triangle.bones[k];
      const D3DXVECTOR3& stored = triangle.corners[k].position;
      Widen(b >= 0 && b < boneCount ? Moved(stored, BoneAt(mesh, clip, f, b)) : stored, &any, low, high);
    }
  }
  return any;
}
