// The numeric-line entry: the general scanner over a zero-terminated copy of the line, and the
// choice of scanner, made once from the processor and HATCHING_SCANNER.
#include "model/smd_scan_number_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/smd_field_scan.h"
#include "model/smd_plain_line_scan.h"

namespace smd {

static_assert(SmdLineSource::kReadable >= kPlainLineReadable,
              "the whole-line scanners read further than the line source guarantees");

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

constexpr NumberLineScanner kScanners[] = {NumberLineScanner::kGeneral, NumberLineScanner::kAvx2,
                                           NumberLineScanner::kAvx512};

NumberLineScanner Widest() {
  if (PlainLineAvx512Available()) return NumberLineScanner::kAvx512;
  if (PlainLineAvx2Available()) return NumberLineScanner::kAvx2;
  return NumberLineScanner::kGeneral;
}

const char* Lacking(NumberLineScanner scanner) {
  return scanner == NumberLineScanner::kAvx512 ? "this processor lacks AVX-512 with VBMI2"
                                               : "this processor lacks AVX2 with BMI2";
}

NumberLineScanner ChosenScanner() {
  const NumberLineScanner widest = Widest();
  const char* asked = std::getenv("HATCHING_SCANNER");
  if (!asked || !*asked) return widest;
  const char* problem = "expected \"general\", \"avx2\" or \"avx512\"";
  for (const NumberLineScanner scanner : kScanners) {
    if (std::strcmp(asked, NumberLineScannerName(scanner)) != 0) continue;
    if (NumberLineScannerAvailable(scanner)) return scanner;
    problem = Lacking(scanner);
  }
  std::fprintf(stderr, "hatching: HATCHING_SCANNER=%s: %s; the %s scanner reads the numbers\n", asked,
               problem, NumberLineScannerName(widest));
  return widest;
}

NumberLineScanner& Active() {
  static NumberLineScanner active = ChosenScanner();
  return active;
}

}  // namespace

bool ScanNumberLine(const SmdLine& line, int& first, float* values, int count) {
  switch (Active()) {
    case NumberLineScanner::kAvx512:
      if (ScanPlainLineAvx512(line.text, line.length, first, values, count)) return true;
      break;
    case NumberLineScanner::kAvx2:
      if (ScanPlainLineAvx2(line.text, line.length, first, values, count)) return true;
      break;
    case NumberLineScanner::kGeneral:
      break;
  }
  return ScanGeneral(line, first, values, count);
}

NumberLineScanner ActiveNumberLineScanner() {
  return Active();
}

bool NumberLineScannerAvailable(NumberLineScanner scanner) {
  switch (scanner) {
    case NumberLineScanner::kAvx512:
      return PlainLineAvx512Available();
    case NumberLineScanner::kAvx2:
      return PlainLineAvx2Available();
    case NumberLineScanner::kGeneral:
      break;
  }
  return true;
}

bool UseNumberLineScanner(NumberLineScanner scanner) {
  if (!NumberLineScannerAvailable(scanner)) return false;
  Active() = scanner;
  return true;
}

const char* NumberLineScannerName(NumberLineScanner scanner) {
  switch (scanner) {
    case NumberLineScanner::kAvx512:
      return "avx512";
    case NumberLineScanner::kAvx2:
      return "avx2";
    case NumberLineScanner::kGeneral:
      break;
  }
  return "general";
}

}  // namespace smd
