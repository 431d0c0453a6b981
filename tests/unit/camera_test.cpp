// The free camera in both modes and the view matrix it builds.
#include "scene/camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

TEST(CameraView, DefaultCameraGivesIdentityAndStartPositionGivesTranslation) {
  Camera camera;
  D3DXMATRIX view;
  camera.BuildViewMatrix(&view);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(view.m[i / 4][i % 4], (i % 5 == 0) ? 1.0f : 0.0f);
  ExpectVector(camera.right, 1, 0, 0);
  ExpectVector(camera.up, 0, 1, 0);
  ExpectVector(camera.look, 0, 0, 1);

  camera.SetPosition(D3DXVECTOR3(0, 100, -200));
  camera.BuildViewMatrix(&view);
  EXPECT_EQ(view.m[3][0], 0);
  EXPECT_EQ(view.m[3][1], -100);
  EXPECT_EQ(view.m[3][2], 200);
  EXPECT_EQ(view.m[3][3], 1);
}

TEST(CameraView, RebuildRemovesDriftAndDerivesUpFromLookAndRight) {
  Camera camera;
  for (int i = 0; i < 5000; ++i) {
    camera.Yaw(0.013f);
    camera.Pitch(-0.007f);
    camera.Roll(0.011f);
  }
  D3DXMATRIX view;
  camera.BuildViewMatrix(&view);
  EXPECT_NEAR(D3DXVec3Length(&camera.right), 1, 1e-6f);
  EXPECT_NEAR(D3DXVec3Length(&camera.up), 1, 1e-6f);
  EXPECT_NEAR(D3DXVec3Length(&camera.look), 1, 1e-6f);
  EXPECT_NEAR(D3DXVec3Dot(&camera.right, &camera.up), 0, 1e-6f);
  EXPECT_NEAR(D3DXVec3Dot(&camera.look, &camera.up), 0, 1e-6f);
  EXPECT_NEAR(D3DXVec3Dot(&camera.right, &camera.look), 0, 1e-6f);
  EXPECT_EQ(view.m[0][0], camera.right.x);
  EXPECT_EQ(view.m[2][1], camera.up.z);
  EXPECT_EQ(view.m[1][2], camera.look.y);

  Camera upsideDown;
  upsideDown.up = D3DXVECTOR3(0, -1, 0);
  upsideDown.BuildViewMatrix(&view);
  ExpectVector(upsideDown.up, 0, 1, 0);
}

TEST(CameraMoves, FreeModeMovesAlongItsOwnAxes) {
  Camera camera;
  camera.Walk(10);
  ExpectVector(camera.position, 0, 0, 10);
  camera.Strafe(-10);
  ExpectVector(camera.position, -10, 0, 10);
  camera.Fly(5);
  ExpectVector(camera.position, -10, 5, 10);
}

TEST(CameraMoves, GroundModeStaysHorizontalAndDoesNotRoll) {
  Camera camera;
  camera.SetMode(Ground);
  camera.look = D3DXVECTOR3(0, 0.6f, 0.8f);
  camera.up = D3DXVECTOR3(0.3f, 0.3f, 0.3f);
  camera.Walk(10);
  ExpectVector(camera.position, 0, 0, 8);
  camera.Fly(10);
  ExpectVector(camera.position, 0, 10, 8);
  const D3DXVECTOR3 right = camera.right, up = camera.up;
  camera.Roll(0.5f);
  ExpectVector(camera.right, right.x, right.y, right.z, 0);
  ExpectVector(camera.up, up.x, up.y, up.z, 0);
}

TEST(CameraTurns, SignsOfYawPitchAndRoll) {
  const float a = 0.25f, c = std::cos(a), s = std::sin(a);
  for (int mode : {Ground, Free}) {
    Camera camera;
    camera.SetMode(mode);
    camera.Yaw(a);
    ExpectVector(camera.look, s, 0, c);
    ExpectVector(camera.right, c, 0, -s);
  }
  Camera pitched;
  pitched.Pitch(a);
  ExpectVector(pitched.look, 0, -s, c);
  ExpectVector(pitched.up, 0, c, s);
  Camera rolled;
  rolled.Roll(a);
  ExpectVector(rolled.right, c, s, 0);
  ExpectVector(rolled.up, -s, c, 0);
  rolled.Roll(-a);
  ExpectVector(rolled.right, 1, 0, 0);
  ExpectVector(rolled.up, 0, 1, 0);
  EXPECT_EQ(rolled.position.x, 0);
}

TEST(CameraTurns, UndefinedModeIsIgnored) {
  Camera camera;
  camera.SetMode(7);
  EXPECT_EQ(camera.mode, Free);
}

}  // namespace
