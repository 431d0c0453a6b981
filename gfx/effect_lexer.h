// The tokenizer of the effect front end: identifiers, numbers, string literals and single
// punctuation characters, with the line each starts on. Comments and preprocessor lines are
// skipped (the HLSL compiler sees them again in the text that is handed on).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class EffectTokenKind { kIdentifier, kNumber, kString, kPunct, kEnd };

struct EffectToken {
  EffectTokenKind kind = EffectTokenKind::kEnd;
  size_t begin = 0, end = 0;  // byte range in the source
  int line = 1;
  std::string_view text;
  bool Is(char c) const { return kind == EffectTokenKind::kPunct && text.size() == 1 && text[0] == c; }
};

// Appends the tokens of `text` and a final kEnd token. On failure (an unterminated comment or
// string) returns false with the line it starts on and what is wrong. Linear in `size`.
bool TokenizeEffect(const char* text, size_t size, std::vector<EffectToken>* tokens, int* errorLine,
                    std::string* what);

// A token as an error message quotes it: at most 40 characters, control and non-ASCII bytes as \xNN.
std::string QuoteToken(const EffectToken& token);
