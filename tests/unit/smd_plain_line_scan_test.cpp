// The whole-line scanners of vertex and pose lines, AVX-512 and AVX2, each against the general
// scanners it stands in for: wherever it reads a line, every value is the general scanners' to the
// bit; lines it cannot vouch for are refused, untouched. A scanner the processor lacks is skipped.
#include "model/smd_plain_line_scan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "model/smd_field_scan.h"

namespace {

struct PlainScanner {
  const char* name;
  bool (*scan)(const char*, size_t, int&, float*, int);
  bool (*available)();
};

void PrintTo(const PlainScanner& scanner, std::ostream* out) {
  *out << scanner.name;
}

class SmdLineScanTest : public testing::TestWithParam<PlainScanner> {
 protected:
  void SetUp() override {
    if (!GetParam().available()) GTEST_SKIP() << "this processor lacks the " << GetParam().name << " scanner";
  }
};

struct Scanned {
  bool read = false;
  int first = 0;
  float values[8] = {};
};

// What the loaders read from the line without the whole-line scanner.
Scanned General(const std::string& line, int count) {
  Scanned result;
  const char* p = line.c_str();
  if (!smd::ScanInt(p, result.first)) return result;
  for (int k = 0; k < count; ++k)
    if (!smd::ScanFloat(p, result.values[k])) return result;
  result.read = true;
  return result;
}

// The line as the loaders hand it over, in a buffer of the reader's line size; the scanners must
// stop at its length whatever follows, here stale digits of an earlier line ("7 7 7 ...") or, on
// every other call, a terminator and then those digits.
Scanned Plain(const PlainScanner& scanner, const std::string& line, int count) {
  static bool terminated = false;
  terminated = !terminated;
  char buffer[256];
  for (size_t i = 0; i < sizeof buffer; ++i) buffer[i] = i % 2 ? ' ' : '7';
  std::memcpy(buffer, line.c_str(), line.size() + (terminated ? 1 : 0));
  Scanned result;
  result.first = -99;
  std::fill(std::begin(result.values), std::end(result.values), -99.0f);
  result.read = scanner.scan(buffer, line.size(), result.first, result.values, count);
  return result;
}

// Returns whether the whole-line scanner read the line; fails the test where it read something
// else than the general scanners or wrote into a refused line's results.
bool ExpectSameAsGeneral(const PlainScanner& scanner, const std::string& line, int count) {
  const Scanned plain = Plain(scanner, line, count);
  if (!plain.read) {
    EXPECT_EQ(plain.first, -99) << line;
    return false;
  }
  const Scanned general = General(line, count);
  EXPECT_TRUE(general.read) << line;
  EXPECT_EQ(plain.first, general.first) << line;
  for (int k = 0; k < count; ++k) {
    EXPECT_EQ(std::memcmp(&plain.values[k], &general.values[k], sizeof(float)), 0)
        << line << " value " << k << ": " << plain.values[k] << " against " << general.values[k];
  }
  return true;
}

std::string VertexLine(std::mt19937& random, const char* format) {
  std::uniform_real_distribution<double> coordinate(-200.0, 200.0), unit(-1.0, 1.0);
  char text[256];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(random() % 64));
  std::string line = text;
  for (int k = 0; k < 8; ++k) {
    std::snprintf(text, sizeof text, format, k < 3 ? coordinate(random) : unit(random));
    line += ' ';
    line += text;
  }
  return line + "\n";
}

TEST_P(SmdLineScanTest, ExporterLinesReadAsTheGeneralScannersReadThem) {
  std::mt19937 random(7);
  int read = 0;
  for (const char* format : {"%.6f", "%.3f", "%.7f", "%.1f", "%.0f."}) {
    for (int i = 0; i < 20000; ++i) read += ExpectSameAsGeneral(GetParam(), VertexLine(random, format), 8);
  }
  EXPECT_EQ(read, 100000) << "plain lines take the whole-line path";
}

TEST_P(SmdLineScanTest, PoseLinesReadSixReals) {
  EXPECT_TRUE(ExpectSameAsGeneral(GetParam(), "12 -1.250000 0.000000 33.500000 -3.141593 0.5 1.570796\n", 6));
  ExpectSameAsGeneral(GetParam(), "12 -1.250000 0.000000 33.500000 -3.141593 0.5\n", 6);
  ExpectSameAsGeneral(GetParam(), "  3\t-0.000000  7.25 1 2 3 4\r\n", 6);
}

// Lines of up to 64 characters are masked in one word, longer ones in two: lines ending, and
// numbers lying, on either side of that edge are all read.
TEST_P(SmdLineScanTest, LinesAroundTheSixtyFourthCharacterAreRead) {
  const std::string pose = "3 -1.250000 0.500000 33.500000 -3.141593 0.5 1.570796\n";
  const std::string head = "3 1.5 -2.25 3.0 0.5 0.5 -0.5 0.25", last = " -0.750001\n";
  for (size_t length = 56; length <= 76; ++length) {
    EXPECT_TRUE(ExpectSameAsGeneral(GetParam(), std::string(length - pose.size(), ' ') + pose, 6)) << length;
    const std::string vertex = head + std::string(length - head.size() - last.size(), ' ') + last;
    EXPECT_TRUE(ExpectSameAsGeneral(GetParam(), vertex, 8)) << length;
  }
}

TEST_P(SmdLineScanTest, OddLinesAreRefusedOrReadAlike) {
  const std::string base = "5 1.5 -2.25 3.0 0.5 0.5 -0.5 0.25 0.75";
  for (const std::string& line :
       std::vector<std::string>{base,
                                base + "\n",
                                base + " trailing words",
                                base + "e",
                                base + "e3",
                                base + "x",
                                base + ".5",
                                base + "-1",
                                "  \t" + base,
                                "-5 .5 5. -.5 0.0 -0.0 1 2 3",
                                "+5 1.5 2 3 4 5 6 7 8",
                                "5 +1.5 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 1.5.5 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 1-5 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 --1.5 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 - 1.5 2.0 3.0 4.0 5.0 6.0 7.0",
                                "5.0 1.5 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 1.5,2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 1.5 2.0 3.0",
                                "5",
                                "",
                                "\n",
                                "12345678 1.0 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "1234567 1.0 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 12345678.0 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 1234567.1234567 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 1.12345678 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 1e5 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 inf 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 0x1p3 2.0 3.0 4.0 5.0 6.0 7.0 8.0",
                                "5 1.5 2.0 3.0 4.0 5.0 6.0 7.0 8.0 9.0 10.0",
                                std::string("5 1.5 2.0\0 3.0 4.0 5.0 6.0 7.0 8.0", 34),
                                "5 1.5 2.0 3.0 4.0 5.0 6.0 7.0 8" + std::string(120, '0')}) {
    ExpectSameAsGeneral(GetParam(), line, 8);
  }
}

// Sixteen characters fit a real of seven digits a side with its sign; one more digit is refused
// wherever the real stands, not read as its first sixteen characters.
TEST_P(SmdLineScanTest, RealsOfMoreThanSevenDigitsASideAreRefused) {
  const std::string longest = "-1234567.1234567", tooLong = "-1234567.12345678";
  for (int at = 0; at < 6; ++at) {
    std::string line = "5", over = "5";
    for (int k = 0; k < 6; ++k) {
      line += " " + (k == at ? longest : std::string("1.5"));
      over += " " + (k == at ? tooLong : std::string("1.5"));
    }
    EXPECT_TRUE(ExpectSameAsGeneral(GetParam(), line + "\n", 6)) << line;
    EXPECT_FALSE(ExpectSameAsGeneral(GetParam(), over + "\n", 6)) << over;
    EXPECT_FALSE(ExpectSameAsGeneral(GetParam(), over + " 2.5 3.5\n", 8)) << over;
  }
}

TEST_P(SmdLineScanTest, DamagedLinesAreRefusedOrReadAlike) {
  std::mt19937 random(23);
  static constexpr char kCharacters[] = " \t\r\n-+.0123456789eExX,ab";
  int read = 0;
  for (int i = 0; i < 40000; ++i) {
    std::string line = VertexLine(random, i % 2 ? "%.6f" : "%.2f");
    const int changes = 1 + static_cast<int>(random() % 3);
    for (int c = 0; c < changes; ++c) {
      const size_t at = random() % line.size();
      const char character = i % 97 == 0 ? '\0' : kCharacters[random() % (sizeof kCharacters - 1)];
      switch (random() % 3) {
        case 0:
          line[at] = character;
          break;
        case 1:
          line.insert(at, 1, character);
          break;
        default:
          line.erase(at, 1);
          break;
      }
    }
    read += ExpectSameAsGeneral(GetParam(), line, 8);
    read += ExpectSameAsGeneral(GetParam(), line, 6);
  }
  EXPECT_GT(read, 1000) << "some damaged lines still hold plain numbers";
}

TEST_P(SmdLineScanTest, LinesPastTheLimitGoToTheGeneralScanners) {
  std::string line = "5";
  for (int k = 0; k < 8; ++k) line += " 1.000000";
  line += std::string(smd::kPlainLineLimit - line.size(), ' ');
  EXPECT_TRUE(ExpectSameAsGeneral(GetParam(), line, 8)) << "127 characters";
  EXPECT_FALSE(ExpectSameAsGeneral(GetParam(), line + " ", 8)) << "128 characters";
}

TEST_P(SmdLineScanTest, NumbersNearAHalfwayPointAgreeBitForBit) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  char text[64];
  for (int i = 0; i < 20000; ++i) {
    // Halfway between two floats near 2^k, written with few digits, in every place of the line.
    const int exponent = static_cast<int>(unit(random) * 20) - 6;
    const double halfway = std::ldexp(1.0, exponent) + std::ldexp(1.0, exponent - 24) * (2 * (i % 64) + 1);
    std::snprintf(text, sizeof text, "%.7f", halfway);
    std::string line = "1";
    for (int k = 0; k < 8; ++k) line += k == i % 8 ? std::string(" ") + text : " 0.5";
    ExpectSameAsGeneral(GetParam(), line, 8);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scanners, SmdLineScanTest,
    testing::Values(PlainScanner{"avx512", smd::ScanPlainLineAvx512, smd::PlainLineAvx512Available},
                    PlainScanner{"avx2", smd::ScanPlainLineAvx2, smd::PlainLineAvx2Available}),
    [](const testing::TestParamInfo<PlainScanner>& info) { return std::string(info.param.name); });

}  // namespace
