// Command-line options: values, defaults, and the refusals that end the program with exit code 2.
#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
  OptionsStatus status;
  Options options;
  std::string error;
};

Parsed Parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "hatching");
  Parsed parsed;
  parsed.status =
      ParseOptions(static_cast<int>(arguments.size()), arguments.data(), &parsed.options, &parsed.error);
  return parsed;
}

TEST(Options, NoArgumentsRunsInAWindowUntilTheUserQuits) {
  const Parsed parsed = Parse({});
  EXPECT_EQ(parsed.status, OptionsStatus::kRun);
  EXPECT_FALSE(parsed.options.headless);
  EXPECT_EQ(parsed.options.frames, 0);
  EXPECT_TRUE(parsed.options.screenshot.empty());
  EXPECT_TRUE(parsed.options.captureDirectory.empty());
  EXPECT_TRUE(parsed.options.inputFile.empty());
}

TEST(Options, ReadsEveryOptionWithSeparateValues) {
  const Parsed parsed = Parse({"--headless", "--frames", "120", "--screenshot", "out/a.png", "--capture",
                               "frames", "--every", "10", "--input", "replay.txt"});
  ASSERT_EQ(parsed.status, OptionsStatus::kRun) << parsed.error;
  EXPECT_TRUE(parsed.options.headless);
  EXPECT_EQ(parsed.options.frames, 120);
  EXPECT_EQ(parsed.options.screenshot, "out/a.png");
  EXPECT_EQ(parsed.options.captureDirectory, "frames");
  EXPECT_EQ(parsed.options.every, 10);
  EXPECT_EQ(parsed.options.inputFile, "replay.txt");
}

TEST(Options, ReadsValuesAfterEquals) {
  const Parsed parsed = Parse({"--frames=7", "--screenshot=x.png"});
  ASSERT_EQ(parsed.status, OptionsStatus::kRun) << parsed.error;
  EXPECT_EQ(parsed.options.frames, 7);
  EXPECT_EQ(parsed.options.screenshot, "x.png");
}

TEST(Options, CaptureWithoutEveryTakesEveryFrame) {
  const Parsed parsed = Parse({"--capture", "dir"});
  ASSERT_EQ(parsed.status, OptionsStatus::kRun);
  EXPECT_EQ(parsed.options.every, 1);
}

TEST(Options, ReportStartupIsAFlagWithoutAValue) {
  EXPECT_FALSE(Parse({"--headless"}).options.reportStartup);
  const Parsed parsed = Parse({"--headless", "--report-startup", "--frames", "2"});
  EXPECT_EQ(parsed.status, OptionsStatus::kRun);
  EXPECT_TRUE(parsed.options.reportStartup);
  EXPECT_EQ(Parse({"--report-startup=yes"}).status, OptionsStatus::kError);
  EXPECT_NE(std::string(UsageText()).find("--report-startup"), std::string::npos);
}

TEST(Options, HelpAndVersionWinOverRunning) {
  EXPECT_EQ(Parse({"--help"}).status, OptionsStatus::kHelp);
  EXPECT_EQ(Parse({"--headless", "-h"}).status, OptionsStatus::kHelp);
  EXPECT_EQ(Parse({"--version"}).status, OptionsStatus::kVersion);
  EXPECT_NE(std::string(UsageText()).find("--headless"), std::string::npos);
  EXPECT_EQ(std::string(VersionText()).rfind("hatching ", 0), 0u);
}

TEST(Options, UnknownOptionIsAnErrorNamingIt) {
  const Parsed parsed = Parse({"--headles"});
  EXPECT_EQ(parsed.status, OptionsStatus::kError);
  EXPECT_NE(parsed.error.find("--headles"), std::string::npos);
  EXPECT_EQ(Parse({"extra"}).options.viewer.files, std::vector<std::string>{"extra"}) << "a file argument";
  EXPECT_EQ(Parse({"--help", "--bogus"}).status, OptionsStatus::kError);
}

TEST(Options, BadCountsAreErrors) {
  for (const char* bad : {"0", "-3", "abc", "12x", "", "99999999999999", "1e3", " 5"}) {
    const Parsed parsed = Parse({"--frames", bad});
    EXPECT_EQ(parsed.status, OptionsStatus::kError) << "'" << bad << "'";
    EXPECT_NE(parsed.error.find("--frames"), std::string::npos);
  }
  EXPECT_EQ(Parse({"--capture", "d", "--every", "0"}).status, OptionsStatus::kError);
}

TEST(Options, MissingValuesAreErrors) {
  EXPECT_EQ(Parse({"--frames"}).status, OptionsStatus::kError);
  EXPECT_EQ(Parse({"--screenshot"}).status, OptionsStatus::kError);
  EXPECT_EQ(Parse({"--input="}).status, OptionsStatus::kError);
  EXPECT_EQ(Parse({"--headless=yes"}).status, OptionsStatus::kError);
}

TEST(Options, EveryWithoutCaptureIsAnError) {
  const Parsed parsed = Parse({"--every", "5"});
  EXPECT_EQ(parsed.status, OptionsStatus::kError);
  EXPECT_NE(parsed.error.find("--capture"), std::string::npos);
}

TEST(Options, ParsingStartsFromDefaults) {
  Options options;
  options.headless = true;
  options.frames = 9;
  std::string error;
  const char* arguments[] = {"hatching"};
  EXPECT_EQ(ParseOptions(1, arguments, &options, &error), OptionsStatus::kRun);
  EXPECT_FALSE(options.headless);
  EXPECT_EQ(options.frames, 0);
}

}  // namespace

namespace {

TEST(Options, OwnCharacterOptionsAndTheirRefusals) {
  Parsed parsed = Parse({"--reference", "me.smd", "--animation", "a.smd", "--animation=b.smd", "--clip", "1",
                         "--skinning", "links", "--no-frame"});
  ASSERT_EQ(parsed.status, OptionsStatus::kRun) << parsed.error;
  EXPECT_EQ(parsed.options.character.reference, "me.smd");
  EXPECT_EQ(parsed.options.character.animations, (std::vector<std::string>{"a.smd", "b.smd"}));
  EXPECT_EQ(parsed.options.character.clip, 1);
  EXPECT_TRUE(parsed.options.character.links);
  EXPECT_FALSE(parsed.options.character.frame);
  EXPECT_EQ(Parse({"--clip", "2"}).status, OptionsStatus::kRun) << "the default character has three clips";
  parsed = Parse({"--clip", "3"});
  EXPECT_EQ(parsed.error, "--clip 3: only 3 clips are loaded (numbered from 0)");
  EXPECT_EQ(Parse({"--reference", "me.smd", "--clip", "1"}).error,
            "--clip 1: only 1 clip is loaded (numbered from 0)");
  EXPECT_EQ(Parse({"--skinning", "bones"}).error, "--skinning needs 'links' or 'parent', not 'bones'");
  EXPECT_EQ(Parse({"--clip", "-1"}).status, OptionsStatus::kError);
  std::vector<const char*> many;
  for (int i = 0; i < 33; ++i) many.insert(many.end(), {"--animation", "x.smd"});
  EXPECT_EQ(Parse(many).error, "--animation: at most 32 clips");
}

TEST(Options, SamplesDefaultToOneAndToFourForTheUsersOwnCharacter) {
  EXPECT_EQ(SampleCount(Parse({}).options), 1);
  EXPECT_EQ(SampleCount(Parse({"--reference", "me.smd"}).options), 4);
  EXPECT_EQ(SampleCount(Parse({"--reference", "me.smd", "--samples", "1"}).options), 1);
  EXPECT_EQ(SampleCount(Parse({"--samples=8"}).options), 8);
  EXPECT_EQ(Parse({"--samples", "3"}).error, "--samples needs 1, 2, 4 or 8, not '3'");
}

}  // namespace

namespace {

TEST(Options, SizeAndOverlayShapeHeadlessPictures) {
  Parsed parsed = Parse({"--headless", "--size", "1920x1080", "--no-overlay"});
  ASSERT_EQ(parsed.status, OptionsStatus::kRun) << parsed.error;
  EXPECT_EQ(std::make_pair(parsed.options.width, parsed.options.height), std::make_pair(1920, 1080));
  EXPECT_FALSE(parsed.options.overlay);
  for (const char* bad : {"800", "x600", "15x600", "800x8193", "800X600", "800x600x2", "-800x600"})
    EXPECT_EQ(Parse({"--headless", "--size", bad}).error,
              std::string("--size needs WxH, each from 16 to 8192 pixels, not '") + bad + "'");
  EXPECT_EQ(Parse({"--size", "640x480"}).error, "--size needs --headless");
}

TEST(Options, ThumbnailTakesThreeValuesAndOnlyTheCharacterSOptions) {
  Parsed parsed = Parse({"--content", "c", "--thumbnail", "256", "in.smd", "out.png", "--skinning", "links"});
  ASSERT_EQ(parsed.status, OptionsStatus::kRun) << parsed.error;
  EXPECT_EQ(parsed.options.thumbnailSize, 256);
  EXPECT_TRUE(parsed.options.character.links);
  EXPECT_EQ(Parse({"--thumbnail", "256", "in.smd"}).error,
            "--thumbnail needs three values: SIZE INPUT OUTPUT");
  EXPECT_EQ(Parse({"--thumbnail", "big", "in.smd", "out.png"}).error,
            "--thumbnail needs a size from 16 to 8192 pixels, not 'big'");
  for (std::vector<const char*> other : std::vector<std::vector<const char*>>{{"--headless"},
                                                                              {"--frames", "2"},
                                                                              {"--reference", "r.smd"},
                                                                              {"--no-overlay"},
                                                                              {"--strokes", "uv"}}) {
    other.insert(other.end(), {"--thumbnail", "128", "in.smd", "out.png"});
    EXPECT_EQ(Parse(other).error, "--thumbnail takes no other options than --content and --skinning")
        << other[0];
  }
}

}  // namespace
