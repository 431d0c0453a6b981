// A second character in the style of files from other exporters, for the tests and the README:
// the same imp a third as tall and off the origin, every vertex's parent column on the root bone
// and its real bones only in weighted links (two or three near joints), and its run clip numbered
// from frame 5. A y-up copy of its reference file (standing along y, facing +z) beside it.
#pragma once

#include <filesystem>

namespace contentgen {

void WriteSmallCharacter(const std::filesystem::path& root);

}  // namespace contentgen
