// The hatching effect: its seven textures, the vertex declaration, the effect itself and the
// parameters it receives every frame.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/platform.h"
#include "model/skin_vertex.h"
#include "render/hatching_scene.h"

namespace {

constexpr char kEffectPath[] = "./Shaders/Hatching.fx";
constexpr char kEnvironmentMapFile[] = "Textures/Snow.dds";
constexpr char kTechniqueName[] = "TShader";
// The hatching strokes repeat this many times across a texture coordinate of 1 (MiscParam.x).
constexpr float kHatchTiling = 10.0f;

constexpr const char* kHatchParameters[6] = {"Hatch0_Tex", "Hatch1_Tex", "Hatch2_Tex",
                                             "Hatch3_Tex", "Hatch4_Tex", "Hatch5_Tex"};

// The compiler's text, or a fixed one when the effect could not be read at all.
std::string ErrorText(ID3DXBuffer* errors, const std::string& path) {
  if (errors) {
    const auto* text = static_cast<const char*>(errors->GetBufferPointer());
    const std::size_t length = text ? strnlen(text, errors->GetBufferSize()) : 0;
    if (length > 0) return std::string(text, length);
  }
  return path + ": the effect file is missing or cannot be read";
}

}  // namespace

HRESULT HatchingScene::LoadEffectTextures(IDirect3DDevice9* device, std::string* failure,
                                          const std::string& folder) {
  std::string path = folder + kEnvironmentMapFile;
  if (FAILED(D3DXCreateCubeTextureFromFileA(device, path.c_str(), &environmentMap))) {
    *failure = TextureFailure(path.c_str());
    return E_FAIL;
  }
  for (int n = 0; n < 6; ++n) {
    path = folder + "Textures/Hatch" + std::to_string(n) + ".dds";
    if (FAILED(D3DXCreateTextureFromFileA(device, path.c_str(), &hatchTextures[n]))) {
      *failure = TextureFailure(path.c_str());
      return E_FAIL;
    }
  }
  return S_OK;
}

std::string TextureFailure(const char* path) {
  FILE* file = OpenFile(path, "rb");
  const int reason = errno;
  if (file) std::fclose(file);
  return NativePath(path) + ": " + (file ? "not a texture this program can read" : std::strerror(reason));
}

HRESULT HatchingScene::CreateEffect(IDirect3DDevice9* device) {
  if (!device) return E_FAIL;
  const HRESULT declared = device->CreateVertexDeclaration(kSkinVertexElements, &vertexDeclaration);
  if (FAILED(declared)) return declared;

  std::string errors;
  if (!CreateEffectFromFile(device, kEffectPath, D3DXSHADER_DEBUG, &errors))
    MessageBoxA(nullptr, errors.c_str(), "ERROR", MB_OK);
  return S_OK;
}

bool HatchingScene::CreateEffectFromFile(IDirect3DDevice9* device, const std::string& path, DWORD flags,
                                         std::string* errorText) {
  SafeRelease(effect);
  technique = nullptr;
  ID3DXBuffer* errors = nullptr;
  if (FAILED(D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, flags, nullptr, &effect,
                                       &errors))) {
    effect = nullptr;
    *errorText = ErrorText(errors, path);
  } else {
    technique = effect->GetTechniqueByName(kTechniqueName);
  }
  SafeRelease(errors);
  return effect != nullptr;
}

HRESULT HatchingScene::Upload(const SceneParameters& parameters) {
  if (!effect) return S_OK;
  const D3DXMATRIX& world = parameters.world;
  const D3DXMATRIX& view = parameters.view;
  const D3DXMATRIX& projection = parameters.projection;

  effect->SetTexture("EnvironmentMap", environmentMap);
  for (int n = 0; n < 6; ++n) effect->SetTexture(kHatchParameters[n], hatchTextures[n]);

  D3DXMATRIX product;
  effect->SetMatrix("matViewProjection", D3DXMatrixMultiply(&product, &view, &projection));
  effect->SetMatrix("matWorldView", D3DXMatrixMultiply(&product, &world, &view));
  D3DXMatrixMultiply(&product, &world, &view);
  effect->SetMatrix("matWorldViewProjection", D3DXMatrixMultiply(&product, &product, &projection));

  // A singular world * view has no inverse; it then stays as it is and is only transposed.
  D3DXMatrixMultiply(&product, &world, &view);
  D3DXMatrixInverse(&product, nullptr, &product);
  effect->SetMatrix("matWorldViewInverseTranspose", D3DXMatrixTranspose(&product, &product));

  const D3DXVECTOR3& eye = parameters.eye;
  const D3DXVECTOR3& light = parameters.light;
  const D3DXVECTOR4 viewPosition(eye.x, eye.y, eye.z, 1.0f);
  const D3DXVECTOR4 lightDirection(light.x, light.y, light.z, 0.0f);
  const D3DXVECTOR4 misc(kHatchTiling, parameters.forcedTone, 0.0f, 1.0f);
  effect->SetVector("vViewPosition", &viewPosition);
  effect->SetVector("LightDir", &lightDirection);
  effect->SetVector("MiscParam", &misc);
  return S_OK;
}
