// iconv-based code page 949 conversion; see cp949.h.
#include "base/cp949.h"

#include <iconv.h>

#include <cerrno>

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);

// Converts through `cd`, putting `invalid` in place of each byte iconv refuses. A chunked stack
// buffer keeps the output string the only thing that may grow.
void Run(iconv_t cd, const char* in, size_t length, const char* invalid, std::string* out) {
  out->clear();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* source = const_cast<char*>(in);
  size_t left = length;
  char chunk[256];
  while (left > 0) {
    char* target = chunk;
    size_t room = sizeof chunk;
    const size_t result = iconv(cd, &source, &left, &target, &room);
    out->append(chunk, static_cast<size_t>(target - chunk));
    if (result != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ: an invalid byte; EINVAL: a character cut off by the end of the input.
    out->append(invalid);
    if (errno == EINVAL) break;
    ++source;
    --left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* target = chunk;
  size_t room = sizeof chunk;
  iconv(cd, nullptr, nullptr, &target, &room);
  out->append(chunk, static_cast<size_t>(target - chunk));
}

void AsciiOnly(const char* in, size_t length, const char* invalid, std::string* out) {
  out->clear();
  for (size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(in[i]) < 0x80)
      out->push_back(in[i]);
    else
      out->append(invalid);
  }
}

bool Convert(const char* to, const char* from, const char* in, size_t length, const char* invalid,
             std::string* out) {
  const iconv_t cd = iconv_open(to, from);
  if (cd == kNoConversion) {
    AsciiOnly(in, length, invalid, out);
    return false;
  }
  Run(cd, in, length, invalid, out);
  iconv_close(cd);
  return true;
}

}  // namespace

Cp949Decoder::Cp949Decoder() : handle_(iconv_open("UTF-8", "CP949")) {}

Cp949Decoder::~Cp949Decoder() {
  if (static_cast<iconv_t>(handle_) != kNoConversion) iconv_close(static_cast<iconv_t>(handle_));
}

bool Cp949Decoder::Convert(const char* bytes, size_t length, std::string* utf8) {
  if (!bytes) length = 0;
  if (static_cast<iconv_t>(handle_) == kNoConversion) {
    AsciiOnly(bytes, length, kReplacement, utf8);
    return false;
  }
  Run(static_cast<iconv_t>(handle_), bytes, length, kReplacement, utf8);
  return true;
}

bool Cp949ToUtf8(const char* bytes, size_t length, std::string* utf8) {
  return Convert("UTF-8", "CP949", bytes ? bytes : "", bytes ? length : 0, kReplacement, utf8);
}

bool Utf8ToCp949(const char* utf8, size_t length, std::string* bytes) {
  return Convert("CP949", "UTF-8", utf8 ? utf8 : "", utf8 ? length : 0, "?", bytes);
}
