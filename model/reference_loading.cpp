// Loading of a reference SMD file into the next mesh slot: counting pass, tables, textures,
// filling pass (nodes, bind pose, triangles moved into bone space) and the vertex buffer.
#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "base/helper_thread.h"
#include "base/platform.h"
#include "model/pose_batch.h"
#include "model/skin_corner.h"
#include "model/skinned_model.h"
#include "model/skinning_kernel.h"
#include "model/smd_field_scan.h"
#include "model/smd_load_threads.h"
#include "model/smd_messages.h"
#include "model/smd_node_line.h"
#include "model/vertex_line_batch.h"

namespace {

// The inverse of a bone's bind-pose matrix; a singular matrix leaves the corner where it is.
D3DXMATRIX InverseOf(const D3DXMATRIX& m) {
  D3DXMATRIX inverse = kIdentityMatrix;
  D3DXMatrixInverse(&inverse, nullptr, &m);
  return inverse;
}

// Moves every corner into the space of its bone, as D3DXVec3TransformCoord and TransformNormal
// would (see skin_corner.h), in parts on both threads where `helper` is given. Each bone's inverse
// is computed once; it is the same matrix the per-corner computation would give.
void MoveCornersIntoBoneSpace(SmdMesh& mesh, int count, HelperThread* helper) {
  if (!mesh.triangles) return;
  if (count > mesh.triangleCount) count = mesh.triangleCount;
  const int boneCount = mesh.bones ? mesh.boneCount : 0;
  D3DXMATRIX* inverses =
      boneCount > 0 ? new (std::nothrow) D3DXMATRIX[static_cast<size_t>(boneCount)] : nullptr;
  if (inverses)
    for (int b = 0; b < boneCount; ++b) inverses[b] = InverseOf(mesh.bones[b].combined);
  [[maybe_unused]] const bool sse = ActiveSkinningKernel() == SkinningKernel::kSse2;
  constexpr int kTrianglesPerPart = 8192;
  auto movePart = [&](size_t part) {
    const int first = static_cast<int>(part) * kTrianglesPerPart;
    const int last = count - first < kTrianglesPerPart ? count : first + kTrianglesPerPart;
    for (int t = first; t < last; ++t) {
      SmdTriangle& triangle = mesh.triangles[t];
      for (int k = 0; k < 3; ++k) {
        const int b = triangle.bones[k];
        // A bone index outside the table names no bone: the corner stays in model space.
        if (b < 0 || b >= boneCount) continue;
        const D3DXMATRIX m = inverses ? inverses[b] : InverseOf(mesh.bones[b].combined);
        SkinVertex& corner = triangle.corners[k];
#if defined(__SSE2__)
        if (sse) {
          smd::SkinCornerSse<false>(corner, m, corner);
          continue;
        }
#endif
        smd::SkinCorner(corner, m, corner);
      }
    }
  };
  const size_t parts =
      count > 0 ? static_cast<size_t>((count + kTrianglesPerPart - 1) / kTrianglesPerPart) : 0;
  if (helper) {
    helper->Run(parts, movePart);
  } else {
    for (size_t part = 0; part < parts; ++part) movePart(part);
  }
  delete[] inverses;
}

// A guess at a file's triangles from its size, to choose the threads of its counting pass
// before it is counted: a triangle's four lines rarely take under 256 bytes.
int EstimatedTriangles(FILE* input) {
  struct stat status;
  if (fstat(fileno(input), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  const off_t estimate = status.st_size / 256;
  return estimate > INT_MAX ? INT_MAX : static_cast<int>(estimate);
}

}  // namespace

bool SkinnedModel::LoadReference(IDirect3DDevice9* newDevice, const char* path) {
  device = newDevice;
  diagnostic = SmdDiagnostic{};
  directory = path ? path : "";
  size_t separator = directory.rfind('\\');
  if (separator == std::string::npos) separator = directory.rfind('/');
  directory.resize(separator == std::string::npos ? 0 : separator + 1);

  return ReadFile(path, &SkinnedModel::ParseReference, kSmdNotReferenceMessage);
}

int SkinnedModel::ParseReference(FILE* input) {
  diagnostic = SmdDiagnostic{};
  if (meshCount < 0 || meshCount >= kSmdMaxMeshes)
    return Refuse(kSmdRefused, 0, "all 32 mesh slots are in use");
  // One helper thread for the whole load, and two blocks of a megabyte: for a large file, the
  // counting pass reads each next block on the helper while it counts the lines of the current
  // one; the filling pass splits one block's lines while the helper scans the other's.
  HelperThread helper;
  std::unique_ptr<char[]> blocks;
  constexpr size_t kBlock = size_t{1} << 20;
  constexpr size_t kStride = kBlock + SmdLineSource::kReadable;
  const auto allocateBlocks = [&] {
    if (!blocks) blocks.reset(new (std::nothrow) char[2 * kStride]);
    return blocks != nullptr;
  };
  SmdLineSource file(input, line, token, sizeof token);
  if (smd::LoadThreads(EstimatedTriangles(input)) == 2 && allocateBlocks()) {
    file.ReadThrough(blocks.get(), kBlock, blocks.get() + kStride);
    file.ReadAhead(&helper);
  }
  loadHelper = &helper;
  const struct HelperInUse {
    HelperThread*& slot;
    ~HelperInUse() { slot = nullptr; }
  } helperInUse{loadHelper};
  std::memset(materialNames, 0, sizeof materialNames);
  const bool counted = CountFile(file);
  if (diagnostic.result == kSmdHeaderRefused) return kSmdHeaderRefused;
  if (timeCount > 1) {
    return Refuse(kSmdWrongKind, 0, "the skeleton block holds %d frames; a reference file holds one",
                  timeCount);
  }
  if (!counted) return diagnostic.result;

  SmdMesh& mesh = meshes[meshCount];
  mesh.AllocateBones(nodeCount);
  mesh.AllocateTriangles(triangleCount);
  mesh.LoadMaterialTextures(device, materialCount, directory.c_str(), materialNames);
  delete mesh.links;
  mesh.links = nullptr;
  if (readLinks && mesh.triangles) {
    mesh.links = new (std::nothrow) SmdLinkTable();
    if (mesh.links && !mesh.links->Allocate(3 * mesh.triangleCount, mesh.bones ? mesh.boneCount : 0)) {
      delete mesh.links;
      mesh.links = nullptr;
    }
  }

  file.Rewind();
  if (smd::LoadThreads(mesh.triangles ? mesh.triangleCount : 0) == 2 && allocateBlocks())
    file.ReadThrough(blocks.get(), kBlock, blocks.get() + kStride);
  BlockLoop(file, &SkinnedModel::ReadNodes, &SkinnedModel::ReadBindPose, &SkinnedModel::ReadTriangles);
  if (mesh.links)
    for (int b = 0; b < mesh.links->boneCount; ++b)
      mesh.links->bindInverses[b] = InverseOf(mesh.bones[b].combined);

  // No triangle, no buffer: a buffer of length 0 cannot exist, and playback skips a mesh without one.
  SafeRelease(mesh.vertexBuffer);
  if (device && mesh.triangles &&
      mesh.triangleCount <= static_cast<int>(UINT_MAX / (3 * sizeof(SkinVertex)))) {
    const UINT length = static_cast<UINT>(mesh.triangleCount) * 3 * sizeof(SkinVertex);
    device->CreateVertexBuffer(length, 0, 0, D3DPOOL_DEFAULT, &mesh.vertexBuffer, nullptr);
  }
  ++meshCount;
  return kSmdRead;
}

bool SkinnedModel::ReadNodes(SmdLineSource& file) {
  SmdMesh* mesh = meshCount >= 0 && meshCount < kSmdMaxMeshes ? &meshes[meshCount] : nullptr;
  while (file.NextCopied()) {
    if (smd::IsKeyword(token, "end")) return true;
    int index = 0, parent = 0;
    if (!smd::ScanNodeLine(line, index, token, sizeof token, parent)) continue;
    if (!mesh || !mesh->bones || index < 0 || index >= mesh->boneCount) continue;
    if (parent < -1 || parent >= mesh->boneCount) continue;
    std::memcpy(mesh->bones[index].name, token, sizeof token);
    mesh->bones[index].parent = parent;
  }
  return false;
}

bool SkinnedModel::ReadBindPose(SmdLineSource& file) {
  SmdMesh* mesh = meshCount >= 0 && meshCount < kSmdMaxMeshes ? &meshes[meshCount] : nullptr;
  // The first line is the bind pose's frame line, whatever it holds, unless it already ends the
  // block: an empty block must not swallow the triangles that follow.
  if (!file.NextCopied()) return false;
  if (smd::IsKeyword(token, "end")) return true;
  PoseBatch poses;
  if (mesh) poses.Target(mesh->bones, mesh->boneCount);
  SmdLine poseLine;
  while (file.Next(&poseLine)) {
    if (smd::IsKeyword(token, "end")) {
      poses.Flush();
      return true;
    }
    poses.AddLine(poseLine);
  }
  poses.Flush();
  return false;
}

bool SkinnedModel::ReadTriangles(SmdLineSource& file) {
  SmdMesh* mesh = meshCount >= 0 && meshCount < kSmdMaxMeshes ? &meshes[meshCount] : nullptr;
  const int tableSize = mesh && mesh->triangles ? mesh->triangleCount : 0;
  static constexpr int kCornerOfLine[3] = {0, 2, 1};
  HelperThread* twoThreads = smd::LoadThreads(tableSize) == 2 ? loadHelper : nullptr;
  VertexLineBatch batch(mesh, twoThreads);
  // Lines kept where they lie are scanned before the buffer is refilled over them: while the
  // next block is split, where the source reads through two blocks in turn.
  if (file.Alternates()) {
    file.BeforeRefill([](void* kept) { static_cast<VertexLineBatch*>(kept)->Pass(); }, &batch);
  } else {
    file.BeforeRefill([](void* kept) { static_cast<VertexLineBatch*>(kept)->Flush(); }, &batch);
  }
  bool ended = false;
  bool haveLookup = false;
  char lookupName[kSmdNameSize];
  int lookupIndex = 0;
  int t = 0;
  SmdLine materialLine;
  while (file.Next(&materialLine)) {
    if (smd::IsKeyword(token, "end")) {
      ended = true;
      break;
    }
    // The last entry of that name; a name the table lacks (the file changed between the passes)
    // falls back to material 0. Runs of one material look it up once.
    if (!haveLookup || !smd::SameName(token, lookupName)) {
      std::memcpy(lookupName, token, sizeof lookupName);
      lookupIndex = 0;
      for (int j = (materialCount < kSmdMaxMaterials ? materialCount : kSmdMaxMaterials) - 1; j >= 0; --j) {
        if (std::strcmp(materialNames[j], token) == 0) {
          lookupIndex = j;
          break;
        }
      }
      haveLookup = true;
    }
    const bool inTable = t < tableSize;
    if (inTable) mesh->triangles[t].material = lookupIndex;
    SmdLine vertexLine;
    for (int k : kCornerOfLine) {
      if (!file.NextNumbers(&vertexLine)) break;
      // A line copied into `line` is overwritten by the next one: scanned at once.
      if (inTable) batch.Add(vertexLine, t, k, vertexLine.text != line);
    }
    ++t;
  }
  batch.Flush();
  file.BeforeRefill(nullptr, nullptr);
  if (mesh) MoveCornersIntoBoneSpace(*mesh, triangleCount, twoThreads);
  return ended;
}
