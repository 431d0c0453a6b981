// The generated content as the program shows it: the character's files read with the expected
// counts, its silhouette hatched all over (no flat, unshaded patches), and moving the light
// behind it darkening it step by step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

std::string Directory(const std::string& path) {
  return path.substr(0, path.find_last_of('/'));
}

// Runs smdinfo (built beside the program) in `folder`; its standard output, and its exit status.
std::string SmdInfo(const std::string& folder, const std::string& arguments, int* status) {
  const std::string command =
      "cd '" + folder + "' && '" + Directory(HATCHING_BINARY) + "/smdinfo' " + arguments + " 2>&1";
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  *status = pclose(pipe);
  return output;
}

// A replay file that walks ten steps in, four steps down, then moves the light `lightSteps`
// times away from the camera (Num 9: z + 100).
std::string CloseUpWithLight(int lightSteps) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "0 key 87\n";
  for (int i = 0; i < 4; ++i) text += "0 key 70\n";
  for (int i = 0; i < lightSteps; ++i) text += "0 key 105\n";
  return text;
}

struct CharacterPixels {
  int count = 0;
  double meanBrightness = 0;
  double flatFraction = 0;  // sampled pixels whose 5 x 5 neighbourhood varies by under 10 levels
};

// The character is the only red thing in the frame: the backdrop is pale paper, the overlay cyan.
CharacterPixels Measure(const Picture& picture) {
  CharacterPixels result;
  auto brightness = [&](int x, int y) {
    const uint8_t* p = picture.At(x, y);
    return (p[0] + p[1] + p[2]) / 3.0;
  };
  int sampled = 0, flat = 0;
  double sum = 0;
  for (int y = 160; y < picture.height - 2; ++y) {
    for (int x = 2; x < picture.width - 2; ++x) {
      const uint8_t* p = picture.At(x, y);
      if (p[0] <= p[1] + 40) continue;
      ++result.count;
      sum += brightness(x, y);
      if (x % 4 || y % 4) continue;
      double low = 255, high = 0;
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
          const double b = brightness(x + dx, y + dy);
          low = b < low ? b : low;
          high = b > high ? b : high;
        }
      ++sampled;
      if (high - low < 10) ++flat;
    }
  }
  if (result.count) result.meanBrightness = sum / result.count;
  if (sampled) result.flatFraction = static_cast<double>(flat) / sampled;
  return result;
}

TEST(HatchedCharacter, ModelFilesReadWithTheExpectedCounts) {
  const std::string folder = ContentDirectory() + "/Model/SMD/Vekku_Red";
  int status = -1;
  const std::string reference = SmdInfo(folder, "Ref_Red.smd", &status);
  ASSERT_EQ(status, 0) << reference;
  int bones = 0, triangles = 0, materials = 0, found = 0, textures = 0;
  ASSERT_EQ(
      std::sscanf(reference.c_str(),
                  "Ref_Red.smd: reference, %d bones, %d triangles, %d materials, %d of %d textures found",
                  &bones, &triangles, &materials, &found, &textures),
      5)
      << reference;
  EXPECT_GE(bones, 20);
  EXPECT_GE(triangles, 4000);
  EXPECT_LE(triangles, 20000);
  EXPECT_GE(materials, 3);
  EXPECT_EQ(found, textures);

  const std::vector<std::pair<std::string, int>> clips = {
      {"Ani_Red(Attack).smd", 30}, {"Ani_Red(Run).smd", 20}, {"Ani_Red(Stun).smd", 30}};
  for (const auto& [file, minimumFrames] : clips) {
    const std::string clip = SmdInfo(folder, "--animation '" + file + "'", &status);
    ASSERT_EQ(status, 0) << clip;
    int clipBones = 0, frames = 0;
    ASSERT_EQ(
        std::sscanf(clip.c_str(), (file + ": animation, %d bones, %d frames").c_str(), &clipBones, &frames),
        2)
        << clip;
    EXPECT_EQ(clipBones, bones) << file;
    EXPECT_GE(frames, minimumFrames) << file;
  }
}

TEST(HatchedCharacter, SmdInfoPrintsNamesAsUtf8AndBytesOutsideCodePage949AsReplacements) {
  const std::string folder = FreshOutputDirectory("smdinfo_names");
  // Bone "광원" followed by 0xFF, which starts no code page 949 character.
  ASSERT_TRUE(WriteText(folder + "/names.smd",
                        "version 1\nnodes\n0 \"\xB1\xA4\xBF\xF8\xFF\" -1\nend\nskeleton\ntime 0\n"
                        "0 0 0 0 0 0 0\nend\ntriangles\nskin.bmp\n0 1 2 3 0 0 1 0 0\n0 2 2 3 0 0 1 1 0\n"
                        "0 1 3 3 0 0 1 0 1\nend\n"));
  int status = -1;
  const std::string json = SmdInfo(folder, "--json names.smd", &status);
  EXPECT_EQ(status, 0) << json;
  EXPECT_NE(json.find("{\"name\":\"광원\xEF\xBF\xBD\""), std::string::npos) << json;
  // Asked for, the stroke field's figures close the object: one triangle is too few to solve.
  const std::string field = SmdInfo(folder, "--json --field names.smd", &status);
  EXPECT_EQ(field.substr(0, json.size() - 2), json.substr(0, json.size() - 2));
  EXPECT_NE(
      field.find(",\"field\":{\"pieces\":1,\"fixed_pieces\":1,\"dropped_triangles\":0,\"singularities\":0,"
                 "\"solve_ms\":"),
      std::string::npos)
      << field;
  EXPECT_EQ(field.substr(field.size() - 3), "}}\n");
}

TEST(HatchedCharacter, SilhouetteIsHatchedAndDarkensAsTheLightMovesBehind) {
  const std::string out = FreshOutputDirectory("hatched_character");
  double previous = 256;
  for (int steps : {0, 4, 8, 12}) {
    const std::string tag = "light_" + std::to_string(steps);
    const std::string input = out + "/" + tag + ".txt";
    const std::string frame = out + "/" + tag + ".png";
    ASSERT_TRUE(WriteText(input, CloseUpWithLight(steps)));
    RunResult run = RunProgram({"--headless", "--frames", "2", "--input", input, "--screenshot", frame},
                               ContentDirectory(), tag);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Picture picture;
    ASSERT_TRUE(LoadPicture(frame, &picture));
    const CharacterPixels character = Measure(picture);
    EXPECT_GT(character.count, 10000) << tag << ": the character should fill much of the close-up";
    EXPECT_LT(character.flatFraction, 0.05) << tag << ": flat, unhatched patches inside the silhouette";
    EXPECT_LT(character.meanBrightness, previous) << tag << ": moving the light behind should darken it";
    previous = character.meanBrightness;
  }
}

// The small linked character, named on the command line from outside its folder: framed (its
// red spans more than half of the picture's height), and it runs only when skinned with its links.
TEST(HatchedCharacter, OwnCharacterIsFramedAndMovesWithItsLinks) {
  const std::string out = FreshOutputDirectory("own_character");
  const std::string folder = ContentDirectory() + "/Model/SMD/Imp_Small";
  std::vector<CharacterPixels> shown;
  for (const char* skinning : {"parent", "links"}) {
    const std::string frame = out + "/" + skinning + ".png";
    RunResult run = RunProgram(
        {"--headless", "--frames", "40", "--screenshot", frame, "--reference", folder + "/Ref_Small.smd",
         "--animation", folder + "/Ani_Small(Run).smd", "--skinning", skinning},
        ContentDirectory(), skinning);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Picture picture;
    ASSERT_TRUE(LoadPicture(frame, &picture));
    int top = picture.height, bottom = 0;
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x)
        if (picture.At(x, y)[0] > picture.At(x, y)[1] + 40)
          top = std::min(top, y), bottom = std::max(bottom, y);
    EXPECT_GT(bottom - top, picture.height / 2) << skinning;
    shown.push_back(Measure(picture));
  }
  // Bound to the root alone, the run moves nothing but the whole body: the two pictures differ.
  EXPECT_GT(std::abs(shown[0].count - shown[1].count), 500);
}

}  // namespace
