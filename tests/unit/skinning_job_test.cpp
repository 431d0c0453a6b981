// SkinningJob and BlendJob on plain arrays: a broken precondition writes nothing, and a blended
// element is (1 − t)·from + t·to to the bit (skin_mesh_test.cpp holds skinned corners to theirs).
#include "model/skinning_job.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/blend_job.h"

namespace {

TEST(SkinningJobTest, RefusedJobsWriteNothingAndTheVerticesPastTheTrianglesStayAlone) {
  std::vector<SmdBone> bones(2);
  std::vector<SmdTriangle> triangles(2);
  triangles[1].corners[2].u = 3.0f;
  std::vector<SkinVertex> out(7, SkinVertex{{}, {}, 5.0f, 5.0f});
  const SkinningJob job{{triangles.data(), 2}, {bones.data(), 2}, {out.data(), out.size()}};
  std::vector<SkinningJob> refused(6, job);
  refused[0].vertices.size = 5;  // fewer than three per triangle
  refused[1].triangles.data = nullptr;
  refused[2].bones.data = nullptr;
  refused[3].vertices.data = nullptr;
  refused[4].vertices.data = reinterpret_cast<SkinVertex*>(reinterpret_cast<char*>(out.data()) + 2);
  refused[5].vertices.data = reinterpret_cast<SkinVertex*>(bones.data() + 1);
  for (const SkinningJob& each : refused) EXPECT_FALSE(each.Validate() || each.Run());
  EXPECT_EQ(out[5].u, 5.0f);
  EXPECT_TRUE(SkinningJob{}.Run()) << "empty spans need no storage";
  ASSERT_TRUE(job.Run());
  EXPECT_EQ(out[5].u, 3.0f);
  EXPECT_EQ(out[6].u, 5.0f);
}

TEST(BlendJobTest, RefusedJobsWriteNothingAndEveryElementIsTheWeightedSum) {
  std::vector<SmdBone> keys(6), output(4);  // two key frames of three bones
  float value = -7.0f;
  for (SmdBone& bone : keys)
    for (auto& row : bone.combined.m)
      for (float& entry : row) entry = value += 0.37f;
  const BlendJob job{{keys.data(), 3}, {keys.data() + 3, 3}, 0.3f, {output.data(), 4}};
  std::vector<BlendJob> refused(4, job);
  refused[0].to.size = 2;  // key frames of different sizes
  refused[1].from.data = nullptr;
  refused[2].output.data = nullptr;
  refused[3].output = {keys.data() + 4, 1};
  for (const BlendJob& each : refused) EXPECT_FALSE(each.Validate() || each.Run());
  EXPECT_EQ(std::memcmp(&output[0].combined, &kIdentityMatrix, sizeof kIdentityMatrix), 0);
  ASSERT_TRUE(job.Run());
  for (int e = 0; e < 48; ++e) {
    const float a = keys[e / 16].combined.m[e / 4 % 4][e % 4],
                b = keys[3 + e / 16].combined.m[e / 4 % 4][e % 4];
    ASSERT_EQ(output[e / 16].combined.m[e / 4 % 4][e % 4], (1.0f - 0.3f) * a + 0.3f * b) << e;
  }
  EXPECT_EQ(std::memcmp(&output[3].combined, &kIdentityMatrix, sizeof kIdentityMatrix), 0) << "past the key frames";
  EXPECT_EQ(std::memcmp(&output[1].local, &kIdentityMatrix, sizeof kIdentityMatrix), 0) << "local is not blended";
}

}  // namespace
