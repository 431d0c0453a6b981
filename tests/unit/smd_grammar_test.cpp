// The SMD grammar as both loaders read it: the header test, keywords in any case, the counting
// rules, the material table, the corner rule and the pose rule.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "smd_test_files.h"

namespace {

using smdtest::Elements;
using smdtest::ModelTest;
using smdtest::PoseMatrix;

const char kOneBoneSkeleton[] = "nodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\nend\n";

std::string Triangle(const std::string& material, const std::string& corner = "0 0 0 0 0 0 1 0 0") {
  return material + "\n" + corner + "\n" + corner + "\n" + corner + "\n";
}

class SmdGrammarTest : public ModelTest {};

TEST_F(SmdGrammarTest, HeaderNeedsTheWordVersionInAnyCaseAndTheInteger1) {
  EXPECT_EQ(ParseReferenceText("VERSION 1\n"), kSmdRead);
  EXPECT_EQ(ParseReferenceText("Version 1\n"), kSmdRead);
  EXPECT_EQ(ParseReferenceText("  version +1 trailing words\n"), kSmdRead);
  EXPECT_EQ(ParseReferenceText("version 2\n"), kSmdHeaderRefused);
  EXPECT_EQ(model->version, 2);
  model->version = 1;
  EXPECT_EQ(ParseReferenceText("version\nnodes\n"), kSmdHeaderRefused)
      << "the old version value is no integer";
  EXPECT_EQ(ParseReferenceText("nodes\n0 \"root\" -1\nend\n"), kSmdHeaderRefused);
  EXPECT_EQ(ParseReferenceText(""), kSmdHeaderRefused);
  EXPECT_EQ(ParseReferenceText("\nversion 1\n"), kSmdHeaderRefused);
  EXPECT_EQ(model->diagnostic.line, 1);
  EXPECT_EQ(model->meshCount, 3);
}

TEST_F(SmdGrammarTest, KeywordsInAnyCaseOpenAndCloseBlocksAndCountFrames) {
  EXPECT_EQ(ParseAnimationText("version 1\nNodes\n0 \"root\" -1\nEND\nSKELETON\nTime 0\n0 0 0 0 0 0 0\n"
                               "TIME 1\n0 0 0 0 0 0 0\nEnd\n"),
            kSmdRead);
  EXPECT_EQ(model->nodeCount, 1);
  EXPECT_EQ(model->timeCount, 2);
  EXPECT_EQ(model->clips[0].frameCount, 2);
  EXPECT_STREQ(model->clips[0].frames[1][0].name, "root");
}

TEST_F(SmdGrammarTest, EveryLineOfTheNodesBlockCountsEvenABlankOne) {
  EXPECT_EQ(ParseReferenceText("version 1\nnodes\n0 \"a\" -1\n\n   \n1 \"b\" 0\nend\n"), kSmdRead);
  EXPECT_EQ(model->nodeCount, 4);
  const SmdMesh& mesh = model->meshes[0];
  ASSERT_EQ(mesh.boneCount, 4);
  EXPECT_STREQ(mesh.bones[0].name, "a");
  EXPECT_STREQ(mesh.bones[1].name, "b");
  EXPECT_EQ(mesh.bones[1].parent, 0);
  EXPECT_EQ(mesh.bones[2].parent, -1) << "bones no line names keep their construction values";
  EXPECT_STREQ(mesh.bones[3].name, "");
}

TEST_F(SmdGrammarTest, LinesOutsideBlocksAreSkipped) {
  EXPECT_EQ(ParseReferenceText("version 1\n// a comment\nnodes\n0 \"a\" -1\nend\nstray line\n3 4 5\n"
                               "skeleton\ntime 0\n0 1 2 3 0 0 0\nend\n"),
            kSmdRead);
  EXPECT_EQ(model->nodeCount, 1);
  EXPECT_EQ(model->timeCount, 1);
  EXPECT_EQ(model->meshes[0].bones[0].local.m[3][2], 3.0f);
}

TEST_F(SmdGrammarTest, OnlyMaterialRepeatsInARowAreMerged) {
  const std::string text = std::string("version 1\n") + kOneBoneSkeleton + "triangles\n" + Triangle("A") +
                           Triangle("A") + Triangle("B") + Triangle("B") + Triangle("A") + "end\n";
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  EXPECT_EQ(model->materialCount, 3);
  EXPECT_STREQ(model->materialNames[0], "A");
  EXPECT_STREQ(model->materialNames[1], "B");
  EXPECT_STREQ(model->materialNames[2], "A");
  EXPECT_STREQ(model->materialNames[3], "");
  const SmdMesh& mesh = model->meshes[0];
  ASSERT_EQ(mesh.triangleCount, 5);
  const int expected[5] = {2, 2, 1, 1, 2};
  for (int t = 0; t < 5; ++t) EXPECT_EQ(mesh.triangles[t].material, expected[t]) << "triangle " << t;
}

TEST_F(SmdGrammarTest, MaterialNamesCompareWithLetterCase) {
  const std::string text = std::string("version 1\n") + kOneBoneSkeleton + "triangles\n" + Triangle("Skin") +
                           Triangle("skin") + "end\n";
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  EXPECT_EQ(model->materialCount, 2);
  EXPECT_EQ(model->meshes[0].triangles[0].material, 0);
  EXPECT_EQ(model->meshes[0].triangles[1].material, 1);
}

TEST_F(SmdGrammarTest, CornerRuleReversesTheWindingAndFlipsV) {
  const std::string text = std::string("version 1\nnodes\n0 \"a\" -1\n1 \"b\" 0\n2 \"c\" 0\nend\n") +
                           "skeleton\ntime 0\nend\ntriangles\nA\n"
                           "0 1 2 3 0 0 1 0.125 0.25\n"
                           "1 4 5 6 0 1 0 0.5 0.5 7 8 9\n"
                           "2 7 8 9 1 0 0 0.75 1\nend\n";
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  const SmdTriangle& t = model->meshes[0].triangles[0];
  EXPECT_EQ(t.bones[0], 0);
  EXPECT_EQ(t.bones[1], 2);
  EXPECT_EQ(t.bones[2], 1);
  EXPECT_EQ(t.corners[0].position.x, 1.0f);
  EXPECT_EQ(t.corners[1].position.x, 7.0f);
  EXPECT_EQ(t.corners[2].position.x, 4.0f);
  EXPECT_EQ(t.corners[2].normal.y, 1.0f);
  EXPECT_EQ(t.corners[0].u, 0.125f);
  EXPECT_EQ(t.corners[0].v, 0.75f);
  EXPECT_EQ(t.corners[2].v, 0.5f) << "extra numbers after v change nothing";
  EXPECT_EQ(t.corners[1].v, 0.0f);
}

TEST_F(SmdGrammarTest, PoseRuleRotatesAboutXThenYThenZThenTranslates) {
  const std::string text =
      "version 1\nnodes\n0 \"root\" -1\n1 \"child\" 0\nend\nskeleton\ntime 0\n"
      "0 1 2 3 0.5 0 0\n1 4 5 6 0.1 0.2 0.3\nend\n";
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  const SmdBone* bones = model->meshes[0].bones;
  D3DXMATRIX rotationX;
  D3DXMatrixRotationX(&rotationX, 0.5f);
  EXPECT_EQ(bones[0].local.m[3][0], 1.0f);
  EXPECT_EQ(bones[0].local.m[3][1], 2.0f);
  EXPECT_EQ(bones[0].local.m[3][2], 3.0f);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(bones[0].local.m[r][c], rotationX.m[r][c]);
  EXPECT_EQ(Elements(bones[0].combined), Elements(bones[0].local));
  EXPECT_EQ(Elements(bones[1].local), Elements(PoseMatrix(4, 5, 6, 0.1f, 0.2f, 0.3f)));
  D3DXMATRIX combined;
  D3DXMatrixMultiply(&combined, &bones[1].local, &bones[0].combined);
  EXPECT_EQ(Elements(bones[1].combined), Elements(combined));
}

TEST_F(SmdGrammarTest, CountersStartAtZeroForEveryFile) {
  const std::string text =
      std::string("version 1\n") + kOneBoneSkeleton + "triangles\n" + Triangle("A") + "end\n";
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  EXPECT_EQ(model->nodeCount, 1);
  EXPECT_EQ(model->triangleCount, 1);
  EXPECT_EQ(model->materialCount, 1);
  EXPECT_EQ(model->meshCount, 2);
}

}  // namespace
