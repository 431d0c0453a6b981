#include "scene/object_transform.h"

D3DXMATRIX* ObjectTransform::BuildWorldMatrix(D3DXMATRIX* out) const {
  D3DXMATRIX s, r, t;
  D3DXMatrixScaling(&s, scale.x, scale.y, scale.z);
  D3DXMatrixRotationYawPitchRoll(&r, yaw, pitch, roll);
  D3DXMatrixTranslation(&t, position.x, position.y, position.z);
  D3DXMatrixMultiply(out, &s, &r);
  return D3DXMatrixMultiply(out, out, &t);
}
