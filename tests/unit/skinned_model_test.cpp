// The model store and reference loading: records, the directory rule, the two passes, bind pose,
// corners moved into bone space, textures, the vertex buffer, messages and mesh slots.
#include "model/skinned_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "model/smd_messages.h"
#include "smd_test_files.h"

namespace {

using smdtest::DataPath;
using smdtest::Elements;
using smdtest::ModelTest;
using smdtest::ShownMessages;
using smdtest::TempFile;

const char kSmallReference[] =
    "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 1 2 3 0 0 0\nend\n"
    "triangles\nskin.bmp\n0 1 2 3 0 0 1 0 0\n0 2 2 3 0 0 1 1 0\n0 1 3 3 0 0 1 0 1\nend\n";

TEST(SkinnedModelRecordsTest, ConstructionSetsEveryDefault) {
  SmdBone bone;
  EXPECT_EQ(bone.parent, -1);
  EXPECT_EQ(Elements(bone.local), Elements(kIdentityMatrix));
  EXPECT_EQ(Elements(bone.combined), Elements(kIdentityMatrix));
  SmdTriangle triangle;
  EXPECT_EQ(triangle.material, 0);
  EXPECT_EQ(triangle.corners[2].v, 0.0f);
  auto model = std::make_unique<SkinnedModel>();
  EXPECT_EQ(model->device, nullptr);
  EXPECT_EQ(model->meshCount, 0);
  EXPECT_EQ(model->clipCount, 0);
  EXPECT_EQ(model->currentClip, 0);
  EXPECT_EQ(model->directory, "");
  EXPECT_EQ(model->meshes[31].vertexBuffer, nullptr);
  EXPECT_EQ(model->meshes[31].textureCount, 0);
  EXPECT_EQ(model->clips[31].frames, nullptr);
  EXPECT_EQ(model->clips[31].blend, 0.0f);
}

class ReferenceLoadingTest : public ModelTest {};

TEST_F(ReferenceLoadingTest, DirectoryKeepsTheLastSeparatorBackslashFirst) {
  struct Case {
    const char* path;
    const char* directory;
  } cases[] = {{"Model\\SMD\\Vekku_Red\\Ref_Red.smd", "Model\\SMD\\Vekku_Red\\"},
               {"a\\b/c.smd", "a\\"},
               {"a/b/c.smd", "a/b/"},
               {"c.smd", ""}};
  for (const Case& c : cases) {
    model->directory = "stale";
    EXPECT_FALSE(model->LoadReference(device, c.path)) << "no such file";
    EXPECT_EQ(model->directory, c.directory) << c.path;
    EXPECT_EQ(model->device, device);
    EXPECT_EQ(model->diagnostic.result, -1);
  }
  EXPECT_TRUE(ShownMessages().empty()) << "a file that cannot be opened shows nothing";
}

TEST_F(ReferenceLoadingTest, BackslashPathsOpenAndNameTexturesInTheModelFolder) {
  TempFile file(kSmallReference, "Ref_Red.smd");
  file.AddSibling("skin.bmp");
  std::string path = file.path();
  for (char& c : path)
    if (c == '/') c = '\\';
  ASSERT_TRUE(model->LoadReference(device, path.c_str()));
  std::string folder = file.folder() + "/";
  for (char& c : folder)
    if (c == '/') c = '\\';
  EXPECT_EQ(model->directory, folder);
  const SmdMesh& mesh = model->meshes[0];
  EXPECT_EQ(mesh.textureCount, 1);
  EXPECT_EQ(std::string(mesh.textureNames[0]), folder + "skin.bmp");
  EXPECT_NE(mesh.textures[0], nullptr);
}

TEST_F(ReferenceLoadingTest, FixtureLoadsWithItsBindPoseAndCornersInBoneSpace) {
  ASSERT_TRUE(model->LoadReference(device, DataPath("smd_reference_basic.smd").c_str()));
  EXPECT_EQ(model->meshCount, 1);
  EXPECT_EQ(model->nodeCount, 3);
  EXPECT_EQ(model->timeCount, 1);
  EXPECT_EQ(model->triangleCount, 5);
  const SmdMesh& mesh = model->meshes[0];
  ASSERT_EQ(mesh.boneCount, 3);
  EXPECT_STREQ(mesh.bones[2].name, "head");
  EXPECT_EQ(mesh.bones[2].parent, 1);
  // Root at (1, 2, 3) without rotation: local = combined = that translation, and a corner at
  // (1, 2, 3) on it is stored at the origin with its normal unchanged.
  EXPECT_EQ(mesh.bones[0].combined.m[3][0], 1.0f);
  EXPECT_EQ(mesh.bones[0].combined.m[3][2], 3.0f);
  const SmdTriangle& first = mesh.triangles[0];
  EXPECT_EQ(first.corners[0].position.x, 0.0f);
  EXPECT_EQ(first.corners[0].position.y, 0.0f);
  EXPECT_EQ(first.corners[0].position.z, 0.0f);
  EXPECT_EQ(first.corners[0].normal.z, 1.0f);
  // Every stored corner moved back by its bone's bind pose gives the file's numbers.
  const SmdTriangle& mixed = mesh.triangles[2];
  const float expected[3][3] = {{1, 2, 3}, {1.2f, 1.5f, 9}, {1, 2, 7}};
  for (int k = 0; k < 3; ++k) {
    D3DXVECTOR3 p;
    D3DXVec3TransformCoord(&p, &mixed.corners[k].position, &mesh.bones[mixed.bones[k]].combined);
    EXPECT_NEAR(p.x, expected[k][0], 1e-5);
    EXPECT_NEAR(p.y, expected[k][1], 1e-5);
    EXPECT_NEAR(p.z, expected[k][2], 1e-5);
  }
  EXPECT_EQ(mesh.textureCount, 3);
  EXPECT_EQ(Recording().Count("CreateVertexBuffer(480, 0, 0, D3DPOOL_DEFAULT, null) -> VertexBuffer#1"), 1);
}

TEST_F(ReferenceLoadingTest, InverseOncePerBoneGivesTheSameNumbersAsOncePerCorner) {
  // Read the same file again with every corner left in model space (an identity bind pose), then
  // apply the per-corner computation the loader replaced.
  ASSERT_TRUE(model->LoadReference(device, DataPath("smd_reference_basic.smd").c_str()));
  auto plain = std::make_unique<SkinnedModel>();
  TempFile copy("");
  {
    std::string text;
    FILE* in = std::fopen(DataPath("smd_reference_basic.smd").c_str(), "rb");
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    std::fclose(in);
    const size_t skeleton = text.find("skeleton");
    const size_t end = text.find("end\n", skeleton) + 4;
    text.replace(skeleton, end - skeleton, "skeleton\ntime 0\nend\n");
    copy.Write(text);
  }
  ASSERT_TRUE(plain->LoadReference(device, copy.path().c_str()));
  const SmdMesh& loaded = model->meshes[0];
  const SmdMesh& raw = plain->meshes[0];
  for (int t = 0; t < loaded.triangleCount; ++t) {
    for (int k = 0; k < 3; ++k) {
      D3DXMATRIX inverse;
      D3DXMatrixInverse(&inverse, nullptr, &loaded.bones[raw.triangles[t].bones[k]].combined);
      D3DXVECTOR3 position, normal;
      D3DXVec3TransformCoord(&position, &raw.triangles[t].corners[k].position, &inverse);
      D3DXVec3TransformNormal(&normal, &raw.triangles[t].corners[k].normal, &inverse);
      const SkinVertex& corner = loaded.triangles[t].corners[k];
      EXPECT_EQ(std::memcmp(&corner.position, &position, sizeof position), 0) << t << "/" << k;
      EXPECT_EQ(std::memcmp(&corner.normal, &normal, sizeof normal), 0) << t << "/" << k;
    }
  }
}

TEST_F(ReferenceLoadingTest, TwoTimeLinesAreRefusedWithTheReferenceMessageAndTheSlotStaysFree) {
  TempFile bad(
      "version 1\nnodes\n0 \"a\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\ntime 1\n0 0 0 0 0 0 0\nend\n");
  EXPECT_FALSE(model->LoadReference(device, bad.path().c_str()));
  EXPECT_EQ(model->diagnostic.result, kSmdWrongKind);
  EXPECT_EQ(model->meshCount, 0);
  EXPECT_EQ(model->timeCount, 2) << "the counters keep the counting pass's values";
  EXPECT_EQ(model->meshes[0].bones, nullptr);
  ASSERT_EQ(ShownMessages().size(), 1u);
  EXPECT_EQ(ShownMessages()[0].text, kSmdNotReferenceMessage);
  EXPECT_EQ(ShownMessages()[0].text, "Reference \xc6\xc4\xc0\xcf\xc0\xcc \xbe\xc6\xb4\xd5\xb4\xcf\xb4\xd9!!");
  EXPECT_EQ(ShownMessages()[0].caption, "Error");
  EXPECT_EQ(ShownMessages()[0].type, MB_OK);
  EXPECT_TRUE(ShownMessages()[0].ownerless);
  ASSERT_TRUE(model->LoadReference(device, DataPath("smd_reference_basic.smd").c_str()));
  EXPECT_EQ(model->meshCount, 1);
  EXPECT_EQ(model->meshes[0].boneCount, 3);
}

TEST_F(ReferenceLoadingTest, RefusedHeaderShowsTheSmdMessageAndAllocatesNothing) {
  TempFile bad("version 2\nnodes\n0 \"a\" -1\nend\n");
  EXPECT_FALSE(model->LoadReference(device, bad.path().c_str()));
  ASSERT_EQ(ShownMessages().size(), 1u);
  EXPECT_EQ(ShownMessages()[0].text, "SMD \xc6\xc4\xc0\xcf\xc0\xcc \xbe\xc6\xb4\xd5\xb4\xcf\xb4\xd9!!");
  EXPECT_EQ(model->meshes[0].bones, nullptr);
  EXPECT_EQ(Recording().Count("CreateVertexBuffer"), 0);
}

TEST_F(ReferenceLoadingTest, SkeletonWithoutTimeLineSkipsItsFirstPoseLine) {
  ASSERT_EQ(ParseReferenceText("version 1\nnodes\n0 \"a\" -1\n1 \"b\" -1\nend\nskeleton\n0 5 5 5 0 0 0\n"
                               "1 1 2 3 0 0 0\nend\n"),
            kSmdRead);
  const SmdBone* bones = model->meshes[0].bones;
  EXPECT_EQ(bones[0].combined.m[3][0], 0.0f) << "bone 0 keeps identity";
  EXPECT_EQ(bones[1].combined.m[3][0], 1.0f);
}

TEST_F(ReferenceLoadingTest, ChildBeforeItsParentTakesTheIdentityAsParent) {
  ASSERT_EQ(ParseReferenceText("version 1\nnodes\n0 \"a\" -1\n1 \"b\" 0\nend\nskeleton\ntime 0\n"
                               "1 1 0 0 0 0 0\n0 0 5 0 0 0 0\nend\n"),
            kSmdRead);
  const SmdBone* bones = model->meshes[0].bones;
  EXPECT_EQ(Elements(bones[1].combined), Elements(bones[1].local));
  EXPECT_EQ(bones[0].combined.m[3][1], 5.0f);
}

TEST_F(ReferenceLoadingTest, MissingTextureStillLoadsLeavesItNullAndTheLaterOnesAreRead) {
  std::string text = "version 1\ntriangles\n";
  for (const char* name : {"a.bmp", "missing.bmp", "c.bmp"})
    text += std::string(name) + "\n0 0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 0 0\n";
  TempFile file(text + "end\n");
  file.AddSibling("a.bmp");
  file.AddSibling("c.bmp");
  ASSERT_TRUE(model->LoadReference(device, file.path().c_str()));
  const SmdMesh& mesh = model->meshes[0];
  ASSERT_EQ(mesh.textureCount, 3);
  EXPECT_NE(mesh.textures[0], nullptr);
  EXPECT_EQ(mesh.textures[1], nullptr);
  EXPECT_NE(mesh.textures[2], nullptr) << "one missing picture does not take the others with it";
  EXPECT_EQ(Recording().Count("CreateTextureFromFile"), 3);
}

TEST_F(ReferenceLoadingTest, ThousandTrianglesGetA96000ByteBufferAndASecondFileTheNextSlot) {
  std::string text = "version 1\nnodes\n0 \"a\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\nend\ntriangles\n";
  for (int t = 0; t < 1000; ++t) text += "m\n0 0 0 0 0 0 1 0 0\n0 1 0 0 0 0 1 0 0\n0 0 1 0 0 0 1 0 0\n";
  TempFile file(text + "end\n");
  ASSERT_TRUE(model->LoadReference(device, file.path().c_str()));
  ASSERT_TRUE(model->LoadReference(device, file.path().c_str()));
  EXPECT_EQ(model->meshCount, 2);
  EXPECT_EQ(Recording().Count("CreateVertexBuffer(96000, 0, 0, D3DPOOL_DEFAULT, null) -> VertexBuffer#"), 2);
  auto* buffer = dynamic_cast<RecordingVertexBuffer*>(model->meshes[1].vertexBuffer);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->bytes().size(), 96000u);
}

TEST_F(ReferenceLoadingTest, DestructionReleasesBuffersAndTexturesOnce) {
  TempFile file(kSmallReference);
  file.AddSibling("skin.bmp");
  ASSERT_TRUE(model->LoadReference(device, file.path().c_str()));
  const int live = Recording().liveObjects;
  model.reset();
  EXPECT_EQ(Recording().Count("Release(VertexBuffer#1)"), 1);
  EXPECT_EQ(Recording().Count("Release(Texture#1)"), 1);
  EXPECT_EQ(Recording().liveObjects, live - 2);
}

TEST_F(ReferenceLoadingTest, TableAllocationsRefuseZero) {
  SmdMesh mesh;
  EXPECT_FALSE(mesh.AllocateBones(0));
  EXPECT_FALSE(mesh.AllocateTriangles(0));
  EXPECT_FALSE(mesh.LoadMaterialTextures(device, 0, "", model->materialNames));
  EXPECT_EQ(mesh.bones, nullptr);
  EXPECT_EQ(mesh.triangles, nullptr);
  EXPECT_EQ(mesh.textures, nullptr);
  ASSERT_TRUE(mesh.AllocateBones(2));
  ASSERT_TRUE(mesh.AllocateBones(3));
  EXPECT_EQ(mesh.boneCount, 3);
  EXPECT_EQ(mesh.bones[2].parent, -1);
}

}  // namespace
