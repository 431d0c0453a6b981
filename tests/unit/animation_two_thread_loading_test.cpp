// Animations read on two threads against one: the same bits in every key frame's bones and the
// same refusals, on the test clip (forced onto two threads) and on a generated clip several
// times the reader's block, with CR LF lines, a damaged and a short pose line, a blank line, a
// frame written twice and a frame number outside the clip.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/smd_load_threads.h"
#include "smd_test_files.h"

namespace smdtest {
namespace {

// Every bone of every key frame as bytes, or the refusal and its line.
std::vector<unsigned char> LoadedClip(const std::string& path, int threads) {
  smd::UseLoadThreads(threads, 0);
  SetMessageBoxHandler(RecordMessage);
  SkinnedModel model;
  std::vector<unsigned char> out;
  out.push_back(model.LoadAnimation(path.c_str()) ? 1 : 0);
  smd::UseLoadThreads(2);
  SetMessageBoxHandler(nullptr);
  const std::string reason = std::to_string(model.diagnostic.line) + model.diagnostic.reason;
  out.insert(out.end(), reason.begin(), reason.end());
  if (model.clipCount != 1) return out;
  const AnimationClip& clip = model.clips[0];
  for (int f = 0; f < clip.frameCount; ++f) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(clip.frames[f]);
    out.insert(out.end(), bytes, bytes + sizeof(SmdBone) * static_cast<size_t>(clip.boneCount));
  }
  return out;
}

std::string LongClip(int frames, int bones) {
  std::mt19937 random(26);
  std::uniform_real_distribution<double> value(-3.0, 3.0);
  std::string text = "version 1\nnodes\n";
  for (int b = 0; b < bones; ++b)
    text +=
        std::to_string(b) + " \"bone" + std::to_string(b) + "\" " + std::to_string(b / 2 - (b == 0)) + "\n";
  text += "end\nskeleton\n";
  for (int f = 0; f < frames; ++f) {
    // Frame 7 is written again at the end; 2 is written twice in a row; one frame lies outside.
    const int number = f == frames - 1 ? 7 : f == 3 ? 2 : f == 5 ? 100000 : f;
    text += "time " + std::to_string(number) + (f % 13 == 0 ? "\r\n" : "\n");
    for (int b = bones - 1; b >= 0; --b) {
      char numbers[160];
      std::snprintf(numbers, sizeof numbers, "%d %.6f %.6f %.6f %.6f %.6f %.6f", b, value(random),
                    value(random), value(random), value(random), value(random), value(random));
      text += numbers;
      text += (f * bones + b) % 89 == 0 ? "\r\n" : "\n";
    }
    if (f == 11) text += "\n";
  }
  return text + "end\n";
}

TEST(AnimationTwoThreadLoading, ClipsReadTheSameOnOneThreadAndTwo) {
  const std::string basic = DataPath("smd_animation_basic.smd");
  EXPECT_EQ(LoadedClip(basic, 1), LoadedClip(basic, 2));

  std::string text = LongClip(3000, 24);
  // A damaged pose line and a cut one, well inside a batch; lines straddle each refill.
  const size_t damaged = text.find("\n", text.size() / 3) + 1;
  text.replace(damaged + 3, 1, "x");
  const size_t cut = text.find("\n", text.size() / 2) + 1;
  text.erase(cut + 6, text.find('\n', cut) - cut - 6);
  TempFile file(text);
  const std::vector<unsigned char> one = LoadedClip(file.path(), 1);
  ASSERT_EQ(one[0], 1);
  EXPECT_GT(one.size(), 2999u * 24u * sizeof(SmdBone));
  EXPECT_EQ(one, LoadedClip(file.path(), 2));

  // The file ends inside the skeleton block: the same refusal at the same line.
  file.Write(text.substr(0, text.size() - 4));
  const std::vector<unsigned char> refused = LoadedClip(file.path(), 1);
  EXPECT_EQ(refused, LoadedClip(file.path(), 2));
  EXPECT_NE(std::string(refused.begin(), refused.end()).find("no \"end\" line"), std::string::npos);
}

}  // namespace
}  // namespace smdtest
