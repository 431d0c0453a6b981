// What smdinfo prints: the JSON and summary descriptions of loaded files. Files written in other
// tools' style (CR LF, indentation, extra fields after v, no final line end) read exactly as
// their plain twin, and corners come back as the file's own numbers.
#include "model/smd_description.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "smd_test_files.h"

namespace {

using smdtest::DataPath;
using smdtest::ModelTest;

class SmdDescriptionTest : public ModelTest {
 protected:
  std::string Json(const std::string& name, bool animation, bool links = false) {
    auto fresh = std::make_unique<SkinnedModel>();
    fresh->readLinks = links;
    const std::string path = DataPath(name);
    const bool loaded =
        animation ? fresh->LoadAnimation(path.c_str()) : fresh->LoadReference(device, path.c_str());
    SmdDescriptionInput input;
    input.file = "F";
    input.animation = animation;
    input.result = fresh->diagnostic.result;
    input.loaded = loaded;
    return DescribeSmdJson(*fresh, input);
  }
};

TEST_F(SmdDescriptionTest, ExportedStyleFileReadsExactlyAsItsPlainTwin) {
  const std::string plain = Json("smd_reference_basic.smd", false);
  EXPECT_EQ(Json("smd_reference_exported.smd", false), plain);
  EXPECT_EQ(plain.find('\n'), std::string::npos) << "one object per line";
  EXPECT_EQ(
      plain.rfind(
          "{\"file\":\"F\",\"kind\":\"reference\",\"result\":0,\"loaded\":true,\"bones\":[{\"name\":\"root\","
          "\"parent\":-1},{\"name\":\"spine\",\"parent\":0},{\"name\":\"head\",\"parent\":1}],"
          "\"materials\":[\"skin.bmp\",\"cloth.bmp\",\"skin.bmp\"],\"textures\":[",
          0),
      0u)
      << plain.substr(0, 300);
  EXPECT_NE(plain.find(
                "\"triangles\":[{\"material\":2,\"bones\":[0,0,0],\"corners\":[{\"position\":[1,2,3],"
                "\"normal\":[0,0,1],\"uv\":[0,0.75]},{\"position\":[1,3,3],\"normal\":[0,0,1],\"uv\":[0,0]}"),
            std::string::npos);
  EXPECT_EQ(plain.find("\"frames\""), std::string::npos);
}

TEST_F(SmdDescriptionTest, CornersComeBackAsTheFileNumbersUpToFloatRounding) {
  ASSERT_TRUE(model->LoadReference(device, DataPath("smd_reference_basic.smd").c_str()));
  SmdDescriptionInput input;
  input.loaded = true;
  const std::string json = DescribeSmdJson(*model, input);
  // Triangle 3 sits on the head, two bones deep with rotations: its first corner is the file's
  // (1, 1, 9) with normal (0.57735, 0.57735, 0.57735).
  const size_t at = json.find("{\"material\":1,\"bones\":[2,2,2]");
  ASSERT_NE(at, std::string::npos);
  float p[3], n[3];
  ASSERT_EQ(
      std::sscanf(json.c_str() + json.find("\"position\":[", at),
                  "\"position\":[%f,%f,%f],\"normal\":[%f,%f,%f]", &p[0], &p[1], &p[2], &n[0], &n[1], &n[2]),
      6);
  EXPECT_NEAR(p[0], 1.0f, 1e-5);
  EXPECT_NEAR(p[1], 1.0f, 1e-5);
  EXPECT_NEAR(p[2], 9.0f, 1e-5);
  for (float v : n) EXPECT_NEAR(v, 0.57735f, 1e-5);
}

TEST_F(SmdDescriptionTest, AnimationsListFramesAndRefusalsListNothing) {
  const std::string json = Json("smd_animation_basic.smd", true);
  EXPECT_EQ(
      json.rfind(
          "{\"file\":\"F\",\"kind\":\"animation\",\"result\":0,\"loaded\":true,\"bones\":[{\"name\":\"root\"",
          0),
      0u);
  EXPECT_NE(json.find("\"frames\":[[{\"local\":[1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1],"), std::string::npos);
  EXPECT_EQ(json.find("\"triangles\""), std::string::npos);
  EXPECT_EQ(
      Json("smd_reference_basic.smd", true),
      "{\"file\":\"F\",\"kind\":\"animation\",\"result\":2,\"loaded\":false,\"bones\":[],\"materials\":[],"
      "\"textures\":[],\"frames\":[]}");
}

TEST_F(SmdDescriptionTest, StringsAreEscapedAndNonFiniteNumbersAreNull) {
  ASSERT_EQ(
      ParseReferenceText("version 1\nnodes\n0 \"a\\b\" -1\nend\nskeleton\ntime 0\n0 1e50 0 0 0 0 0\nend\n"
                         "triangles\nm\n0 0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 0 0\nend\n"),
      kSmdRead);
  SmdDescriptionInput input;
  input.file = "dir\\x\ty.smd";
  input.loaded = true;
  const std::string json = DescribeSmdJson(*model, input);
  EXPECT_EQ(json.rfind("{\"file\":\"dir\\\\x\\u0009y.smd\"", 0), 0u) << json.substr(0, 60);
  EXPECT_NE(json.find("\"name\":\"a\\\\b\""), std::string::npos);
  EXPECT_NE(json.find("\"position\":[null,"), std::string::npos) << "an infinite translation";
}

TEST_F(SmdDescriptionTest, SummaryNamesKindAndCounts) {
  ASSERT_TRUE(model->LoadReference(device, DataPath("smd_reference_basic.smd").c_str()));
  SmdDescriptionInput input;
  input.file = "a.smd";
  input.loaded = true;
  EXPECT_EQ(DescribeSmdSummary(*model, input),
            "a.smd: reference, 3 bones, 5 triangles, 3 materials, 0 of 3 textures found");
}

// The tool itself, when it was built beside the tests: its output is the description above.
TEST_F(SmdDescriptionTest, ToolPrintsTheSameJsonAndFailsOnARefusedFile) {
  const std::string tool = "../smdinfo";
  if (FILE* probe = std::fopen(tool.c_str(), "rb")) {
    std::fclose(probe);
  } else {
    GTEST_SKIP() << "smdinfo is not built in this build folder";
  }
  auto run = [&](const std::string& arguments, int& status) {
    std::string output;
    FILE* pipe = popen((tool + " " + arguments + " 2>/dev/null").c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    status = pclose(pipe);
    return output;
  };
  int status = 0;
  const std::string output = run("--json " + DataPath("smd_reference_exported.smd"), status);
  EXPECT_EQ(status, 0);
  std::string expected = Json("smd_reference_exported.smd", false, true);
  EXPECT_NE(expected.find("\"uv\":[0,0.75],\"links\":[[0,1]]"), std::string::npos) << expected;
  expected.replace(expected.find("\"F\""), 3, "\"" + DataPath("smd_reference_exported.smd") + "\"");
  EXPECT_EQ(output, expected + "\n");
  run("--animation " + DataPath("smd_reference_basic.smd"), status);
  EXPECT_NE(status, 0);
}

}  // namespace
