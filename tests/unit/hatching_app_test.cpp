// The application object: start values, window creation and sizing, the start-up order, the
// silent stop, the message loop and the release order at exit.
#include "app/hatching_app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gfx/recording/recorder.h"
#include "model/skinned_model.h"
#include "tests/unit/render_test_support.h"
#include "tests/unit/scripted_window_system.h"

using ::testing::ElementsAre;

namespace {

// The log lines that start with one of `prefixes`, in order.
std::vector<std::string> Only(std::initializer_list<const char*> prefixes) {
  std::vector<std::string> lines;
  for (const std::string& line : Recording().calls)
    for (const char* prefix : prefixes)
      if (line.rfind(prefix, 0) == 0) {
        lines.push_back(line);
        break;
      }
  return lines;
}

int CountCaption(const std::vector<ShownMessage>& shown, const std::string& caption) {
  int count = 0;
  for (const ShownMessage& m : shown) count += m.caption == caption ? 1 : 0;
  return count;
}

TEST(HatchingAppRecord, ConstructorSetsTheStartValues) {
  HatchingApp app;
  EXPECT_EQ(app.window, nullptr);
  EXPECT_EQ(app.message.message, 0u);
  EXPECT_EQ(app.message.wParam, 0u);
  EXPECT_EQ(app.fillMode, 3);
  EXPECT_FALSE(app.dragging);
  EXPECT_EQ(app.lastMouseX, 0);
  EXPECT_EQ(app.lastMouseY, 0);
  EXPECT_EQ(app.clientWidth, 800);
  EXPECT_EQ(app.clientHeight, 600);
  EXPECT_TRUE(app.active);
  for (char c : app.scene.textLine) EXPECT_EQ(c, 0);
  EXPECT_EQ(app.framesPerSecond, 0.0f);
  EXPECT_EQ(app.scene.boxVertexBuffer, nullptr);
  EXPECT_EQ(app.scene.boxIndexBuffer, nullptr);
  EXPECT_EQ(app.scene.effect, nullptr);
  EXPECT_EQ(app.scene.technique, nullptr);
  EXPECT_EQ(app.scene.vertexDeclaration, nullptr);
  EXPECT_EQ(app.scene.environmentMap, nullptr);
  for (auto* texture : app.scene.hatchTextures) EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(app.model, nullptr);
  EXPECT_TRUE(app.textured);
  EXPECT_FLOAT_EQ(app.animationStep, 0.01f);
  EXPECT_EQ(app.renderContext.device, nullptr);
  EXPECT_FLOAT_EQ(app.renderContext.light.Position.x, 500.0f);
}

TEST(HatchingAppInstance, IsOneObjectAndReceivesTheWindowProcedure) {
  HatchingApp& instance = HatchingApp::Instance();
  EXPECT_EQ(&instance, &HatchingApp::Instance());
  EXPECT_EQ(HatchingApp::WindowProc(nullptr, WM_SIZE, 0, MAKELPARAM(640, 480)), 0);
  EXPECT_EQ(instance.clientWidth, 640);
  EXPECT_EQ(instance.clientHeight, 480);
  instance.SetClientSize(800, 600);
}

class HatchingAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseRecordingBackend();
    HatchingApp::ResetFrameRateMeter();
    files.WriteEffectFiles();
  }
  void TearDown() override { HatchingApp::ResetFrameRateMeter(); }

  // Posts `message` once `frames` frames have been rendered.
  void At(int frames, UINT message, WPARAM wParam = 0) { script_.push_back({frames, message, wParam}); }

  int Run() {
    app.SetFrameObserver(
        [](void* user, int framesRendered) {
          auto* self = static_cast<HatchingAppTest*>(user);
          self->framesSeen = framesRendered;
          for (const Step& step : self->script_)
            if (step.frames == framesRendered) self->windows.Post(step.message, step.wParam);
          if (framesRendered >= 50) self->windows.PostQuitMessage(0);  // a test never runs for ever
        },
        this);
    return app.Run(nullptr, SW_SHOWDEFAULT);
  }

  struct Step {
    int frames;
    UINT message;
    WPARAM wParam;
  };
  std::vector<Step> script_;

  TemporaryWorkingDirectory files;
  MessageBoxRecorder messageBoxes;
  ManualClock clock;
  HatchingApp app;
  ScriptedWindowSystem windows{app};
  int framesSeen = 0;
};

TEST_F(HatchingAppTest, RegistersTheClassAndCreatesTheWindowHidden) {
  app.RegisterAndCreateWindow(nullptr, SW_SHOWDEFAULT);
  EXPECT_EQ(app.windowClass.style, CS_HREDRAW | CS_VREDRAW);
  EXPECT_EQ(app.windowClass.lpfnWndProc, &HatchingApp::WindowProc);
  EXPECT_STREQ(app.windowClass.lpszClassName, "[Tavrel] Hatching for HLSL");
  EXPECT_EQ(app.windowClass.lpszMenuName, nullptr);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  EXPECT_THAT(
      windows.calls,
      ElementsAre("RegisterClassA(\"[Tavrel] Hatching for HLSL\")",
                  "CreateWindowExA(0, \"[Tavrel] Hatching for HLSL\", \"[Tavrel] Hatching for HLSL\", " +
                      std::to_string(style) + ", " + std::to_string(CW_USEDEFAULT) + ", " +
                      std::to_string(CW_USEDEFAULT) + ", 800, 600)"));
  EXPECT_EQ(app.window, &windows.window);
}

TEST_F(HatchingAppTest, WithoutASizeReportTheWindowGrowsToAn800x600ClientArea) {
  At(1, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Recording().Count("CreateDevice(0, D3DDEVTYPE_HAL, window, 0x00000040, {800x600 "), 1);
  EXPECT_THAT(Only({"SetWindowPos"}), ElementsAre("SetWindowPos(0, 0, 816, 639, 6)"));
}

TEST_F(HatchingAppTest, ReportedClientSizeSizesTheBackBufferAndKeepsTheWindow) {
  windows.reportSizeOnCreate = true;
  At(1, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(app.clientWidth, 784);
  EXPECT_EQ(app.clientHeight, 561);
  EXPECT_EQ(Recording().Count("CreateDevice(0, D3DDEVTYPE_HAL, window, 0x00000040, {784x561 "), 1);
  EXPECT_THAT(Only({"SetWindowPos"}), ElementsAre("SetWindowPos(0, 0, 800, 600, 6)"));
}

TEST_F(HatchingAppTest, StartsUpInOrderAndRendersUntilEscape) {
  At(3, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Run(), 0);
  EXPECT_THAT(
      Only({"RegisterClassA", "CreateWindowExA", "Direct3DCreate9", "CreateDevice", "CreateFont",
            "CreateVertexBuffer", "CreateIndexBuffer", "CreateCubeTexture",
            "CreateTextureFromFile(\"./Textures/Hatch5", "SetWindowPos", "ShowWindow",
            "CreateVertexDeclaration", "CreateEffectFromFile", "GetTechniqueByName", "Present",
            "PostQuitMessage"}),
      ElementsAre(::testing::StartsWith("RegisterClassA"), ::testing::StartsWith("CreateWindowExA"),
                  ::testing::StartsWith("Direct3DCreate9"), ::testing::StartsWith("CreateDevice"),
                  ::testing::StartsWith("CreateFont"), ::testing::StartsWith("CreateVertexBuffer"),
                  ::testing::StartsWith("CreateIndexBuffer"), ::testing::StartsWith("CreateCubeTexture"),
                  ::testing::StartsWith("CreateTextureFromFile(\"./Textures/Hatch5"),
                  ::testing::StartsWith("SetWindowPos"), "ShowWindow(window, 10)",
                  ::testing::StartsWith("CreateVertexDeclaration"),
                  ::testing::StartsWith("CreateEffectFromFile"), "GetTechniqueByName(\"TShader\")",
                  "Present(null, null, null, null)", "Present(null, null, null, null)",
                  "Present(null, null, null, null)", "PostQuitMessage(0)"));
  EXPECT_EQ(framesSeen, 3);
  EXPECT_NE(app.model, nullptr);
  // The overlay is cyan from the first frame on.
  EXPECT_NE(Recording().Matching("DrawTextA").front().find("0xFF00FFFF"), std::string::npos);
  EXPECT_EQ(CountCaption(messageBoxes.shown(), "ERROR"), 0);
}

TEST_F(HatchingAppTest, MissingTextureStopsSilentlyWithoutShowingTheWindow) {
  files.Remove("Textures/Hatch3.dds");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(windows.calls.size(), 2u);  // registration and creation only
  EXPECT_EQ(Recording().Count("ShowWindow"), 0);
  EXPECT_EQ(Recording().Count("Present"), 0);
  EXPECT_TRUE(messageBoxes.shown().empty());
  EXPECT_EQ(app.model, nullptr);
  EXPECT_THAT(Only({"Release"}), ElementsAre("Release(Font#1)", "Release(Device#1)", "Release(Direct3D#1)"));

  // What was made before the failure goes with the object.
  Recording().calls.clear();
  app.ReleaseAll();
  EXPECT_THAT(Recording().calls,
              ElementsAre("Release(IndexBuffer#1)", "Release(VertexBuffer#1)", "Release(CubeTexture#1)",
                          "Release(Texture#1)", "Release(Texture#2)", "Release(Texture#3)"));
  EXPECT_EQ(Recording().liveObjects, 0);
}

class StartFailureTest : public HatchingAppTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StartFailureTest, EndsWithCodeZeroNoWindowAndNoMessage) {
  Recording().FailOn(GetParam());
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Recording().Count("ShowWindow"), 0);
  EXPECT_EQ(Recording().Count("CreateEffectFromFile"), 0);
  EXPECT_TRUE(messageBoxes.shown().empty());
  app.ReleaseAll();
  EXPECT_EQ(Recording().liveObjects, 0);
}

INSTANTIATE_TEST_SUITE_P(EachCreation, StartFailureTest,
                         ::testing::Values("Direct3DCreate9", "CreateDevice", "CreateFont",
                                           "CreateVertexBuffer", "CreateIndexBuffer", "Lock",
                                           "CreateCubeTextureFromFile", "CreateTextureFromFile"));

TEST_F(HatchingAppTest, MissingEffectShowsOneErrorAndDrawsOnlyBackgroundAndOverlay) {
  files.Remove("Shaders/Hatching.fx");
  At(2, WM_DESTROY);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(CountCaption(messageBoxes.shown(), "ERROR"), 1);
  EXPECT_EQ(Recording().Count("BeginPass"), 0);
  EXPECT_EQ(Recording().Count("DrawIndexedPrimitive"), 0);
  EXPECT_EQ(Recording().Count("DrawTextA"), 14);
  EXPECT_EQ(Recording().Count("Present"), 2);
}

TEST_F(HatchingAppTest, ReleasesEverythingInOrderAtExit) {
  {
    auto owned = std::make_unique<HatchingApp>();
    ScriptedWindowSystem ownWindows(*owned);
    owned->SetFrameObserver(
        [](void* user, int) { static_cast<ScriptedWindowSystem*>(user)->PostQuitMessage(0); }, &ownWindows);
    ASSERT_EQ(owned->Run(nullptr, SW_SHOWDEFAULT), 0);
    Recording().calls.clear();
    ownWindows.Detach();
    owned.reset();
  }
  EXPECT_THAT(
      Recording().calls,
      ElementsAre("Release(Effect#1)", "Release(VertexDeclaration#1)", "Release(IndexBuffer#1)",
                  "Release(VertexBuffer#1)", "Release(CubeTexture#1)", "Release(Texture#1)",
                  "Release(Texture#2)", "Release(Texture#3)", "Release(Texture#4)", "Release(Texture#5)",
                  "Release(Texture#6)", "Release(Font#1)", "Release(Device#1)", "Release(Direct3D#1)"));
  EXPECT_EQ(Recording().liveObjects, 0);
}

TEST_F(HatchingAppTest, ReleaseAllTwiceReleasesOnce) {
  At(1, WM_KEYDOWN, VK_ESCAPE);
  Run();
  app.ReleaseAll();
  Recording().calls.clear();
  app.ReleaseAll();
  EXPECT_TRUE(Recording().calls.empty());
  EXPECT_EQ(app.model, nullptr);
  EXPECT_EQ(app.scene.technique, nullptr);
}

TEST_F(HatchingAppTest, InactiveWindowSleepsAndStillHandlesMessages) {
  At(2, WM_ACTIVATE, WA_INACTIVE);
  At(4, WM_KEYDOWN, VK_ESCAPE);
  int waits = 0;
  windows.whenWaiting = [&] {
    // First wait: a key arrives while inactive; second: the window is activated again.
    if (++waits == 1)
      windows.Post(WM_KEYDOWN, 'W');
    else
      windows.Post(WM_ACTIVATE, WA_ACTIVE);
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(windows.waitMessageCalls, 2);
  EXPECT_EQ(framesSeen, 4);
  EXPECT_FLOAT_EQ(app.renderContext.camera.position.z, -190.0f);
  EXPECT_THAT(
      Only({"Present", "WaitMessage"}),
      ElementsAre("Present(null, null, null, null)", "Present(null, null, null, null)", "WaitMessage()",
                  "WaitMessage()", "Present(null, null, null, null)", "Present(null, null, null, null)"));
}

TEST_F(HatchingAppTest, WaitingInputIsWorkedOffBeforeTheNextFrame) {
  for (int i = 0; i < 3; ++i) windows.Post(WM_KEYDOWN, 'W');
  At(1, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Run(), 0);
  // WM_CREATE is handled inside creation; the three keys and Esc go through the loop.
  EXPECT_EQ(windows.dispatched, 4);
  EXPECT_NE(Recording().Matching("DrawTextA").at(1).find("Z:-170.000000"), std::string::npos);
}

TEST_F(HatchingAppTest, ClosingTheWindowEndsWithCodeZero) {
  At(1, WM_DESTROY);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(framesSeen, 1);
  EXPECT_EQ(app.message.message, WM_QUIT);
}

TEST_F(HatchingAppTest, LoadsTheModelAndItsThreeClipsAndDrawsItInPassOne) {
  const std::string data = HATCHING_TEST_DATA;
  auto copy = [&](const std::string& from, const std::string& to) {
    std::ifstream in(data + "/" + from, std::ios::binary);
    files.Write(to, std::string(std::istreambuf_iterator<char>(in), {}));
  };
  copy("smd_reference_basic.smd", "Model/SMD/Vekku_Red/Ref_Red.smd");
  for (const char* name : {"Attack", "Run", "Stun"})
    copy("smd_animation_basic.smd", std::string("Model/SMD/Vekku_Red/Ani_Red(") + name + ").smd");
  files.Write("Model/SMD/Vekku_Red/skin.bmp");
  files.Write("Model/SMD/Vekku_Red/cloth.bmp");
  At(2, WM_KEYDOWN, VK_SPACE);
  At(3, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(messageBoxes.shown().empty());
  ASSERT_NE(app.model, nullptr);
  EXPECT_EQ(app.model->meshCount, 1);
  EXPECT_EQ(app.model->clipCount, 3);
  // Five triangles, one draw each, in every one of the three frames; the third in wireframe.
  EXPECT_EQ(Recording().Count("DrawPrimitive(D3DPT_TRIANGLELIST, "), 15);
  EXPECT_THAT(Only({"SetRenderState(D3DRS_FILLMODE, "}),
              ElementsAre("SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID)",
                          "SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID)",
                          "SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME)",
                          "SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME)"));
}

TEST(HatchingAppWithoutWindowSystem, RunReturnsAtOnce) {
  UseRecordingBackend();
  HatchingApp app;
  EXPECT_EQ(app.Run(nullptr, SW_SHOWDEFAULT), 0);
  EXPECT_TRUE(Recording().calls.empty());
}

}  // namespace
