// Effect tokenizer; see effect_lexer.h.
#include "gfx/effect_lexer.h"

#include <cstdio>

namespace {

bool IsIdentStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsIdentChar(char c) {
  return IsIdentStart(c) || IsDigit(c);
}

}  // namespace

bool TokenizeEffect(const char* text, size_t size, std::vector<EffectToken>* tokens, int* errorLine,
                    std::string* what) {
  int line = 1;
  size_t i = 0;
  auto push = [&](EffectTokenKind kind, size_t begin, size_t end, int startLine) {
    tokens->push_back({kind, begin, end, startLine, std::string_view(text + begin, end - begin)});
  };
  while (i < size) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++i;
    } else if (c == '/' && i + 1 < size && text[i + 1] == '/') {
      while (i < size && text[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < size && text[i + 1] == '*') {
      const int startLine = line;
      i += 2;
      while (i < size && !(text[i] == '*' && i + 1 < size && text[i + 1] == '/')) {
        if (text[i] == '\n') ++line;
        ++i;
      }
      if (i >= size) {
        *errorLine = startLine;
        *what = "unterminated comment";
        return false;
      }
      i += 2;
    } else if (c == '#') {
      // A preprocessor line, continued by a backslash at its end.
      while (i < size && text[i] != '\n') {
        if (text[i] == '\\' && i + 1 < size && text[i + 1] == '\n') {
          ++line;
          ++i;
        } else if (text[i] == '\\' && i + 2 < size && text[i + 1] == '\r' && text[i + 2] == '\n') {
          ++line;
          i += 2;
        }
        ++i;
      }
    } else if (c == '"' || c == '\'') {
      const size_t begin = i++;
      while (i < size && text[i] != c && text[i] != '\n') i += (text[i] == '\\' && i + 1 < size) ? 2 : 1;
      if (i >= size || text[i] != c) {
        *errorLine = line;
        *what = c == '"' ? "unterminated string" : "unterminated character literal";
        return false;
      }
      push(EffectTokenKind::kString, begin, ++i, line);
    } else if (IsDigit(c) || (c == '.' && i + 1 < size && IsDigit(text[i + 1]))) {
      const size_t begin = i;
      const bool hex = c == '0' && i + 1 < size && (text[i + 1] == 'x' || text[i + 1] == 'X');
      while (i < size) {
        const char d = text[i];
        const bool sign = (d == '+' || d == '-') && !hex && (text[i - 1] == 'e' || text[i - 1] == 'E');
        if (!IsIdentChar(d) && d != '.' && !sign) break;
        ++i;
      }
      push(EffectTokenKind::kNumber, begin, i, line);
    } else if (IsIdentStart(c)) {
      const size_t begin = i;
      while (i < size && IsIdentChar(text[i])) ++i;
      push(EffectTokenKind::kIdentifier, begin, i, line);
    } else {
      push(EffectTokenKind::kPunct, i, i + 1, line);
      ++i;
    }
  }
  push(EffectTokenKind::kEnd, size, size, line);
  return true;
}

std::string QuoteToken(const EffectToken& token) {
  if (token.kind == EffectTokenKind::kEnd) return "end of file";
  std::string quoted = "'";
  const size_t shown = token.text.size() > 40 ? 40 : token.text.size();
  for (size_t i = 0; i < shown; ++i) {
    const auto byte = static_cast<unsigned char>(token.text[i]);
    if (byte < 0x20 || byte >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      quoted += escaped;
    } else {
      quoted += static_cast<char>(byte);
    }
  }
  if (shown < token.text.size()) quoted += "...";
  return quoted + "'";
}
