// The small linked character: the imp's mesh and clips scaled, moved, and written with links.
#include "small_character.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "animation_clips.h"
#include "bmp_writer.h"
#include "character_model.h"
#include "file_output.h"
#include "material_textures.h"
#include "skeleton.h"
#include "smd_writer.h"

namespace contentgen {
namespace {

constexpr double kScale = 1.0 / 3.0;
const Vec3 kOffset{40, 25, 0};
// Within this distance of its bone's joint a vertex also follows the parent bone.
constexpr double kBlendRadius = 14.0;
constexpr int kFirstFrameNumber = 5;

// Model space to the file's: z-up as the imp, or y-up facing +z.
Vec3 Axes(Vec3 p, bool yUp) {
  return yUp ? Vec3{p.x, p.z, -p.y} : p;
}

void AppendFrame(std::string& out, int time, const SkeletonFrame& frame, bool yUp) {
  AppendLine(out, "time %d", time);
  for (int b = 0; b < kBoneCount; ++b) {
    Vec3 t = frame[b].translation * kScale;
    if (CharacterBones()[b].parent < 0) t = t + kOffset;
    t = Axes(t, yUp);
    const Vec3& r = frame[b].radians;
    AppendLine(out, "%d %.6f %.6f %.6f %.6f %.6f %.6f", b, Tidy(t.x), Tidy(t.y), Tidy(t.z), Tidy(r.x),
               Tidy(r.y), Tidy(r.z));
  }
}

// The vertex's own bone, and near its joint the parent (and the grandparent, closer still).
std::string Links(const MeshVertex& v, int bone) {
  const auto& bones = CharacterBones();
  const int parent = bones[bone].parent;
  const double distance = std::sqrt(Dot(v.position - bones[bone].joint, v.position - bones[bone].joint));
  if (parent < 0 || distance >= kBlendRadius) return "1 " + std::to_string(bone) + " 1.000000";
  const double own = 0.5 + 0.5 * distance / kBlendRadius;
  const int grandparent = bones[parent].parent;
  char text[96];
  if (grandparent >= 0 && distance < kBlendRadius / 3) {
    std::snprintf(text, sizeof text, "3 %d %.6f %d %.6f %d %.6f", bone, own, parent, (1 - own) * 0.8,
                  grandparent, (1 - own) * 0.2);
  } else {
    std::snprintf(text, sizeof text, "2 %d %.6f %d %.6f", bone, own, parent, 1 - own);
  }
  return text;
}

std::string Reference(const Mesh& mesh, bool yUp) {
  std::string out = "version 1\n";
  AppendNodes(out);
  out += "skeleton\n";
  AppendFrame(out, 0, ToFrame(Pose{}), yUp);
  out += "end\ntriangles\n";
  for (const MeshTriangle& t : mesh.triangles) {
    out += mesh.materials[t.material];
    out += '\n';
    for (const MeshVertex& v : t.corners) {
      const Vec3 p = Axes(v.position * kScale + kOffset, yUp);
      const Vec3 n = Axes(v.normal, yUp);
      // The parent column names the root bone; the real bones are in the links.
      AppendLine(out, "0 %.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f %s", Tidy(p.x), Tidy(p.y), Tidy(p.z),
                 Tidy(n.x), Tidy(n.y), Tidy(n.z), Tidy(v.u), Tidy(v.v), Links(v, t.bone).c_str());
    }
  }
  out += "end\n";
  return out;
}

std::string Animation(const AnimationClip& clip, int firstFrame) {
  std::string out = "version 1\n";
  AppendNodes(out);
  out += "skeleton\n";
  for (size_t i = 0; i < clip.frames.size(); ++i)
    AppendFrame(out, firstFrame + static_cast<int>(i), clip.frames[i], false);
  out += "end\n";
  return out;
}

}  // namespace

void WriteSmallCharacter(const std::filesystem::path& root) {
  const std::filesystem::path folder = root / "Model" / "SMD" / "Imp_Small";
  const Mesh mesh = BuildCharacterMesh();
  WriteFile(folder / "Ref_Small.smd", Reference(mesh, false));
  WriteFile(folder / "Ref_Small_yup.smd", Reference(mesh, true));
  for (int m = 0; m < kMaterialCount; ++m)
    WriteFile(folder / MaterialFileName(m), EncodeBmp24(PaintMaterialTexture(m, 64)));
  WriteFile(folder / "Ani_Small(Run).smd", Animation(BuildRunClip(), kFirstFrameNumber));
  WriteFile(folder / "Ani_Small(Attack).smd", Animation(BuildAttackClip(), 0));
}

}  // namespace contentgen
