// The scene's whole set-up and release, and the parameters a render context gives it.
#include "render/hatching_scene.h"

#include "model/skin_vertex.h"
#include "render/render_context.h"

HatchingScene::~HatchingScene() {
  Release();
}

HRESULT HatchingScene::Create(IDirect3DDevice9* device, const std::string& folder, std::string* failure) {
  if (FAILED(CreateBoxVertexBuffer(device)) || FAILED(CreateBoxIndexBuffer(device))) {
    *failure = "the backdrop's buffers could not be created";
    return E_FAIL;
  }
  if (FAILED(LoadEffectTextures(device, failure, folder))) return E_FAIL;
  const HRESULT declared = device->CreateVertexDeclaration(kSkinVertexElements, &vertexDeclaration);
  if (FAILED(declared)) {
    *failure = "the vertex declaration could not be created";
    return declared;
  }
  const std::string effectPath = folder + "Shaders/Hatching.fx";
  return CreateEffectFromFile(device, effectPath, D3DXSHADER_DEBUG, failure) ? S_OK : E_FAIL;
}

void HatchingScene::Release() {
  SafeRelease(effect);
  technique = nullptr;  // a handle into the effect just released
  SafeRelease(vertexDeclaration);
  ReleaseResources();
}

SceneParameters ParametersOf(const RenderContext& context) {
  SceneParameters parameters;
  parameters.world = context.world;
  parameters.view = context.view;
  parameters.projection = context.projection;
  parameters.eye = context.camera.position;
  const D3DVECTOR& light = context.light.Position;
  parameters.light = D3DXVECTOR3(light.x, light.y, light.z);
  return parameters;
}
