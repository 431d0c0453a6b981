// Code page 949 to UTF-8 through iconv.
#include "app/sdl/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

std::string Cp949ToUtf8(const char* text) {
  if (!text) return {};
  const size_t length = std::strlen(text);
  iconv_t converter = iconv_open("UTF-8", "CP949");
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(text, length);

  std::string result;
  char* in = const_cast<char*>(text);
  size_t inLeft = length;
  char buffer[256];
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    result.append(buffer, static_cast<size_t>(out - buffer));
    if (converted != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // An invalid or cut-off sequence: mark it and go on after its first byte.
    result += "\xEF\xBF\xBD";
    ++in;
    --inLeft;
  }
  iconv_close(converter);
  return result;
}
