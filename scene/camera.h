// The free camera: a position and three axes that input moves and turns in small steps, and the
// view matrix built from them.
#pragma once

#include "base/math.h"

enum CameraMode { Ground = 0, Free = 1 };

class Camera {
 public:
  Camera() = default;

  void SetMode(int newMode);
  void SetPosition(const D3DXVECTOR3& p) { position = p; }

  void Walk(float d);
  void Strafe(float d);
  void Fly(float d);
  void Pitch(float angle);
  void Yaw(float angle);
  void Roll(float angle);

  // Re-orthonormalises the axes in place (look keeps its direction, right its part perpendicular
  // to look, up is derived) and writes the view matrix into `out`.
  D3DXMATRIX* BuildViewMatrix(D3DXMATRIX* out);

  int mode = Free;
  D3DXVECTOR3 position{0, 0, 0};
  D3DXVECTOR3 right{1, 0, 0};
  D3DXVECTOR3 up{0, 1, 0};
  D3DXVECTOR3 look{0, 0, 1};
};
