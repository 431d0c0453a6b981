// JSON and summary text of a loaded SMD file; numbers print with the digits that read back exactly.
#include "model/smd_description.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

std::string Utf8(const SmdDescriptionInput& input, const char* text) {
  return input.toUtf8 ? input.toUtf8(text) : std::string(text);
}

void AppendString(std::string& out, const std::string& text) {
  out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

// Enough digits to read back the same float; JSON has no infinities or NaNs.
void AppendFloat(std::string& out, float value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  out += text;
}

void AppendFloats(std::string& out, const float* values, int count) {
  out += '[';
  for (int i = 0; i < count; ++i) {
    if (i) out += ',';
    AppendFloat(out, values[i]);
  }
  out += ']';
}

void AppendVector(std::string& out, const D3DXVECTOR3& v) {
  const float values[3] = {v.x, v.y, v.z};
  AppendFloats(out, values, 3);
}

void AppendBones(std::string& out, const SmdDescriptionInput& input, const SmdBone* bones, int count) {
  out += "\"bones\":[";
  for (int b = 0; bones && b < count; ++b) {
    if (b) out += ',';
    out += "{\"name\":";
    AppendString(out, Utf8(input, bones[b].name));
    out += ",\"parent\":" + std::to_string(bones[b].parent) + "}";
  }
  out += ']';
}

void AppendNames(std::string& out, const SmdDescriptionInput& input, const char* key,
                 const char (*names)[kSmdNameSize], int count) {
  out += '"';
  out += key;
  out += "\":[";
  for (int j = 0; j < count && j < kSmdMaxMaterials; ++j) {
    if (j) out += ',';
    AppendString(out, Utf8(input, names[j]));
  }
  out += ']';
}

// The links a corner is skinned with under links skinning: [bone, weight] pairs, largest first.
void AppendLinks(std::string& out, const SmdCornerLinks& links) {
  out += ",\"links\":[";
  for (int i = 0; i < links.count && i < SmdCornerLinks::kMaxLinks; ++i) {
    if (i) out += ',';
    out += "[" + std::to_string(links.bones[i]) + ",";
    AppendFloat(out, links.weights[i]);
    out += "]";
  }
  out += ']';
}

void AppendTriangles(std::string& out, const SmdMesh& mesh) {
  out += "\"triangles\":[";
  const D3DXMATRIX& identity = kIdentityMatrix;
  const int count = mesh.triangles ? mesh.triangleCount : 0;
  for (int t = 0; t < count; ++t) {
    const SmdTriangle& triangle = mesh.triangles[t];
    if (t) out += ',';
    out += "{\"material\":" + std::to_string(triangle.material) + ",\"bones\":[" +
           std::to_string(triangle.bones[0]) + "," + std::to_string(triangle.bones[1]) + "," +
           std::to_string(triangle.bones[2]) + "],\"corners\":[";
    for (int k = 0; k < 3; ++k) {
      const int b = triangle.bones[k];
      const D3DXMATRIX& m = mesh.bones && b >= 0 && b < mesh.boneCount ? mesh.bones[b].combined : identity;
      D3DXVECTOR3 position, normal;
      D3DXVec3TransformCoord(&position, &triangle.corners[k].position, &m);
      D3DXVec3TransformNormal(&normal, &triangle.corners[k].normal, &m);
      if (k) out += ',';
      out += "{\"position\":";
      AppendVector(out, position);
      out += ",\"normal\":";
      AppendVector(out, normal);
      out += ",\"uv\":";
      const float uv[2] = {triangle.corners[k].u, triangle.corners[k].v};
      AppendFloats(out, uv, 2);
      if (mesh.links && mesh.links->corners) AppendLinks(out, mesh.links->corners[3 * t + k]);
      out += '}';
    }
    out += "]}";
  }
  out += ']';
}

void AppendFrames(std::string& out, const AnimationClip& clip) {
  out += "\"frames\":[";
  for (int f = 0; clip.frames && f < clip.frameCount; ++f) {
    if (f) out += ',';
    out += '[';
    for (int b = 0; b < clip.boneCount; ++b) {
      const SmdBone& bone = clip.frames[f][b];
      if (b) out += ',';
      out += "{\"local\":";
      AppendFloats(out, &bone.local.m[0][0], 16);
      out += ",\"combined\":";
      AppendFloats(out, &bone.combined.m[0][0], 16);
      out += '}';
    }
    out += ']';
  }
  out += ']';
}

}  // namespace

std::string DescribeSmdJson(const SkinnedModel& model, const SmdDescriptionInput& input) {
  std::string out = "{\"file\":";
  AppendString(out, input.file);
  out += input.animation ? ",\"kind\":\"animation\"" : ",\"kind\":\"reference\"";
  out += ",\"result\":" + std::to_string(input.result);
  out += input.loaded ? ",\"loaded\":true," : ",\"loaded\":false,";
  static const SmdMesh kNoMesh;
  static const AnimationClip kNoClip;
  const SmdMesh& mesh = input.loaded && !input.animation ? model.meshes[0] : kNoMesh;
  const AnimationClip& clip = input.loaded && input.animation ? model.clips[0] : kNoClip;
  if (input.animation) {
    AppendBones(out, input, clip.frames ? clip.frames[0] : nullptr, clip.boneCount);
  } else {
    AppendBones(out, input, mesh.bones, mesh.boneCount);
  }
  out += ',';
  AppendNames(out, input, "materials", model.materialNames, input.loaded ? model.materialCount : 0);
  out += ',';
  AppendNames(out, input, "textures", mesh.textureNames, mesh.textureCount);
  out += ',';
  if (input.animation) {
    AppendFrames(out, clip);
  } else {
    AppendTriangles(out, mesh);
  }
  out += '}';
  return out;
}

std::string DescribeSmdSummary(const SkinnedModel& model, const SmdDescriptionInput& input) {
  std::string out = std::string(input.file) + ": ";
  if (!input.loaded) return out + "not loaded (result " + std::to_string(input.result) + ")";
  if (input.animation) {
    const AnimationClip& clip = model.clips[0];
    return out + "animation, " + std::to_string(clip.boneCount) + " bones, " +
           std::to_string(clip.frameCount) + " frames";
  }
  const SmdMesh& mesh = model.meshes[0];
  int found = 0;
  for (int j = 0; mesh.textures && j < mesh.textureCount; ++j) found += mesh.textures[j] ? 1 : 0;
  return out + "reference, " + std::to_string(mesh.boneCount) + " bones, " +
         std::to_string(mesh.triangleCount) + " triangles, " + std::to_string(model.materialCount) +
         " materials, " + std::to_string(found) + " of " + std::to_string(mesh.textureCount) +
         " textures found";
}
