// Checks the hatching effect (Shaders/Hatching.fx) against what the viewer relies on: the
// parameters it sets by name, the technique and its passes, and, when glslang's validator is
// installed, that every entry point compiles with the HLSL front end once the effect-only
// syntax is stripped as the viewer's effect loader strips it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;
const fs::path kEffect = fs::path(HATCHING_CONTENT_DIR) / "Shaders" / "Hatching.fx";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

bool Declares(const std::string& source, const std::string& type, const std::string& name) {
  return std::regex_search(source, std::regex("(^|\\n)\\s*" + type + "\\s+" + name + "\\s*[;=]"));
}

TEST(HatchingEffect, DeclaresEveryParameterTheViewerSets) {
  const std::string fx = ReadText(kEffect);
  ASSERT_FALSE(fx.empty()) << kEffect;
  EXPECT_TRUE(Declares(fx, "texture", "EnvironmentMap"));
  EXPECT_TRUE(Declares(fx, "samplerCUBE", "EnvSampler"));
  for (int i = 0; i < 6; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_TRUE(Declares(fx, "texture", "Hatch" + n + "_Tex")) << i;
    EXPECT_TRUE(Declares(fx, "sampler2D", "Hatch" + n + "Sampler")) << i;
    // Each sampler reads its own texture and wraps, so the hatching tiles.
    EXPECT_TRUE(std::regex_search(fx, std::regex("Hatch" + n + "Sampler\\s*=\\s*sampler_state\\s*\\{[^}]*Texture\\s*=\\s*<Hatch" +
                                                 n + "_Tex>[^}]*AddressU\\s*=\\s*Wrap[^}]*AddressV\\s*=\\s*Wrap")))
        << i;
  }
  for (const char* m : {"matViewProjection", "matWorldView", "matWorldViewProjection", "matWorldViewInverseTranspose"})
    EXPECT_TRUE(Declares(fx, "float4x4", m)) << m;
  for (const char* v : {"vViewPosition", "LightDir", "MiscParam"}) EXPECT_TRUE(Declares(fx, "float4", v)) << v;
}

TEST(HatchingEffect, TechniqueDrawsTheBoxThenTheCharacter) {
  const std::string fx = ReadText(kEffect);
  const std::regex technique(
      "technique\\s+TShader\\s*\\{\\s*pass\\s+P0\\s*\\{[^}]*VertexShader\\s*=\\s*compile\\s+vs_3_0\\s+BoxVS\\(\\)\\s*;"
      "[^}]*PixelShader\\s*=\\s*compile\\s+ps_2_0\\s+BoxPS\\(\\)\\s*;[^}]*\\}\\s*pass\\s+P1\\s*\\{[^}]*"
      "VertexShader\\s*=\\s*compile\\s+vs_3_0\\s+HatchVS\\(\\)\\s*;[^}]*PixelShader\\s*=\\s*compile\\s+ps_3_0\\s+"
      "HatchPS\\(\\)\\s*;[^}]*\\}\\s*\\}");
  EXPECT_TRUE(std::regex_search(fx, technique));
}

TEST(HatchingEffect, EntryPointsCompileWithGlslangsHlslFrontEnd) {
  if (std::system("command -v glslangValidator >/dev/null 2>&1") != 0) GTEST_SKIP() << "glslangValidator not installed";
  std::string hlsl = ReadText(kEffect);
  hlsl = std::regex_replace(hlsl, std::regex("(^|\\n)[ \\t]*texture[ \\t]+\\w+[ \\t]*;"), "$1");
  hlsl = std::regex_replace(hlsl, std::regex("=\\s*sampler_state\\s*\\{[^}]*\\}"), "");
  hlsl = std::regex_replace(hlsl, std::regex("technique\\s+\\w+\\s*\\{(?:[^{}]|\\{[^{}]*\\})*\\}"), "");
  const fs::path dir = fs::temp_directory_path() / ("hatching-fx-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "effect.hlsl") << hlsl;
  for (const auto& [entry, stage] : {std::pair{"BoxVS", "vert"}, {"BoxPS", "frag"}, {"HatchVS", "vert"}, {"HatchPS", "frag"}}) {
    const std::string command = "glslangValidator -D -V -S " + std::string(stage) + " -e " + entry +
                                " --hlsl-dx9-compatible -o " + (dir / (std::string(entry) + ".spv")).string() + " " +
                                (dir / "effect.hlsl").string() + " >" + (dir / "log").string() + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << entry << ":\n" << ReadText(dir / "log");
  }
  fs::remove_all(dir);
}

}  // namespace
