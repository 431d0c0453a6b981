// The effect front end: what it records from a representative effect file, the HLSL it hands on,
// and the errors (with file and line) for files it must refuse.
#include "gfx/effect_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

namespace {

std::string ReadFixture(const char* name) {
  std::ifstream in(std::string(HATCHING_TEST_DATA) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class HatchingEffect : public ::testing::Test {
 protected:
  void SetUp() override {
    text_ = ReadFixture("effect_hatching.fx");
    ASSERT_FALSE(text_.empty());
    std::string error;
    ASSERT_TRUE(ParseEffectSource(text_.data(), text_.size(), "Hatching.fx", &effect_, &error)) << error;
  }
  const EffectSampler* Sampler(const std::string& name) const {
    for (const EffectSampler& s : effect_.samplers)
      if (s.name == name) return &s;
    return nullptr;
  }
  std::string Line(int line) const {
    std::istringstream in(effect_.hlsl);
    std::string text;
    for (int i = 0; i < line && std::getline(in, text);) ++i;
    return text;
  }
  std::string text_;
  EffectSource effect_;
};

TEST_F(HatchingEffect, ParametersInFileOrderWithoutStatics) {
  std::vector<std::string> names, types;
  for (const EffectParameter& p : effect_.parameters) {
    names.push_back(p.name);
    types.push_back(p.type);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"matViewProjection", "matWorldView", "matWorldViewProjection",
                                             "matWorldViewInverseTranspose", "vViewPosition", "LightDir",
                                             "MiscParam", "EnvironmentMap", "UnusedCube", "Hatch0_Tex",
                                             "Hatch1_Tex"}));
  EXPECT_EQ(types[0], "float4x4");
  EXPECT_EQ(types[5], "float4");
  EXPECT_EQ(types[7], "texture");
  EXPECT_EQ(types[8], "textureCUBE");
  EXPECT_TRUE(effect_.parameters[10].IsTexture());
  EXPECT_FALSE(effect_.parameters[6].IsTexture());
  EXPECT_EQ(effect_.parameters[0].line, 5);
  EXPECT_EQ(effect_.parameters[7].line, 15);
}

TEST_F(HatchingEffect, SamplersWithTheirTexturesAndStates) {
  ASSERT_EQ(effect_.samplers.size(), 4u);
  const EffectSampler* env = Sampler("EnvironmentSampler");
  ASSERT_NE(env, nullptr);
  EXPECT_EQ(env->type, "samplerCUBE");
  EXPECT_EQ(env->texture, "EnvironmentMap");
  using States = std::vector<std::pair<D3DSAMPLERSTATETYPE, DWORD>>;
  EXPECT_EQ(env->states, (States{{D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
                                 {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
                                 {D3DSAMP_MIPFILTER, D3DTEXF_POINT},
                                 {D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
                                 {D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR},
                                 {D3DSAMP_ADDRESSW, D3DTADDRESS_BORDER}}));
  EXPECT_EQ(env->line, 20);

  const EffectSampler* hatch0 = Sampler("Hatch0");
  ASSERT_NE(hatch0, nullptr);
  EXPECT_EQ(hatch0->texture, "Hatch0_Tex");
  EXPECT_EQ(hatch0->states, (States{{D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC}})) << "only what it names";
  EXPECT_EQ(Sampler("Hatch1")->texture, "Hatch1_Tex");
  EXPECT_EQ(Sampler("Plain")->texture, "");
}

TEST_F(HatchingEffect, TechniqueTShaderWithTwoPasses) {
  ASSERT_EQ(effect_.techniques.size(), 2u);
  const EffectTechnique& t = effect_.techniques[0];
  EXPECT_EQ(t.name, "TShader");
  EXPECT_EQ(t.line, 63);
  ASSERT_EQ(t.passes.size(), 2u);
  const EffectPass& p0 = t.passes[0];
  EXPECT_EQ(p0.name, "P0");
  EXPECT_EQ(p0.vertexProfile, "vs_2_0");
  EXPECT_EQ(p0.vertexEntry, "BoxVS");
  EXPECT_EQ(p0.pixelProfile, "ps_2_0");
  EXPECT_EQ(p0.pixelEntry, "BoxPS");
  using States = std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>>;
  EXPECT_EQ(p0.states, (States{{D3DRS_ZENABLE, 0}, {D3DRS_ZWRITEENABLE, 0}, {D3DRS_CULLMODE, D3DCULL_NONE}}));
  const EffectPass& p1 = t.passes[1];
  EXPECT_EQ(p1.vertexEntry, "ModelVS");
  EXPECT_EQ(p1.pixelProfile, "ps_3_0");
  EXPECT_EQ(p1.pixelEntry, "ModelPS");
  EXPECT_EQ(p1.states, (States{{D3DRS_ZENABLE, 1},
                               {D3DRS_CULLMODE, D3DCULL_CCW},
                               {D3DRS_FILLMODE, D3DFILL_WIREFRAME},
                               {D3DRS_ALPHABLENDENABLE, 1},
                               {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
                               {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}}));

  const EffectTechnique& fallback = effect_.techniques[1];
  EXPECT_EQ(fallback.name, "Fallback");
  ASSERT_EQ(fallback.passes.size(), 1u);
  EXPECT_EQ(fallback.passes[0].name, "");
  EXPECT_EQ(fallback.passes[0].pixelEntry, "");
  EXPECT_EQ(fallback.passes[0].states, (States{{D3DRS_CULLMODE, 2}}));
}

TEST_F(HatchingEffect, HlslKeepsLinesAndBlanksEffectOnlySyntax) {
  ASSERT_EQ(effect_.hlsl.size(), text_.size());
  EXPECT_EQ(std::count(effect_.hlsl.begin(), effect_.hlsl.end(), '\n'),
            std::count(text_.begin(), text_.end(), '\n'));
  EXPECT_NE(effect_.hlsl.find("technique and sampler_state words"), std::string::npos);  // comments stay
  EXPECT_EQ(effect_.hlsl.find("TShader"), std::string::npos);
  EXPECT_EQ(effect_.hlsl.find("compile"), std::string::npos);
  EXPECT_EQ(effect_.hlsl.find("UIName"), std::string::npos);
  EXPECT_EQ(effect_.hlsl.find("EnvironmentMap;"), std::string::npos);
  EXPECT_EQ(effect_.hlsl.find(": ViewProjection"), std::string::npos);
  EXPECT_EQ(Line(5), "float4x4 matViewProjection                 ;");
  EXPECT_EQ(Line(9), "float4 vViewPosition                = float4(0, 0, 0, 1);");
  EXPECT_EQ(Line(12), "static const float kHatchLevels = 6.0;");
  EXPECT_EQ(Line(20), "samplerCUBE EnvironmentSampler" + std::string(16, ' '));
  EXPECT_EQ(Line(29), " ;");
  EXPECT_EQ(Line(31).find_first_not_of(' '), 0u);
  EXPECT_EQ(Line(31).substr(0, 15), "sampler2D Hatch");
  EXPECT_EQ(Line(31).back(), ';');
  EXPECT_EQ(Line(35), " ;");
  EXPECT_EQ(Line(36), "sampler2D Plain;");
  EXPECT_EQ(Line(39), "  float4 position : POSITION;");
  EXPECT_EQ(Line(45), "  o.position = mul(position, matWorldViewProjection);");
  EXPECT_EQ(Line(63).find_first_not_of(' '), std::string::npos);
  EXPECT_EQ(Line(86).find_first_not_of(' '), std::string::npos);
}

struct BadEffect {
  const char* what;
  std::string text;
  std::string error;
};

std::string Error(const std::string& text) {
  EffectSource effect;
  effect.parameters.push_back({"untouched", "x", 1});
  std::string error;
  EXPECT_FALSE(ParseEffectSource(text.data(), text.size(), "Bad.fx", &effect, &error)) << text.substr(0, 200);
  EXPECT_EQ(effect.parameters.size(), 1u) << "output touched on failure";
  return error;
}

TEST(EffectSourceErrors, EachNamesFileAndLine) {
  const std::string pass = "technique T\n{\n  pass P\n  {\n";
  const BadEffect cases[] = {
      {"unclosed brace", "float4 f() {\n  return 1;\n", "Bad.fx(1): error: unbalanced '{' is never closed"},
      {"stray brace", "float4 x;\n}\n", "Bad.fx(2): error: unbalanced '}' without an opening '{'"},
      {"crossed brackets", "float4 f( { ) }\n", "Bad.fx(1): error: ')' does not close the '{' of line 1"},
      {"unknown state", pass + "    ZEnable = true;\n    StencilEnable = true;\n  }\n}\n",
       "Bad.fx(6): error: unknown pass state 'StencilEnable'"},
      {"unknown value", pass + "    CullMode = Sideways;\n  }\n}\n",
       "Bad.fx(5): error: unknown value 'Sideways' for 'CullMode'"},
      {"missing entry", pass + "    VertexShader = compile vs_2_0 ;\n  }\n}\n",
       "Bad.fx(5): error: 'compile' without an entry point"},
      {"entry without parentheses", pass + "    PixelShader = compile ps_2_0 PS;\n  }\n}\n",
       "Bad.fx(5): error: expected '(' after entry point 'PS', found ';'"},
      {"wrong profile", pass + "    PixelShader = compile vs_2_0 PS();\n  }\n}\n",
       "Bad.fx(5): error: expected a pixel shader profile after 'compile', found 'vs_2_0'"},
      {"missing semicolon in pass", pass + "    ZEnable = true\n    CullMode = None;\n  }\n}\n",
       "Bad.fx(6): error: expected ';' after the value of 'ZEnable', found 'CullMode'"},
      {"missing semicolon", "float4 a\nfloat4 b;\n",
       "Bad.fx(2): error: expected ';' after the declaration of 'a', found 'float4'"},
      {"not a pass", "technique T\n{\n  float4 x;\n}\n",
       "Bad.fx(3): error: expected 'pass' in technique, found 'float4'"},
      {"unknown sampler state", "sampler2D s = sampler_state\n{\n  Colour = Red;\n};\n",
       "Bad.fx(3): error: unknown sampler state 'Colour'"},
      {"unknown filter", "sampler2D s = sampler_state { MinFilter = Cubic; };\n",
       "Bad.fx(1): error: unknown value 'Cubic' for 'MinFilter'"},
      {"unterminated comment", "float4 a;\n/* never\nclosed\n", "Bad.fx(2): error: unterminated comment"},
      {"unterminated string", "string s = \"abc\n;\n", "Bad.fx(1): error: unterminated string"},
      {"unterminated annotation", "float4 a < string b = \"c\"; ;\n}\n",
       "Bad.fx(2): error: unbalanced '}' without an opening '{'"},
      {"annotation running into a body", "float4 f() { return 1; }\nfloat4 a < int x = 1;\nvoid g() { }\n",
       "Bad.fx(2): error: unterminated annotation: '<' without '>'"},
      {"garbage at global scope", "float4 a;\n@\n", "Bad.fx(2): error: expected a declaration, found '@'"},
      {"control byte", std::string("float4 a;\n\x01;\n"),
       "Bad.fx(2): error: expected a declaration, found '\\x01'"},
  };
  for (const BadEffect& c : cases) EXPECT_EQ(Error(c.text), c.error) << c.what;
}

TEST(EffectSourceErrors, AMegabyteLineIsHandledInLinearTime) {
  std::string longLine = "float4 a = ";
  while (longLine.size() < (1u << 20)) longLine += "1 + ";
  const std::string texts[] = {
      "float4 b;\n" + longLine + "\n",                    // no ';' at the end
      std::string(1u << 20, 'x') + "\n",                  // one identifier
      "/*" + std::string(1u << 20, '*') + "\n",           // a comment never closed
      "float4 c;\n" + std::string(1u << 20, '{') + "\n",  // braces never closed
      "technique T { pass P { " + std::string(1u << 20, ' ') + "ZEnable = Maybe; } }",
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Error(texts[0]), "Bad.fx(2): error: expected ';' after the declaration of 'a'");
  EXPECT_EQ(Error(texts[1]),
            "Bad.fx(2): error: expected a name after 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...', found "
            "end of file");
  EXPECT_EQ(Error(texts[2]), "Bad.fx(1): error: unterminated comment");
  EXPECT_EQ(Error(texts[3]), "Bad.fx(2): error: unbalanced '{' is never closed");
  EXPECT_EQ(Error(texts[4]), "Bad.fx(1): error: unknown value 'Maybe' for 'ZEnable'");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  EffectSource effect;
  std::string error;
  const std::string fine = longLine + "1;\n";
  EXPECT_TRUE(ParseEffectSource(fine.data(), fine.size(), "Long.fx", &effect, &error)) << error;
  EXPECT_EQ(effect.hlsl, fine);
}

TEST(EffectSourceErrors, EmptyAndNullTexts) {
  EffectSource effect;
  std::string error;
  EXPECT_TRUE(ParseEffectSource("", 0, "Empty.fx", &effect, &error));
  EXPECT_TRUE(effect.parameters.empty());
  EXPECT_EQ(effect.hlsl, "");
  EXPECT_FALSE(ParseEffectSource(nullptr, 5, "Null.fx", &effect, &error));
  EXPECT_EQ(error, "Null.fx(1): error: no text");
}

TEST(EffectSourceErrors, MutatedFilesNeverCrashAndKeepTheirLines) {
  const std::string good = ReadFixture("effect_hatching.fx");
  ASSERT_FALSE(good.empty());
  const char pieces[] = "{}()[]<>;:=,\"/*#\n\0x1 technique pass sampler_state compile";
  uint32_t seed = 777;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 1500; ++round) {
    std::string text = good;
    const int edits = 1 + static_cast<int>(next() % 3);
    for (int e = 0; e < edits; ++e) {
      const size_t at = next() % text.size();
      if (next() % 2) {
        text[at] = pieces[next() % (sizeof pieces - 1)];
      } else {
        text.erase(at, 1 + next() % 8);
      }
    }
    EffectSource effect;
    std::string error;
    if (ParseEffectSource(text.data(), text.size(), "M.fx", &effect, &error)) {
      ASSERT_EQ(effect.hlsl.size(), text.size());
      ASSERT_EQ(std::count(effect.hlsl.begin(), effect.hlsl.end(), '\n'),
                std::count(text.begin(), text.end(), '\n'));
    } else {
      ASSERT_EQ(error.rfind("M.fx(", 0), 0u) << error;
      ASSERT_NE(error.find("): error: "), std::string::npos) << error;
    }
  }
}

}  // namespace
