// End-to-end helpers: processes with a time limit, PNG pictures, comparisons, content copies.
#include "tests/e2e/e2e_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace fs = std::filesystem;

namespace {

constexpr int kFrameRateRows = 32;
constexpr int kBlock = 4;

}  // namespace

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string ContentDirectory() {
  return HATCHING_CONTENT_DIR;
}
std::string TestDataDirectory() {
  return HATCHING_TEST_DATA;
}

// The same test reruns at once on other scanners and skinning kernels (ctest -j): each rerun
// writes under a folder of its own, so that none clears another's pictures.
std::string OutputRoot() {
  std::string root = std::string(HATCHING_TEST_OUT) + "/e2e";
  for (const char* variable : {"HATCHING_SCANNER", "HATCHING_SKINNING"}) {
    const char* value = std::getenv(variable);
    if (value && *value) root += std::string("-") + value;
  }
  return root;
}

std::string TestOutputDirectory(const std::string& tag) {
  const std::string directory = OutputRoot() + "/" + tag;
  fs::create_directories(directory);
  return directory;
}

std::string FreshOutputDirectory(const std::string& tag) {
  fs::remove_all(OutputRoot() + "/" + tag);
  return TestOutputDirectory(tag);
}

RunResult RunProgramUnder(const std::vector<std::string>& prefix, const std::vector<std::string>& arguments,
                          const std::string& workingDirectory, const std::string& tag, int timeoutSeconds) {
  std::vector<std::string> all = prefix;
  all.push_back(HATCHING_BINARY);
  all.insert(all.end(), arguments.begin(), arguments.end());
  return RunCommand(all, workingDirectory, tag, timeoutSeconds);
}

RunResult RunCommand(std::vector<std::string> all, const std::string& workingDirectory,
                     const std::string& tag, int timeoutSeconds) {
  const std::string directory = TestOutputDirectory(tag);
  const std::string outPath = directory + "/stdout.txt";
  const std::string errPath = directory + "/stderr.txt";
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  RunResult result;
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || chdir(workingDirectory.c_str()) != 0) _exit(126);
    dup2(out, 1);
    dup2(err, 2);
    // Its own process group, so that a helper like xvfb-run goes down with it on a timeout.
    setpgid(0, 0);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (child < 0) return result;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(-child, SIGKILL);
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  return result;
}

RunResult RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                     const std::string& tag, int timeoutSeconds) {
  return RunProgramUnder({}, arguments, workingDirectory, tag, timeoutSeconds);
}

Picture Shrink(const Picture& picture, int block) {
  Picture small;
  small.width = picture.width / block;
  small.height = picture.height / block;
  small.rgb.resize(static_cast<size_t>(small.width) * small.height * 3);
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < block; ++dy)
          for (int dx = 0; dx < block; ++dx) sum += picture.At(x * block + dx, y * block + dy)[c];
        small.rgb[(static_cast<size_t>(y) * small.width + x) * 3 + c] =
            static_cast<uint8_t>(sum / (block * block));
      }
  return small;
}

bool LoadPicture(const std::string& path, Picture* picture) {
  int channels = 0;
  stbi_uc* pixels = stbi_load(path.c_str(), &picture->width, &picture->height, &channels, 3);
  if (!pixels) return false;
  picture->rgb.assign(pixels, pixels + static_cast<size_t>(picture->width) * picture->height * 3);
  stbi_image_free(pixels);
  return true;
}

bool SavePicture(const std::string& path, const Picture& picture) {
  return stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(),
                        picture.width * 3) != 0;
}

Difference Compare(const Picture& a, const Picture& b, int x, int y, int w, int h) {
  Difference difference;
  if (w == 0 || h == 0) {
    w = a.width;
    h = a.height;
  }
  double sum = 0;
  long over = 0;
  for (int row = y; row < y + h; ++row)
    for (int column = x; column < x + w; ++column) {
      const uint8_t* p = a.At(column, row);
      const uint8_t* q = b.At(column, row);
      int worst = 0;
      for (int c = 0; c < 3; ++c) {
        const int d = std::abs(p[c] - q[c]);
        sum += d;
        if (d > worst) worst = d;
      }
      if (worst > 32) ++over;
    }
  const double pixels = static_cast<double>(w) * h;
  difference.meanAbsolute = sum / (pixels * 3);
  difference.fractionOver32 = static_cast<double>(over) / pixels;
  return difference;
}

std::string CheckAgainstReference(const std::string& actualPath, const std::string& referenceName,
                                  double maxMeanAbsolute, double maxFractionOver32) {
  const std::string keep = TestOutputDirectory("failures");
  const std::string stem = fs::path(referenceName).stem().string();
  Picture actual;
  if (!LoadPicture(actualPath, &actual)) return actualPath + ": the program wrote no readable picture";
  const std::string referencePath = TestDataDirectory() + "/" + referenceName;
  // After a deliberate change to what the program draws: look at the new pictures, then commit.
  const char* update = std::getenv("HATCHING_UPDATE_REFERENCES");
  if (update && std::string(update) == "1") {
    fs::copy_file(actualPath, referencePath, fs::copy_options::overwrite_existing);
    return "";
  }
  Picture reference;
  if (!LoadPicture(referencePath, &reference)) {
    fs::copy_file(actualPath, keep + "/" + stem + ".png", fs::copy_options::overwrite_existing);
    return "no reference " + referenceName + "; this run's frame is " + keep + "/" + stem + ".png";
  }
  if (actual.width != reference.width || actual.height != reference.height)
    return actualPath + ": " + std::to_string(actual.width) + "x" + std::to_string(actual.height) +
           ", the reference is " + std::to_string(reference.width) + "x" + std::to_string(reference.height);

  // The frame-rate line at the top is measured, and differs from run to run. Pictures are
  // compared as a reader sees them, in small blocks: where the pencil strokes fall inside a
  // block is not the point, the tone of every part of the picture is.
  const Picture actualBlocks = Shrink(actual, kBlock);
  const Picture referenceBlocks = Shrink(reference, kBlock);
  const int skip = kFrameRateRows / kBlock;
  const Difference difference =
      Compare(actualBlocks, referenceBlocks, 0, skip, actualBlocks.width, actualBlocks.height - skip);
  if (difference.meanAbsolute <= maxMeanAbsolute && difference.fractionOver32 <= maxFractionOver32) return "";

  // The difference picture: grey where equal, brighter where further apart.
  Picture diff = actual;
  for (size_t i = 0; i < diff.rgb.size(); ++i)
    diff.rgb[i] = static_cast<uint8_t>(std::min(255, std::abs(actual.rgb[i] - reference.rgb[i]) * 4));
  const std::string framePath = keep + "/" + stem + ".actual.png";
  const std::string diffPath = keep + "/" + stem + ".diff.png";
  fs::copy_file(actualPath, framePath, fs::copy_options::overwrite_existing);
  SavePicture(diffPath, diff);
  char numbers[160];
  std::snprintf(numbers, sizeof numbers,
                "mean difference %.2f (limit %.2f), %.2f%% pixels off by more than 32 "
                "(limit %.2f%%)",
                difference.meanAbsolute, maxMeanAbsolute, difference.fractionOver32 * 100,
                maxFractionOver32 * 100);
  return referenceName + ": " + numbers + "; frame " + framePath + ", difference " + diffPath;
}

std::string CopyOfContent(const std::string& tag) {
  const std::string copy = FreshOutputDirectory(tag) + "/content";
  fs::copy(ContentDirectory(), copy, fs::copy_options::recursive);
  return copy;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  return static_cast<bool>(file);
}

int CountLinesStartingWith(const std::string& text, const std::string& prefix) {
  int count = 0;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind(prefix, 0) == 0) ++count;
  return count;
}
