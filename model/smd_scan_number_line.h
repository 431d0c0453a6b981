// Scanning of the numeric lines, vertex and pose lines, which hold nearly all of an SMD file's
// bytes: "%d" and then `count` (6 or 8) times "%f".
//
// Three scanners stand behind the one entry. The general scanner (smd::ScanInt and smd::ScanFloat)
// defines the results. On processors with AVX-512 (with VBMI2), or else with AVX2, a whole-line
// scanner reads the lines whose numbers are all plain decimals, to the general scanner's bit, and
// leaves it every other line. The choice is made once, at the first line scanned: the widest the
// processor has, unless the environment variable HATCHING_SCANNER names one ("general", "avx2" or
// "avx512"); a name that is unknown, or that the processor cannot run, is said on standard error
// and the widest scanner reads the numbers.
#pragma once

#include "model/smd_line_source.h"

namespace smd {

enum class NumberLineScanner { kGeneral, kAvx2, kAvx512 };

// Reads the numbers of `line`; false, writing nothing, when the line does not match the pattern.
bool ScanNumberLine(const SmdLine& line, int& first, float* values, int count);

NumberLineScanner ActiveNumberLineScanner();
bool NumberLineScannerAvailable(NumberLineScanner scanner);
// Switches scanners from now on (tests, benchmarks); false, changing nothing, where the processor
// lacks the one asked for.
bool UseNumberLineScanner(NumberLineScanner scanner);
// "general", "avx2" or "avx512", as HATCHING_SCANNER names them.
const char* NumberLineScannerName(NumberLineScanner scanner);

}  // namespace smd
