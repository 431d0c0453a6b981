// The nodes-block line `index "name" parent`, scanned as `%d "%[^"]" %d` would scan it, with the
// name cut to fit its buffer.
#pragma once

#include <cstddef>

#include "model/smd_field_scan.h"

namespace smd {

// False (with `name` possibly written) when the line does not match the pattern, including an
// empty name or a missing closing quote.
inline bool ScanNodeLine(const char* line, int& index, char* name, size_t nameCapacity, int& parent) {
  const char* p = line;
  if (!ScanInt(p, index)) return false;
  p = SkipSpace(p);
  if (*p != '"') return false;
  ++p;
  size_t n = 0;
  while (*p != '\0' && *p != '"') {
    if (n + 1 < nameCapacity) name[n++] = *p;
    ++p;
  }
  name[n] = '\0';
  if (n == 0 || *p != '"') return false;
  ++p;
  return ScanInt(p, parent);
}

}  // namespace smd
