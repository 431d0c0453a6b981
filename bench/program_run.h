// Runs of the program as a separate process, timed on the monotonic clock, for the benchmarks
// that measure it from the outside (start-up, thumbnails).
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
  bool ok = false;  // started, and exited with status 0
  double startedAt = 0;
  double endedAt = 0;
  std::string errors;  // what it wrote to standard error
};

// Seconds on the monotonic clock, which the program's --report-startup also reads.
double MonotonicSeconds();

// Runs `arguments` (the program's path first) in `folder`, keeping standard error; standard output
// goes nowhere.
ProgramRun SpawnProgram(std::vector<std::string> arguments, const std::string& folder);
