// One frame through the recording backend: its call order with and without the effect, and a
// frame whose scene cannot begin.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/hatching_app.h"
#include "gfx/recording/recording_device.h"
#include "model/skinned_model.h"
#include "tests/unit/render_test_support.h"
#include "tests/unit/scripted_window_system.h"

using ::testing::ElementsAre;

namespace {

bool IsParameterCall(const std::string& line) {
  return line.rfind("Effect.SetTexture", 0) == 0 || line.rfind("SetMatrix", 0) == 0 ||
         line.rfind("SetVector", 0) == 0;
}

// The log with the parameter uploads and the overlay lines folded into one line each.
std::vector<std::string> Folded() {
  std::vector<std::string> folded;
  for (const std::string& line : Recording().calls) {
    std::string entry = IsParameterCall(line)             ? "<parameters>"
                        : line.rfind("DrawTextA", 0) == 0 ? "<overlay>"
                                                          : line;
    if (folded.empty() || folded.back() != entry || entry[0] != '<') folded.push_back(entry);
  }
  return folded;
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseRecordingBackend();
    HatchingApp::ResetFrameRateMeter();
    files.WriteEffectFiles();
    ASSERT_EQ(app.renderContext.InitDevice(&window, 800, 600, 20), S_OK);
    ASSERT_EQ(app.CreateBoxVertexBuffer(), S_OK);
    ASSERT_EQ(app.CreateBoxIndexBuffer(), S_OK);
    ASSERT_EQ(app.LoadEffectTextures(), S_OK);
  }
  void TearDown() override { HatchingApp::ResetFrameRateMeter(); }

  void CreateEffect() {
    ASSERT_EQ(app.CreateEffect(), S_OK);
    ASSERT_NE(app.scene.effect, nullptr);
    Recording().calls.clear();
  }

  TemporaryWorkingDirectory files;
  MessageBoxRecorder messageBoxes;
  ManualClock clock;
  ScriptedWindow window;
  HatchingApp app;
};

TEST_F(FrameTest, WithTheEffectBoxThenModelThenOverlay) {
  CreateEffect();
  app.RenderFrame();
  EXPECT_THAT(
      Folded(),
      ElementsAre("Clear(0, null, 3, 0xFF0000FF, 1, 0)", "BeginScene()", "LightEnable(0, 0)",
                  "SetRenderState(D3DRS_LIGHTING, 0)", "<parameters>", "SetTechnique(\"TShader\")",
                  "Begin(0)", "SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE)",
                  "SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE)", "BeginPass(0)",
                  "SetVertexDeclaration(VertexDeclaration#1)", "SetStreamSource(0, VertexBuffer#1, 0, 32)",
                  "SetIndices(IndexBuffer#1)", "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12)",
                  "EndPass()", "SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE)", "BeginPass(1)",
                  "SetVertexDeclaration(VertexDeclaration#1)", "EndPass()", "End()", "<overlay>",
                  "EndScene()", "Present(null, null, null, null)"));
  EXPECT_EQ(Recording().Count("DrawTextA"), 7);
}

TEST_F(FrameTest, ParametersAreUploadedEveryFrame) {
  CreateEffect();
  app.RenderFrame();
  app.RenderFrame();
  int uploads = 0;
  for (const std::string& line : Recording().calls) uploads += IsParameterCall(line) ? 1 : 0;
  EXPECT_EQ(uploads, 2 * 14);
}

TEST_F(FrameTest, WithoutTheEffectOnlyBackgroundAndOverlay) {
  Recording().calls.clear();
  app.RenderFrame();
  EXPECT_THAT(Folded(), ElementsAre("Clear(0, null, 3, 0xFF0000FF, 1, 0)", "BeginScene()", "<overlay>",
                                    "EndScene()", "Present(null, null, null, null)"));
}

TEST_F(FrameTest, WithoutATechniqueTheEffectPassesAreSkipped) {
  CreateEffect();
  app.scene.technique = nullptr;
  app.RenderFrame();
  EXPECT_THAT(Folded(), ElementsAre("Clear(0, null, 3, 0xFF0000FF, 1, 0)", "BeginScene()", "<overlay>",
                                    "EndScene()", "Present(null, null, null, null)"));
}

TEST_F(FrameTest, FailedBeginSceneStillPresentsAndCounts) {
  CreateEffect();
  Recording().FailOn("BeginScene");
  app.RenderFrame();
  EXPECT_THAT(Recording().calls, ElementsAre("Clear(0, null, 3, 0xFF0000FF, 1, 0)", "BeginScene() -> failed",
                                             "Present(null, null, null, null)"));
  clock.Advance(1000);
  app.RenderFrame();
  EXPECT_FLOAT_EQ(app.framesPerSecond, 2.0f);
}

TEST_F(FrameTest, ModelPassAdvancesAnEmptyModelSafely) {
  CreateEffect();
  app.model = new SkinnedModel();
  app.RenderFrame();
  app.RenderFrame();
  EXPECT_EQ(Recording().Count("Present"), 2);
  EXPECT_EQ(Recording().Count("BeginPass(1)"), 2);
  EXPECT_EQ(Recording().Count("DrawPrimitive"), 0);
}

TEST_F(FrameTest, WithoutADeviceNothingIsDrawn) {
  HatchingApp bare;
  Recording().calls.clear();
  bare.RenderFrame();
  EXPECT_TRUE(Recording().calls.empty());
}

}  // namespace
