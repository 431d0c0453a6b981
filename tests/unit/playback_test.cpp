// Playback: the clip cursor, the guards, the blend into the mesh bones, CPU skinning into the
// vertex buffer and the call order of drawing, all on the recording backend.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "smd_test_files.h"

namespace {

using smdtest::Elements;
using smdtest::ModelTest;
using smdtest::TempFile;

const char kMesh[] =
    "version 1\nnodes\n0 \"root\" -1\n1 \"arm\" 0\n2 \"hand\" 1\nend\nskeleton\ntime 0\n"
    "0 0 0 0 0 0 0\n1 1 0 0 0 0 0\n2 1 0 0 0 0 0\nend\ntriangles\n"
    "skin\n0 0 0 0 0 0 1 0 0\n1 1 0 0 0 0 1 1 0\n2 2 0 0 0 0 1 1 1\n"
    "skin\n0 0 1 0 1 0 0 0 0\n0 0 1 1 1 0 0 0 0\n0 1 1 1 1 0 0 0 0\n"
    "skin\n1 1 0 1 0 1 0 0 0\n1 1 1 1 0 1 0 0 0\n2 2 2 2 0 1 0 0 0\nend\n";

// Three key frames: the root moves by (10 f, 0, 0) in frame f; the arm turns about Z.
const char kClip[] =
    "version 1\nnodes\n0 \"root\" -1\n1 \"arm\" 0\n2 \"hand\" 1\nend\nskeleton\n"
    "time 0\n0 0 0 0 0 0 0\n1 1 0 0 0 0 0\n2 1 0 0 0 0 0\n"
    "time 1\n0 10 0 0 0 0 0\n1 1 0 0 0 0 0.5\n2 1 0 0 0 0 0\n"
    "time 2\n0 20 0 0 0 0 0\n1 1 0 0 0 0 1\n2 1 0 0 0 0 0\nend\n";

class PlaybackTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    TempFile mesh(kMesh);
    TempFile clip(kClip);
    ASSERT_TRUE(model->LoadReference(device, mesh.path().c_str()));
    ASSERT_TRUE(model->LoadAnimation(clip.path().c_str()));
    Recording().calls.clear();
  }
  bool Play(int start, int end, float step, int clipIndex = 0, bool textured = true, int fillMode = 3) {
    return model->UpdateAndDraw(device, fillMode, start, end, step, clipIndex, textured);
  }
  const AnimationClip& clip() const { return model->clips[0]; }
  std::vector<SkinVertex> Vertices() const {
    auto& bytes = dynamic_cast<RecordingVertexBuffer*>(model->meshes[0].vertexBuffer)->bytes();
    std::vector<SkinVertex> vertices(bytes.size() / sizeof(SkinVertex));
    std::memcpy(vertices.data(), bytes.data(), bytes.size());
    return vertices;
  }
};

TEST_F(PlaybackTest, OneDrawPerTriangleAfterSkinningBindingAndFillMode) {
  ASSERT_TRUE(Play(0, 3, 0.01f, 0, true, 2));
  const std::vector<std::string> expected = {
      "Lock(VertexBuffer#1, 0, 0, 0)",
      "Unlock(VertexBuffer#1)",
      "SetStreamSource(0, VertexBuffer#1, 0, 32)",
      "SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME)",
      "DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1)",
      "DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1)",
      "DrawPrimitive(D3DPT_TRIANGLELIST, 6, 1)",
  };
  EXPECT_EQ(Recording().calls, expected);
}

TEST_F(PlaybackTest, UntexturedUnbindsStageZeroBeforeEveryDraw) {
  ASSERT_TRUE(Play(0, 3, 0.01f, 0, false));
  const auto& calls = Recording().calls;
  ASSERT_EQ(calls.size(), 4u + 6u);
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(calls[4 + 2 * j], "SetTexture(0, null)");
    EXPECT_EQ(calls[5 + 2 * j], "DrawPrimitive(D3DPT_TRIANGLELIST, " + std::to_string(3 * j) + ", 1)");
  }
}

TEST_F(PlaybackTest, HalfStepsWalkTheKeyFramesInALoop) {
  struct Expected {
    int current, next;
    float t;
  } expected[] = {{0, 0, 0.0f}, {0, 0, 0.5f}, {1, 2, 0.0f}, {1, 2, 0.5f},
                  {2, 0, 0.0f}, {2, 0, 0.5f}, {0, 1, 0.0f}, {0, 1, 0.5f}};
  for (int call = 0; call < 8; ++call) {
    ASSERT_TRUE(Play(0, 3, 0.5f));
    EXPECT_EQ(clip().currentFrame, expected[call].current) << "call " << call + 1;
    EXPECT_EQ(clip().nextFrame, expected[call].next) << "call " << call + 1;
    EXPECT_EQ(clip().blend, expected[call].t + 0.5f) << "call " << call + 1;
    // The root bone shows which frames were blended with which weight.
    const float t = expected[call].t;
    const float x = (1 - t) * (10.0f * expected[call].current) + t * (10.0f * expected[call].next);
    EXPECT_EQ(model->meshes[0].bones[0].combined.m[3][0], x) << "call " << call + 1;
  }
  EXPECT_EQ(model->currentClip, 0);
}

TEST_F(PlaybackTest, HundredthStepsAdvanceFirstOnThe102ndCall) {
  for (int call = 1; call <= 101; ++call) {
    ASSERT_TRUE(Play(0, 3, 0.01f));
    ASSERT_EQ(clip().currentFrame, 0) << "call " << call;
  }
  EXPECT_EQ(clip().blend, 1.0099994f);
  ASSERT_TRUE(Play(0, 3, 0.01f));
  EXPECT_EQ(clip().currentFrame, 1);
  EXPECT_EQ(clip().nextFrame, 2);
  for (int call = 103; call <= 202; ++call) ASSERT_TRUE(Play(0, 3, 0.01f));
  EXPECT_EQ(clip().currentFrame, 1);
  ASSERT_TRUE(Play(0, 3, 0.01f));
  EXPECT_EQ(clip().currentFrame, 2) << "every further advance 101 calls later";
}

TEST_F(PlaybackTest, BlendZeroCopiesTheCurrentFrameExactlyAndLeavesTheClipAlone) {
  for (int call = 0; call < 3; ++call) ASSERT_TRUE(Play(0, 3, 0.5f));
  ASSERT_EQ(clip().currentFrame, 1);
  for (int b = 0; b < 3; ++b)
    EXPECT_EQ(Elements(model->meshes[0].bones[b].combined), Elements(clip().frames[1][b].combined));
  EXPECT_EQ(model->meshes[0].bones[1].local.m[3][0], 1.0f) << "local matrices are not blended";
}

TEST_F(PlaybackTest, GuardsRefuseFramesOutsideTheClipAndDrawNothing) {
  EXPECT_TRUE(Play(0, 3, 0.0f)) << "endFrame equal to frameCount is accepted";
  Recording().calls.clear();
  EXPECT_FALSE(Play(0, 4, 0.5f));
  EXPECT_FALSE(Play(3, 3, 0.5f));
  EXPECT_FALSE(Play(-1, 3, 0.5f));
  EXPECT_FALSE(Play(0, -1, 0.5f));
  EXPECT_EQ(Recording().Count("DrawPrimitive"), 0);
  EXPECT_EQ(Recording().Count("Lock"), 0);
  EXPECT_EQ(clip().blend, 0.0f) << "a refused call adds no step";
}

TEST_F(PlaybackTest, RefusedCallStillRaisesTheCursorToStartFrame) {
  EXPECT_FALSE(Play(2, 4, 0.5f));
  EXPECT_EQ(clip().currentFrame, 2);
  // A start far past the clip raises the cursor past the table; the next accepted call plays
  // from its start frame instead of reading outside the table.
  EXPECT_FALSE(Play(50, 51, 0.5f));
  EXPECT_EQ(clip().currentFrame, 50);
  ASSERT_TRUE(Play(1, 3, 0.5f));
  EXPECT_EQ(clip().currentFrame, 1);
  EXPECT_EQ(Elements(model->meshes[0].bones[0].combined), Elements(clip().frames[1][0].combined));
}

TEST_F(PlaybackTest, NegativeClipDrawsTheHeldPoseAndTouchesNoCursor) {
  ASSERT_TRUE(Play(0, 3, 0.5f));
  model->currentClip = 7;
  const float blend = clip().blend;
  const auto before = Elements(model->meshes[0].bones[0].combined);
  Recording().calls.clear();
  ASSERT_TRUE(Play(0, 99, 0.5f, -1));
  EXPECT_EQ(model->currentClip, 7);
  EXPECT_EQ(clip().blend, blend);
  EXPECT_EQ(Elements(model->meshes[0].bones[0].combined), before);
  EXPECT_EQ(Recording().Count("DrawPrimitive"), 3);
}

TEST_F(PlaybackTest, ClipSlotsOutsideTheTableOrEmptyAreRefused) {
  EXPECT_FALSE(Play(0, 1, 0.5f, 32));
  EXPECT_FALSE(Play(0, 1, 0.5f, 1000));
  EXPECT_EQ(model->currentClip, 0);
  EXPECT_FALSE(Play(0, 0, 0.5f, 5)) << "an empty slot has frameCount 0";
  EXPECT_EQ(model->currentClip, 5);
  EXPECT_EQ(Recording().Count("DrawPrimitive"), 0);
}

TEST_F(PlaybackTest, EveryCornerMovesByItsOwnBoneAndNormalsIgnoreTranslation) {
  for (int call = 0; call < 5; ++call) ASSERT_TRUE(Play(0, 3, 0.5f));
  const SmdMesh& mesh = model->meshes[0];
  const auto vertices = Vertices();
  ASSERT_EQ(vertices.size(), 9u);
  for (int t = 0; t < 3; ++t) {
    for (int k = 0; k < 3; ++k) {
      const SmdTriangle& triangle = mesh.triangles[t];
      const D3DXMATRIX& m = mesh.bones[triangle.bones[k]].combined;
      D3DXVECTOR3 position, normal;
      D3DXVec3TransformCoord(&position, &triangle.corners[k].position, &m);
      D3DXVec3TransformNormal(&normal, &triangle.corners[k].normal, &m);
      const SkinVertex& v = vertices[3 * t + k];
      EXPECT_EQ(std::memcmp(&v.position, &position, sizeof position), 0) << t << "/" << k;
      EXPECT_EQ(std::memcmp(&v.normal, &normal, sizeof normal), 0) << t << "/" << k;
      EXPECT_EQ(v.u, triangle.corners[k].u);
      EXPECT_EQ(v.v, triangle.corners[k].v);
    }
  }
  // Triangle 0 names bones 0, 2, 1 (corners 0, 1, 2): three different matrices.
  EXPECT_EQ(mesh.triangles[0].bones[1], 2);
  // Frame 2 of the root only translates: a root-bone normal is unchanged.
  EXPECT_EQ(clip().currentFrame, 2);
  EXPECT_EQ(vertices[3].normal.x, 1.0f);
  EXPECT_EQ(vertices[3].normal.y, 0.0f);
  EXPECT_EQ(vertices[3].position.x, 20.0f);
}

TEST_F(PlaybackTest, ClipWithFewerBonesBlendsOnlyTheBonesItHas) {
  TempFile small("version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 5 0 0 0 0 0\nend\n");
  ASSERT_TRUE(model->LoadAnimation(small.path().c_str()));
  const auto arm = Elements(model->meshes[0].bones[1].combined);
  ASSERT_TRUE(Play(0, 1, 0.5f, 1));
  EXPECT_EQ(model->meshes[0].bones[0].combined.m[3][0], 5.0f);
  EXPECT_EQ(Elements(model->meshes[0].bones[1].combined), arm);
}

TEST_F(PlaybackTest, LockFailureStillDrawsWithTheOldVertices) {
  Recording().FailOn("Lock");
  ASSERT_TRUE(Play(0, 3, 0.5f));
  EXPECT_EQ(Recording().Count("Unlock"), 0);
  EXPECT_EQ(Recording().Count("SetStreamSource"), 1);
  EXPECT_EQ(Recording().Count("DrawPrimitive"), 3);
}

TEST_F(PlaybackTest, MeshWithoutVertexBufferIsNeitherLockedNorBound) {
  TempFile bones("version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\nend\n");
  ASSERT_TRUE(model->LoadReference(device, bones.path().c_str()));
  EXPECT_EQ(model->meshes[1].vertexBuffer, nullptr);
  Recording().FailOn("CreateVertexBuffer");
  TempFile mesh(kMesh);
  ASSERT_TRUE(model->LoadReference(device, mesh.path().c_str()));
  EXPECT_EQ(model->meshes[2].vertexBuffer, nullptr);
  Recording().calls.clear();
  ASSERT_TRUE(Play(0, 3, 0.5f));
  EXPECT_EQ(Recording().Count("Lock"), 1);
  EXPECT_EQ(Recording().Count("SetStreamSource"), 1);
  EXPECT_EQ(Recording().Count("DrawPrimitive"), 3);
}

TEST_F(PlaybackTest, CornerBoneOutsideTheTableStaysInModelSpace) {
  model->meshes[0].triangles[1].bones[0] = 99;
  model->meshes[0].triangles[1].bones[1] = -4;
  ASSERT_TRUE(Play(0, 3, 0.5f));
  const auto vertices = Vertices();
  EXPECT_EQ(vertices[3].position.y, model->meshes[0].triangles[1].corners[0].position.y);
  EXPECT_EQ(vertices[4].position.z, model->meshes[0].triangles[1].corners[1].position.z);
}

}  // namespace
