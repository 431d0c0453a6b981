// VertexLineBatch: a vertex line's numbers and links into its corner, at once or in batches.
#include "model/vertex_line_batch.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/helper_thread.h"
#include "model/smd_mesh.h"
#include "model/smd_scan_number_line.h"

VertexLineBatch::VertexLineBatch(SmdMesh* mesh, HelperThread* helper) : mesh_(mesh), helper_(helper) {
  if (helper_) lists_ = new (std::nothrow) Kept[2 * kCapacity];
  // Without room to keep lines, every line is scanned as it comes.
  if (!lists_) helper_ = nullptr;
  kept_ = lists_;
}

VertexLineBatch::~VertexLineBatch() {
  // The helper may still read the lines handed to it.
  if (helper_) helper_->Finish();
  delete[] lists_;
}

void VertexLineBatch::Add(const SmdLine& line, int t, int k, bool inPlace) {
  const int corner = 3 * t + k;
  if (!helper_ || !inPlace) {
    Scan(line, corner);
    return;
  }
  if (keptCount_ == kCapacity) Pass();
  kept_[keptCount_++] = Kept{line.text, static_cast<uint32_t>(line.length), corner};
}

void VertexLineBatch::ScanPart(void* context, size_t part) {
  auto* batch = static_cast<VertexLineBatch*>(context);
  const size_t end = std::min(batch->handedCount_, (part + 1) * kLinesPerPart);
  for (size_t i = part * kLinesPerPart; i < end; ++i) {
    const Kept& kept = batch->handed_[i];
    batch->Scan(SmdLine{kept.text, kept.length}, kept.corner);
  }
}

void VertexLineBatch::Pass() {
  if (!helper_) return;
  helper_->Finish();
  handed_ = kept_;
  handedCount_ = keptCount_;
  kept_ = kept_ == lists_ ? lists_ + kCapacity : lists_;
  keptCount_ = 0;
  helper_->Start((handedCount_ + kLinesPerPart - 1) / kLinesPerPart, &VertexLineBatch::ScanPart, this);
}

void VertexLineBatch::Flush() {
  if (!helper_) return;
  Pass();
  helper_->Finish();
}

// "%d %f %f %f %f %f %f %f %f": bone, position, normal, u, v. Corner and bone change only when the
// whole pattern matches. Then the links, with the corner as it stands in model space, before it is
// moved into its bone's space.
void VertexLineBatch::Scan(const SmdLine& line, int corner) {
  SmdTriangle& triangle = mesh_->triangles[corner / 3];
  SkinVertex& vertex = triangle.corners[corner % 3];
  int b = 0;
  float f[8];
  if (smd::ScanNumberLine(line, b, f, 8)) {
    triangle.bones[corner % 3] = b;
    vertex.position = D3DXVECTOR3(f[0], f[1], f[2]);
    vertex.normal = D3DXVECTOR3(f[3], f[4], f[5]);
    vertex.u = f[6];
    vertex.v = 1.0f - f[7];
  }
  if (!mesh_->links) return;
  // The link scanner stops only at a zero byte.
  char text[SmdLineSource::kCapacity];
  const size_t length = line.length < sizeof text ? line.length : sizeof text - 1;
  std::memcpy(text, line.text, length);
  text[length] = '\0';
  SmdCornerLinks& links = mesh_->links->corners[corner];
  smd::ScanLinks(text, mesh_->links->boneCount, links);
  links.position = vertex.position;
  links.normal = vertex.normal;
}
