// RenderContext: device and font creation, the scene set-up, the view rebuild and the release.
#include "render/render_context.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gfx/recording/recorder.h"
#include "tests/unit/render_test_support.h"

using ::testing::ElementsAre;

namespace {

class RenderContextTest : public ::testing::Test {
 protected:
  void SetUp() override { UseRecordingBackend(); }
  void TearDown() override { context.ReleaseDevice(); }

  ScriptedWindow window;
  RenderContext context;
};

D3DXVECTOR3 Transform(const D3DXMATRIX& m, float x, float y, float z) {
  const D3DXVECTOR3 point(x, y, z);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &point, &m);
  return out;
}

TEST_F(RenderContextTest, ConstructorStartsWithNothingAndYellowText) {
  EXPECT_EQ(context.direct3d, nullptr);
  EXPECT_EQ(context.device, nullptr);
  EXPECT_EQ(context.font, nullptr);
  EXPECT_EQ(Channels(context.textColor), (std::array{1.0f, 1.0f, 0.0f, 1.0f}));
}

TEST_F(RenderContextTest, InitDeviceCreatesDeviceFontAndSetsUpTheScene) {
  ASSERT_EQ(context.InitDevice(&window, 800, 600, 20), S_OK);
  EXPECT_THAT(
      Recording().calls,
      ElementsAre(
          "Direct3DCreate9(32) -> Direct3D#1", "GetDeviceCaps(0, D3DDEVTYPE_HAL)",
          "CreateDevice(0, D3DDEVTYPE_HAL, window, 0x00000040, {800x600 format D3DFMT_UNKNOWN count 0 "
          "swap D3DSWAPEFFECT_DISCARD windowed 1 depth 1/D3DFMT_D24S8 interval 0x80000000}) -> Device#1",
          "CreateFont(20, 0, 700, 1, 0, 1, 0, 0, 0, \"Arial\") -> Font#1",
          "SetViewport(0, 0, 800, 600, 0, 1)", "SetRenderState(D3DRS_SPECULARENABLE, 1)",
          "SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE)", "SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE)",
          "SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR)",
          "SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR)",
          "SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR)",
          "SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR)",
          "SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR)",
          "SetSamplerState(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR)"));
  EXPECT_EQ(context.backBufferWidth, 800);
  EXPECT_EQ(context.backBufferHeight, 600);
  EXPECT_EQ(context.fontHeight, 20);
  EXPECT_NE(context.font, nullptr);
}

TEST_F(RenderContextTest, SamplesReachThePresentParametersOnlyAboveOne) {
  context.samples = 4;
  ASSERT_EQ(context.InitDevice(&window, 800, 600, 20), S_OK);
  EXPECT_EQ(
      Recording().Count("CreateDevice(0, D3DDEVTYPE_HAL, window, 0x00000040, {800x600 format D3DFMT_UNKNOWN "
                        "count 0 swap D3DSWAPEFFECT_DISCARD windowed 1 depth 1/D3DFMT_D24S8 interval "
                        "0x80000000 samples 4}) -> Device#1"),
      1);
  EXPECT_EQ(context.samplesGiven, 4);
  EXPECT_EQ(PresentParameters(800, 600, 1).MultiSampleType, 0u);
}

TEST_F(RenderContextTest, AdapterWithoutHardwareTransformGetsSoftwareVertexProcessing) {
  Recording().hardwareTransformAndLight = false;
  ASSERT_EQ(context.InitDevice(&window, 640, 480, 20), S_OK);
  ASSERT_EQ(Recording().Count("CreateDevice(0, D3DDEVTYPE_HAL, window, 0x00000020, {640x480 "), 1);
  EXPECT_EQ(Recording().Count("SetSamplerState"), 6);
}

TEST_F(RenderContextTest, FailedCapabilityQueryFallsBackToSoftwareVertexProcessing) {
  Recording().FailOn("GetDeviceCaps");
  ASSERT_EQ(context.InitDevice(&window, 800, 600, 20), S_OK);
  EXPECT_EQ(Recording().Count("CreateDevice(0, D3DDEVTYPE_HAL, window, 0x00000020"), 1);
}

TEST_F(RenderContextTest, NoDirect3DObjectFailsAtOnce) {
  Recording().FailOn("Direct3DCreate9");
  EXPECT_EQ(context.InitDevice(&window, 800, 600, 20), E_FAIL);
  EXPECT_THAT(Recording().calls, ElementsAre("Direct3DCreate9(32) -> null"));
  EXPECT_EQ(context.direct3d, nullptr);
  EXPECT_EQ(context.device, nullptr);
}

TEST_F(RenderContextTest, RefusedDeviceKeepsTheDirect3DObjectUntilRelease) {
  Recording().FailOn("CreateDevice");
  EXPECT_EQ(context.InitDevice(&window, 800, 600, 20), E_FAIL);
  EXPECT_NE(context.direct3d, nullptr);
  EXPECT_EQ(context.device, nullptr);
  EXPECT_EQ(Recording().Count("CreateFont"), 0);
  Recording().calls.clear();
  context.ReleaseDevice();
  EXPECT_THAT(Recording().calls, ElementsAre("Release(Direct3D#1)"));
  EXPECT_EQ(Recording().liveObjects, 0);
}

TEST_F(RenderContextTest, RefusedFontKeepsDirect3DAndDeviceAndSkipsTheScene) {
  Recording().FailOn("CreateFont");
  EXPECT_EQ(context.InitDevice(&window, 800, 600, 20), E_FAIL);
  EXPECT_NE(context.direct3d, nullptr);
  EXPECT_NE(context.device, nullptr);
  EXPECT_EQ(context.font, nullptr);
  EXPECT_EQ(Recording().Count("SetViewport"), 0);
  Recording().calls.clear();
  context.ReleaseDevice();
  EXPECT_THAT(Recording().calls, ElementsAre("Release(Device#1)", "Release(Direct3D#1)"));
}

TEST_F(RenderContextTest, ReleaseDeviceGoesFontDeviceDirect3DAndOnlyOnce) {
  ASSERT_EQ(context.InitDevice(&window, 800, 600, 20), S_OK);
  Recording().calls.clear();
  context.ReleaseDevice();
  context.ReleaseDevice();
  EXPECT_THAT(Recording().calls, ElementsAre("Release(Font#1)", "Release(Device#1)", "Release(Direct3D#1)"));
  EXPECT_EQ(context.font, nullptr);
  EXPECT_EQ(context.device, nullptr);
  EXPECT_EQ(context.direct3d, nullptr);
  EXPECT_EQ(Recording().liveObjects, 0);
}

TEST_F(RenderContextTest, ReleaseDeviceWithNothingMadeDoesNothing) {
  context.ReleaseDevice();
  EXPECT_TRUE(Recording().calls.empty());
}

class SceneSetupTest : public RenderContextTest {
 protected:
  void SetUp() override {
    RenderContextTest::SetUp();
    ASSERT_EQ(context.InitDevice(&window, 800, 600, 20), S_OK);
  }
};

TEST_F(SceneSetupTest, ObjectTransformAndCameraTakeTheirStartValues) {
  EXPECT_FLOAT_EQ(context.objectTransform.position.z, 100.0f);
  EXPECT_FLOAT_EQ(context.objectTransform.pitch, -1.5707964f);
  EXPECT_FLOAT_EQ(context.objectTransform.yaw, 3.1415927f);
  EXPECT_FLOAT_EQ(context.objectTransform.roll, 0.0f);
  EXPECT_FLOAT_EQ(context.objectTransform.scale.y, 1.0f);
  EXPECT_EQ(context.camera.mode, Free);
  EXPECT_FLOAT_EQ(context.camera.position.x, 0.0f);
  EXPECT_FLOAT_EQ(context.camera.position.y, 100.0f);
  EXPECT_FLOAT_EQ(context.camera.position.z, -200.0f);
}

TEST_F(SceneSetupTest, WorldTurnsTheModelUprightAndLiftsIt) {
  const D3DXVECTOR3 p = Transform(context.world, 3.0f, 5.0f, 7.0f);
  EXPECT_NEAR(p.x, -3.0f, 1e-4f);
  EXPECT_NEAR(p.y, 7.0f, 1e-4f);
  EXPECT_NEAR(p.z, 105.0f, 1e-4f);
}

TEST_F(SceneSetupTest, ViewMovesTheEyeToTheOrigin) {
  const float expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -100, 200, 1}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(context.view.m[r][c], expected[r][c], 1e-5f) << r << "," << c;
}

TEST_F(SceneSetupTest, ProjectionHasQuarterPiFieldOfViewAndDepthOneTo5000) {
  const D3DXMATRIX& p = context.projection;
  EXPECT_NEAR(p.m[1][1], 2.4142136f, 1e-4f);
  EXPECT_NEAR(p.m[0][0], 1.8106602f, 1e-4f);
  EXPECT_NEAR(p.m[2][2], 5000.0f / 4999.0f, 1e-5f);
  EXPECT_NEAR(p.m[3][2], -5000.0f / 4999.0f, 1e-5f);
  EXPECT_FLOAT_EQ(p.m[2][3], 1.0f);
  EXPECT_FLOAT_EQ(p.m[3][3], 0.0f);
}

TEST_F(SceneSetupTest, UpdateViewFollowsTheCamera) {
  context.camera.Walk(10.0f);
  context.UpdateView();
  EXPECT_NEAR(context.view.m[3][2], 190.0f, 1e-4f);
  EXPECT_NEAR(context.view.m[3][1], -100.0f, 1e-4f);
}

TEST(RenderContextZeroHeight, KeepsTheProjectionFinite) {
  UseRecordingBackend();
  ScriptedWindow window;
  RenderContext context;
  ASSERT_EQ(context.InitDevice(&window, 800, 0, 20), S_OK);
  for (const auto& row : context.projection.m)
    for (float value : row) EXPECT_TRUE(std::isfinite(value));
  context.ReleaseDevice();
}

}  // namespace
