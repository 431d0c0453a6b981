// The tables and textures of a reference mesh.
#include "model/smd_mesh.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/path_case.h"
#include "base/platform.h"

namespace {

size_t BoundedLength(const char* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != '\0') ++n;
  return n;
}

}  // namespace

SmdMesh::~SmdMesh() {
  delete links;
  links = nullptr;
  delete[] bones;
  bones = nullptr;
  delete[] triangles;
  triangles = nullptr;
  SafeRelease(vertexBuffer);
  ReleaseTextures();
}

void SmdMesh::ReleaseTextures() {
  if (!textures) return;
  for (int j = 0; j < textureCount; ++j) SafeRelease(textures[j]);
  delete[] textures;
  textures = nullptr;
}

bool SmdMesh::AllocateBones(int n) {
  if (n <= 0) return false;
  delete[] bones;
  boneCount = n;
  bones = new (std::nothrow) SmdBone[static_cast<size_t>(n)];
  if (!bones) boneCount = 0;
  return bones != nullptr;
}

bool SmdMesh::AllocateTriangles(int n) {
  if (n <= 0) return false;
  delete[] triangles;
  triangleCount = n;
  triangles = new (std::nothrow) SmdTriangle[static_cast<size_t>(n)];
  if (!triangles) triangleCount = 0;
  return triangles != nullptr;
}

bool SmdMesh::LoadMaterialTextures(IDirect3DDevice9* device, int count, const char* directory,
                                   const char (*names)[kSmdNameSize]) {
  if (count <= 0) return false;
  if (count > kSmdMaxMaterials) count = kSmdMaxMaterials;
  // The old textures are released with the count they were made with.
  ReleaseTextures();
  textureCount = count;
  std::memset(textureNames, 0, sizeof textureNames);
  texturePaths.assign(static_cast<size_t>(count), std::string());
  const size_t directoryLength = std::strlen(directory);
  for (int j = 0; j < count; ++j) {
    const size_t nameLength = BoundedLength(names[j], kSmdNameSize - 1);
    texturePaths[j].assign(directory).append(names[j], nameLength);
    // The table keeps what fits, for display; the texture is read from the whole path.
    char* path = textureNames[j];
    const size_t head = directoryLength < kSmdNameSize - 1 ? directoryLength : kSmdNameSize - 1;
    std::memcpy(path, directory, head);
    const size_t tail = nameLength < kSmdNameSize - 1 - head ? nameLength : kSmdNameSize - 1 - head;
    std::memcpy(path + head, names[j], tail);
    path[head + tail] = '\0';
  }
  textures = new (std::nothrow) IDirect3DTexture9*[static_cast<size_t>(count)]();
  if (!textures) {
    textureCount = 0;
    return false;
  }
  // Every texture is tried, so that one missing picture does not take the others with it.
  bool all = true;
  for (int j = 0; j < count; ++j) {
    FILE* file = OpenFile(texturePaths[j].c_str(), "rb");
    if (file) {
      std::fclose(file);
    } else {
      const std::string found = FindIgnoringCase(texturePaths[j]);
      if (!found.empty()) texturePaths[j] = found;
    }
    if (FAILED(D3DXCreateTextureFromFileA(device, texturePaths[j].c_str(), &textures[j]))) {
      textures[j] = nullptr;
      all = false;
    }
  }
  return all;
}
