// Placement of the drawn geometry in the world: position, three angles and a scale.
#pragma once

#include "base/math.h"

class ObjectTransform {
 public:
  ObjectTransform() = default;
  // (S * R) * T: scale in model space, then rotate (roll, pitch, yaw), then translate.
  D3DXMATRIX* BuildWorldMatrix(D3DXMATRIX* out) const;

  D3DXVECTOR3 position{0, 0, 0};
  float pitch = -D3DX_PI / 2;
  float yaw = D3DX_PI;
  float roll = 0;
  D3DXVECTOR3 scale{1, 1, 1};
};
