// The numbers the loaders produce, against the same rules computed step by step with the
// platform functions (strtof, D3DXMatrixRotation*, D3DXMatrixMultiply, D3DXMatrixInverse,
// D3DXVec3TransformCoord / TransformNormal): whichever scanners and inlined arithmetic the
// loaders use, every float must come out the same to the bit.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "smd_test_files.h"

namespace smdtest {
namespace {

struct Pose {
  int bone;
  float value[6];
};

// Writes "%d" and the values as the text holds them, and keeps what strtof reads back.
std::string PoseLine(std::mt19937& random, int bone, Pose* pose) {
  std::uniform_real_distribution<double> position(-50.0, 50.0), angle(-3.3, 3.3);
  std::string line = std::to_string(bone);
  pose->bone = bone;
  for (int k = 0; k < 6; ++k) {
    char text[32];
    std::snprintf(text, sizeof text, k % 2 ? "%.6f" : "%.4f", k < 3 ? position(random) : angle(random));
    line += std::string(" ") + text;
    pose->value[k] = std::strtof(text, nullptr);
  }
  return line + "\n";
}

void ApplyByHand(std::vector<D3DXMATRIX>& local, std::vector<D3DXMATRIX>& combined,
                 const std::vector<int>& parents, const Pose& pose) {
  const float* v = pose.value;
  local[pose.bone] = PoseMatrix(v[0], v[1], v[2], v[3], v[4], v[5]);
  const int parent = parents[pose.bone];
  if (parent < 0) {
    combined[pose.bone] = local[pose.bone];
  } else {
    D3DXMatrixMultiply(&combined[pose.bone], &local[pose.bone], &combined[parent]);
  }
}

void ExpectSameBits(const D3DXMATRIX& got, const D3DXMATRIX& expected, const std::string& what) {
  EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << what;
}

constexpr int kBones = 7;
const std::vector<int> kParents = {-1, 0, 1, 0, 3, 4, 2};

std::string Nodes() {
  std::string text = "nodes\n";
  for (int b = 0; b < kBones; ++b)
    text += std::to_string(b) + " \"b" + std::to_string(b) + "\" " + std::to_string(kParents[b]) + "\n";
  return text + "end\n";
}

using SmdLoadingResults = ModelTest;

// Files larger than the reader's 64 KiB blocks, so that lines straddle blocks, with LF and CR LF.
class SmdReferenceResults : public ModelTest, public ::testing::WithParamInterface<bool> {};

std::string WithLineEnds(const std::string& text, bool crlf) {
  if (!crlf) return text;
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST_P(SmdReferenceResults, CornersAreTheirTextMovedIntoBoneSpace) {
  std::mt19937 random(3);
  std::string text = "version 1\n" + Nodes() + "skeleton\ntime 0\n";
  std::vector<D3DXMATRIX> local(kBones), combined(kBones);
  for (int b = 0; b < kBones; ++b) {
    Pose pose;
    text += PoseLine(random, b, &pose);
    ApplyByHand(local, combined, kParents, pose);
  }
  text += "end\ntriangles\n";
  std::uniform_real_distribution<double> coordinate(-80.0, 80.0), unit(-1.0, 1.0);
  constexpr int kTriangles = 2500;
  std::vector<int> bones(3 * kTriangles);
  std::vector<float> values(3 * kTriangles * 8);
  for (int t = 0; t < kTriangles; ++t) {
    text += "skin.bmp\n";
    for (int k = 0; k < 3; ++k) {
      const int corner = 3 * t + k;
      // Some corners name no bone of the table and stay in model space.
      bones[corner] = corner % 11 == 0 ? kBones + 2 : static_cast<int>(random() % kBones);
      std::string line = std::to_string(bones[corner]);
      for (int i = 0; i < 8; ++i) {
        char number[32];
        std::snprintf(number, sizeof number, i % 3 ? "%.6f" : "%.3f",
                      i < 3 ? coordinate(random) : unit(random));
        line += std::string(" ") + number;
        values[corner * 8 + i] = std::strtof(number, nullptr);
      }
      text += line + "\n";
    }
  }
  text += "end\n";
  ASSERT_GT(text.size(), 200000u);
  ASSERT_EQ(ParseReferenceText(WithLineEnds(text, GetParam())), kSmdRead);

  const SmdMesh& mesh = model->meshes[0];
  ASSERT_EQ(mesh.triangleCount, kTriangles);
  for (int b = 0; b < kBones; ++b) {
    ExpectSameBits(mesh.bones[b].local, local[b], "local of bone " + std::to_string(b));
    ExpectSameBits(mesh.bones[b].combined, combined[b], "combined of bone " + std::to_string(b));
  }
  for (int corner = 0; corner < 3 * kTriangles; ++corner) {
    const int k = corner % 3;
    // The file lists a triangle's corners as 0, 2, 1.
    const int slot = k == 0 ? 0 : 3 - k;
    const SmdTriangle& triangle = mesh.triangles[corner / 3];
    const float* v = &values[corner * 8];
    D3DXVECTOR3 position(v[0], v[1], v[2]), normal(v[3], v[4], v[5]);
    if (bones[corner] < kBones) {
      D3DXMATRIX inverse;
      D3DXMatrixIdentity(&inverse);
      D3DXMatrixInverse(&inverse, nullptr, &combined[bones[corner]]);
      D3DXVec3TransformCoord(&position, &position, &inverse);
      D3DXVec3TransformNormal(&normal, &normal, &inverse);
    }
    const SkinVertex& got = triangle.corners[slot];
    EXPECT_EQ(triangle.bones[slot], bones[corner]);
    EXPECT_EQ(std::memcmp(&got.position, &position, sizeof position), 0) << "corner " << corner;
    EXPECT_EQ(std::memcmp(&got.normal, &normal, sizeof normal), 0) << "corner " << corner;
    EXPECT_EQ(got.u, v[6]);
    EXPECT_EQ(got.v, 1.0f - v[7]);
  }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, SmdReferenceResults, ::testing::Values(false, true));

TEST_F(SmdLoadingResults, KeyFramesAreThePoseRuleOnTheirText) {
  std::mt19937 random(9);
  constexpr int kFrames = 20;
  std::string text = "version 1\n" + Nodes() + "skeleton\n";
  std::vector<std::vector<D3DXMATRIX>> local(kFrames, std::vector<D3DXMATRIX>(kBones));
  std::vector<std::vector<D3DXMATRIX>> combined = local;
  for (int f = 0; f < kFrames; ++f) {
    for (int b = 0; b < kBones; ++b) D3DXMatrixIdentity(&local[f][b]), D3DXMatrixIdentity(&combined[f][b]);
    text += "time " + std::to_string(f) + "\n";
    for (int b = 0; b < kBones; ++b) {
      Pose pose;
      text += PoseLine(random, b, &pose);
      ApplyByHand(local[f], combined[f], kParents, pose);
    }
  }
  text += "end\n";
  ASSERT_EQ(ParseAnimationText(text), kSmdRead);
  const AnimationClip& clip = model->clips[0];
  ASSERT_EQ(clip.frameCount, kFrames);
  for (int f = 0; f < kFrames; ++f) {
    for (int b = 0; b < kBones; ++b) {
      const std::string what = "frame " + std::to_string(f) + " bone " + std::to_string(b);
      ExpectSameBits(clip.frames[f][b].local, local[f][b], "local of " + what);
      ExpectSameBits(clip.frames[f][b].combined, combined[f][b], "combined of " + what);
    }
  }
}

}  // namespace
}  // namespace smdtest
