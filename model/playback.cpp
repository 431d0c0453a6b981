// Playback: the clip cursor, the blend of two key frames into the meshes' bones, and skinning and
// drawing every mesh one triangle per draw call.
#include "model/blend_job.h"
#include "model/skinned_model.h"

namespace {

// The clip's two key frames blended into the bones both tables hold.
void BlendInto(SmdMesh& mesh, const AnimationClip& clip, float t) {
  if (!mesh.bones || !clip.frames) return;
  const size_t frameBones = clip.boneCount > 0 ? static_cast<size_t>(clip.boneCount) : 0;
  BlendJob job;
  job.from = {clip.frames[clip.currentFrame], frameBones};
  job.to = {clip.frames[clip.nextFrame], frameBones};
  job.factor = t;
  job.output = {mesh.bones, mesh.boneCount > 0 ? static_cast<size_t>(mesh.boneCount) : 0};
  job.Run();
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
