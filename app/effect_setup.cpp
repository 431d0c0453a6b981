// The hatching effect: its seven textures, the vertex declaration, the effect itself and the
// parameters it receives every frame.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/hatching_app.h"
#include "base/platform.h"
#include "model/skin_vertex.h"

namespace {

constexpr char kEffectPath[] = "./Shaders/Hatching.fx";
constexpr char kEnvironmentMapPath[] = "./Textures/Snow.dds";
constexpr char kMissingEffectText[] = "./Shaders/Hatching.fx: the effect file is missing or cannot be read";

constexpr const char* kHatchParameters[6] = {"Hatch0_Tex", "Hatch1_Tex", "Hatch2_Tex",
                                             "Hatch3_Tex", "Hatch4_Tex", "Hatch5_Tex"};

// The compiler's text, or a fixed one when the effect could not be read at all.
std::string ErrorText(ID3DXBuffer* errors) {
  if (errors) {
    const auto* text = static_cast<const char*>(errors->GetBufferPointer());
    const std::size_t length = text ? strnlen(text, errors->GetBufferSize()) : 0;
    if (length > 0) return std::string(text, length);
  }
  return kMissingEffectText;
}

}  // namespace

HRESULT HatchingApp::LoadEffectTextures() {
  IDirect3DDevice9* device = renderContext.device;
  if (FAILED(D3DXCreateCubeTextureFromFileA(device, kEnvironmentMapPath, &environmentMap)))
    return TextureFailed(kEnvironmentMapPath);
  for (int n = 0; n < 6; ++n) {
    char path[32];
    std::snprintf(path, sizeof path, "./Textures/Hatch%d.dds", n);
    if (FAILED(D3DXCreateTextureFromFileA(device, path, &hatchTextures[n]))) return TextureFailed(path);
  }
  return S_OK;
}

HRESULT HatchingApp::TextureFailed(const char* path) {
  FILE* file = OpenFile(path, "rb");
  const int reason = errno;
  if (file) std::fclose(file);
  startupFailure =
      NativePath(path) + ": " + (file ? "not a texture this program can read" : std::strerror(reason));
  return E_FAIL;
}

HRESULT HatchingApp::CreateEffect() {
  IDirect3DDevice9* device = renderContext.device;
  if (!device) return E_FAIL;
  const HRESULT declared = device->CreateVertexDeclaration(kSkinVertexElements, &vertexDeclaration);
  if (FAILED(declared)) return declared;

  ID3DXBuffer* errors = nullptr;
  if (FAILED(D3DXCreateEffectFromFileA(device, kEffectPath, nullptr, nullptr, D3DXSHADER_DEBUG, nullptr,
                                       &effect, &errors))) {
    effect = nullptr;
    MessageBoxA(nullptr, ErrorText(errors).c_str(), "ERROR", MB_OK);
  } else {
    technique = effect->GetTechniqueByName("TShader");
  }
  SafeRelease(errors);
  return S_OK;
}

HRESULT HatchingApp::UploadEffectParameters() {
  if (!effect) return S_OK;
  const D3DXMATRIX& world = renderContext.world;
  const D3DXMATRIX& view = renderContext.view;
  const D3DXMATRIX& projection = renderContext.projection;

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

  const D3DXVECTOR3& eye = renderContext.camera.position;
  const D3DVECTOR& light = renderContext.light.Position;
  const D3DXVECTOR4 viewPosition(eye.x, eye.y, eye.z, 1.0f);
  const D3DXVECTOR4 lightDirection(light.x, light.y, light.z, 0.0f);
  const D3DXVECTOR4 misc(10.0f, 0.0f, 0.0f, 1.0f);
  effect->SetVector("vViewPosition", &viewPosition);
  effect->SetVector("LightDir", &lightDirection);
  effect->SetVector("MiscParam", &misc);
  return S_OK;
}
