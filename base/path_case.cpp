// Case-insensitive file lookup and name order.
#include "base/path_case.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/platform.h"

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace

std::string FindIgnoringCase(const std::string& path) {
  namespace fs = std::filesystem;
  const std::string native = NativePath(path.c_str());
  std::error_code code;
  if (native.empty() || fs::exists(native, code)) return native.empty() ? std::string() : native;
  const fs::path asked(native);
  fs::path found = asked.root_path();
  for (const fs::path& part : asked.relative_path()) {
    const std::string name = part.string();
    if (name.empty() || name == "." || name == "..") {
      found /= part;
      continue;
    }
    fs::path exact = found / part;
    if (fs::exists(exact, code)) {
      found = exact;
      continue;
    }
    bool matched = false;
    for (fs::directory_iterator it(found.empty() ? fs::path(".") : found, code), end; !code && it != end;
         it.increment(code)) {
      const std::string candidate = it->path().filename().string();
      if (!EqualIgnoringCase(candidate, name)) continue;
      found /= candidate;
      matched = true;
      break;
    }
    if (!matched) return {};
  }
  return found.string();
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (Lower(a[i]) != Lower(b[i])) return Lower(a[i]) < Lower(b[i]);
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}
