// Characters of other authors: weighted links read and skinned, clips numbered from a later frame,
// and the start camera that frames a character of any size.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/character.h"
#include "model/link_skinning.h"
#include "render/render_context.h"
#include "smd_test_files.h"

namespace {

class OwnCharacterTest : public smdtest::ModelTest {};

TEST(SmdLinks, LargestFourValidLinksRenormalised) {
  SmdCornerLinks links;
  // Bone 9 is outside the table, weight -1 is no weight; the smallest of five valid ones goes.
  smd::ScanLinks("0 1 2 3 0 0 1 0.5 0.5 7 1 0.1 2 0.4 9 0.5 3 -1 4 0.2 0 0.2 3 0.05\n", 5, links);
  ASSERT_EQ(links.count, 4);
  EXPECT_EQ(links.bones[0], 2);
  EXPECT_FLOAT_EQ(links.weights[0], 0.4f / 0.9f);
  EXPECT_FLOAT_EQ(links.weights[0] + links.weights[1] + links.weights[2] + links.weights[3], 1.0f);
  EXPECT_EQ(links.bones[3], 1);
  smd::ScanLinks("0 1 2 3 0 0 1 0.5 0.5\n", 5, links);
  EXPECT_EQ(links.count, 0) << "no links: the parent column alone";
  smd::ScanLinks("0 1 2 3 0 0 1 0.5 0.5 3 1 1\n", 5, links);
  EXPECT_EQ(links.count, 1) << "a count past the pairs the line holds reads what is there";
}

TEST(LinkSkinning, WeightsBlendTheLinksMatricesAndTheParentColumnServesCornersWithoutLinks) {
  D3DXMATRIX skinning[2];
  D3DXMatrixIdentity(&skinning[0]);
  D3DXMatrixTranslation(&skinning[1], 10, 0, 0);
  SmdTriangle triangle;
  triangle.bones[0] = triangle.bones[1] = triangle.bones[2] = 1;
  triangle.corners[2].u = 0.25f;
  SmdCornerLinks links[3];
  links[0].count = 2;
  links[0].bones[1] = 1;
  links[0].weights[0] = links[0].weights[1] = 0.5f;
  links[1].position = D3DXVECTOR3(1, 2, 3);
  links[2].normal = D3DXVECTOR3(0, 0, 1);
  SkinVertex out[3];
  LinkSkinningJob job{{&triangle, 1}, {links, 3}, {skinning, 2}, {out, 2}};
  EXPECT_FALSE(job.Run()) << "three vertices do not fit in two";
  job.vertices.size = 3;
  ASSERT_TRUE(job.Run());
  EXPECT_FLOAT_EQ(out[0].position.x, 5);
  EXPECT_FLOAT_EQ(out[1].position.x, 11) << "no links: moved by its parent column";
  EXPECT_FLOAT_EQ(out[2].normal.z, 1) << "normals are not translated";
  EXPECT_FLOAT_EQ(out[2].u, 0.25f);
  job.links.data = nullptr;
  EXPECT_FALSE(job.Validate());
  job.links.data = links;
  job.links.size = 2;
  EXPECT_FALSE(job.Validate()) << "two links for three corners";
  job.links.size = 3;
  job.vertices = {reinterpret_cast<SkinVertex*>(skinning), 3};
  EXPECT_FALSE(job.Validate()) << "the output overlaps the matrices";
}

TEST(LinkSkinning, MatricesJobMultipliesTheBonesItHasAndWritesNoInput) {
  D3DXMATRIX inverses[2], skinning[2] = {kIdentityMatrix, kIdentityMatrix};
  D3DXMatrixTranslation(&inverses[0], 1, 0, 0);
  D3DXMatrixTranslation(&inverses[1], 0, 1, 0);
  SmdBone bones[1];
  D3DXMatrixTranslation(&bones[0].combined, 0, 0, 5);
  LinkMatricesJob job{{inverses, 2}, {bones, 1}, {skinning, 2}};
  ASSERT_TRUE(job.Run());
  EXPECT_EQ(skinning[0].m[3][0], 1.0f);
  EXPECT_EQ(skinning[0].m[3][2], 5.0f);
  EXPECT_EQ(skinning[1].m[3][1], 0.0f) << "bone 1 is past the bone table: left alone";
  job.skinning = {inverses, 2};
  EXPECT_FALSE(job.Run()) << "writing into the inverses";
}

TEST_F(OwnCharacterTest, ClipNumberedFromALaterFrameIsStoredFromItsFirstFrame) {
  ASSERT_EQ(ParseAnimationText("version 1\nnodes\n0 \"a\" -1\nend\nskeleton\ntime 5\n0 1 0 0 0 0 0\n"
                               "time 6\n0 2 0 0 0 0 0\nend\n"),
            kSmdRead);
  ASSERT_EQ(model->clips[0].frameCount, 2);
  EXPECT_EQ(model->clips[0].frames[0][0].local.m[3][0], 1.0f);
  EXPECT_EQ(model->clips[0].frames[1][0].local.m[3][0], 2.0f);
}

// A character 6 units tall, off to one side: after framing it lies inside the picture and fills
// more than half of its height.
TEST_F(OwnCharacterTest, FramingPutsASmallCharacterInTheMiddleOfThePicture) {
  std::string text =
      "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 1 1 1 0 0 0\nend\ntriangles\n";
  for (const char* corners : {"0 40 -3 0 0 0 1 0 0\n0 42 -3 0 0 0 1 1 0\n0 40 -3 6 0 0 1 0 1\n",
                              "0 42 -2 6 0 0 1 0 0\n0 40 -2 0 0 0 1 1 0\n0 42 -2 0 0 0 1 0 1\n"})
    text += std::string("m.bmp\n") + corners;
  ASSERT_EQ(ParseReferenceText(text + "end\n"), kSmdRead);
  RenderContext context;
  context.backBufferWidth = 800;
  context.backBufferHeight = 600;
  context.SetupScene();
  FrameCharacter(*model, &context);
  D3DXMATRIX viewProjection;
  D3DXMatrixMultiply(&viewProjection, &context.world, &context.view);
  D3DXMatrixMultiply(&viewProjection, &viewProjection, &context.projection);
  float top = -2, bottom = 2;
  for (float z : {0.0f, 6.0f}) {
    for (float x : {40.0f, 42.0f}) {
      D3DXVECTOR3 corner(x, -2.5f, z), screen;
      D3DXVec3TransformCoord(&screen, &corner, &viewProjection);
      EXPECT_LT(std::fabs(screen.x), 1.0f);
      EXPECT_LT(std::fabs(screen.y), 1.0f);
      top = std::max(top, screen.y);
      bottom = std::min(bottom, screen.y);
    }
  }
  EXPECT_GT(top - bottom, 1.0f) << "more than half of the picture's height (2 in clip space)";
}

}  // namespace
