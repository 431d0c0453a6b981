#include "scene/camera.h"

namespace {

void AddScaled(D3DXVECTOR3* v, float d, const D3DXVECTOR3& direction) {
  v->x += d * direction.x;
  v->y += d * direction.y;
  v->z += d * direction.z;
}

// Turns `a` and `b` by the same rotation, computed once from the axis before either changes.
void Turn(const D3DXVECTOR3& axis, float angle, D3DXVECTOR3* a, D3DXVECTOR3* b) {
  D3DXMATRIX rotation;
  D3DXMatrixRotationAxis(&rotation, &axis, angle);
  D3DXVec3TransformCoord(a, a, &rotation);
  D3DXVec3TransformCoord(b, b, &rotation);
}

}  // namespace

// Only the two defined modes are stored; anything else would leave the movement undefined.
void Camera::SetMode(int newMode) {
  if (newMode == Ground || newMode == Free) mode = newMode;
}

void Camera::Walk(float d) {
  if (mode == Free) {
    AddScaled(&position, d, look);
  } else if (mode == Ground) {
    AddScaled(&position, d, D3DXVECTOR3(look.x, 0, look.z));
  }
}

void Camera::Strafe(float d) {
  if (mode == Free) {
    AddScaled(&position, d, right);
  } else if (mode == Ground) {
    AddScaled(&position, d, D3DXVECTOR3(right.x, 0, right.z));
  }
}

void Camera::Fly(float d) {
  if (mode == Free) {
    AddScaled(&position, d, up);
  } else if (mode == Ground) {
    position.y += d;
  }
}

void Camera::Pitch(float angle) {
  Turn(right, angle, &up, &look);
}

void Camera::Yaw(float angle) {
  if (mode == Free) {
    Turn(up, angle, &right, &look);
  } else if (mode == Ground) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, angle);
    D3DXVec3TransformCoord(&right, &right, &rotation);
    D3DXVec3TransformCoord(&look, &look, &rotation);
  }
}

void Camera::Roll(float angle) {
  if (mode == Free) Turn(look, angle, &right, &up);
}

D3DXMATRIX* Camera::BuildViewMatrix(D3DXMATRIX* out) {
  D3DXVec3Normalize(&look, &look);
  D3DXVec3Cross(&up, &look, &right);
  D3DXVec3Normalize(&up, &up);
  D3DXVec3Cross(&right, &up, &look);
  D3DXVec3Normalize(&right, &right);

  out->m[0][0] = right.x, out->m[0][1] = up.x, out->m[0][2] = look.x, out->m[0][3] = 0;
  out->m[1][0] = right.y, out->m[1][1] = up.y, out->m[1][2] = look.y, out->m[1][3] = 0;
  out->m[2][0] = right.z, out->m[2][1] = up.z, out->m[2][2] = look.z, out->m[2][3] = 0;
  out->m[3][0] = -D3DXVec3Dot(&right, &position);
  out->m[3][1] = -D3DXVec3Dot(&up, &position);
  out->m[3][2] = -D3DXVec3Dot(&look, &position);
  out->m[3][3] = 1;
  return out;
}
