// What every benchmark program shares: a reporter that keeps each repetition's time per
// iteration next to Google Benchmark's console output, and the summary lines the programs end
// with, one figure a line as "name: value (target)".
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class TimesReporter : public benchmark::ConsoleReporter {
 public:
  TimesReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override;

  // The fastest repetition's seconds per iteration of the benchmark function `name`; 0 when it
  // has no repetition that ran without error.
  double MinSeconds(const std::string& name) const;
  // The largest value a repetition of `name` gave for a user counter; 0 when none did.
  double MaxCounter(const std::string& name, const std::string& counter) const;

 private:
  std::map<std::string, std::vector<double>> seconds_;
  std::map<std::string, std::map<std::string, double>> counters_;
};

struct Figure {
  std::string name;
  double value = 0;
  // How the target reads in the summary: "≥ 2.0", "≤ 2.5", or "report" for no target.
  std::string target;
  bool met = true;
};

// Prints the figures under a "summary" heading and appends them to the file that the
// environment variable BENCH_SUMMARY names, when it is set. Returns how many targets were missed.
int PrintSummary(const std::vector<Figure>& figures);

// Runs every registered benchmark with the repetitions of all of them interleaved at random, so
// that a baseline and the operation compared with it see the same machine load.
void RunInterleaved(int argc, char** argv, TimesReporter* reporter);

// Keeps the optimiser from dropping a value that is computed only to be measured.
template <typename T>
void Keep(const T& value) {
  benchmark::DoNotOptimize(value);
}
