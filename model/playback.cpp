// Playback: the clip cursor, the blend of two key frames into the meshes' bones, and skinning and
// drawing every mesh one triangle per draw call.
#include "model/skinned_model.h"

namespace {

// Element-wise blend of the clip's two key frames into the bones both tables hold.
void BlendInto(SmdMesh& mesh, const AnimationClip& clip, float t) {
  if (!mesh.bones || !clip.frames) return;
  const SmdBone* from = clip.frames[clip.currentFrame];
  const SmdBone* to = clip.frames[clip.nextFrame];
  const int count = mesh.boneCount < clip.boneCount ? mesh.boneCount : clip.boneCount;
  const float keep = 1.0f - t;
  for (int j = 0; j < count; ++j) {
    const float* a = &from[j].combined.m[0][0];
    const float* b = &to[j].combined.m[0][0];
    float* out = &mesh.bones[j].combined.m[0][0];
    for (int k = 0; k < 16; ++k) out[k] = keep * a[k] + t * b[k];
  }
}

}  // namespace

bool SkinnedModel::UpdateAndDraw(IDirect3DDevice9* drawDevice, int fillMode, int startFrame, int endFrame,
                                 float step, int clipIndex, bool textured) {
  // Slots past the table do not exist: such a call is refused like an empty slot.
  if (clipIndex >= kSmdMaxClips) return false;
  if (clipIndex >= 0) {
    AnimationClip& clip = clips[clipIndex];
    currentClip = clipIndex;
    if (startFrame > clip.currentFrame) clip.currentFrame = startFrame;
    if (startFrame < 0 || endFrame < 0 || startFrame >= clip.frameCount || endFrame > clip.frameCount)
      return false;
    if (clip.blend >= 1.0f) {
      clip.blend = 0.0f;
      if (++clip.currentFrame >= endFrame) clip.currentFrame = startFrame;
      clip.nextFrame = clip.currentFrame + 1;
      if (clip.nextFrame >= endFrame) clip.nextFrame = startFrame;
    }
    // A refused call with a large startFrame may have raised the cursor past the clip; play from
    // the start rather than read outside the key-frame table.
    if (clip.currentFrame >= clip.frameCount) clip.currentFrame = startFrame;
    if (clip.nextFrame < 0 || clip.nextFrame >= clip.frameCount) clip.nextFrame = startFrame;
    for (int i = 0; i < meshCount && i < kSmdMaxMeshes; ++i) BlendInto(meshes[i], clip, clip.blend);
    clip.blend += step;
  }

  if (!drawDevice) drawDevice = device;
  IDirect3DDevice9* stateDevice = device ? device : drawDevice;
  if (!drawDevice) return true;
  for (int i = 0; i < meshCount && i < kSmdMaxMeshes; ++i) {
    SmdMesh& mesh = meshes[i];
    // A mesh without a buffer (no triangle, or the creation failed) has nothing to bind or draw.
    if (!mesh.vertexBuffer) continue;
    if (mesh.links) {
      mesh.SkinMeshWithLinks();
    } else {
      mesh.SkinMesh();
    }
    drawDevice->SetStreamSource(0, mesh.vertexBuffer, 0, sizeof(SkinVertex));
    stateDevice->SetRenderState(D3DRS_FILLMODE, static_cast<DWORD>(fillMode));
    const int count = mesh.triangles ? mesh.triangleCount : 0;
    for (int j = 0; j < count; ++j) {
      if (!textured) drawDevice->SetTexture(0, nullptr);
      drawDevice->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(3 * j), 1);
    }
  }
  return true;
}
