// The islanded imp: its mesh with each island's uv turned about the island's middle.
#include "islands_character.h"

#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

#include "bmp_writer.h"
#include "character_model.h"
#include "file_output.h"
#include "material_textures.h"
#include "random.h"
#include "smd_writer.h"

namespace contentgen {
namespace {

// Islands are the triangles whose middles fall in one cube of this size (model units).
constexpr double kIslandSize = 14.0;

Mesh CutIntoIslands(Mesh mesh) {
  std::map<std::tuple<int, int, int>, std::vector<MeshTriangle*>> islands;
  for (MeshTriangle& t : mesh.triangles) {
    const Vec3 middle = (t.corners[0].position + t.corners[1].position + t.corners[2].position) * (1.0 / 3);
    islands[{static_cast<int>(std::floor(middle.x / kIslandSize)),
             static_cast<int>(std::floor(middle.y / kIslandSize)),
             static_cast<int>(std::floor(middle.z / kIslandSize))}]
        .push_back(&t);
  }
  Random random(22);
  for (auto& [cell, triangles] : islands) {
    double u0 = 0, v0 = 0;
    for (const MeshTriangle* t : triangles)
      for (const MeshVertex& c : t->corners) u0 += c.u, v0 += c.v;
    u0 /= 3.0 * static_cast<double>(triangles.size());
    v0 /= 3.0 * static_cast<double>(triangles.size());
    const double angle = random.Uniform(0, 2 * std::numbers::pi);
    const double du = random.Uniform(), dv = random.Uniform();
    const double c = std::cos(angle), s = std::sin(angle);
    for (MeshTriangle* t : triangles)
      for (MeshVertex& corner : t->corners) {
        const double u = corner.u - u0, v = corner.v - v0;
        corner.u = c * u - s * v + du;
        corner.v = s * u + c * v + dv;
      }
  }
  return mesh;
}

}  // namespace

void WriteIslandsCharacter(const std::filesystem::path& root) {
  const std::filesystem::path folder = root / "Model" / "SMD" / "Imp_Islands";
  const Mesh mesh = CutIntoIslands(BuildCharacterMesh());
  WriteFile(folder / "Ref_Islands.smd", ReferenceSmd(mesh));
  for (int m = 0; m < kMaterialCount; ++m)
    WriteFile(folder / MaterialFileName(m), EncodeBmp24(PaintMaterialTexture(m, 64)));
}

}  // namespace contentgen
