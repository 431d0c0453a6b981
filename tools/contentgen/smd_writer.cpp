// SMD text output. Numbers carry six decimals, more than the 32-bit floats the viewer holds.
#include "smd_writer.h"

#include <cmath>
#include <cstdio>

#include "skeleton.h"

namespace contentgen {

double Tidy(double v) {
  return std::fabs(v) < 5e-7 ? 0.0 : v;
}

void AppendNodes(std::string& out) {
  out += "nodes\n";
  const auto& bones = CharacterBones();
  for (size_t i = 0; i < bones.size(); ++i)
    AppendLine(out, "%zu \"%s\" %d", i, bones[i].name.c_str(), bones[i].parent);
  out += "end\n";
}

namespace {

void AppendFrame(std::string& out, int time, const SkeletonFrame& frame) {
  AppendLine(out, "time %d", time);
  for (int b = 0; b < kBoneCount; ++b) {
    const BoneFrame& f = frame[b];
    AppendLine(out, "%d %.6f %.6f %.6f %.6f %.6f %.6f", b, Tidy(f.translation.x), Tidy(f.translation.y),
               Tidy(f.translation.z), Tidy(f.radians.x), Tidy(f.radians.y), Tidy(f.radians.z));
  }
}

}  // namespace

std::string ReferenceSmd(const Mesh& mesh) {
  std::string out = "version 1\n";
  AppendNodes(out);
  out += "skeleton\n";
  AppendFrame(out, 0, ToFrame(Pose{}));
  out += "end\ntriangles\n";
  for (const MeshTriangle& t : mesh.triangles) {
    out += mesh.materials[t.material];
    out += '\n';
    for (const MeshVertex& v : t.corners)
      AppendLine(out, "%d %.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f", t.bone, Tidy(v.position.x),
                 Tidy(v.position.y), Tidy(v.position.z), Tidy(v.normal.x), Tidy(v.normal.y), Tidy(v.normal.z),
                 Tidy(v.u), Tidy(v.v));
  }
  out += "end\n";
  return out;
}

std::string AnimationSmd(const AnimationClip& clip) {
  std::string out = "version 1\n";
  AppendNodes(out);
  out += "skeleton\n";
  for (size_t i = 0; i < clip.frames.size(); ++i) AppendFrame(out, static_cast<int>(i), clip.frames[i]);
  out += "end\n";
  return out;
}

}  // namespace contentgen
