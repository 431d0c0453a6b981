// The surrounding box's buffers and the release of the scene objects.
#include "render/box.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/hatching_app.h"
#include "gfx/recording/recording_device.h"
#include "tests/unit/render_test_support.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

using BoxTest = RecordedAppTest;

TEST_F(BoxTest, VertexBufferHoldsTheCubeFaceByFace) {
  ASSERT_EQ(app.CreateBoxVertexBuffer(), S_OK);
  EXPECT_THAT(Recording().calls,
              ElementsAre("CreateVertexBuffer(768, 0, 0, D3DPOOL_DEFAULT, null) -> VertexBuffer#1",
                          "Lock(VertexBuffer#1, 0, 0, 0)", "Unlock(VertexBuffer#1)"));
  auto& bytes = dynamic_cast<RecordingVertexBuffer*>(app.scene.boxVertexBuffer)->bytes();
  ASSERT_EQ(bytes.size(), 768u);
  const float expected[kBoxVertexCount][3] = {
      {-100, 100, -100},  {100, 100, -100},  {-100, -100, -100}, {100, -100, -100}, {100, 100, -100},
      {100, 100, 100},    {100, -100, -100}, {100, -100, 100},   {100, 100, 100},   {-100, 100, 100},
      {100, -100, 100},   {-100, -100, 100}, {-100, 100, 100},   {-100, 100, -100}, {-100, -100, 100},
      {-100, -100, -100}, {-100, 100, 100},  {100, 100, 100},    {-100, 100, -100}, {100, 100, -100},
      {-100, -100, -100}, {100, -100, -100}, {-100, -100, 100},  {100, -100, 100}};
  for (UINT i = 0; i < kBoxVertexCount; ++i) {
    float vertex[8];
    std::memcpy(vertex, bytes.data() + kBoxVertexStride * i, sizeof vertex);
    EXPECT_EQ(vertex[0], expected[i][0]) << "vertex " << i;
    EXPECT_EQ(vertex[1], expected[i][1]) << "vertex " << i;
    EXPECT_EQ(vertex[2], expected[i][2]) << "vertex " << i;
    for (int k = 3; k < 8; ++k) EXPECT_EQ(vertex[k], 0.0f) << "vertex " << i << " field " << k;
  }
}

TEST_F(BoxTest, IndexBufferHoldsTwoTrianglesPerFace) {
  ASSERT_EQ(app.CreateBoxIndexBuffer(), S_OK);
  EXPECT_THAT(Recording().calls,
              ElementsAre("CreateIndexBuffer(72, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, null) -> IndexBuffer#1",
                          "Lock(IndexBuffer#1, 0, 0, 0)", "Unlock(IndexBuffer#1)"));
  auto& bytes = dynamic_cast<RecordingIndexBuffer*>(app.scene.boxIndexBuffer)->bytes();
  ASSERT_EQ(bytes.size(), 72u);
  WORD indices[kBoxIndexCount];
  std::memcpy(indices, bytes.data(), sizeof indices);
  EXPECT_THAT(indices, ElementsAreArray<WORD>({0,  1,  2,  1,  3,  2,  4,  5,  6,  5,  7,  6,
                                               8,  9,  10, 9,  11, 10, 12, 13, 14, 13, 15, 14,
                                               16, 17, 18, 17, 19, 18, 20, 21, 22, 21, 23, 22}));
}

TEST_F(BoxTest, RefusedCreationFailsWithoutABuffer) {
  Recording().FailOn("CreateVertexBuffer");
  Recording().FailOn("CreateIndexBuffer");
  EXPECT_EQ(app.CreateBoxVertexBuffer(), E_FAIL);
  EXPECT_EQ(app.CreateBoxIndexBuffer(), E_FAIL);
  EXPECT_EQ(app.scene.boxVertexBuffer, nullptr);
  EXPECT_EQ(app.scene.boxIndexBuffer, nullptr);
  EXPECT_EQ(Recording().Count("Lock"), 0);
}

TEST_F(BoxTest, RefusedLockFailsAndKeepsTheBufferForRelease) {
  Recording().FailOn("Lock", 1);
  Recording().FailOn("Lock", 2);
  EXPECT_EQ(app.CreateBoxVertexBuffer(), E_FAIL);
  EXPECT_EQ(app.CreateBoxIndexBuffer(), E_FAIL);
  EXPECT_NE(app.scene.boxVertexBuffer, nullptr);
  EXPECT_NE(app.scene.boxIndexBuffer, nullptr);
  EXPECT_EQ(Recording().Count("Unlock"), 0);
  Recording().calls.clear();
  app.ReleaseSceneResources();
  EXPECT_THAT(Recording().calls, ElementsAre("Release(IndexBuffer#1)", "Release(VertexBuffer#1)"));
}

TEST_F(BoxTest, WithoutADeviceNoBufferIsMade) {
  HatchingApp bare;
  EXPECT_EQ(bare.CreateBoxVertexBuffer(), E_FAIL);
  EXPECT_EQ(bare.CreateBoxIndexBuffer(), E_FAIL);
}

TEST_F(BoxTest, ReleaseSceneResourcesGoesInOrderAndOnlyOnce) {
  ASSERT_EQ(app.CreateBoxVertexBuffer(), S_OK);
  ASSERT_EQ(app.CreateBoxIndexBuffer(), S_OK);
  app.scene.environmentMap = nullptr;
  Recording().calls.clear();
  app.ReleaseSceneResources();
  app.ReleaseSceneResources();
  EXPECT_THAT(Recording().calls, ElementsAre("Release(IndexBuffer#1)", "Release(VertexBuffer#1)"));
  EXPECT_EQ(app.scene.boxVertexBuffer, nullptr);
  EXPECT_EQ(app.scene.boxIndexBuffer, nullptr);
}

}  // namespace
