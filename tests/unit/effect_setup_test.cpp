// The effect's textures, the vertex declaration, the effect and the parameters it is given.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/hatching_app.h"
#include "gfx/recording/recording_device.h"
#include "tests/unit/render_test_support.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class EffectSetupTest : public RecordedAppTest {
 protected:
  void BeforeDevice() override { files.WriteEffectFiles(); }

  RecordingEffect* recordedEffect() { return dynamic_cast<RecordingEffect*>(app.scene.effect); }

  TemporaryWorkingDirectory files;
  MessageBoxRecorder messageBoxes;
};

TEST_F(EffectSetupTest, TexturesLoadEnvironmentMapThenHatchZeroToFive) {
  ASSERT_EQ(app.LoadEffectTextures(), S_OK);
  EXPECT_THAT(Recording().calls,
              ElementsAre("CreateCubeTextureFromFile(\"./Textures/Snow.dds\") -> CubeTexture#1",
                          "CreateTextureFromFile(\"./Textures/Hatch0.dds\") -> Texture#1",
                          "CreateTextureFromFile(\"./Textures/Hatch1.dds\") -> Texture#2",
                          "CreateTextureFromFile(\"./Textures/Hatch2.dds\") -> Texture#3",
                          "CreateTextureFromFile(\"./Textures/Hatch3.dds\") -> Texture#4",
                          "CreateTextureFromFile(\"./Textures/Hatch4.dds\") -> Texture#5",
                          "CreateTextureFromFile(\"./Textures/Hatch5.dds\") -> Texture#6"));
}

TEST_F(EffectSetupTest, MissingHatch3StopsWithTheEarlierTexturesLoaded) {
  files.Remove("Textures/Hatch3.dds");
  EXPECT_EQ(app.LoadEffectTextures(), E_FAIL);
  EXPECT_NE(app.scene.environmentMap, nullptr);
  for (int n = 0; n < 3; ++n) EXPECT_NE(app.scene.hatchTextures[n], nullptr) << n;
  for (int n = 3; n < 6; ++n) EXPECT_EQ(app.scene.hatchTextures[n], nullptr) << n;
  EXPECT_EQ(Recording().Count("CreateTextureFromFile(\"./Textures/Hatch4.dds\")"), 0);
  EXPECT_TRUE(messageBoxes.shown().empty());
}

TEST_F(EffectSetupTest, MissingEnvironmentMapStopsBeforeTheHatchTextures) {
  files.Remove("Textures/Snow.dds");
  EXPECT_EQ(app.LoadEffectTextures(), E_FAIL);
  EXPECT_EQ(Recording().Count("CreateTextureFromFile"), 0);
}

TEST_F(EffectSetupTest, SceneResourcesReleaseBoxThenTexturesInOrder) {
  ASSERT_EQ(app.CreateBoxVertexBuffer(), S_OK);
  ASSERT_EQ(app.CreateBoxIndexBuffer(), S_OK);
  ASSERT_EQ(app.LoadEffectTextures(), S_OK);
  Recording().calls.clear();
  app.ReleaseSceneResources();
  app.ReleaseSceneResources();
  EXPECT_THAT(Recording().calls,
              ElementsAre("Release(IndexBuffer#1)", "Release(VertexBuffer#1)", "Release(CubeTexture#1)",
                          "Release(Texture#1)", "Release(Texture#2)", "Release(Texture#3)",
                          "Release(Texture#4)", "Release(Texture#5)", "Release(Texture#6)"));
}

TEST_F(EffectSetupTest, CreateEffectDeclaresTheVertexAndFindsTheTechnique) {
  EXPECT_EQ(app.CreateEffect(), S_OK);
  EXPECT_THAT(Recording().calls,
              ElementsAre("CreateVertexDeclaration({0 0 2 0 0 0}{0 12 2 0 3 0}{0 24 1 0 5 0}{255 0 17 0 0 0})"
                          " -> VertexDeclaration#1",
                          "CreateEffectFromFile(\"./Shaders/Hatching.fx\", 1) -> Effect#1",
                          "GetTechniqueByName(\"TShader\")"));
  ASSERT_NE(app.scene.technique, nullptr);
  EXPECT_STREQ(app.scene.technique, "TShader");
  EXPECT_TRUE(messageBoxes.shown().empty());
}

TEST_F(EffectSetupTest, CompileErrorIsShownCaptionedErrorAndLeavesNoEffect) {
  Recording().FailOn("CreateEffectFromFile");
  EXPECT_EQ(app.CreateEffect(), S_OK);
  EXPECT_EQ(app.scene.effect, nullptr);
  EXPECT_EQ(app.scene.technique, nullptr);
  EXPECT_NE(app.scene.vertexDeclaration, nullptr);
  ASSERT_EQ(messageBoxes.shown().size(), 1u);
  const ShownMessage& box = messageBoxes.shown()[0];
  EXPECT_EQ(box.text, "Hatching.fx(1,1): error X3000: syntax error");
  EXPECT_EQ(box.caption, "ERROR");
  EXPECT_EQ(box.type, MB_OK);
  EXPECT_TRUE(box.ownerless);
  // The error buffer is let go once the text has been shown.
  EXPECT_EQ(Recording().Count("Release(Buffer#1)"), 1);
}

TEST_F(EffectSetupTest, FailureWithoutErrorTextSaysTheFileIsMissing) {
  Recording().effectErrorText = "";
  Recording().FailOn("CreateEffectFromFile");
  EXPECT_EQ(app.CreateEffect(), S_OK);
  ASSERT_EQ(messageBoxes.shown().size(), 1u);
  EXPECT_THAT(messageBoxes.shown()[0].text, HasSubstr("./Shaders/Hatching.fx"));
  EXPECT_THAT(messageBoxes.shown()[0].text, HasSubstr("missing"));
  EXPECT_EQ(messageBoxes.shown()[0].caption, "ERROR");
}

TEST_F(EffectSetupTest, MissingEffectFileShowsTheLayersText) {
  files.Remove("Shaders/Hatching.fx");
  EXPECT_EQ(app.CreateEffect(), S_OK);
  ASSERT_EQ(messageBoxes.shown().size(), 1u);
  EXPECT_THAT(messageBoxes.shown()[0].text, HasSubstr("Hatching.fx"));
  EXPECT_EQ(app.scene.effect, nullptr);
}

TEST_F(EffectSetupTest, RefusedDeclarationReturnsItsCodeWithoutEffectOrMessage) {
  Recording().FailOn("CreateVertexDeclaration");
  EXPECT_EQ(app.CreateEffect(), D3DERR_INVALIDCALL);
  EXPECT_EQ(app.scene.vertexDeclaration, nullptr);
  EXPECT_EQ(app.scene.effect, nullptr);
  EXPECT_EQ(Recording().Count("CreateEffectFromFile"), 0);
  EXPECT_TRUE(messageBoxes.shown().empty());
}

class EffectParametersTest : public EffectSetupTest {
 protected:
  void SetUp() override {
    EffectSetupTest::SetUp();
    ASSERT_EQ(app.LoadEffectTextures(), S_OK);
    ASSERT_EQ(app.CreateEffect(), S_OK);
    Recording().calls.clear();
  }

  // The parameter names in the order they were set.
  static std::vector<std::string> ParameterOrder() {
    std::vector<std::string> names;
    for (const std::string& line : Recording().calls) {
      const auto open = line.find("(\"");
      if (open == std::string::npos) continue;
      names.push_back(line.substr(open + 2, line.find('"', open + 2) - open - 2));
    }
    return names;
  }
};

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(actual.m[r][c], expected.m[r][c], 1e-4f) << r << "," << c;
}

TEST_F(EffectParametersTest, SetInTableOrderTexturesFirst) {
  EXPECT_EQ(app.UploadEffectParameters(), S_OK);
  EXPECT_THAT(
      ParameterOrder(),
      ElementsAre("EnvironmentMap", "Hatch0_Tex", "Hatch1_Tex", "Hatch2_Tex", "Hatch3_Tex", "Hatch4_Tex",
                  "Hatch5_Tex", "matViewProjection", "matWorldView", "matWorldViewProjection",
                  "matWorldViewInverseTranspose", "vViewPosition", "LightDir", "MiscParam"));
  EXPECT_EQ(Recording().calls[0], "Effect.SetTexture(\"EnvironmentMap\", CubeTexture#1)");
  EXPECT_EQ(Recording().calls[6], "Effect.SetTexture(\"Hatch5_Tex\", Texture#6)");
}

TEST_F(EffectParametersTest, MatricesAreTheProductsOfWorldViewAndProjection) {
  app.UploadEffectParameters();
  const RenderContext& rc = app.renderContext;
  D3DXMATRIX viewProjection, worldView, worldViewProjection;
  D3DXMatrixMultiply(&viewProjection, &rc.view, &rc.projection);
  D3DXMatrixMultiply(&worldView, &rc.world, &rc.view);
  D3DXMatrixMultiply(&worldViewProjection, &worldView, &rc.projection);
  ExpectMatrixNear(recordedEffect()->matrices.at("matViewProjection"), viewProjection);
  ExpectMatrixNear(recordedEffect()->matrices.at("matWorldView"), worldView);
  ExpectMatrixNear(recordedEffect()->matrices.at("matWorldViewProjection"), worldViewProjection);
  // The model origin, lifted to z = 100, lies 300 units in front of the eye.
  EXPECT_NEAR(worldViewProjection.m[3][3], 300.0f, 1e-3f);
}

TEST_F(EffectParametersTest, InverseTransposeOfAPureRotationIsTheRotation) {
  D3DXMatrixRotationY(&app.renderContext.world, 0.3f);
  D3DXMatrixRotationX(&app.renderContext.view, 0.2f);
  app.UploadEffectParameters();
  ExpectMatrixNear(recordedEffect()->matrices.at("matWorldViewInverseTranspose"),
                   recordedEffect()->matrices.at("matWorldView"));
}

TEST_F(EffectParametersTest, InverseTransposeUndoesScaleAndMovesTranslationIntoTheLastColumn) {
  D3DXMatrixScaling(&app.renderContext.world, 2.0f, 4.0f, 5.0f);
  D3DXMatrixTranslation(&app.renderContext.view, 1.0f, 2.0f, 3.0f);
  app.UploadEffectParameters();
  const D3DXMATRIX& m = recordedEffect()->matrices.at("matWorldViewInverseTranspose");
  EXPECT_NEAR(m.m[0][0], 0.5f, 1e-6f);
  EXPECT_NEAR(m.m[1][1], 0.25f, 1e-6f);
  EXPECT_NEAR(m.m[2][2], 0.2f, 1e-6f);
  EXPECT_NEAR(m.m[0][3], -0.5f, 1e-6f);
  EXPECT_NEAR(m.m[1][3], -0.5f, 1e-6f);
  EXPECT_NEAR(m.m[2][3], -0.6f, 1e-6f);
  EXPECT_NEAR(m.m[3][0], 0.0f, 1e-6f);
}

TEST_F(EffectParametersTest, SingularWorldViewIsPassedTransposedWithoutInverting) {
  D3DXMatrixScaling(&app.renderContext.world, 0.0f, 1.0f, 1.0f);
  D3DXMatrixTranslation(&app.renderContext.view, 1.0f, 2.0f, 3.0f);
  app.UploadEffectParameters();
  D3DXMATRIX worldView, expected;
  D3DXMatrixMultiply(&worldView, &app.renderContext.world, &app.renderContext.view);
  D3DXMatrixTranspose(&expected, &worldView);
  ExpectMatrixNear(recordedEffect()->matrices.at("matWorldViewInverseTranspose"), expected);
}

TEST_F(EffectParametersTest, VectorsCarryCameraLightAndFixedMisc) {
  app.UploadEffectParameters();
  EXPECT_THAT(Recording().Matching("SetVector"),
              ElementsAre("SetVector(\"vViewPosition\", 0 100 -200 1)",
                          "SetVector(\"LightDir\", 500 500 -500 0)", "SetVector(\"MiscParam\", 10 0 0 1)"));
}

TEST_F(EffectParametersTest, LightMovedByTheKeypadReachesTheNextUpload) {
  app.OnKeyDown(nullptr, VK_NUMPAD6, 0);
  app.OnKeyDown(nullptr, VK_NUMPAD9, 0);
  app.UploadEffectParameters();
  const D3DXVECTOR4& light = recordedEffect()->vectors.at("LightDir");
  EXPECT_FLOAT_EQ(light.x, 600.0f);
  EXPECT_FLOAT_EQ(light.y, 500.0f);
  EXPECT_FLOAT_EQ(light.z, -400.0f);
  EXPECT_FLOAT_EQ(light.w, 0.0f);
}

TEST_F(EffectParametersTest, NoEffectSetsNothing) {
  HatchingApp bare;
  EXPECT_EQ(bare.UploadEffectParameters(), S_OK);
  EXPECT_TRUE(Recording().calls.empty());
}

}  // namespace
