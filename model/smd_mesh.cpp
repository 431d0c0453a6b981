// The tables and textures of a reference mesh.
#include "model/smd_mesh.h"

#include <cstring>
#include <new>

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
  bool fits[kSmdMaxMaterials];
  const size_t directoryLength = std::strlen(directory);
  for (int j = 0; j < count; ++j) {
    const size_t nameLength = BoundedLength(names[j], kSmdNameSize - 1);
    fits[j] = directoryLength + nameLength < kSmdNameSize;
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
  for (int j = 0; j < count; ++j) {
    if (!fits[j] || FAILED(D3DXCreateTextureFromFileA(device, textureNames[j], &textures[j]))) {
      textures[j] = nullptr;
      return false;
    }
  }
  return true;
}
