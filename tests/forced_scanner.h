// The reruns of the SMD tests under HATCHING_SCANNER: where the processor lacks the scanner named,
// the whole rerun is skipped and says why, rather than passing on another scanner.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "model/smd_scan_number_line.h"

class ForcedScannerEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    const char* asked = std::getenv("HATCHING_SCANNER");
    if (!asked) return;
    for (const auto scanner : {smd::NumberLineScanner::kAvx2, smd::NumberLineScanner::kAvx512}) {
      // The "[  SKIPPED ]" prefix is what ctest takes for a skipped test.
      if (std::strcmp(asked, smd::NumberLineScannerName(scanner)) == 0 &&
          !smd::NumberLineScannerAvailable(scanner))
        GTEST_SKIP() << "[  SKIPPED ] HATCHING_SCANNER=" << asked << ": this processor lacks that scanner";
    }
  }
};
