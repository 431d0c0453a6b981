// The benchmarks' inputs, written by the benchmarks themselves so that nothing large is kept in
// the repository: a reference SMD file (a chain of bones, triangles in runs of a few materials)
// and an animation SMD file of the same skeleton. Values follow no pattern a branch predictor
// could learn, and are printed with six decimals as the content generator prints them.
#pragma once

#include <string>

struct BenchInputs {
  std::string directory;
  std::string reference;
  std::string animation;
  // The reference file again, its vertices weighted to two or three bones each.
  std::string linkedReference;
  // An animation of the same skeleton, kBenchLongFrames frames long.
  std::string longAnimation;
};

inline constexpr int kBenchTriangles = 200000;
inline constexpr int kBenchBones = 30;
inline constexpr int kBenchFrames = 100;
inline constexpr int kBenchLongFrames = 10000;
// The character for whole-program runs at a high triangle count.
inline constexpr int kCharacterTriangles = 1000000;

// Writes the files (all but the character's) into a new folder under `parent` (made when
// missing). False with `error` set when a file cannot be written.
bool WriteBenchInputs(const std::string& parent, BenchInputs* inputs, std::string* error);
// A character of the bench skeleton for the program's --reference and --animation: a sphere of
// `triangles` small triangles (a multiple of 1000), each ring of it on one bone, and a clip of
// kBenchFrames poses that turn each bone a little. Only `directory`, `reference` and `animation`
// are set.
bool WriteCharacterInputs(const std::string& parent, int triangles, BenchInputs* inputs, std::string* error);
// Removes the files and their folder.
void RemoveBenchInputs(const BenchInputs& inputs);

// `tool PROGRAM CONTENT_DIR`: both made absolute, since the program is started in its content
// folder. False with the usage or the missing path on standard error.
bool ProgramAndContent(const char* tool, int argc, char** argv, std::string* program, std::string* content);
