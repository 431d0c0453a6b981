// The numeric-line entry: the general scanner over a zero-terminated copy of the line, and the
// choice of scanner, made once from the processor and HATCHING_SCANNER.
#include "model/smd_number_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/smd_line_scan.h"
#include "model/smd_scan.h"

namespace smd {

static_assert(SmdLineSource::kReadable >= kPlainLineReadable,
              "the whole-line scanner reads further than the line source guarantees");

namespace {

// The line ends at its length whatever follows it, so it is scanned from a copy that ends there.
bool ScanGeneral(const SmdLine& line, int& first, float* values, int count) {
  char text[SmdLineSource::kCapacity];
  const size_t length = line.length < sizeof text ? line.length : sizeof text - 1;
  std::memcpy(text, line.text, length);
  text[length] = '\0';
  const char* p = text;
  int number = 0;
  float scanned[8];
  if (count > 8 || !ScanInt(p, number)) return false;
  for (int k = 0; k < count; ++k)
    if (!ScanFloat(p, scanned[k])) return false;
  first = number;
  std::memcpy(values, scanned, sizeof(float) * static_cast<size_t>(count));
  return true;
}

NumberLineScanner ChosenScanner() {
  const bool wide = PlainLineScanAvailable();
  const char* asked = std::getenv("HATCHING_SCANNER");
  if (!asked || !*asked) return wide ? NumberLineScanner::kAvx512 : NumberLineScanner::kGeneral;
  if (std::strcmp(asked, "general") == 0) return NumberLineScanner::kGeneral;
  if (std::strcmp(asked, "avx512") == 0 && wide) return NumberLineScanner::kAvx512;
  std::fprintf(stderr, "hatching: HATCHING_SCANNER=%s: %s; the %s scanner reads the numbers\n", asked,
               std::strcmp(asked, "avx512") == 0 ? "this processor lacks AVX-512 with VBMI2"
                                                 : "expected \"general\" or \"avx512\"",
               wide ? "AVX-512" : "general");
  return wide ? NumberLineScanner::kAvx512 : NumberLineScanner::kGeneral;
}

NumberLineScanner& Active() {
  static NumberLineScanner active = ChosenScanner();
  return active;
}

}  // namespace

bool ScanNumberLine(const SmdLine& line, int& first, float* values, int count) {
  if (Active() == NumberLineScanner::kAvx512 && ScanPlainLine(line.text, line.length, first, values, count))
    return true;
  return ScanGeneral(line, first, values, count);
}

NumberLineScanner ActiveNumberLineScanner() {
  return Active();
}

bool NumberLineScannerAvailable(NumberLineScanner scanner) {
  return scanner == NumberLineScanner::kGeneral || PlainLineScanAvailable();
}

bool UseNumberLineScanner(NumberLineScanner scanner) {
  if (!NumberLineScannerAvailable(scanner)) return false;
  Active() = scanner;
  return true;
}

}  // namespace smd
