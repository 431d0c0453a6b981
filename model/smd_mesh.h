// One reference mesh: its bone table in the bind pose, its triangles with corners stored in the
// space of their bones, its material textures and the vertex buffer playback skins into.
#pragma once

#include <string>
#include <vector>

#include "gfx/d3d9.h"
#include "model/skin_vertex.h"
#include "model/smd_bone.h"
#include "model/smd_links.h"

inline constexpr int kSmdMaxMaterials = 128;
inline constexpr int kSmdNameSize = 80;
// Table bounds for counted lines: a blank line counts as a node or, four at a time, as a
// triangle, so without them a few megabytes of file could ask for gigabytes. Both lie far above
// any real character (skeletons have hundreds of bones; a million triangles is a stress test).
inline constexpr int kSmdMaxBones = 1 << 16;
inline constexpr int kSmdMaxTriangles = 1 << 22;

struct SmdTriangle {
  int material = 0;
  int bones[3] = {};
  SkinVertex corners[3];
};

struct SmdMesh {
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  int boneCount = 0;
  SmdBone* bones = nullptr;
  int triangleCount = 0;
  SmdTriangle* triangles = nullptr;
  char textureNames[kSmdMaxMaterials][kSmdNameSize] = {};
  // The whole path each texture was read from (found ignoring letter case where the exact name
  // is missing); textureNames holds at most its first 79 characters.
  std::vector<std::string> texturePaths;
  int textureCount = 0;
  IDirect3DTexture9** textures = nullptr;
  // The weighted links of every corner, read only when the model skins with links; null otherwise.
  SmdLinkTable* links = nullptr;

  SmdMesh() = default;
  SmdMesh(const SmdMesh&) = delete;
  SmdMesh& operator=(const SmdMesh&) = delete;
  ~SmdMesh();

  // Each refuses a count of 0 (or below), leaving the mesh unchanged; otherwise replaces the table
  // and tells whether the new one could be allocated.
  bool AllocateBones(int n);
  bool AllocateTriangles(int n);
  // Texture j is read from "directory + names[j]", or from the file whose name matches it ignoring
  // letter case when that is missing; every texture is tried, one that cannot be created stays
  // null and the result is false. The path has any length; `textureNames` keeps what fits of it.
  bool LoadMaterialTextures(IDirect3DDevice9* device, int count, const char* directory,
                            const char (*names)[kSmdNameSize]);
  // Writes every corner, moved by its bone's `combined` matrix, into the vertex buffer. False when
  // there is no buffer, it cannot be locked or the locked memory is not aligned for SkinVertex;
  // nothing is written then.
  bool SkinMesh();
  // SkinMesh with the corners' weighted links (see link_skinning.h); false without a link table.
  bool SkinMeshWithLinks();

 private:
  void ReleaseTextures();
};
