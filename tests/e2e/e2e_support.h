// Helpers of the end-to-end tests: running the real program with a time limit, reading its
// pictures, comparing them with reference pictures, and making folders of content to run in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
  int exitCode = -1;  // -1 when it did not exit by itself in time
  bool timedOut = false;
  std::string out;
  std::string err;
};

// Runs the program with `arguments` in `workingDirectory`, killing it after `timeoutSeconds`.
// Standard output and error are kept in files named after `tag` under the test output folder.
RunResult RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                     const std::string& tag, int timeoutSeconds = 60);

// Same, under `prefix` (e.g. xvfb-run with its arguments).
RunResult RunProgramUnder(const std::vector<std::string>& prefix, const std::vector<std::string>& arguments,
                          const std::string& workingDirectory, const std::string& tag,
                          int timeoutSeconds = 60);

// Runs `command` (its first element the program, found on PATH or by path) the same way.
RunResult RunCommand(std::vector<std::string> command, const std::string& workingDirectory,
                     const std::string& tag, int timeoutSeconds = 60);

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows from the top
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

bool LoadPicture(const std::string& path, Picture* picture);
bool SavePicture(const std::string& path, const Picture& picture);

struct Difference {
  double meanAbsolute = 0;    // mean over all channels of all pixels, in levels of 255
  double fractionOver32 = 0;  // pixels with any channel off by more than 32
};

// The picture with each `block` x `block` square averaged into one pixel.
Picture Shrink(const Picture& picture, int block);

// Compares two pictures of the same size within a rectangle (the whole picture when w or h is 0).
Difference Compare(const Picture& a, const Picture& b, int x = 0, int y = 0, int w = 0, int h = 0);

// Compares `actualPath` with tests/data/`referenceName`. Where they differ by more than the
// tolerance, or the reference is missing, the frame and a difference picture go to the test
// output folder and the result says where. The pictures are compared in 4 x 4 blocks, and the
// frame-rate line at the top not at all.
// With HATCHING_UPDATE_REFERENCES=1 in the environment the frame replaces the reference.
std::string CheckAgainstReference(const std::string& actualPath, const std::string& referenceName,
                                  double maxMeanAbsolute = 3.0, double maxFractionOver32 = 0.01);

// The folder this test may write into (made on first use), under the build's test output.
std::string TestOutputDirectory(const std::string& tag);

// The same, emptied first, so that nothing from an earlier run can pass for this run's output.
std::string FreshOutputDirectory(const std::string& tag);

// A copy of the generated content, for tests that take files away.
std::string CopyOfContent(const std::string& tag);

std::string ContentDirectory();
std::string TestDataDirectory();

// The whole of the file at `path`; "" when it cannot be read.
std::string ReadText(const std::string& path);

// Writes `text` to `path`.
bool WriteText(const std::string& path, const std::string& text);

// How many lines of `text` start with `prefix`.
int CountLinesStartingWith(const std::string& text, const std::string& prefix);
