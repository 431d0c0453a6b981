// Conversion of the program's code page 949 (Korean) byte strings to UTF-8 and back, through
// iconv. Bytes that do not form a code page 949 character become U+FFFD; nothing is read past
// the given length.
#pragma once

#include <cstddef>
#include <string>

// Keeps one conversion open so that converting a string every frame allocates nothing once
// `utf8` has grown to the longest text.
class Cp949Decoder {
 public:
  Cp949Decoder();
  ~Cp949Decoder();
  Cp949Decoder(const Cp949Decoder&) = delete;
  Cp949Decoder& operator=(const Cp949Decoder&) = delete;

  // Replaces `utf8` with the conversion of `length` bytes. False only when the system offers no
  // code page 949 conversion; `utf8` then holds the ASCII bytes and U+FFFD for the others.
  bool Convert(const char* bytes, size_t length, std::string* utf8);

 private:
  void* handle_;
};

bool Cp949ToUtf8(const char* bytes, size_t length, std::string* utf8);

// The reverse, for tests and tools: characters code page 949 lacks and invalid UTF-8 become '?'.
bool Utf8ToCp949(const char* utf8, size_t length, std::string* bytes);
