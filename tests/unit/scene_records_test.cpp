// The object transform's world matrix and the light record.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/light.h"
#include "scene/object_transform.h"

namespace {

TEST(ObjectTransform, SceneSetUpPutsModelUpAlongWorldY) {
  ObjectTransform transform;
  transform.position = D3DXVECTOR3(0, 0, 100);
  D3DXMATRIX world;
  transform.BuildWorldMatrix(&world);
  const float expected[16] = {-1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 100, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(world.m[i / 4][i % 4], expected[i], 1e-6f) << i;
  const D3DXVECTOR3 point(3, 4, 5);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &point, &world);
  EXPECT_NEAR(out.x, -3, 1e-5f);
  EXPECT_NEAR(out.y, 5, 1e-5f);
  EXPECT_NEAR(out.z, 104, 1e-5f);
}

TEST(ObjectTransform, ScaleComesBeforeRotation) {
  ObjectTransform plain;
  plain.pitch = plain.yaw = 0;
  plain.scale = D3DXVECTOR3(2, 3, 4);
  D3DXMATRIX world;
  plain.BuildWorldMatrix(&world);
  EXPECT_EQ(world.m[0][0], 2);
  EXPECT_EQ(world.m[1][1], 3);
  EXPECT_EQ(world.m[2][2], 4);
  EXPECT_EQ(world.m[3][3], 1);

  ObjectTransform turned;
  turned.pitch = 0;
  turned.yaw = D3DX_PI / 2;
  turned.scale = D3DXVECTOR3(2, 1, 1);
  turned.BuildWorldMatrix(&world);
  const D3DXVECTOR3 x(1, 0, 0);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &x, &world);
  EXPECT_NEAR(out.x, 0, 1e-5f);
  EXPECT_NEAR(out.z, -2, 1e-5f);
}

TEST(Light, DefaultRecordAndDirectionThatStaysPut) {
  Light light;
  EXPECT_EQ(light.Type, D3DLIGHT_POINT);
  EXPECT_EQ(light.Diffuse.a, 1);
  EXPECT_EQ(light.Specular.r, 0.5f);
  EXPECT_EQ(light.Ambient.g, 0.1f);
  EXPECT_EQ(light.Position.x, 500);
  EXPECT_EQ(light.Position.z, -500);
  const float third = 1 / std::sqrt(3.0f);
  EXPECT_NEAR(light.Direction.x, -third, 1e-6f);
  EXPECT_NEAR(light.Direction.y, -third, 1e-6f);
  EXPECT_NEAR(light.Direction.z, third, 1e-6f);
  EXPECT_EQ(light.Range, 50000);
  EXPECT_EQ(light.Attenuation0, 1);
  EXPECT_EQ(light.Attenuation1 + light.Attenuation2 + light.Falloff + light.Theta + light.Phi, 0);

  light.Position.x += 300;  // what the keypad does
  EXPECT_NEAR(light.Direction.x, -third, 1e-6f);

  light.SetPosition(0, 100, 0);
  EXPECT_EQ(light.Direction.x, 0);
  EXPECT_EQ(light.Direction.y, -1);
  EXPECT_EQ(light.Direction.z, 0);
}

}  // namespace
