// SmdMesh::SkinMesh and its SkinningJob on plain arrays against the transforms they write out: every
// corner's position is D3DXVec3TransformCoord's and its normal D3DXVec3TransformNormal's to the
// bit, whatever the matrices, the bone indices and the alignment of the buffer or array.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "gfx/ref_counted.h"
#include "model/skinning_job.h"
#include "model/smd_mesh.h"

namespace {

// Plain memory whose locked pointer sits `offset` bytes past a 64-byte boundary.
class OffsetVertexBuffer final : public RefCounted<IDirect3DVertexBuffer9> {
 public:
  OffsetVertexBuffer(UINT length, size_t offset) : storage_(length + 64 + offset), length_(length) {
    const auto base = reinterpret_cast<uintptr_t>(storage_.data());
    data_ = storage_.data() + ((64 - base % 64) % 64) + offset;
  }
  HRESULT Lock(UINT, UINT, void** data, DWORD) override {
    *data = data_;
    return S_OK;
  }
  HRESULT Unlock() override { return S_OK; }
  const uint8_t* data() const { return data_; }
  UINT length() const { return length_; }

 private:
  std::vector<uint8_t> storage_;
  uint8_t* data_;
  UINT length_;
};

D3DXMATRIX RandomMatrix(std::mt19937& random, bool projective) {
  std::uniform_real_distribution<float> value(-3.0f, 3.0f);
  D3DXMATRIX m;
  for (auto& row : m.m)
    for (float& entry : row) entry = value(random);
  if (!projective) {
    m.m[0][3] = m.m[1][3] = m.m[2][3] = 0.0f;
    m.m[3][3] = 1.0f;
  }
  return m;
}

SkinVertex Expected(const SkinVertex& in, const D3DXMATRIX& m) {
  SkinVertex out;
  D3DXVec3TransformCoord(&out.position, &in.position, &m);
  D3DXVec3TransformNormal(&out.normal, &in.normal, &m);
  out.u = in.u;
  out.v = in.v;
  return out;
}

class SkinMeshTest : public ::testing::TestWithParam<size_t> {};

TEST_P(SkinMeshTest, EveryCornerIsThePlatformTransformOfItsBone) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
  SmdMesh mesh;
  ASSERT_TRUE(mesh.AllocateBones(6));
  for (int b = 0; b < mesh.boneCount; ++b) mesh.bones[b].combined = RandomMatrix(random, b % 2 == 1);
  constexpr int kTriangles = 500;
  ASSERT_TRUE(mesh.AllocateTriangles(kTriangles));
  const float special[] = {0.0f, -0.0f, std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN(), 1e-40f};
  // Indices outside the table, below and above, leave the corner where it is.
  const int bones[] = {0, 1, 2, 3, 4, 5, -1, 6, 1000};
  for (int t = 0; t < kTriangles; ++t) {
    SmdTriangle& triangle = mesh.triangles[t];
    for (int k = 0; k < 3; ++k) {
      triangle.bones[k] = bones[(3 * t + k) % 9];
      SkinVertex& corner = triangle.corners[k];
      corner.position = D3DXVECTOR3(coordinate(random), coordinate(random), coordinate(random));
      corner.normal = D3DXVECTOR3(coordinate(random), coordinate(random), coordinate(random));
      corner.u = coordinate(random);
      corner.v = coordinate(random);
      if (t % 50 == 0) corner.position.y = special[(t / 50) % 5];
    }
  }
  auto* buffer = new OffsetVertexBuffer(kTriangles * 3 * sizeof(SkinVertex), GetParam());
  mesh.vertexBuffer = buffer;
  ASSERT_TRUE(mesh.SkinMesh());
  // The job on the same tables, into plain memory at the same offset.
  std::vector<uint8_t> plain(buffer->length() + 64 + GetParam());
  const size_t start = (64 - reinterpret_cast<uintptr_t>(plain.data()) % 64) % 64 + GetParam();
  auto* out = reinterpret_cast<SkinVertex*>(plain.data() + start);
  ASSERT_TRUE((SkinningJob{{mesh.triangles, kTriangles}, {mesh.bones, 6}, {out, 3 * kTriangles}}.Run()));

  for (int t = 0; t < kTriangles; ++t) {
    for (int k = 0; k < 3; ++k) {
      const int b = mesh.triangles[t].bones[k];
      const D3DXMATRIX& m = b >= 0 && b < mesh.boneCount ? mesh.bones[b].combined : kIdentityMatrix;
      const SkinVertex expected = Expected(mesh.triangles[t].corners[k], m);
      const uint8_t* written = buffer->data() + (3 * t + k) * sizeof(SkinVertex);
      ASSERT_EQ(std::memcmp(written, &expected, sizeof expected), 0) << "triangle " << t << " corner " << k;
      ASSERT_EQ(std::memcmp(&out[3 * t + k], &expected, sizeof expected), 0) << "job, " << t << "/" << k;
    }
  }
}

// Aligned buffers take the streaming stores, the others plain ones.
INSTANTIATE_TEST_SUITE_P(Alignments, SkinMeshTest, ::testing::Values(0, 4, 16, 36));

}  // namespace
