// Input replay file parsing.
#include "app/input_script.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

constexpr long kMaxFileBytes = 16L * 1024 * 1024;
constexpr int kMaxFrame = 1000000000;

struct Keyword {
  const char* word;
  InputEventKind kind;
  int operands;  // numbers after the keyword
};

constexpr Keyword kKeywords[] = {
    {"key", InputEventKind::kKey, 1},
    {"rdown", InputEventKind::kRightDown, 2},
    {"move", InputEventKind::kMove, 2},
    {"rup", InputEventKind::kRightUp, 2},
    {"deactivate", InputEventKind::kDeactivate, 0},
    {"activate", InputEventKind::kActivate, 0},
    {"close", InputEventKind::kClose, 0},
    {"drop", InputEventKind::kDrop, -1},
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool ParseNumber(std::string_view word, int minimum, int maximum, int* value) {
  int parsed = 0;
  const char* end = word.data() + word.size();
  const auto [stop, status] = std::from_chars(word.data(), end, parsed);
  if (status != std::errc() || stop != end || parsed < minimum || parsed > maximum) return false;
  *value = parsed;
  return true;
}

// Parses one non-empty line; on failure sets `what` to the reason.
bool ParseLine(const std::vector<std::string_view>& words, InputEvent* event, std::string* what) {
  if (!ParseNumber(words[0], 0, kMaxFrame, &event->frame)) {
    *what = "expected a frame number from 0 to 1000000000, found '" + std::string(words[0]) + "'";
    return false;
  }
  if (words.size() < 2) {
    *what = "expected an event after the frame number";
    return false;
  }
  const Keyword* keyword = nullptr;
  for (const Keyword& candidate : kKeywords)
    if (words[1] == candidate.word) keyword = &candidate;
  if (!keyword) {
    *what = "unknown event '" + std::string(words[1]) +
            "' (expected key, rdown, move, rup, deactivate, activate, close or drop)";
    return false;
  }
  event->kind = keyword->kind;
  if (keyword->kind == InputEventKind::kDrop) {
    if (words.size() < 3) {
      *what = "'drop' takes one or more paths";
      return false;
    }
    for (size_t i = 2; i < words.size(); ++i) event->paths.emplace_back(words[i]);
    return true;
  }
  if (static_cast<int>(words.size()) != 2 + keyword->operands) {
    *what = "'" + std::string(words[1]) + "' takes " + std::to_string(keyword->operands) + " number" +
            (keyword->operands == 1 ? "" : "s") + ", found " + std::to_string(words.size() - 2);
    return false;
  }
  if (keyword->kind == InputEventKind::kKey) {
    if (!ParseNumber(words[2], 1, 254, &event->key)) {
      *what = "expected a virtual-key code from 1 to 254, found '" + std::string(words[2]) + "'";
      return false;
    }
  } else if (keyword->operands == 2) {
    // Cursor positions travel as 16-bit halves of one message parameter.
    if (!ParseNumber(words[2], 0, 65535, &event->x) || !ParseNumber(words[3], 0, 65535, &event->y)) {
      *what = "expected x and y from 0 to 65535, found '" + std::string(words[2]) + " " +
              std::string(words[3]) + "'";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseInputScript(const std::string& text, const std::string& name, std::vector<InputEvent>* events,
                      std::string* error) {
  events->clear();
  std::string_view rest = text;
  int lineNumber = 0;
  while (!rest.empty()) {
    ++lineNumber;
    const size_t newline = rest.find('\n');
    std::string_view line = rest.substr(0, newline);
    rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
    const size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    const std::vector<std::string_view> words = SplitWords(line);
    if (words.empty()) continue;

    InputEvent event;
    event.line = lineNumber;
    std::string what;
    if (!ParseLine(words, &event, &what)) {
      *error = name + ":" + std::to_string(lineNumber) + ": " + what;
      events->clear();
      return false;
    }
    if (!events->empty() && event.frame < events->back().frame) {
      *error = name + ":" + std::to_string(lineNumber) + ": frame " + std::to_string(event.frame) +
               " comes after frame " + std::to_string(events->back().frame) +
               "; events must be in frame order";
      events->clear();
      return false;
    }
    events->push_back(event);
  }
  return true;
}

bool LoadInputScript(const std::string& path, std::vector<InputEvent>* events, std::string* error) {
  events->clear();
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) {
    *error = path + ": cannot open the input file: " + std::strerror(errno);
    return false;
  }
  std::string text;
  char chunk[4096];
  size_t got = 0;
  errno = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    text.append(chunk, got);
    if (static_cast<long>(text.size()) > kMaxFileBytes) {
      *error = path + ": the input file is larger than 16 MiB";
      return false;
    }
  }
  if (std::ferror(file.get())) {
    *error = path + ": cannot read the input file: " + std::strerror(errno ? errno : EIO);
    return false;
  }
  return ParseInputScript(text, path, events, error);
}
