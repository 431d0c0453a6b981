#include "scene/light.h"

#include <cstring>

#include "base/math.h"

Light::Light() {
  std::memset(static_cast<void*>(this), 0, sizeof *this);
  Type = D3DLIGHT_POINT;
  Diffuse = {1, 1, 1, 1};
  Specular = {0.5f, 0.5f, 0.5f, 1};
  Ambient = {0.1f, 0.1f, 0.1f, 1};
  SetPosition(500, 500, -500);
  Range = 50000;
  Attenuation0 = 1;
}

void Light::SetPosition(float x, float y, float z) {
  Position = {x, y, z};
  D3DXVECTOR3 direction(x, y, z);
  D3DXVec3Normalize(&direction, &direction);
  Direction = {-direction.x, -direction.y, -direction.z};
}
