// Input replay files: every event kind, comments and blank lines, and bad lines named by file
// and line.
#include "app/input_script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<InputEvent> ParseOk(const std::string& text) {
  std::vector<InputEvent> events;
  std::string error;
  EXPECT_TRUE(ParseInputScript(text, "replay.txt", &events, &error)) << error;
  return events;
}

std::string ParseError(const std::string& text) {
  std::vector<InputEvent> events{InputEvent{}};
  std::string error;
  EXPECT_FALSE(ParseInputScript(text, "replay.txt", &events, &error)) << text;
  EXPECT_TRUE(events.empty());
  return error;
}

TEST(InputScript, ReadsEveryKindOfEvent) {
  const auto events = ParseOk(
      "0 key 87\n"
      "2 rdown 400 300\n"
      "2 move 450 310\n"
      "3 rup 500 320\n"
      "4 deactivate\n"
      "4 activate\n"
      "9 close\n");
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0].kind, InputEventKind::kKey);
  EXPECT_EQ(events[0].frame, 0);
  EXPECT_EQ(events[0].key, 87);
  EXPECT_EQ(events[1].kind, InputEventKind::kRightDown);
  EXPECT_EQ(events[1].x, 400);
  EXPECT_EQ(events[1].y, 300);
  EXPECT_EQ(events[2].kind, InputEventKind::kMove);
  EXPECT_EQ(events[3].kind, InputEventKind::kRightUp);
  EXPECT_EQ(events[3].frame, 3);
  EXPECT_EQ(events[3].x, 500);
  EXPECT_EQ(events[3].y, 320);
  EXPECT_EQ(events[4].kind, InputEventKind::kDeactivate);
  EXPECT_EQ(events[5].kind, InputEventKind::kActivate);
  EXPECT_EQ(events[6].kind, InputEventKind::kClose);
  EXPECT_EQ(events[6].frame, 9);
  EXPECT_EQ(events[6].line, 7);
}

TEST(InputScript, SkipsCommentsBlankLinesAndCarriageReturns) {
  const auto events = ParseOk(
      "# a replay\n"
      "\n"
      "   \t\n"
      "5 key 32   # space\r\n"
      "\t6\tkey\t27");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].frame, 5);
  EXPECT_EQ(events[0].key, 32);
  EXPECT_EQ(events[0].line, 4);
  EXPECT_EQ(events[1].key, 27);
  EXPECT_EQ(events[1].line, 5);
}

TEST(InputScript, EmptyTextHasNoEvents) {
  EXPECT_TRUE(ParseOk("").empty());
}

TEST(InputScript, CursorPositionsSpanSixteenBits) {
  const auto events = ParseOk("0 move 0 65535\n");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].y, 65535);
}

TEST(InputScript, BadLinesNameFileAndLine) {
  EXPECT_EQ(ParseError("0 key 87\n1 jump\n"),
            "replay.txt:2: unknown event 'jump' (expected key, rdown, move, rup, deactivate, activate, close "
            "or drop)");
  EXPECT_EQ(ParseError("# c\nx key 87\n"),
            "replay.txt:2: expected a frame number from 0 to 1000000000, found 'x'");
  EXPECT_EQ(ParseError("3\n"), "replay.txt:1: expected an event after the frame number");
  EXPECT_EQ(ParseError("1 key\n"), "replay.txt:1: 'key' takes 1 number, found 0");
  EXPECT_EQ(ParseError("1 rdown 4\n"), "replay.txt:1: 'rdown' takes 2 numbers, found 1");
  EXPECT_EQ(ParseError("1 close now\n"), "replay.txt:1: 'close' takes 0 numbers, found 1");
}

TEST(InputScript, RefusesNumbersOutOfRange) {
  EXPECT_EQ(ParseError("-1 key 87\n"),
            "replay.txt:1: expected a frame number from 0 to 1000000000, found '-1'");
  EXPECT_EQ(ParseError("0 key 0\n"), "replay.txt:1: expected a virtual-key code from 1 to 254, found '0'");
  EXPECT_EQ(ParseError("0 key 255\n"),
            "replay.txt:1: expected a virtual-key code from 1 to 254, found '255'");
  EXPECT_EQ(ParseError("0 key 8x\n"), "replay.txt:1: expected a virtual-key code from 1 to 254, found '8x'");
  EXPECT_EQ(ParseError("0 move 65536 0\n"),
            "replay.txt:1: expected x and y from 0 to 65535, found '65536 0'");
  EXPECT_EQ(ParseError("0 rup 3 -1\n"), "replay.txt:1: expected x and y from 0 to 65535, found '3 -1'");
  ParseError("99999999999999999999 close\n");
}

TEST(InputScript, RefusesEventsOutOfFrameOrder) {
  EXPECT_EQ(ParseError("5 key 87\n4 key 87\n"),
            "replay.txt:2: frame 4 comes after frame 5; events must be in frame order");
}

TEST(InputScript, LoadNamesAMissingFile) {
  std::vector<InputEvent> events;
  std::string error;
  EXPECT_FALSE(LoadInputScript("/nonexistent/replay.txt", &events, &error));
  EXPECT_EQ(error, "/nonexistent/replay.txt: cannot open the input file: No such file or directory");
}

TEST(InputScript, LoadReadsAFile) {
  const std::string path = testing::TempDir() + "input_script_test.txt";
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("1 key 81\n2 key 40000\n", file);
  std::fclose(file);
  std::vector<InputEvent> events;
  std::string error;
  EXPECT_FALSE(LoadInputScript(path, &events, &error));
  EXPECT_EQ(error, path + ":2: expected a virtual-key code from 1 to 254, found '40000'");
  std::remove(path.c_str());
}

TEST(InputScript, LoadRefusesAFolder) {
  std::vector<InputEvent> events;
  std::string error;
  EXPECT_FALSE(LoadInputScript(testing::TempDir(), &events, &error));
  EXPECT_NE(error.find(testing::TempDir()), std::string::npos);
}

}  // namespace

namespace {

TEST(InputReplay, HandsOutEventsWhenTheirFrameIsReached) {
  std::vector<InputEvent> events;
  std::string error;
  ASSERT_TRUE(ParseInputScript("0 key 87\n0 key 83\n3 close\n", "r", &events, &error));
  InputReplay replay(events);
  const InputEvent* first = replay.NextDue(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->key, 87);
  ASSERT_NE(replay.NextDue(0), nullptr);
  EXPECT_EQ(replay.NextDue(0), nullptr);
  EXPECT_EQ(replay.NextDue(2), nullptr);
  EXPECT_FALSE(replay.Finished());
  const InputEvent* close = replay.NextDue(5);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->kind, InputEventKind::kClose);
  EXPECT_TRUE(replay.Finished());
  EXPECT_EQ(replay.NextDue(100), nullptr);
}

TEST(InputReplay, NextNowIgnoresTheFrameNumber) {
  InputReplay replay({InputEvent{.frame = 50, .kind = InputEventKind::kActivate}});
  EXPECT_EQ(replay.NextDue(10), nullptr);
  const InputEvent* event = replay.NextNow();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->kind, InputEventKind::kActivate);
  EXPECT_EQ(replay.NextNow(), nullptr);
}

TEST(InputReplay, EmptyReplayIsFinished) {
  InputReplay replay;
  EXPECT_TRUE(replay.Finished());
  EXPECT_EQ(replay.NextDue(0), nullptr);
  EXPECT_EQ(replay.NextNow(), nullptr);
}

}  // namespace
