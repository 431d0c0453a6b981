// The SMD line source and scanners: fgets-shaped lines over LF and CR LF, pieces of long lines,
// rewinding, and locale-free words and numbers.
#include "model/smd_reader.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>
#include <vector>

#include "model/smd_node_line.h"
#include "model/smd_scan.h"
#include "smd_test_files.h"

namespace {

std::vector<std::string> ReadAll(const std::string& content, size_t capacity = 256) {
  smdtest::TempFile file(content);
  FILE* handle = file.Open();
  SmdReader reader(handle);
  std::vector<std::string> lines;
  std::vector<char> line(capacity);
  while (reader.ReadLine(line.data(), capacity)) lines.emplace_back(line.data());
  std::fclose(handle);
  return lines;
}

TEST(SmdReaderTest, LinesKeepTheirLineEndAndCrLfReadsAsLf) {
  EXPECT_EQ(ReadAll("a b\nc\n"), (std::vector<std::string>{"a b\n", "c\n"}));
  EXPECT_EQ(ReadAll("a b\r\nc\r\n"), (std::vector<std::string>{"a b\n", "c\n"}));
  EXPECT_EQ(ReadAll("last line without end"), (std::vector<std::string>{"last line without end"}));
  EXPECT_EQ(ReadAll("\n\nx"), (std::vector<std::string>{"\n", "\n", "x"}));
  EXPECT_TRUE(ReadAll("").empty());
}

TEST(SmdReaderTest, LoneCarriageReturnIsAnOrdinaryCharacter) {
  EXPECT_EQ(ReadAll("a\rb\n\r\r\n"), (std::vector<std::string>{"a\rb\n", "\r\n"}));
  EXPECT_EQ(ReadAll("end\r"), (std::vector<std::string>{"end\r"}));
}

TEST(SmdReaderTest, CrLfSplitAcrossReadBlocksStillFolds) {
  // The read buffer holds 65536 bytes: put the CR last in the first block.
  std::string content(65535, 'x');
  content += "\r\nnext\r\n";
  const auto lines = ReadAll(content, 1 << 17);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(65535, 'x') + "\n");
  EXPECT_EQ(lines[1], "next\n");
}

TEST(SmdReaderTest, LongLineComesInPiecesOf255) {
  const std::string text(300, 'a');
  const auto lines = ReadAll(text + "\nb\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(255, 'a'));
  EXPECT_EQ(lines[1], std::string(45, 'a') + "\n");
  EXPECT_EQ(lines[2], "b\n");
  // 254 characters and the line end fill the buffer exactly: one line.
  EXPECT_EQ(ReadAll(std::string(254, 'c') + "\n").size(), 1u);
  EXPECT_EQ(ReadAll(std::string(255, 'c') + "\n").size(), 2u);
}

TEST(SmdReaderTest, SkipLineCountsLikeReadLineAndRewindStartsOver) {
  smdtest::TempFile file(std::string(300, 'a') + "\nsecond\r\nthird");
  FILE* handle = file.Open();
  SmdReader reader(handle);
  EXPECT_TRUE(reader.SkipLine(256));
  EXPECT_TRUE(reader.SkipLine(256));
  char line[256];
  ASSERT_TRUE(reader.ReadLine(line, sizeof line));
  EXPECT_STREQ(line, "second\n");
  EXPECT_EQ(reader.lineNumber(), 3);
  ASSERT_TRUE(reader.ReadLine(line, sizeof line));
  EXPECT_FALSE(reader.ReadLine(line, sizeof line));
  EXPECT_STREQ(line, "third") << "a read at the end leaves the buffer as it was";
  reader.Rewind();
  EXPECT_EQ(reader.lineNumber(), 0);
  ASSERT_TRUE(reader.ReadLine(line, sizeof line));
  EXPECT_EQ(std::string(line), std::string(255, 'a'));
  std::fclose(handle);
}

TEST(SmdScanTest, WordsAreCutTo79CharactersAndKeywordsIgnoreCase) {
  char word[80] = "old";
  const char* p = "   \t\n";
  EXPECT_FALSE(smd::ScanWord(p, word, sizeof word));
  EXPECT_STREQ(word, "old");
  const std::string longWord(100, 'w');
  const std::string text = " " + longWord + " next";
  p = text.c_str();
  ASSERT_TRUE(smd::ScanWord(p, word, sizeof word));
  EXPECT_EQ(std::string(word), std::string(79, 'w'));
  ASSERT_TRUE(smd::ScanWord(p, word, sizeof word));
  EXPECT_STREQ(word, "next");
  EXPECT_TRUE(smd::IsKeyword("END", "end"));
  EXPECT_TRUE(smd::IsKeyword("Time", "time"));
  EXPECT_FALSE(smd::IsKeyword("ending", "end"));
  EXPECT_FALSE(smd::IsKeyword("en", "end"));
}

TEST(SmdScanTest, IntegersTakeASignAndStopAtTheFirstNonDigit) {
  int value = 7;
  const char* p = " +12 -3 1.5 x";
  ASSERT_TRUE(smd::ScanInt(p, value));
  EXPECT_EQ(value, 12);
  ASSERT_TRUE(smd::ScanInt(p, value));
  EXPECT_EQ(value, -3);
  ASSERT_TRUE(smd::ScanInt(p, value));
  EXPECT_EQ(value, 1);
  EXPECT_STREQ(p, ".5 x");
  p = " x";
  EXPECT_FALSE(smd::ScanInt(p, value));
  p = "+-4";
  EXPECT_FALSE(smd::ScanInt(p, value));
  p = "99999999999";
  EXPECT_FALSE(smd::ScanInt(p, value)) << "an index too large for an int matches no pattern";
  EXPECT_EQ(value, 1);
}

TEST(SmdScanTest, RealsReadAsScanfReadsThemWhateverTheLocale) {
  // A locale with a decimal comma must change nothing.
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  float value = 0;
  const char* p = " 0.25 -1.5e2 +3 .5 1e50 -1e50 1e-50 2,5";
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, 0.25f);
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, -150.0f);
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, 3.0f);
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, 0.5f);
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, std::numeric_limits<float>::infinity());
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, -std::numeric_limits<float>::infinity());
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, 0.0f);
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, 2.0f) << "a comma ends the number, as in the C locale";
  EXPECT_STREQ(p, ",5");
  EXPECT_FALSE(smd::ScanFloat(p, value));
  std::setlocale(LC_NUMERIC, saved.c_str());
  // Correctly rounded to float, as strtof rounds.
  p = "0.1 16777217 3.4028235e38";
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, 0.1f);
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, 16777216.0f);
  ASSERT_TRUE(smd::ScanFloat(p, value));
  EXPECT_EQ(value, std::numeric_limits<float>::max());
}

TEST(SmdScanTest, NodeLinesNeedAQuotedNameAndAParent) {
  int index = -5, parent = -5;
  char name[80];
  ASSERT_TRUE(smd::ScanNodeLine("  3 \"Bip01 L Hand\" 2\n", index, name, sizeof name, parent));
  EXPECT_EQ(index, 3);
  EXPECT_STREQ(name, "Bip01 L Hand");
  EXPECT_EQ(parent, 2);
  ASSERT_TRUE(smd::ScanNodeLine("0 \"root\"-1 extra", index, name, sizeof name, parent));
  EXPECT_EQ(parent, -1);
  EXPECT_FALSE(smd::ScanNodeLine("1 \"\" 0", index, name, sizeof name, parent));
  EXPECT_FALSE(smd::ScanNodeLine("1 \"open 0\n", index, name, sizeof name, parent));
  EXPECT_FALSE(smd::ScanNodeLine("1 root 0", index, name, sizeof name, parent));
  EXPECT_FALSE(smd::ScanNodeLine("1 \"root\"", index, name, sizeof name, parent));
  const std::string longName = "2 \"" + std::string(120, 'n') + "\" 1";
  ASSERT_TRUE(smd::ScanNodeLine(longName.c_str(), index, name, sizeof name, parent));
  EXPECT_EQ(std::string(name), std::string(79, 'n'));
  EXPECT_EQ(parent, 1);
}

}  // namespace
