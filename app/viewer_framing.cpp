// Framing every pose of a clip.
#include "app/viewer_framing.h"

#include <algorithm>
#include <cmath>

#include "app/viewer_bounds.h"
#include "app/viewer_up_axis.h"

namespace {

// The figure's world size after scaling: the default character's height.
constexpr float kFigureSize = 200.0f;
// Share of the picture's half-width and half-height the figure may reach at the sides and bottom.
constexpr float kReach = 0.9f;
// Pixels kept clear under the top band.
constexpr int kBandGap = 8;
constexpr float kBackdropScale = 10.0f;

void WorldBounds(const D3DXVECTOR3& low, const D3DXVECTOR3& high, const D3DXMATRIX& world,
                 D3DXVECTOR3* worldLow, D3DXVECTOR3* worldHigh) {
  for (int corner = 0; corner < 8; ++corner) {
    const D3DXVECTOR3 p((corner & 1) ? high.x : low.x, (corner & 2) ? high.y : low.y,
                        (corner & 4) ? high.z : low.z);
    D3DXVECTOR3 w;
    D3DXVec3TransformCoord(&w, &p, &world);
    if (corner == 0) *worldLow = *worldHigh = w;
    worldLow->x = std::min(worldLow->x, w.x), worldLow->y = std::min(worldLow->y, w.y);
    worldLow->z = std::min(worldLow->z, w.z);
    worldHigh->x = std::max(worldHigh->x, w.x), worldHigh->y = std::max(worldHigh->y, w.y);
    worldHigh->z = std::max(worldHigh->z, w.z);
  }
}

}  // namespace

Framing FrameModel(const SkinnedModel& model, const FramingRequest& request) {
  Framing framing;
  D3DXVECTOR3 low, high;
  if (!ClipBounds(model, request.clip, &low, &high)) return framing;
  framing.framed = true;
  framing.up = request.up != UpAxis::kDecide ? request.up : DecideUpAxis(model, request.clip);
  ObjectTransform& object = framing.object;
  // z-up characters face -y and are turned about x; y-up ones face +z and are turned about y alone.
  object.pitch = framing.up == UpAxis::kY ? 0.0f : -D3DX_PI / 2;
  object.yaw = D3DX_PI;
  const float largest = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
  const float scale = largest > 0 && std::isfinite(largest) ? kFigureSize / largest : 1.0f;
  object.scale = D3DXVECTOR3(scale, scale, scale);

  D3DXMATRIX world;
  object.BuildWorldMatrix(&world);
  D3DXVECTOR3 wl, wh;
  WorldBounds(low, high, world, &wl, &wh);
  framing.low = wl;
  framing.high = wh;

  // Normalised device coordinates the figure may reach: the top stops short of the band.
  const D3DXMATRIX& projection = request.projection;
  const float tanY = 1.0f / projection.m[1][1];
  const float tanX = 1.0f / projection.m[0][0];
  const float height = static_cast<float>(std::max(request.pictureHeight, 1));
  const float top = std::max(0.2f, std::min(kReach, 1.0f - 2.0f * (request.topBand + kBandGap) / height));
  const float bottom = -kReach;
  // The face nearest the camera projects largest; fitting it fits the faces behind it.
  const float distance =
      std::max({(wh.y - wl.y) / ((top - bottom) * tanY), (wh.x - wl.x) / (2 * kReach * tanX), 2.0f});
  const float eyeY = ((wh.y - top * distance * tanY) + (wl.y - bottom * distance * tanY)) / 2;
  Camera& camera = framing.camera;
  camera.right = D3DXVECTOR3(1, 0, 0);
  camera.up = D3DXVECTOR3(0, 1, 0);
  camera.look = D3DXVECTOR3(0, 0, 1);
  camera.SetPosition(D3DXVECTOR3((wl.x + wh.x) / 2, eyeY, wl.z - distance));

  const D3DXVECTOR3 centre((wl.x + wh.x) / 2, (wl.y + wh.y) / 2, (wl.z + wh.z) / 2);
  const float size = std::max({wh.x - wl.x, wh.y - wl.y, wh.z - wl.z, 1.0f});
  framing.light = D3DXVECTOR3(centre.x + 2.5f * size, centre.y + 2.5f * size, centre.z - 3.0f * size);
  return framing;
}

D3DXMATRIX BackdropAround(const D3DXVECTOR3& eye) {
  D3DXMATRIX scaling, translation, world;
  D3DXMatrixScaling(&scaling, kBackdropScale, kBackdropScale, kBackdropScale);
  D3DXMatrixTranslation(&translation, eye.x, eye.y, eye.z);
  return *D3DXMatrixMultiply(&world, &scaling, &translation);
}
