// The imp again with its uv cut into islands, each turned by its own random angle, as painters'
// tools lay characters out: hatching that follows the file's uv changes direction at every island
// border, hatching along the form does not.
#pragma once

#include <filesystem>

namespace contentgen {

void WriteIslandsCharacter(const std::filesystem::path& root);

}  // namespace contentgen
