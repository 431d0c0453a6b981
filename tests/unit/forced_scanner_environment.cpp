// Skips the unit tests' scanner reruns where the processor lacks the scanner (tests/forced_scanner.h).
#include "tests/forced_scanner.h"

static testing::Environment* const kForcedScanner =
    testing::AddGlobalTestEnvironment(new ForcedScannerEnvironment);
