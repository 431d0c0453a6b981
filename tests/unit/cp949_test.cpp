// Code page 949 conversion: the overlay's Korean texts both ways, and bytes that are not text.
#include "base/cp949.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// "[광원]X:%f" as the program holds it.
const char kLightLine[] = "[\xB1\xA4\xBF\xF8]X:%f";

TEST(Cp949, OverlayTextRoundTrips) {
  std::string utf8, back;
  ASSERT_TRUE(Cp949ToUtf8(kLightLine, std::strlen(kLightLine), &utf8));
  EXPECT_EQ(utf8, "[광원]X:%f");
  ASSERT_TRUE(Utf8ToCp949(utf8.data(), utf8.size(), &back));
  EXPECT_EQ(back, kLightLine);
}

TEST(Cp949, ArrowsAndTheExtendedSyllables) {
  std::string utf8, back;
  // ↑↓ are A1E8 A1E9; 똠 (8C 63) lies in the part of code page 949 beyond EUC-KR.
  ASSERT_TRUE(Utf8ToCp949("[↑↓] 똠", std::strlen("[↑↓] 똠"), &back));
  EXPECT_EQ(back, "[\xA1\xE8\xA1\xE9] \x8C\x63");
  ASSERT_TRUE(Cp949ToUtf8(back.data(), back.size(), &utf8));
  EXPECT_EQ(utf8, "[↑↓] 똠");
}

TEST(Cp949, InvalidBytesBecomeReplacementCharacters) {
  std::string utf8;
  // 0xFF is never a lead byte; 0xB1 0x20 is a lead byte with a bad trail; a lone lead byte ends it.
  const char bytes[] =
      "a\xFF"
      "b\xB1 c\xB0";
  ASSERT_TRUE(Cp949ToUtf8(bytes, sizeof bytes - 1, &utf8));
  EXPECT_EQ(utf8,
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD c\xEF\xBF\xBD");
}

TEST(Cp949, NeverReadsPastTheLength) {
  std::string utf8;
  // The length cuts the syllable in half; the byte after it must not be used.
  const char bytes[] = "X\xB1\xA4";
  ASSERT_TRUE(Cp949ToUtf8(bytes, 2, &utf8));
  EXPECT_EQ(utf8, "X\xEF\xBF\xBD");
  ASSERT_TRUE(Cp949ToUtf8(nullptr, 5, &utf8));
  EXPECT_EQ(utf8, "");
  ASSERT_TRUE(Cp949ToUtf8(bytes, 0, &utf8));
  EXPECT_EQ(utf8, "");
}

TEST(Cp949, DecoderReusesItsOutputAcrossCalls) {
  Cp949Decoder decoder;
  std::string utf8;
  const std::string longText(1000, 'x');
  ASSERT_TRUE(decoder.Convert(longText.data(), longText.size(), &utf8));
  EXPECT_EQ(utf8, longText);
  const char* storage = utf8.data();
  ASSERT_TRUE(decoder.Convert(kLightLine, std::strlen(kLightLine), &utf8));
  EXPECT_EQ(utf8, "[광원]X:%f");
  EXPECT_EQ(utf8.data(), storage);
  ASSERT_TRUE(decoder.Convert("\xB1", 1, &utf8));  // state after a cut-off character is reset
  ASSERT_TRUE(decoder.Convert(kLightLine, std::strlen(kLightLine), &utf8));
  EXPECT_EQ(utf8, "[광원]X:%f");
}

}  // namespace
