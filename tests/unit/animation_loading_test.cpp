// Animation clip loading: slots in load order, the triangle test, key-frame tables, pose matrices
// per frame, and the clip's own table operations.
#include <gtest/gtest.h>

#include <string>

#include "model/smd_messages.h"
#include "smd_test_files.h"

namespace {

using smdtest::DataPath;
using smdtest::Elements;
using smdtest::ModelTest;
using smdtest::PoseMatrix;
using smdtest::ShownMessages;
using smdtest::TempFile;

std::string TriangleLines(int count) {
  std::string text = "triangles\n";
  for (int t = 0; t < count; ++t) text += "m\n0 0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 0 0\n";
  return text + "end\n";
}

const char kTwoFrames[] =
    "version 1\nnodes\n0 \"root\" -1\n1 \"child\" 0\nend\nskeleton\ntime 0\n0 1 2 3 0 0 0\n1 0 0 1 0 0 0\n"
    "time 1\n0 2 0 0 0 0 0\n1 0 0 2 0 0 0\nend\n";

class AnimationLoadingTest : public ModelTest {};

TEST_F(AnimationLoadingTest, FixtureGivesThreeFramesOfFiveBonesWithTheSameNamesAndParents) {
  ASSERT_TRUE(model->LoadAnimation(DataPath("smd_animation_basic.smd").c_str()));
  const AnimationClip& clip = model->clips[0];
  EXPECT_EQ(model->clipCount, 1);
  ASSERT_EQ(clip.frameCount, 3);
  ASSERT_EQ(clip.boneCount, 5);
  const char* names[5] = {"root", "spine", "head", "arm_l", "arm_r"};
  const int parents[5] = {-1, 0, 1, 1, 1};
  for (int f = 0; f < 3; ++f) {
    for (int b = 0; b < 5; ++b) {
      EXPECT_STREQ(clip.frames[f][b].name, names[b]);
      EXPECT_EQ(clip.frames[f][b].parent, parents[b]);
    }
  }
  // Frame 1: root is a pure translation; bone 1 rotates about X only; children chain.
  const SmdBone* frame = clip.frames[1];
  EXPECT_EQ(Elements(frame[0].local), Elements(PoseMatrix(1, 2, 3, 0, 0, 0)));
  EXPECT_EQ(Elements(frame[0].combined), Elements(frame[0].local));
  D3DXMATRIX rotationX;
  D3DXMatrixRotationX(&rotationX, 0.5f);
  EXPECT_EQ(frame[1].local.m[3][0], 0.0f);
  EXPECT_EQ(frame[1].local.m[3][2], 4.0f);
  EXPECT_EQ(frame[1].local.m[3][3], 1.0f);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(frame[1].local.m[r][c], rotationX.m[r][c]);
  for (int b = 1; b < 5; ++b) {
    D3DXMATRIX combined;
    D3DXMatrixMultiply(&combined, &frame[b].local, &frame[frame[b].parent].combined);
    EXPECT_EQ(Elements(frame[b].combined), Elements(combined)) << "bone " << b;
  }
  EXPECT_EQ(clip.blend, 0.0f);
  EXPECT_EQ(clip.currentFrame, 0);
  EXPECT_EQ(clip.nextFrame, 0);
}

TEST_F(AnimationLoadingTest, FilesFillSlotsInLoadOrderAndARefusedOneTakesNone) {
  TempFile bad("VERSION 3\n");
  EXPECT_FALSE(model->LoadAnimation(bad.path().c_str()));
  ASSERT_EQ(ShownMessages().size(), 1u);
  EXPECT_EQ(ShownMessages()[0].text, kSmdNotSmdMessage);
  EXPECT_EQ(ShownMessages()[0].caption, "Error");
  EXPECT_EQ(model->clipCount, 0);
  TempFile good(kTwoFrames);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(model->LoadAnimation(good.path().c_str()));
  EXPECT_EQ(model->clipCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(model->clips[i].frameCount, 2);
  EXPECT_FALSE(model->LoadAnimation("no/such/file.smd"));
  EXPECT_EQ(ShownMessages().size(), 1u);
  EXPECT_EQ(model->clipCount, 3);
}

TEST_F(AnimationLoadingTest, OneTriangleIsAllowedAndTwoMeanAMesh) {
  const std::string head = std::string(kTwoFrames);
  TempFile one(head + TriangleLines(1));
  ASSERT_TRUE(model->LoadAnimation(one.path().c_str()));
  EXPECT_EQ(model->clips[0].frameCount, 2);
  EXPECT_EQ(model->clips[0].frames[1][1].combined.m[3][0], 2.0f) << "the triangle lines are skipped";
  TempFile two(head + TriangleLines(2));
  EXPECT_FALSE(model->LoadAnimation(two.path().c_str()));
  EXPECT_EQ(model->diagnostic.result, kSmdWrongKind);
  EXPECT_EQ(model->clipCount, 1);
  EXPECT_EQ(model->clips[1].frames, nullptr);
  ASSERT_EQ(ShownMessages().size(), 1u);
  EXPECT_EQ(ShownMessages()[0].text, kSmdNotAnimationMessage);
  EXPECT_EQ(ShownMessages()[0].caption, "Error");
  EXPECT_EQ(ShownMessages()[0].type, MB_OK);
}

TEST_F(AnimationLoadingTest, TheNumberAfterTimeIsTheFrameIndexItself) {
  ASSERT_EQ(ParseAnimationText("version 1\nnodes\n0 \"a\" -1\nend\nskeleton\ntime 1\n0 1 0 0 0 0 0\n"
                               "time 0\n0 7 0 0 0 0 0\nend\n"),
            kSmdRead);
  EXPECT_EQ(model->clips[0].frames[0][0].local.m[3][0], 7.0f);
  EXPECT_EQ(model->clips[0].frames[1][0].local.m[3][0], 1.0f);
}

// A line without a word leaves the last word in place: after a pose line it is that line's bone
// index, after a "time" line it is "time" again, in the counting pass as in the filling pass.
TEST_F(AnimationLoadingTest, BlankLinesKeepTheWordOfTheLineBefore) {
  ASSERT_EQ(ParseAnimationText("version 1\nnodes\n0 \"root\" -1\n1 \"child\" 0\nend\nskeleton\n"
                               "time 0\n0 1 0 0 0 0 0\n   \n1 2 0 0 0 0 0\ntime 1\n\n0 3 0 0 0 0 0\n"
                               "1 4 0 0 0 0 0\nend\n"),
            kSmdRead);
  const AnimationClip& clip = model->clips[0];
  ASSERT_EQ(clip.frameCount, 3) << "the blank line after \"time 1\" counts as a third";
  EXPECT_EQ(clip.frames[0][0].local.m[3][0], 1.0f);
  EXPECT_EQ(clip.frames[0][1].local.m[3][0], 0.0f) << "the blank line took the second pose line's turn";
  EXPECT_EQ(clip.frames[1][0].local.m[3][0], 3.0f);
  EXPECT_EQ(clip.frames[1][1].local.m[3][0], 0.0f)
      << "right after \"time\" too, the blank line is one of the frame's lines, not a new start";
  EXPECT_EQ(clip.frames[2][0].local.m[3][0], 0.0f);
  // Past a frame's last line, a blank line after a pose line is no "time": the stray line after
  // it changes nothing.
  ASSERT_EQ(ParseAnimationText("version 1\nnodes\n0 \"a\" -1\nend\nskeleton\ntime 0\n0 1 0 0 0 0 0\n\n"
                               "0 5 0 0 0 0 0\nend\n"),
            kSmdRead);
  EXPECT_EQ(model->clips[1].frames[0][0].local.m[3][0], 1.0f);
}

TEST_F(AnimationLoadingTest, FileWithoutFramesOrNodesStillTakesASlotWithNoTables) {
  EXPECT_EQ(ParseAnimationText("version 1\nnodes\n0 \"a\" -1\nend\n"), kSmdRead);
  EXPECT_EQ(ParseAnimationText("version 1\nskeleton\ntime 0\nend\n"), kSmdRead);
  EXPECT_EQ(model->clipCount, 2);
  EXPECT_EQ(model->clips[0].frames, nullptr);
  EXPECT_EQ(model->clips[0].frameCount, 0);
  EXPECT_EQ(model->clips[1].frames, nullptr);
}

TEST(AnimationClipTest, AllocateFramesRefusesZeroAndReplacesTables) {
  AnimationClip clip;
  EXPECT_FALSE(clip.AllocateFrames(0, 3));
  EXPECT_FALSE(clip.AllocateFrames(3, 0));
  EXPECT_EQ(clip.frames, nullptr);
  EXPECT_EQ(clip.frameCount, 0);
  ASSERT_TRUE(clip.AllocateFrames(2, 3));
  clip.frames[1][2].parent = 1;
  ASSERT_TRUE(clip.AllocateFrames(4, 1));
  EXPECT_EQ(clip.frameCount, 4);
  EXPECT_EQ(clip.boneCount, 1);
  EXPECT_EQ(clip.frames[3][0].parent, -1);
  clip.FreeFrames();
  EXPECT_EQ(clip.frames, nullptr);
  EXPECT_EQ(clip.frameCount, 4) << "the counts stay";
  clip.FreeFrames();
}

}  // namespace

// The tables are written frame by frame as the poses reach them; what the nodes blocks wrote
// reaches every frame, written already or not, and frames no pose reaches.
TEST_F(AnimationLoadingTest, NamesReachEveryFrameWhicheverBlockComesFirst) {
  ASSERT_EQ(ParseAnimationText("version 1\nnodes\n0 \"root\" -1\n1 \"child\" 0\nend\nskeleton\ntime 1\n"
                               "0 1 0 0 0 0 0\nend\nnodes\n1 \"ab\" -1\nend\nskeleton\ntime 3\nend\n"),
            kSmdRead);
  const AnimationClip& clip = model->clips[0];
  ASSERT_EQ(clip.frameCount, 2) << "time 1 is frame 0; time 3 lies past the table";
  EXPECT_EQ(clip.filledFrames, 2);
  EXPECT_EQ(clip.pending, nullptr);
  for (int f = 0; f < 2; ++f) {
    EXPECT_STREQ(clip.frames[f][1].name, "ab") << f;
    EXPECT_EQ(clip.frames[f][1].name[3], 'l') << "the longer name's tail stays, as before";
    EXPECT_EQ(clip.frames[f][1].parent, -1);
    EXPECT_EQ(clip.frames[f][0].local.m[3][0], f == 0 ? 1.0f : 0.0f);
    EXPECT_EQ(clip.frames[f][1].combined.m[0][0], 1.0f);
  }
}

TEST(AnimationClipTest, TablesToFillAreWrittenInOrderFromThePendingTable) {
  AnimationClip clip;
  ASSERT_TRUE(clip.AllocateFramesToFill(3, 2));
  EXPECT_EQ(clip.filledFrames, 0);
  clip.pending[1].parent = 0;
  EXPECT_EQ(clip.FilledFrame(1)[1].parent, 0);
  EXPECT_EQ(clip.filledFrames, 2);
  clip.pending[1].parent = 1;
  clip.FillAllFrames();
  EXPECT_EQ(clip.frames[0][1].parent, 0);
  EXPECT_EQ(clip.frames[2][1].parent, 1);
  EXPECT_EQ(clip.pending, nullptr);
}
