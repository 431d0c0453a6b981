// Code page 949 to UTF-8 through iconv.
#include "tools/smdinfo/text_encoding.h"

#include <iconv.h>

#include <vector>

namespace {

std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string Cp949ToUtf8(const std::string& text) {
  if (IsAscii(text)) return text;
  iconv_t converter = iconv_open("UTF-8", "CP949");
  if (converter == reinterpret_cast<iconv_t>(-1)) return Latin1ToUtf8(text);
  std::string input = text;
  std::vector<char> output(text.size() * 4 + 4);
  char* in = input.data();
  size_t inLeft = input.size();
  char* out = output.data();
  size_t outLeft = output.size();
  const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || inLeft != 0) return Latin1ToUtf8(text);
  return std::string(output.data(), static_cast<size_t>(out - output.data()));
}
