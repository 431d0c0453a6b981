// Fuzz target: one line of bytes through every number-line scanner this processor has, as a vertex
// line and as a pose line. All must agree with the general scanner: the same lines read, the same
// integer and the same float bits, and nothing written where the line is refused.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "model/smd_line_source.h"
#include "model/smd_scan_number_line.h"

namespace {

struct Scanned {
  bool read = false;
  int first = -77;
  float values[8];
};

// The line where a loader finds it: in a buffer with the padding the line source guarantees, the
// bytes after it stale.
Scanned Scan(smd::NumberLineScanner scanner, const char* text, size_t length, int count) {
  Scanned result;
  std::memset(result.values, 0x5A, sizeof result.values);
  FUZZ_CHECK(smd::UseNumberLineScanner(scanner));
  result.read = smd::ScanNumberLine(SmdLine{text, length}, result.first, result.values, count);
  return result;
}

}  // namespace

// The bytes after the line repeat the input, as stale text of other lines would follow it: the
// scanners must stop at the line's length whatever follows it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static char buffer[SmdLineSource::kCapacity + SmdLineSource::kReadable];
  if (size == 0) return 0;
  const size_t length = size < SmdLineSource::kCapacity - 1 ? size : SmdLineSource::kCapacity - 1;
  for (size_t i = 0; i < sizeof buffer; ++i) buffer[i] = static_cast<char>(data[i % size]);
  for (const int count : {6, 8}) {
    const Scanned general = Scan(smd::NumberLineScanner::kGeneral, buffer, length, count);
    for (const auto scanner : {smd::NumberLineScanner::kAvx2, smd::NumberLineScanner::kAvx512}) {
      if (!smd::NumberLineScannerAvailable(scanner)) continue;
      const Scanned wide = Scan(scanner, buffer, length, count);
      FUZZ_CHECK(wide.read == general.read);
      FUZZ_CHECK(wide.first == general.first);
      FUZZ_CHECK(std::memcmp(wide.values, general.values, sizeof wide.values) == 0);
    }
  }
  return 0;
}
