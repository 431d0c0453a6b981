// Deciding the up axis of a character.
#include "app/viewer_up_axis.h"

#include <cmath>
#include <cstring>

#include "app/character.h"
#include "model/skinned_model.h"

namespace {

// Share of the extent within which a point counts as resting at the bottom.
constexpr float kResting = 0.2f;
constexpr float kGround = 0.02f;

bool NamesAFoot(const char* name) {
  char lower[sizeof(SmdBone::name)];
  size_t n = 0;
  for (; name[n] && n + 1 < sizeof lower; ++n)
    lower[n] = static_cast<char>(name[n] >= 'A' && name[n] <= 'Z' ? name[n] - 'A' + 'a' : name[n]);
  lower[n] = '\0';
  for (const char* part : {"foot", "feet", "toe", "ankle"})
    if (std::strstr(lower, part)) return true;
  return false;
}

D3DXVECTOR3 Translation(const D3DXMATRIX& m) {
  return D3DXVECTOR3(m.m[3][0], m.m[3][1], m.m[3][2]);
}

UpAxis FromFeet(const SmdMesh& mesh, const D3DXVECTOR3& low, const D3DXVECTOR3& extent) {
  D3DXVECTOR3 sum(0, 0, 0);
  int feet = 0;
  for (int b = 0; mesh.bones && b < mesh.boneCount; ++b) {
    if (!NamesAFoot(mesh.bones[b].name)) continue;
    const D3DXVECTOR3 p = Translation(mesh.bones[b].combined);
    sum.x += p.x, sum.y += p.y, sum.z += p.z;
    ++feet;
  }
  if (feet == 0 || !(extent.y > 0) || !(extent.z > 0)) return UpAxis::kDecide;
  const float alongY = (sum.y / feet - low.y) / extent.y;
  const float alongZ = (sum.z / feet - low.z) / extent.z;
  if (alongZ < kResting && alongY >= kResting) return UpAxis::kZ;
  if (alongY < kResting && alongZ >= kResting) return UpAxis::kY;
  return UpAxis::kDecide;
}

UpAxis FromRootMotion(const SkinnedModel& model, int clipIndex, const D3DXVECTOR3& extent) {
  if (clipIndex < 0 || clipIndex >= model.clipCount) return UpAxis::kDecide;
  const AnimationClip& clip = model.clips[clipIndex];
  if (clip.frameCount < 2 || !clip.frames || clip.pending || clip.boneCount < 1) return UpAxis::kDecide;
  const D3DXVECTOR3 start = Translation(clip.frames[0][0].combined);
  float y = 0, z = 0;
  for (int f = 1; f < clip.frameCount; ++f) {
    const D3DXVECTOR3 p = Translation(clip.frames[f][0].combined);
    y = std::fmax(y, std::fabs(p.y - start.y));
    z = std::fmax(z, std::fabs(p.z - start.z));
  }
  const float size = std::fmax(extent.y, extent.z);
  if (y > 0.1f * size && y > 2 * z) return UpAxis::kZ;
  if (z > 0.1f * size && z > 2 * y) return UpAxis::kY;
  return UpAxis::kDecide;
}

}  // namespace

UpAxis DecideUpAxis(const SkinnedModel& model, int clip) {
  D3DXVECTOR3 low, high;
  if (model.meshCount < 1 || !BindPoseBounds(model.meshes[0], &low, &high)) return UpAxis::kZ;
  const D3DXVECTOR3 extent(high.x - low.x, high.y - low.y, high.z - low.z);
  UpAxis up = FromFeet(model.meshes[0], low, extent);
  if (up == UpAxis::kDecide) up = FromRootMotion(model, clip, extent);
  if (up != UpAxis::kDecide) return up;
  const bool groundZ = std::fabs(low.z) <= kGround * extent.z;
  const bool groundY = std::fabs(low.y) <= kGround * extent.y;
  if (groundZ != groundY) return groundZ ? UpAxis::kZ : UpAxis::kY;
  return extent.y > 1.25f * extent.z && extent.y >= extent.x ? UpAxis::kY : UpAxis::kZ;
}
