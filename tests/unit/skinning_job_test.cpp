// SkinningJob on plain arrays: a broken precondition writes nothing (skin_mesh_test.cpp holds
// skinned corners to the platform transforms).
#include "model/skinning_job.h"

#include <gtest/gtest.h>

#include <vector>

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

}  // namespace
