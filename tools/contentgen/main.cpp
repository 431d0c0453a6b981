// contentgen: writes the viewer's content tree (character model and animations, material
// textures, hatching textures, environment map) into the folder given on the command line.
// Output is deterministic: the same bytes on every run.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "animation_clips.h"
#include "bmp_writer.h"
#include "character_model.h"
#include "dds_writer.h"
#include "file_output.h"
#include "material_textures.h"
#include "islands_character.h"
#include "small_character.h"
#include "smd_writer.h"
#include "snow_environment.h"
#include "tonal_art_map.h"

namespace fs = std::filesystem;
using namespace contentgen;

namespace {

void WriteCharacter(const fs::path& root) {
  const fs::path folder = root / "Model" / "SMD" / "Vekku_Red";
  const Mesh mesh = BuildCharacterMesh();
  WriteFile(folder / "Ref_Red.smd", ReferenceSmd(mesh));
  for (int m = 0; m < kMaterialCount; ++m)
    WriteFile(folder / MaterialFileName(m), EncodeBmp24(PaintMaterialTexture(m, 256)));
  for (const AnimationClip& clip : {BuildAttackClip(), BuildRunClip(), BuildStunClip()})
    WriteFile(folder / ("Ani_Red(" + clip.name + ").smd"), AnimationSmd(clip));
}

// Every HatchN holds tone N in its red channel (its only one when it is a grey texture). Hatch0
// and Hatch4 also carry the tones after theirs in their other channels (Hatch0: tones 0 to 3,
// Hatch4: tones 4 and 5), so the effect reads all six tones from two textures.
void WriteHatchTextures(const fs::path& root) {
  const auto tones = BuildTonalArtMap({});
  for (int t = 0; t < kToneCount; ++t) {
    const fs::path path = root / "Textures" / ("Hatch" + std::to_string(t) + ".dds");
    if (t == 0)
      WriteFile(path, EncodePackedDds({&tones[0], &tones[1], &tones[2], &tones[3]}));
    else if (t == 4)
      WriteFile(path, EncodePackedDds({&tones[4], &tones[5]}));
    else
      WriteFile(path, EncodeLuminanceDds(tones[t]));
  }
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
    WriteCharacter(root);
    WriteSmallCharacter(root);
    WriteIslandsCharacter(root);
    WriteHatchTextures(root);
    WriteEnvironmentMap(root);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "contentgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
