// Effects on the GL device: compile errors with file and line, a missing file, parameters and
// techniques by name, pass order, and the program's own effect file compiled and drawn.
#include <filesystem>
#include <string>

#include "gfx/gl/gl_backend.h"
#include "tests/gl/gl_test_support.h"

namespace {

using GlEffect = GlDeviceTest;

// Creates the effect at `path`, expecting failure; returns the error text.
std::string FailedEffectText(IDirect3DDevice9* device, const std::string& path) {
  ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
  ID3DXBuffer* errors = nullptr;
  const HRESULT result = D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, D3DXSHADER_DEBUG,
                                                   nullptr, &effect, &errors);
  EXPECT_TRUE(FAILED(result));
  EXPECT_EQ(effect, nullptr);
  if (!errors) return "";
  std::string text(static_cast<const char*>(errors->GetBufferPointer()));
  EXPECT_EQ(errors->GetBufferSize(), text.size() + 1);
  errors->Release();
  return text;
}

TEST_F(GlEffect, SyntaxErrorNamesFileAndLine) {
  const std::string path = std::string(HATCHING_TEST_DATA) + "/gl_effect_syntax_error.fx";
  const std::string text = FailedEffectText(device_, path);
  // The statement on line 6 lacks its semicolon; the compiler finds out at line 7's "return".
  EXPECT_NE(text.find(path + "(7): error: "), std::string::npos) << text;
  EXPECT_EQ(text.find("ERROR:"), std::string::npos) << text;
}

TEST_F(GlEffect, MissingEntryPointNamesItAndThePass) {
  const std::string path = std::string(HATCHING_TEST_DATA) + "/gl_effect_missing_entry.fx";
  const std::string text = FailedEffectText(device_, path);
  EXPECT_NE(text.find(path + "(9): error: entry point 'NoSuchVS' not found"), std::string::npos) << text;
}

TEST_F(GlEffect, MissingFileSaysSo) {
  EXPECT_EQ(FailedEffectText(device_, "./Shaders/NoSuchEffect.fx"),
            "./Shaders/NoSuchEffect.fx: cannot open file");
}

TEST_F(GlEffect, FrontEndErrorsComeWithFileAndLine) {
  const std::string path = std::string(HATCHING_TEST_OUT) + "/gl_effect_bad_pass.fx";
  std::filesystem::create_directories(HATCHING_TEST_OUT);
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("float4 C;\ntechnique T\n{\n    pass P0\n    {\n        ZEnable = ;\n    }\n}\n", file);
  std::fclose(file);
  const std::string text = FailedEffectText(device_, path);
  EXPECT_EQ(text.rfind(path + "(6): error: ", 0), 0u) << text;
}

TEST_F(GlEffect, ParametersAndTechniquesAreFoundByName) {
  ID3DXEffect* effect = LoadEffect("gl_effect_basic.fx");
  ASSERT_NE(effect, nullptr);
  const D3DXVECTOR4 vector(1, 2, 3, 4);
  EXPECT_EQ(effect->SetMatrix("matWorldViewProjection", &kIdentityMatrix), S_OK);
  EXPECT_EQ(effect->SetVector("Color", &vector), S_OK);
  EXPECT_EQ(effect->SetTexture("FlatTexture", nullptr), S_OK);
  EXPECT_EQ(effect->SetVector("NoSuchParameter", &vector), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetMatrix("FlatTexture", &kIdentityMatrix), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("Color", nullptr), D3DERR_INVALIDCALL);

  const D3DXHANDLE cube = effect->GetTechniqueByName("Cube");
  ASSERT_NE(cube, nullptr);
  EXPECT_STREQ(cube, "Cube");
  EXPECT_EQ(effect->GetTechniqueByName("Cube"), cube);
  EXPECT_EQ(effect->GetTechniqueByName("TShader"), nullptr);
  EXPECT_EQ(effect->SetTechnique(cube), S_OK);

  UINT passes = 7;
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);  // not begun
  ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
  EXPECT_EQ(passes, 1u);
  EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->BeginPass(1), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->BeginPass(0), S_OK);
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);  // already in a pass
  EXPECT_EQ(effect->EndPass(), S_OK);
  EXPECT_EQ(effect->EndPass(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->End(), S_OK);
  EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);

  // A null technique (what GetTechniqueByName gives for a missing one) leaves nothing to run.
  EXPECT_EQ(effect->SetTechnique(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(passes, 0u);
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
  effect->Release();
}

TEST_F(GlEffect, TheProgramsHatchingEffectCompilesAndDraws) {
  const std::string path = std::string(HATCHING_TEST_DATA) + "/../../tools/contentgen/Hatching.fx";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no " << path;
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  ASSERT_EQ(D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, D3DXSHADER_DEBUG, nullptr,
                                      &effect, &errors),
            S_OK)
      << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  const D3DXHANDLE technique = effect->GetTechniqueByName("TShader");
  ASSERT_NE(technique, nullptr);
  // An eye 3 units back looking along +z; the model and box sit around the origin.
  const D3DXMATRIX world = kIdentityMatrix;
  D3DXMATRIX view, projection, worldView, viewProjection, worldViewProjection, inverseTranspose;
  D3DXMatrixTranslation(&view, 0.0f, 0.0f, 3.0f);
  D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 1.0f, 1.0f, 5000.0f);
  D3DXMatrixMultiply(&worldView, &world, &view);
  D3DXMatrixMultiply(&viewProjection, &view, &projection);
  D3DXMatrixMultiply(&worldViewProjection, &worldView, &projection);
  D3DXMatrixInverse(&inverseTranspose, nullptr, &worldView);
  D3DXMatrixTranspose(&inverseTranspose, &inverseTranspose);
  effect->SetMatrix("matViewProjection", &viewProjection);
  effect->SetMatrix("matWorldView", &worldView);
  effect->SetMatrix("matWorldViewProjection", &worldViewProjection);
  effect->SetMatrix("matWorldViewInverseTranspose", &inverseTranspose);
  const D3DXVECTOR4 eye(0, 0, -3, 1), light(0, 0, -10, 0), misc(10, 0, 0, 1);
  effect->SetVector("vViewPosition", &eye);
  effect->SetVector("LightDir", &light);
  effect->SetVector("MiscParam", &misc);

  Start(0xFF0000FFu);
  BindVertices(Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0.0f, {0, 0, -1}));
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  effect->SetTechnique(technique);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
  EXPECT_EQ(passes, 2u);
  for (UINT pass = 0; pass < 2; ++pass) {
    ASSERT_EQ(effect->BeginPass(pass), S_OK);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    effect->EndPass();
  }
  effect->End();
  Finish();
  EXPECT_EQ(GlDrawCallsLastFrame(device_), 2u);
  const Rgba centre = Pixel(32, 32);
  EXPECT_NE(centre, (Rgba{0, 0, 255, 255}));  // the quad is drawn over the blue
  EXPECT_GT(centre.r, centre.b);              // in the effect's red-brown pencil
  EXPECT_EQ(Pixel(2, 2), (Rgba{0, 0, 255, 255}));
  effect->Release();
}

}  // namespace
