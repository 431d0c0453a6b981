// The SMD line source and scanners: fgets-shaped lines over LF and CR LF, pieces of long lines,
// rewinding, lines read where they lie, and locale-free words and numbers.
#include "model/smd_line_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/helper_thread.h"
#include "model/smd_field_scan.h"
#include "model/smd_node_line.h"
#include "model/smd_scan_number_line.h"
#include "smd_test_files.h"

namespace {

// A line source over `content` with the model's buffers beside it.
struct Source {
  explicit Source(const std::string& content) : file(content), handle(file.Open()) {
    source = std::make_unique<SmdLineSource>(handle, line, token, sizeof token);
  }
  ~Source() { std::fclose(handle); }
  smdtest::TempFile file;
  FILE* handle;
  char line[SmdLineSource::kCapacity] = {};
  char token[80] = "none";
  std::unique_ptr<SmdLineSource> source;
};

// Every line as NextCopied gives it, or (inPlace) as Next gives it.
std::vector<std::string> ReadAll(const std::string& content, bool inPlace = false) {
  Source file(content);
  std::vector<std::string> lines;
  SmdLine line;
  while (inPlace ? file.source->Next(&line) : file.source->NextCopied()) {
    lines.emplace_back(inPlace ? std::string(line.text, line.length) : std::string(file.line));
  }
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
  std::string content(65535 - 6, 'x');
  content = "short\n" + content + "\r\nnext\r\n";
  const auto lines = ReadAll(content);
  ASSERT_EQ(lines.size(), 259u);
  EXPECT_EQ(lines[257], std::string(65535 - 6 - 256 * 255, 'x') + "\n");
  EXPECT_EQ(lines[258], "next\n");
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

// Every line as Next gives it, and the line count at the end; through two blocks of `size` bytes
// (0: the source's own block), read ahead by `reader` or (null) taking turns.
std::vector<std::string> ReadInBlocks(const std::string& content, size_t size, HelperThread* reader) {
  std::vector<char> blocks(2 * (size + SmdLineSource::kReadable));
  Source file(content);
  file.source->ReadThrough(size ? blocks.data() : nullptr, size,
                           blocks.data() + size + SmdLineSource::kReadable);
  file.source->ReadAhead(reader);
  std::vector<std::string> lines;
  for (SmdLine line; file.source->Next(&line);) lines.emplace_back(line.text, line.length);
  lines.push_back(std::to_string(file.source->lineNumber()));
  return lines;
}

TEST(SmdReaderTest, TwoBlocksReadAheadOrInTurnGiveTheSameLines) {
  std::mt19937 random(7);
  std::string content;
  for (int i = 0; i < 3000; ++i) {
    content.append(random() % 400, static_cast<char>('a' + random() % 26));
    content += random() % 3 == 0 ? "\r\n" : random() % 5 == 0 ? "\r" : "\n";
  }
  const std::vector<std::string> expected = ReadInBlocks(content, 0, nullptr);
  ASSERT_GT(expected.size(), 3000u);
  HelperThread reader;
  for (size_t size : {256u, 257u, 4096u}) {
    EXPECT_EQ(ReadInBlocks(content, size, &reader), expected) << size;
    EXPECT_EQ(ReadInBlocks(content, size, nullptr), expected) << size;
  }
}

TEST(SmdReaderTest, SkipCountsLikeReadingAndRewindStartsOver) {
  Source file(std::string(300, 'a') + "\nsecond\r\nthird");
  SmdLineSource& source = *file.source;
  EXPECT_TRUE(source.Skip());
  EXPECT_TRUE(source.Skip());
  ASSERT_TRUE(source.NextCopied());
  EXPECT_STREQ(file.line, "second\n");
  EXPECT_STREQ(file.token, "second");
  EXPECT_EQ(source.lineNumber(), 3);
  ASSERT_TRUE(source.NextCopied());
  EXPECT_FALSE(source.NextCopied());
  EXPECT_STREQ(file.line, "third") << "a read at the end leaves the buffer as it was";
  source.Rewind();
  EXPECT_EQ(source.lineNumber(), 0);
  ASSERT_TRUE(source.NextCopied());
  EXPECT_EQ(std::string(file.line), std::string(255, 'a'));
}

// A file held whole gives its lines again after Rewind without reading it again (the file is
// rewritten in between); one that a single read does not end, a last CR that may start a CR LF,
// is read as before.
TEST(SmdReaderTest, AFileHeldWholeIsReadOnce) {
  const std::string content = "a b\r\n" + std::string(300, 'c') + "\nd";
  for (const std::string& text : {content, content + "\r"}) {
    const std::vector<std::string> expected = ReadAll(text, true);
    Source file(text);
    EXPECT_FALSE(file.source->HoldWholeFile(text.size() - 1)) << "larger than the limit";
    ASSERT_TRUE(file.source->HoldWholeFile(text.size()));
    for (int pass = 0; pass < 2; ++pass) {
      std::vector<std::string> lines;
      SmdLine line;
      while (file.source->Next(&line)) lines.emplace_back(line.text, line.length);
      EXPECT_EQ(lines, expected) << pass;
      EXPECT_EQ(file.source->HoldsWholeFile(), text.back() != '\r');
      if (file.source->HoldsWholeFile()) file.file.Write("rewritten\n");
      file.source->Rewind();
    }
  }
}

// Lines read where they lie are the same lines, and each can be read kReadable bytes from its
// start (the source lives on the heap, so a read past it is the sanitizer's to report): short
// lines at the end of a read block, the piece of a line cut by a block, and a last line without
// its end. A blank line keeps the word before it, bounded by its own end; `line` holds the last
// line given when the file ends, wherever that line lay.
TEST(SmdReaderTest, LinesInPlaceAreReadableAsFarAsPromised) {
  std::string content = "time 3\n";
  while (content.size() < (1 << 16) - 20) content += "0 1.5 -2 3 0.25 0 0\n";
  content += "  \n" + std::string(300, 'z') + "\nend";
  const auto copied = ReadAll(content);
  EXPECT_EQ(ReadAll(content, true), copied);
  Source file(content);
  SmdLine line;
  std::string lastWord;
  unsigned sum = 0;
  while (file.source->Next(&line)) {
    for (size_t i = 0; i < SmdLineSource::kReadable; ++i) sum += static_cast<unsigned char>(line.text[i]);
    if (line.text[0] == ' ') lastWord = file.token;
  }
  EXPECT_NE(sum, 0u);
  EXPECT_EQ(lastWord, "0") << "the blank line kept the word of the pose line before it";
  EXPECT_STREQ(file.line, "end");
  EXPECT_STREQ(file.token, "end");
  // Passing over the pose lines leaves the other lines, their numbers and words as they were.
  Source every(content), skipping(content);
  std::vector<std::string> seen[2];
  for (Source* source : {&every, &skipping})
    while (source == &every ? source->source->Next(&line) : source->source->NextSkippingNumbers(&line))
      if (!std::isdigit(static_cast<unsigned char>(line.text[0])))
        seen[source == &skipping].push_back(std::string(line.text, line.length) + source->token + "@" +
                                            std::to_string(source->source->lineNumber()));
  EXPECT_EQ(seen[1], seen[0]);
  EXPECT_EQ(seen[1].size(), 5u);
  EXPECT_STREQ(skipping.line, "end");
  Source numbers("0 1 2\n1 3 4\n");
  ASSERT_TRUE(numbers.source->NextNumbers(&line));
  ASSERT_TRUE(numbers.source->NextNumbers(&line));
  EXPECT_FALSE(numbers.source->NextNumbers(&line));
  EXPECT_STREQ(numbers.line, "1 3 4\n");
  EXPECT_STREQ(numbers.token, "none") << "numeric lines leave the word alone";
  // Pose lines leave only their first digit; a blank line keeps it; other lines their word.
  Source posed("time 3\n12 1 2\n  \nend x\n");
  std::vector<std::string> words;
  while (posed.source->NextPose(&line)) words.push_back(posed.token);
  EXPECT_EQ(words, (std::vector<std::string>{"time", "1", "1", "end"}));
}

// The first word of each length around 16, after white space, cut to 79, after a longer one.
TEST(SmdReaderTest, FirstWordsOfEveryLengthAreKept) {
  const std::string w15(15, 'w'), x16(16, 'x'), y17(17, 'y');
  Source file("triangles\n7 1 2\n" + w15 + "\n" + x16 + " 1\n" + y17 + "\tq\n\t\vend\n" +
              std::string(90, 'v') + "\na\rb c\n");
  SmdLine line;
  for (const std::string& word : {std::string("triangles"), std::string("7"), w15, x16, y17,
                                  std::string("end"), std::string(79, 'v'), std::string("a")}) {
    ASSERT_TRUE(file.source->Next(&line));
    EXPECT_EQ(file.token, word);
  }
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

// The real scanner against the C library's strtof: same float to the bit, same end. A number
// that strtof reads whole is also read so in a pose line, by every number-line scanner.
void ExpectSameAsStrtof(const std::string& text) {
  char* strtofEnd = nullptr;
  const float expected = std::strtof(text.c_str(), &strtofEnd);
  const ptrdiff_t expectedLength = strtofEnd - text.c_str();
  float generic = -7;
  const char* p = text.c_str();
  const bool genericRead = smd::ScanFloat(p, generic);
  ASSERT_EQ(genericRead, expectedLength > 0) << text;
  if (expectedLength == 0) return;
  EXPECT_EQ(std::memcmp(&generic, &expected, sizeof expected), 0)
      << text << " " << generic << " " << expected;
  EXPECT_EQ(p - text.c_str(), expectedLength) << text;
  if (static_cast<size_t>(expectedLength) != text.size() || text.size() > 16) return;
  const std::string poseLine = "7 " + text + " " + text + " 0 0 " + text + " 1\n";
  const smd::NumberLineScanner active = smd::ActiveNumberLineScanner();
  for (const auto scanner :
       {smd::NumberLineScanner::kGeneral, smd::NumberLineScanner::kAvx2, smd::NumberLineScanner::kAvx512}) {
    if (!smd::UseNumberLineScanner(scanner)) continue;
    char buffer[SmdLineSource::kCapacity] = {};
    std::memcpy(buffer, poseLine.c_str(), poseLine.size());
    int bone = 0;
    float values[6] = {};
    ASSERT_TRUE(smd::ScanNumberLine(SmdLine{buffer, poseLine.size()}, bone, values, 6)) << poseLine;
    EXPECT_EQ(bone, 7);
    for (int k : {0, 1, 4}) EXPECT_EQ(std::memcmp(&values[k], &expected, sizeof expected), 0) << poseLine;
  }
  smd::UseNumberLineScanner(active);
}

TEST(SmdScanTest, FastPathsGiveStrtofsFloatForEveryShapeOfNumber) {
  for (const char* text : {"0",
                           "-0",
                           "-0.0",
                           "+0.5",
                           "1.",
                           ".5",
                           "-.25",
                           "8388608.5",
                           "8388609.5",
                           "-8388610.5",
                           "16777217",
                           "0.1",
                           "0.2",
                           "0.3",
                           "3.4028235e38",
                           "3.5e38",
                           "1e-45",
                           "1e-46",
                           "7e-46",
                           "1.17549435e-38",
                           "123456789012345678901234",
                           "0.000000000000000000000001",
                           "1234567.1234567",
                           "12345678.5",
                           "0.12345678",
                           "1e5",
                           "1E+5",
                           "2e-3x",
                           "1e",
                           "1e+",
                           "5.",
                           "-",
                           "+",
                           ".",
                           "+-1",
                           "--1",
                           "inf",
                           "-infinity",
                           "nan",
                           "0x10",
                           "  \t 42 rest",
                           "1,5",
                           "00000000000000000000001.5",
                           "99999999999999999999"})
    ExpectSameAsStrtof(text);
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const char* formats[] = {"%.6f", "%.3f", "%.7f", "%.1f", "%.9g", "%.6e", "%.12f", "%.0f"};
  char text[64];
  for (int i = 0; i < 40000; ++i) {
    const double magnitude = std::pow(10.0, unit(random) * 16 - 8);
    const double value = (unit(random) < 0.5 ? -1 : 1) * magnitude;
    std::snprintf(text, sizeof text, formats[i % 8], value);
    ExpectSameAsStrtof(text);
    // Points halfway between two floats near 2^k, written with few digits.
    const int exponent = static_cast<int>(unit(random) * 24);
    const double halfway = std::ldexp(1.0, exponent) + std::ldexp(1.0, exponent - 24) * (2 * (i % 64) + 1);
    std::snprintf(text, sizeof text, "%.7f", halfway);
    ExpectSameAsStrtof(text);
  }
}

// Beyond the float range the value, not the text, decides between zero and infinity; hexadecimal
// reals are read whole.
TEST(SmdScanTest, OutOfRangeAndHexadecimalRealsReadAsStrtofReadsThem) {
  std::mt19937 random(20261207);
  std::vector<std::string> texts;
  for (int zeros : {30, 44, 45, 46, 50, 60, 120}) {
    const std::string fraction = "0." + std::string(static_cast<size_t>(zeros), '0');
    for (const char* tail : {"1", "7", "1e+3", "1e+10", "1e-3", "99999999999999999999", "14012984"}) {
      texts.push_back(fraction + tail);
      texts.push_back("-" + fraction + tail);
    }
  }
  for (int zeros : {30, 38, 39, 63, 100}) {
    const std::string integer = "1" + std::string(static_cast<size_t>(zeros), '0');
    for (const char* tail : {"", "e-5", "e-40", "e-60", ".5e-2", "e+3"}) texts.push_back(integer + tail);
  }
  for (const char* text : {"0x1p200", "0x1p-200", "-0x1p200", "0x1p-149", "0x1p-150", "0x1.000001p-150",
                           "0x1.fffffep127", "0x1.ffffffp127", "0x1.8p3 7", "0X.8P1", "0x", "-0x1p+3x"})
    texts.push_back(text);
  // Around the smallest normal and subnormal floats and the largest float, with long mantissas.
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  char text[96];
  for (int i = 0; i < 3000; ++i) {
    const double edge = i % 3 == 0 ? 0x1p-149 : i % 3 == 1 ? 0x1p-126 : 0x1.fffffep127;
    std::snprintf(text, sizeof text, "%.*e", 6 + i % 20, edge * (0.25 + 1.75 * unit(random)));
    texts.push_back(text);
  }
  for (const std::string& t : texts) ExpectSameAsStrtof(t);
}

TEST(SmdScanTest, SameNameIsStrcmpEqualityWhateverFollowsTheTerminator) {
  std::mt19937 random(17);
  for (int i = 0; i < 20000; ++i) {
    char a[80], b[80];
    // Stale characters of longer names after the terminators, as in the loaders' buffers.
    for (char& c : a) c = static_cast<char>('a' + random() % 3);
    for (char& c : b) c = static_cast<char>('a' + random() % 3);
    const size_t lengthA = random() % 24, lengthB = random() % 3 ? lengthA : random() % 24;
    std::memcpy(b, a, std::min(lengthA, lengthB) + random() % 2);
    a[lengthA] = '\0';
    b[lengthB] = '\0';
    ASSERT_EQ(smd::SameName(a, b), std::strcmp(a, b) == 0) << a << " / " << b;
  }
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
