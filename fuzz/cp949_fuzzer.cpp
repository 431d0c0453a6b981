// Fuzz target: the code page 949 text path, both the one-shot conversion and the decoder the
// overlay keeps open, and the reverse conversion. Whatever the bytes, the result is UTF-8.
#include "fuzz/fuzz_support.h"
#include "base/cp949.h"

namespace {

bool IsUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    uint32_t code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1;
      code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2;
      code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    for (size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return false;
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      code = (code << 6) | (d & 0x3F);
    }
    const uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < smallest[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Cp949Decoder decoder;
  const char* bytes = reinterpret_cast<const char*>(data);
  std::string once, kept, back;
  const bool converted = Cp949ToUtf8(bytes, size, &once);
  FUZZ_CHECK(decoder.Convert(bytes, size, &kept) == converted);
  FUZZ_CHECK(once == kept);
  FUZZ_CHECK(IsUtf8(once));
  Utf8ToCp949(bytes, size, &back);
  return 0;
}
