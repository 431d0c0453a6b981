// contentgen: writes the viewer's content tree (character model and animations, material
// textures, hatching textures, environment map) into the folder given on the command line.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "dds_writer.h"
#include "file_output.h"
#include "snow_environment.h"
#include "tonal_art_map.h"

namespace fs = std::filesystem;
using namespace contentgen;

namespace {

void WriteHatchTextures(const fs::path& root) {
  const auto tones = BuildTonalArtMap({});
  for (int t = 0; t < kToneCount; ++t)
    WriteFile(root / "Textures" / ("Hatch" + std::to_string(t) + ".dds"), EncodeLuminanceDds(tones[t]));
}

void WriteEnvironmentMap(const fs::path& root) {
  WriteFile(root / "Textures" / "Snow.dds", EncodeCubeDds(BuildSnowCubeMap(256)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <content folder>\n", argv[0]);
    return 2;
  }
  try {
    const fs::path root = argv[1];
    WriteHatchTextures(root);
    WriteEnvironmentMap(root);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "contentgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
