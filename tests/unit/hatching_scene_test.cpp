// The scene on its own, as a tool draws it: files from a folder of the caller's, a frame with
// the caller's own overlay and backdrop, and every object released once however often Release
// is called.
#include "render/hatching_scene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "gfx/recording/recording_device.h"
#include "render/render_context.h"
#include "tests/unit/render_test_support.h"
#include "tests/unit/scripted_window_system.h"

using ::testing::HasSubstr;

namespace {

class CallerOverlay final : public SceneOverlay {
 public:
  void Draw(RenderContext&) override { ++draws; }
  int draws = 0;
};

class HatchingSceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseRecordingBackend();
    files.Write("content/Textures/Snow.dds");
    for (int n = 0; n < 6; ++n) files.Write("content/Textures/Hatch" + std::to_string(n) + ".dds");
    files.Write("content/Shaders/Hatching.fx", "technique TShader { pass P0 {} pass P1 {} }");
    ASSERT_EQ(context.InitDevice(&window, 640, 480, 20), S_OK);
    before = Recording().liveObjects;
  }
  void TearDown() override { context.ReleaseDevice(); }

  TemporaryWorkingDirectory files;
  MessageBoxRecorder messageBoxes;
  ScriptedWindow window;
  RenderContext context;
  int before = 0;
};

TEST_F(HatchingSceneTest, DrawsFromTheCallersFolderWithTheCallersOverlayAndReleasesOnce) {
  HatchingScene scene;
  std::string failure;
  ASSERT_EQ(scene.Create(context.device, "content/", &failure), S_OK) << failure;
  ASSERT_NE(scene.effect, nullptr);
  EXPECT_GT(Recording().liveObjects, before);

  CallerOverlay overlay;
  SceneFrame frame;
  const D3DXMATRIX backdrop = kIdentityMatrix;
  frame.boxWorld = &backdrop;
  frame.overlay = &overlay;
  Recording().calls.clear();
  scene.Draw(context, frame);
  EXPECT_EQ(overlay.draws, 1);
  EXPECT_EQ(Recording().Count("DrawTextA"), 0);
  EXPECT_EQ(Recording().Count("DrawIndexedPrimitive"), 1);  // the box
  EXPECT_EQ(Recording().Count("Present"), 1);

  scene.Release();
  EXPECT_EQ(Recording().liveObjects, before);
  scene.Release();
  EXPECT_EQ(Recording().liveObjects, before);
}

TEST_F(HatchingSceneTest, AMissingTextureNamesItsPathAndLeavesNothingBehind) {
  files.Remove("content/Textures/Hatch3.dds");
  HatchingScene scene;
  std::string failure;
  EXPECT_TRUE(FAILED(scene.Create(context.device, "content/", &failure)));
  EXPECT_THAT(failure, HasSubstr("content/Textures/Hatch3.dds"));
  scene.Release();
  EXPECT_EQ(Recording().liveObjects, before);
}

}  // namespace
