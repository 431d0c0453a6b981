// The thumbnailer's time as a file manager sees it: from starting `hatching --thumbnail 256` on
// the default character's reference file to the process's exit with its picture written, against
// the program's own start-up (process start to the first presented frame of a headless run),
// measured in turn in the same run so that both see the same machine load.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "bench/program_run.h"
#include "bench/bench_summary.h"

namespace {

constexpr int kRuns = 5;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  // The program starts in the content folder: its path must not depend on this one.
  std::string program, content;
  if (!ProgramAndContent("thumbnail_bench", argc, argv, &program, &content)) return argc != 3 ? 2 : 1;
  const char* folder = std::getenv("BENCH_INPUTS");
  const std::string picture = std::string(folder && *folder ? folder : "/tmp") + "/thumbnail_bench.png";
  const std::string reference = content + "/Model/SMD/Vekku_Red/Ref_Red.smd";

  std::vector<double> thumbnails, startups;
  for (int run = 0; run < kRuns; ++run) {
    const ProgramRun thumbnail = SpawnProgram({program, "--thumbnail", "256", reference, picture}, content);
    const ProgramRun startup = SpawnProgram({program, "--headless", "--frames", "1", "--report-startup"}, content);
    const size_t at = startup.errors.find("(monotonic ");
    if (!thumbnail.ok || !startup.ok || at == std::string::npos) {
      std::fprintf(stderr, "thumbnail_bench: a run failed:\n%s%s", thumbnail.errors.c_str(),
                   startup.errors.c_str());
      return 1;
    }
    thumbnails.push_back((thumbnail.endedAt - thumbnail.startedAt) * 1e3);
    startups.push_back((std::strtod(startup.errors.c_str() + at + 11, nullptr) - startup.startedAt) * 1e3);
    std::printf("run %d: thumbnail written after %.1f ms; first frame after %.1f ms\n", run + 1,
                thumbnails.back(), startups.back());
  }
  std::remove(picture.c_str());
  const double thumbnail = Median(thumbnails);
  const double startup = Median(startups);
  char target[64];
  std::snprintf(target, sizeof target, "≤ 1.5 × startup_ms, %.0f here", startup);
  return PrintSummary({{"thumbnail_ms", thumbnail, target, thumbnail > 0 && thumbnail <= 1.5 * startup}}) == 0
             ? 0
             : 3;
}
