// The bind pose's corners handed to the stroke field, and its coordinates written back.
#include "model/form_strokes.h"

#include <vector>

#include "base/math.h"
#include "model/smd_mesh.h"

field::StrokeFieldFigures ApplyFormStrokes(SmdMesh& mesh, float scale) {
  const int count = mesh.triangles ? mesh.triangleCount : 0;
  if (count <= 0) return {};
  std::vector<float> corners(9 * static_cast<size_t>(count));
  std::vector<float> uv(6 * static_cast<size_t>(count));
  for (int t = 0; t < count; ++t)
    for (int k = 0; k < 3; ++k) {
      const int b = mesh.triangles[t].bones[k];
      D3DXVECTOR3 p = mesh.triangles[t].corners[k].position;
      // Corners are stored in their bone's space; the bind pose moves them back.
      if (mesh.bones && b >= 0 && b < mesh.boneCount) D3DXVec3TransformCoord(&p, &p, &mesh.bones[b].combined);
      float* out = &corners[9 * static_cast<size_t>(t) + 3 * k];
      out[0] = p.x, out[1] = p.y, out[2] = p.z;
    }
  field::StrokeFieldOptions options;
  if (scale > 0) options.density *= scale;
  const field::StrokeFieldFigures figures = field::ComputeStrokeField(corners, uv, options);
  for (int t = 0; t < count; ++t)
    for (int k = 0; k < 3; ++k) {
      mesh.triangles[t].corners[k].u = uv[6 * static_cast<size_t>(t) + 2 * k];
      mesh.triangles[t].corners[k].v = uv[6 * static_cast<size_t>(t) + 2 * k + 1];
    }
  return figures;
}
