// The soak run: the program headless on the default content for many frames, with replayed input
// that moves the camera and the light and toggles wireframe, its resident memory sampled from
// /proc while it runs. Under the sanitizers (scripts/test-sanitize, scripts/soak) the same run
// also shows that nothing leaks and nothing is reported. HATCHING_SOAK_FRAMES sets the length:
// 600 frames by default, a quick check in the plain test run.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

// Memory may move by this much after the warm-up, in kilobytes.
constexpr long kFlatKilobytes = 1024;

struct RssSample {
  int frame = 0;  // frames known to be rendered when the sample was taken
  long kilobytes = 0;
};

struct SoakRun {
  int exitCode = -1;
  bool timedOut = false;
  std::vector<RssSample> samples;
  std::string err;
};

int SoakFrames() {
  const char* text = std::getenv("HATCHING_SOAK_FRAMES");
  const int frames = text ? std::atoi(text) : 0;
  return frames > 0 ? frames : 600;
}

long ResidentKilobytes(pid_t pid) {
  const std::string status = ReadText("/proc/" + std::to_string(pid) + "/status");
  const size_t at = status.find("VmRSS:");
  return at == std::string::npos ? -1 : std::strtol(status.c_str() + at + 6, nullptr, 10);
}

// The highest frame number among the captured pictures in `folder`; older pictures are removed
// so a long run does not fill the disk.
int LatestCapturedFrame(const std::string& folder, int known) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return known;
  std::vector<int> numbers;
  while (const dirent* entry = readdir(dir)) {
    int number = 0;
    if (std::sscanf(entry->d_name, "frame_%d.png", &number) == 1) numbers.push_back(number);
  }
  closedir(dir);
  if (numbers.empty()) return known;
  const int latest = *std::max_element(numbers.begin(), numbers.end());
  for (int number : numbers) {
    if (number == latest) continue;
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06d.png", number);
    std::remove((folder + name).c_str());
  }
  return std::max(known, latest);
}

SoakRun RunSoak(int frames, int every, const std::string& folder, int timeoutSeconds) {
  const std::string captures = folder + "/frames";
  // Pictures of an earlier run would pass for progress of this one.
  std::filesystem::remove_all(captures);
  const std::string errPath = folder + "/stderr.txt";
  const std::string outPath = folder + "/stdout.txt";
  std::vector<std::string> all = {HATCHING_BINARY, "--headless",
                                  "--frames",      std::to_string(frames),
                                  "--input",       TestDataDirectory() + "/soak_input.txt",
                                  "--capture",     captures,
                                  "--every",       std::to_string(every)};
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  // Under AddressSanitizer the resident size holds the quarantine of freed blocks too: a small
  // one (recent frees still trap a use after free) is full within the first frames, so what
  // follows measures the program rather than the quarantine filling. The allocator would also
  // hand memory back to the system on a timer of its own.
  const char* options = std::getenv("ASAN_OPTIONS");
  std::vector<std::string> environment = {"ASAN_OPTIONS=" + std::string(options ? options : "") +
                                          ":quarantine_size_mb=4:allocator_release_to_os_interval_ms=-1"};
  for (char** entry = environ; *entry; ++entry)
    if (std::strncmp(*entry, "ASAN_OPTIONS=", 13) != 0) environment.emplace_back(*entry);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  SoakRun run;
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || chdir(ContentDirectory().c_str()) != 0) _exit(126);
    dup2(out, 1);
    dup2(err, 2);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (child < 0) return run;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  int frame = 0;
  for (;;) {
    // The frame count first: the memory read after it belongs to that frame or a later one.
    frame = LatestCapturedFrame(captures, frame);
    const long kilobytes = ResidentKilobytes(child);
    if (waitpid(child, &status, WNOHANG) == child) break;
    if (kilobytes > 0) run.samples.push_back({frame, kilobytes});
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      run.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!run.timedOut && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.err = ReadText(errPath);
  std::string table;
  for (const RssSample& sample : run.samples)
    table += std::to_string(sample.frame) + " " + std::to_string(sample.kilobytes) + "\n";
  WriteText(folder + "/rss.txt", table);
  return run;
}

bool HasSanitizerReport(const std::string& text) {
  for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                             "runtime error:", "WARNING: AddressSanitizer", "SUMMARY: "})
    if (text.find(marker) != std::string::npos) return true;
  return false;
}

// The replayed input repeats every 200 frames, and some of its frames (wireframe ones) make the
// GL driver take and give back large blocks: the resident size swings within a cycle. Its lowest
// point in each cycle is what must stay flat; a leak raises it cycle after cycle.
constexpr int kInputCycleFrames = 200;

TEST(Soak, LongHeadlessRunWithInputLeaksNothingAndKeepsMemoryFlat) {
  const int frames = SoakFrames();
  // Warm-up: the first thousand frames of a long run, the first third of a short one.
  const int warm = std::min(1000, frames / 3);
  const int every = frames >= 4000 ? 100 : 50;
  const std::string folder = TestOutputDirectory("soak");
  // Even the sanitized program renders a few frames a second; a generous bound on the run.
  const int timeout = 120 + frames / 2;
  const SoakRun run = RunSoak(frames, every, folder, timeout);

  ASSERT_FALSE(run.timedOut) << frames << " frames took longer than " << timeout << " s; " << folder;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_FALSE(HasSanitizerReport(run.err)) << run.err;

  // The lowest resident size of each whole input cycle after the warm-up and before shutdown.
  const int firstCycle = (warm + kInputCycleFrames - 1) / kInputCycleFrames;
  const int cycles = frames / kInputCycleFrames - firstCycle;
  std::vector<long> lowest(cycles > 0 ? static_cast<size_t>(cycles) : 0, 0);
  long peak = 0;
  for (const RssSample& sample : run.samples) {
    peak = std::max(peak, sample.kilobytes);
    const int cycle = sample.frame / kInputCycleFrames - firstCycle;
    if (cycle < 0 || cycle >= cycles) continue;
    long& low = lowest[static_cast<size_t>(cycle)];
    low = low == 0 ? sample.kilobytes : std::min(low, sample.kilobytes);
  }
  std::string series;
  for (long low : lowest) series += " " + std::to_string(low);
  std::printf("soak: %d frames, %zu samples, peak %ld kB; lowest kB per %d-frame cycle from frame %d:%s\n",
              frames, run.samples.size(), peak, kInputCycleFrames, firstCycle * kInputCycleFrames,
              series.c_str());
  ASSERT_GE(cycles, 2) << "too short a run to judge the memory after frame " << warm;
  for (long low : lowest) ASSERT_GT(low, 0) << "a cycle without a memory sample";
  const auto [low, high] = std::minmax_element(lowest.begin(), lowest.end());
  EXPECT_LE(*high - *low, kFlatKilobytes)
      << "resident memory moved by " << (*high - *low) << " kB after frame " << firstCycle * kInputCycleFrames
      << ":" << series;
}

}  // namespace
