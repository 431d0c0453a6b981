// Broken and hostile SMD input: files that end inside each block kind, indices outside the
// tables, over-long lines, names and paths, too many materials, and full slot tables. Each is
// refused or cut to fit as chosen, never read or written outside a table, and never hangs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "smd_test_files.h"

namespace {

using smdtest::ModelTest;
using smdtest::ShownMessages;
using smdtest::TempFile;

const char kNodes[] = "version 1\nnodes\n0 \"root\" -1\n1 \"child\" 0\nend\n";
const char kBindPose[] = "skeleton\ntime 0\n0 1 0 0 0 0 0\n1 0 1 0 0 0 0\nend\n";
const char kCorner[] = "0 0 0 0 0 0 1 0 0\n";

class SmdMalformedTest : public ModelTest {};

TEST_F(SmdMalformedTest, FileEndingInsideAnyBlockIsRefusedBeforeAnythingIsAllocated) {
  const std::string cases[] = {
      "version 1\nnodes\n0 \"root\" -1\n",
      std::string(kNodes) + "skeleton\ntime 0\n0 0 0 0 0 0 0",
      std::string(kNodes) + kBindPose + "triangles\nm\n" + kCorner + kCorner,
      std::string(kNodes) + kBindPose + "triangles\nm\n" + kCorner + kCorner + kCorner,
      std::string(kNodes) + "skeleton\n",
  };
  for (const std::string& text : cases) {
    EXPECT_EQ(ParseReferenceText(text), kSmdRefused) << text;
    EXPECT_NE(std::string(model->diagnostic.reason).find("ends inside"), std::string::npos);
    EXPECT_GT(model->diagnostic.line, 0);
    EXPECT_EQ(ParseAnimationText(text), kSmdRefused) << text;
  }
  EXPECT_EQ(model->meshCount, 0);
  EXPECT_EQ(model->clipCount, 0);
  EXPECT_EQ(model->meshes[0].bones, nullptr);
  EXPECT_EQ(model->clips[0].frames, nullptr);
  EXPECT_EQ(Recording().Count("CreateVertexBuffer"), 0);
}

TEST_F(SmdMalformedTest, RefusalThroughLoadShowsAnErrorNamingFileAndLine) {
  TempFile file("version 1\nnodes\n0 \"root\" -1\n1 \"child\" 0\n");
  EXPECT_FALSE(model->LoadReference(device, file.path().c_str()));
  EXPECT_EQ(model->diagnostic.result, kSmdRefused);
  EXPECT_EQ(model->diagnostic.line, 4);
  ASSERT_EQ(ShownMessages().size(), 1u);
  EXPECT_EQ(ShownMessages()[0].caption, "Error");
  EXPECT_TRUE(ShownMessages()[0].ownerless);
  EXPECT_EQ(ShownMessages()[0].text,
            file.path() + "(4): the file ends inside the \"nodes\" block (no \"end\" line)");
  EXPECT_FALSE(model->LoadAnimation(file.path().c_str()));
  ASSERT_EQ(ShownMessages().size(), 2u);
  EXPECT_EQ(ShownMessages()[1].text, ShownMessages()[0].text);
}

TEST_F(SmdMalformedTest, EmptySkeletonBlockDoesNotSwallowTheTriangles) {
  const std::string text =
      std::string(kNodes) + "skeleton\nend\ntriangles\nm\n0 1 2 3 0 0 1 0 0\n" + kCorner + kCorner + "end\n";
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  const SmdMesh& mesh = model->meshes[0];
  EXPECT_EQ(mesh.bones[0].combined.m[3][0], 0.0f);
  ASSERT_EQ(mesh.triangleCount, 1);
  EXPECT_EQ(mesh.triangles[0].corners[0].position.z, 3.0f);
}

TEST_F(SmdMalformedTest, IndicesOutsideTheTablesSkipTheirLines) {
  const std::string text =
      "version 1\nnodes\n0 \"root\" -1\n7 \"far\" 0\n1 \"child\" 5\n-1 \"neg\" -1\n1 \"ok\" -2\nend\n"
      "skeleton\ntime 0\n9 1 1 1 0 0 0\n-3 1 1 1 0 0 0\n0 4 0 0 0 0 0\nend\n"
      "triangles\nm\n12 1 2 3 0 0 1 0 0\n-7 1 2 3 0 0 1 0 0\n0 1 2 3 0 0 1 0 0\nend\n";
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  const SmdMesh& mesh = model->meshes[0];
  ASSERT_EQ(mesh.boneCount, 5);
  EXPECT_STREQ(mesh.bones[1].name, "") << "a parent outside the table skips the line";
  EXPECT_EQ(mesh.bones[1].parent, -1);
  EXPECT_EQ(mesh.bones[0].combined.m[3][0], 4.0f);
  const SmdTriangle& t = mesh.triangles[0];
  EXPECT_EQ(t.bones[0], 12) << "kept as read; its corner stays in model space";
  EXPECT_EQ(t.corners[0].position.x, 1.0f);
  EXPECT_EQ(t.corners[2].position.x, 1.0f);
  EXPECT_EQ(t.corners[1].position.x, -3.0f) << "moved by the inverse of the root at (4, 0, 0)";

  const std::string animation =
      "version 1\nnodes\n0 \"root\" -1\n3 \"far\" 0\n0 \"x\" 9\nend\nskeleton\ntime 5\n0 1 0 0 0 0 0\n"
      "time -1\n0 1 0 0 0 0 0\ntime 0\n4 1 0 0 0 0 0\n0 2 0 0 0 0 0\nend\n";
  ASSERT_EQ(ParseAnimationText(animation), kSmdRead);
  const AnimationClip& clip = model->clips[0];
  ASSERT_EQ(clip.frameCount, 3);
  EXPECT_STREQ(clip.frames[0][0].name, "root");
  EXPECT_EQ(clip.frames[0][0].local.m[3][0], 2.0f);
  EXPECT_EQ(clip.frames[1][0].local.m[3][0], 0.0f) << "frames 5 and -1 do not exist";
  EXPECT_EQ(clip.frames[2][0].local.m[3][0], 0.0f);
}

TEST_F(SmdMalformedTest, ShortFrameEndsAtTheNextTimeOrEndLine) {
  const std::string animation =
      "version 1\nnodes\n0 \"root\" -1\n1 \"child\" 0\nend\nskeleton\ntime 0\n0 1 0 0 0 0 0\n"
      "time 1\n0 2 0 0 0 0 0\n1 3 0 0 0 0 0\nend\n";
  ASSERT_EQ(ParseAnimationText(animation), kSmdRead);
  const AnimationClip& clip = model->clips[0];
  ASSERT_EQ(clip.frameCount, 2);
  EXPECT_EQ(clip.frames[0][0].local.m[3][0], 1.0f);
  EXPECT_EQ(clip.frames[0][1].local.m[3][0], 0.0f);
  EXPECT_EQ(clip.frames[1][0].local.m[3][0], 2.0f);
  EXPECT_EQ(clip.frames[1][1].local.m[3][0], 3.0f);
}

TEST_F(SmdMalformedTest, OverLongLinesAndNamesAreCutToFit) {
  const std::string longName(200, 'n');
  const std::string longMaterial(150, 'm');
  const std::string text = "version 1\nnodes\n0 \"" + longName +
                           "\" -1\nend\nskeleton\ntime 0\n0 1 0 0 0 0 0" + std::string(400, ' ') +
                           "\nend\ntriangles\n" + longMaterial + "\n" + kCorner + kCorner + kCorner + "end\n";
  // The 400 blanks split the pose line: its rest is a blank line, a repeat of its first word.
  ASSERT_EQ(ParseReferenceText(text), kSmdRead);
  const SmdMesh& mesh = model->meshes[0];
  EXPECT_EQ(std::string(mesh.bones[0].name), std::string(79, 'n'));
  EXPECT_EQ(std::string(model->materialNames[0]), std::string(79, 'm'));
  EXPECT_EQ(mesh.triangles[0].material, 0);
  EXPECT_EQ(mesh.bones[0].combined.m[3][0], 1.0f);
}

TEST_F(SmdMalformedTest, MoreThan128MaterialChangesAreRefused) {
  auto materials = [](int count) {
    std::string text = "version 1\ntriangles\n";
    for (int i = 0; i < count; ++i)
      text += "mat" + std::to_string(i % 2 ? 1 : 0) + "\n" + kCorner + kCorner + kCorner;
    return text + "end\n";
  };
  ASSERT_EQ(ParseReferenceText(materials(128)), kSmdRead);
  EXPECT_EQ(model->materialCount, 128);
  EXPECT_EQ(model->meshes[0].textureCount, 128);
  EXPECT_EQ(ParseReferenceText(materials(129)), kSmdRefused);
  EXPECT_EQ(model->materialCount, 128) << "never past the table";
  EXPECT_EQ(model->meshCount, 1);
  EXPECT_EQ(ParseAnimationText(materials(129)), kSmdWrongKind) << "a mesh, whatever else is wrong";
}

TEST_F(SmdMalformedTest, SlotTablesHold32MeshesAnd32Clips) {
  TempFile mesh("version 1\nnodes\n0 \"a\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\nend\ntriangles\nm\n" +
                std::string(kCorner) + kCorner + kCorner + "end\n");
  TempFile clip("version 1\nnodes\n0 \"a\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\nend\n");
  for (int i = 0; i < 32; ++i) {
    ASSERT_TRUE(model->LoadReference(device, mesh.path().c_str()));
    ASSERT_TRUE(model->LoadAnimation(clip.path().c_str()));
  }
  const int buffers = Recording().Count("CreateVertexBuffer");
  EXPECT_FALSE(model->LoadReference(device, mesh.path().c_str()));
  EXPECT_EQ(model->diagnostic.result, kSmdRefused);
  EXPECT_FALSE(model->LoadAnimation(clip.path().c_str()));
  EXPECT_EQ(model->diagnostic.result, kSmdRefused);
  EXPECT_EQ(model->meshCount, 32);
  EXPECT_EQ(model->clipCount, 32);
  EXPECT_EQ(Recording().Count("CreateVertexBuffer"), buffers);
  ASSERT_EQ(ShownMessages().size(), 2u);
  EXPECT_EQ(ShownMessages()[0].text, mesh.path() + ": all 32 mesh slots are in use");
}

TEST_F(SmdMalformedTest, PathOver127CharactersIsOpenedWhole) {
  const std::string path = std::string(120, 'd') + "\\" + "file.smd";
  ASSERT_GT(path.size(), 127u);
  EXPECT_FALSE(model->LoadReference(device, path.c_str()));
  EXPECT_EQ(model->diagnostic.result, -1) << "opened, and not there";
  EXPECT_EQ(model->directory, std::string(120, 'd') + "\\");
  EXPECT_EQ(model->device, device);
  EXPECT_FALSE(model->LoadReference(device, nullptr));
}

TEST_F(SmdMalformedTest, TexturePathOver79CharactersIsReadWholeAndShownCut) {
  const std::string longName(70, 't');
  TempFile file(std::string("version 1\ntriangles\nshort.bmp\n") + kCorner + kCorner + kCorner + longName +
                "\n" + kCorner + kCorner + kCorner + "end\n");
  file.AddSibling("short.bmp");
  file.AddSibling(std::string(70, 't'));
  ASSERT_GT(file.folder().size() + 1 + longName.size(), 79u);
  ASSERT_TRUE(model->LoadReference(device, file.path().c_str()));
  const SmdMesh& mesh = model->meshes[0];
  ASSERT_EQ(mesh.textureCount, 2);
  EXPECT_NE(mesh.textures[0], nullptr);
  EXPECT_NE(mesh.textures[1], nullptr) << "read from its whole path";
  EXPECT_EQ(mesh.texturePaths[1], file.folder() + "/" + longName);
  EXPECT_EQ(std::strlen(mesh.textureNames[1]), 79u);
  EXPECT_EQ(Recording().Count("CreateTextureFromFile"), 2);
}

TEST_F(SmdMalformedTest, NulAndBinaryBytesNeitherCrashNorHang) {
  std::string text = "version 1\nnodes\n";
  text += std::string("0 \"a\0b\" -1\n", 12);
  text += std::string("\xff\xfe\x00\x01\n", 5);
  text += "end\nskeleton\ntime 0\n0 1 2 3 4 5 6\nend\n";
  EXPECT_EQ(ParseReferenceText(text), kSmdRead);
  EXPECT_EQ(model->nodeCount, 2);
  EXPECT_EQ(ParseReferenceText(std::string("\0\0\0", 3)), kSmdHeaderRefused);
}

}  // namespace
