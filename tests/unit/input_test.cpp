// The message handler: the key table, the right-button look drag, activation, size and quitting.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "app/hatching_app.h"
#include "gfx/recording/recorder.h"
#include "tests/unit/scripted_window_system.h"

using ::testing::ElementsAre;

namespace {

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseRecordingBackend();
    ASSERT_EQ(app.renderContext.InitDevice(&windows.window, 800, 600, 20), S_OK);
    Recording().calls.clear();
    reference = app.renderContext.camera;
  }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return app.HandleMessage(&windows.window, message, wParam, lParam);
  }
  LRESULT Key(WPARAM key) { return Send(WM_KEYDOWN, key); }
  LRESULT Mouse(UINT message, int x, int y) {
    return Send(message, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  }

  const Camera& camera() { return app.renderContext.camera; }

  // The view matrix must be the one built from the camera as it now stands.
  void ExpectViewFollowsCamera() {
    Camera copy = app.renderContext.camera;
    D3DXMATRIX expected;
    copy.BuildViewMatrix(&expected);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(app.renderContext.view.m[r][c], expected.m[r][c]);
  }

  HatchingApp app;
  ScriptedWindowSystem windows{app};
  Camera reference;
};

void ExpectVectorNear(const D3DXVECTOR3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
  EXPECT_NEAR(v.z, z, 1e-5f);
}

struct MoveKey {
  WPARAM key;
  float dx, dy, dz;
};

TEST_F(InputTest, MovementKeysStepTenUnitsAndRebuildTheView) {
  const MoveKey keys[] = {{'W', 0, 0, 10}, {'S', 0, 0, -10}, {'A', -10, 0, 0},
                          {'D', 10, 0, 0}, {'R', 0, 10, 0},  {'F', 0, -10, 0}};
  for (const MoveKey& k : keys) {
    const D3DXVECTOR3 before = camera().position;
    EXPECT_EQ(Key(k.key), 0);
    ExpectVectorNear(camera().position, before.x + k.dx, before.y + k.dy, before.z + k.dz);
    ExpectViewFollowsCamera();
  }
}

TEST_F(InputTest, HoldingWMovesForwardOnEveryRepeat) {
  for (int i = 0; i < 5; ++i) Key('W');
  ExpectVectorNear(camera().position, 0, 100, -150);
  EXPECT_NEAR(app.renderContext.view.m[3][2], 150.0f, 1e-4f);
}

TEST_F(InputTest, QAndERollOneDegreeEachWayAndCancel) {
  Key('Q');
  ExpectVectorNear(camera().right, std::cos(0.017453292f), std::sin(0.017453292f), 0);
  ExpectViewFollowsCamera();
  Key('E');
  ExpectVectorNear(camera().right, 1, 0, 0);
  ExpectVectorNear(camera().up, 0, 1, 0);
  ExpectVectorNear(camera().look, 0, 0, 1);
}

TEST_F(InputTest, LowerCaseCodesAndOtherKeysDoNothing) {
  const D3DXMATRIX before = app.renderContext.view;
  for (WPARAM key : {WPARAM{'w'}, WPARAM{'q'}, WPARAM{13}, WPARAM{37}, WPARAM{36}, WPARAM{12}, WPARAM{99}})
    EXPECT_EQ(Key(key), 0);
  ExpectVectorNear(camera().position, 0, 100, -200);
  EXPECT_FLOAT_EQ(app.renderContext.light.Position.x, 500.0f);
  EXPECT_EQ(std::memcmp(&before, &app.renderContext.view, sizeof before), 0);
  EXPECT_TRUE(Recording().calls.empty());
}

TEST_F(InputTest, SpaceTogglesWireframeAndSetsTheFillModeAtOnce) {
  Key(VK_SPACE);
  EXPECT_EQ(app.fillMode, 2);
  Key(VK_SPACE);
  EXPECT_EQ(app.fillMode, 3);
  EXPECT_THAT(Recording().calls, ElementsAre("SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME)",
                                             "SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID)"));
}

TEST_F(InputTest, SpaceWithoutADeviceOnlyToggles) {
  HatchingApp bare;
  bare.OnKeyDown(nullptr, VK_SPACE, 0);
  EXPECT_EQ(bare.fillMode, 2);
}

TEST_F(InputTest, KeypadMovesTheLightByHundredWithoutTouchingItsDirection) {
  const D3DVECTOR direction = app.renderContext.light.Direction;
  const D3DVECTOR& p = app.renderContext.light.Position;
  Key(VK_NUMPAD4);
  EXPECT_FLOAT_EQ(p.x, 400.0f);
  Key(VK_NUMPAD6);
  Key(VK_NUMPAD6);
  EXPECT_FLOAT_EQ(p.x, 600.0f);
  Key(VK_NUMPAD8);
  EXPECT_FLOAT_EQ(p.y, 600.0f);
  Key(VK_NUMPAD5);
  Key(VK_NUMPAD5);
  EXPECT_FLOAT_EQ(p.y, 400.0f);
  Key(VK_NUMPAD7);
  EXPECT_FLOAT_EQ(p.z, -600.0f);
  Key(VK_NUMPAD9);
  Key(VK_NUMPAD9);
  EXPECT_FLOAT_EQ(p.z, -400.0f);
  EXPECT_FLOAT_EQ(app.renderContext.light.Direction.x, direction.x);
  EXPECT_FLOAT_EQ(app.renderContext.light.Direction.z, direction.z);
  ExpectVectorNear(camera().position, 0, 100, -200);
}

TEST_F(InputTest, EscapeAndDestroyPostQuitWithCodeZero) {
  EXPECT_EQ(Key(VK_ESCAPE), 0);
  EXPECT_EQ(Send(WM_DESTROY), 0);
  ASSERT_EQ(windows.queue.size(), 2u);
  for (const MSG& m : windows.queue) {
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 0u);
  }
}

TEST_F(InputTest, SizeAndActivationAreStored) {
  Send(WM_SIZE, 0, MAKELPARAM(1024, 700));
  EXPECT_EQ(app.clientWidth, 1024);
  EXPECT_EQ(app.clientHeight, 700);
  Send(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_FALSE(app.active);
  Send(WM_ACTIVATE, WA_ACTIVE);
  EXPECT_TRUE(app.active);
  Send(WM_ACTIVATE, WA_INACTIVE | (1u << 16));  // minimised while inactive: the low word decides
  EXPECT_FALSE(app.active);
  Send(WM_ACTIVATE, 2);  // activated by a click
  EXPECT_TRUE(app.active);
  // The back buffer keeps its start size.
  EXPECT_EQ(app.renderContext.backBufferWidth, 800);
}

TEST_F(InputTest, HandledMessagesStayOffTheDefaultProcedure) {
  for (UINT message : {WM_CREATE, WM_ACTIVATEAPP, WM_COMMAND, WM_INITMENU, WM_MOUSEWHEEL})
    EXPECT_EQ(Send(message), 0);
  EXPECT_TRUE(windows.calls.empty());
  Send(0x000F);  // WM_PAINT
  EXPECT_THAT(windows.calls, ElementsAre("DefWindowProcA(15)"));
}

class DragTest : public InputTest, public ::testing::WithParamInterface<int> {};

TEST_P(DragTest, HundredPixelsRightTurnsHalfARadian) {
  const int moves = GetParam();
  Mouse(WM_RBUTTONDOWN, 200, 300);
  for (int i = 1; i <= moves; ++i) Mouse(WM_MOUSEMOVE, 200 + 100 * i / moves, 300);
  Mouse(WM_RBUTTONUP, 300, 300);
  EXPECT_FALSE(app.dragging);
  ExpectVectorNear(camera().look, std::sin(0.5f), 0, std::cos(0.5f));
  ExpectVectorNear(camera().right, std::cos(0.5f), 0, -std::sin(0.5f));
  ExpectVectorNear(camera().position, 0, 100, -200);
  ExpectViewFollowsCamera();
}

INSTANTIATE_TEST_SUITE_P(AnyNumberOfMoves, DragTest, ::testing::Values(1, 3, 10, 100));

TEST_F(InputTest, MovingWithoutTheButtonOnlyRemembersTheCursor) {
  Mouse(WM_MOUSEMOVE, 40, 50);
  Mouse(WM_MOUSEMOVE, 400, 500);
  EXPECT_EQ(app.lastMouseX, 400);
  EXPECT_EQ(app.lastMouseY, 500);
  ExpectVectorNear(camera().look, 0, 0, 1);
  EXPECT_TRUE(Recording().calls.empty());
}

TEST_F(InputTest, MovingDownTurnsTheViewDown) {
  Mouse(WM_RBUTTONDOWN, 10, 10);
  Mouse(WM_MOUSEMOVE, 10, 110);
  ExpectVectorNear(camera().look, 0, -std::sin(0.5f), std::cos(0.5f));
}

TEST_F(InputTest, ReleaseAwayFromTheLastMoveTurnsByTheRest) {
  Mouse(WM_RBUTTONDOWN, 100, 100);
  Mouse(WM_MOUSEMOVE, 150, 100);
  Mouse(WM_RBUTTONUP, 180, 120);
  reference.Yaw(50 * 0.005f);
  reference.Pitch(0.0f);
  reference.Yaw(30 * 0.005f);
  reference.Pitch(20 * 0.005f);
  ExpectVectorNear(camera().look, reference.look.x, reference.look.y, reference.look.z);
  ExpectVectorNear(camera().up, reference.up.x, reference.up.y, reference.up.z);
  EXPECT_EQ(app.lastMouseX, 150);
  EXPECT_EQ(app.lastMouseY, 100);
  EXPECT_FALSE(app.dragging);
}

TEST_F(InputTest, SecondButtonDownKeepsTheRememberedPosition) {
  Mouse(WM_RBUTTONDOWN, 100, 100);
  Mouse(WM_RBUTTONDOWN, 300, 300);
  EXPECT_EQ(app.lastMouseX, 100);
  EXPECT_TRUE(app.dragging);
}

TEST_F(InputTest, ReleaseWithoutADragDoesNothing) {
  Mouse(WM_RBUTTONUP, 500, 500);
  ExpectVectorNear(camera().look, 0, 0, 1);
  EXPECT_EQ(app.lastMouseX, 0);
}

TEST_F(InputTest, CursorCoordinatesAreUnsignedSixteenBit) {
  Mouse(WM_MOUSEMOVE, 0xFFFF, 0x8000);
  EXPECT_EQ(app.lastMouseX, 65535);
  EXPECT_EQ(app.lastMouseY, 32768);
}

TEST(InputWithoutWindowSystem, QuitKeysAreSafe) {
  HatchingApp app;
  EXPECT_EQ(app.HandleMessage(nullptr, WM_KEYDOWN, VK_ESCAPE, 0), 0);
  EXPECT_EQ(app.HandleMessage(nullptr, WM_DESTROY, 0, 0), 0);
  EXPECT_EQ(app.HandleMessage(nullptr, 0x000F, 0, 0), 0);
}

}  // namespace
