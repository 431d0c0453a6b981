// The reporter, the summary and the interleaved run.
#include "bench/bench_summary.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

void TimesReporter::ReportRuns(const std::vector<Run>& runs) {
  // The console shows errors and the statistics of each benchmark, not every repetition.
  std::vector<Run> shown;
  for (const Run& run : runs) {
    if (run.run_type == Run::RT_Aggregate || run.error_occurred) shown.push_back(run);
    if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
    const std::string& name = run.run_name.function_name;
    seconds_[name].push_back(run.real_accumulated_time / static_cast<double>(run.iterations));
    for (const auto& [counter, value] : run.counters) {
      double& largest = counters_[name][counter];
      largest = std::max(largest, static_cast<double>(value));
    }
  }
  if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
}

double TimesReporter::MinSeconds(const std::string& name) const {
  const auto found = seconds_.find(name);
  if (found == seconds_.end() || found->second.empty()) return 0;
  return *std::min_element(found->second.begin(), found->second.end());
}

double TimesReporter::MaxCounter(const std::string& name, const std::string& counter) const {
  const auto found = counters_.find(name);
  if (found == counters_.end()) return 0;
  const auto value = found->second.find(counter);
  return value == found->second.end() ? 0 : value->second;
}

int PrintSummary(const std::vector<Figure>& figures) {
  const char* path = std::getenv("BENCH_SUMMARY");
  FILE* file = path && *path ? std::fopen(path, "a") : nullptr;
  int missed = 0;
  std::printf("\nsummary\n");
  for (const Figure& figure : figures) {
    char line[256];
    std::snprintf(line, sizeof line, "%s: %.2f (%s)%s\n", figure.name.c_str(), figure.value,
                  figure.target.c_str(), figure.met ? "" : " MISSED");
    std::fputs(line, stdout);
    if (file) std::fputs(line, file);
    if (!figure.met) ++missed;
  }
  if (file) std::fclose(file);
  std::fflush(stdout);
  return missed;
}

void RunInterleaved(int argc, char** argv, TimesReporter* reporter) {
  std::vector<char*> arguments(argv, argv + argc);
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  arguments.insert(arguments.begin() + 1, interleave);
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  benchmark::RunSpecifiedBenchmarks(reporter);
  benchmark::Shutdown();
}
