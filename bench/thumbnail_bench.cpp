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

#include "bench/bench_summary.h"

extern char** environ;

namespace {

constexpr int kRuns = 5;

double Monotonic() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Run {
  bool ok = false;
  double startedAt = 0;
  double endedAt = 0;
  std::string errors;
};

// Runs `arguments` in `folder`, keeping standard error; standard output goes nowhere.
Run Spawn(std::vector<std::string> arguments, const std::string& folder) {
  Run run;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  run.startedAt = Monotonic();
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  char buffer[4096];
  ssize_t n;
  while (spawned == 0 && (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
    run.errors.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  if (spawned == 0) waitpid(child, &status, 0);
  run.endedAt = Monotonic();
  run.ok = spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: thumbnail_bench PROGRAM CONTENT_DIR\n");
    return 2;
  }
  char* programPath = realpath(argv[1], nullptr);
  char* contentPath = realpath(argv[2], nullptr);
  if (!programPath || !contentPath) {
    std::fprintf(stderr, "thumbnail_bench: %s or %s is missing\n", argv[1], argv[2]);
    return 1;
  }
  const std::string program = programPath;
  const std::string content = contentPath;
  std::free(programPath);
  std::free(contentPath);
  const char* folder = std::getenv("BENCH_INPUTS");
  const std::string picture = std::string(folder && *folder ? folder : "/tmp") + "/thumbnail_bench.png";
  const std::string reference = content + "/Model/SMD/Vekku_Red/Ref_Red.smd";

  std::vector<double> thumbnails, startups;
  for (int run = 0; run < kRuns; ++run) {
    const Run thumbnail = Spawn({program, "--thumbnail", "256", reference, picture}, content);
    const Run startup = Spawn({program, "--headless", "--frames", "1", "--report-startup"}, content);
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
