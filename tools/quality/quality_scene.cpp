// The measuring tool's renderer over the viewer's scene (see quality_scene.h).
#include "tools/quality/quality_scene.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "gfx/gl/gl_backend.h"
#include "model/form_strokes.h"
#include "model/skinned_model.h"
#include "render/overlay_text.h"

namespace {

IDirect3DVertexBuffer9* MakeBuffer(IDirect3DDevice9* device, const std::vector<SkinVertex>& vertices) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  const UINT bytes = static_cast<UINT>(vertices.size() * sizeof(SkinVertex));
  if (FAILED(device->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr))) return nullptr;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0))) {
    buffer->Release();
    return nullptr;
  }
  std::memcpy(data, vertices.data(), bytes);
  buffer->Unlock();
  return buffer;
}

}  // namespace

QualityScene::~QualityScene() {
  delete model_;
  delete fileUvModel_;
  scene_.Release();
  context_.ReleaseDevice();
}

bool QualityScene::Create(const std::string& content, std::string* error) {
  content_ = content;
  if (!window_.Create(kWidth, kHeight, error)) return false;
  SetDirect3DFactory(CreateGlDirect3D);
  if (FAILED(context_.InitDevice(&window_, kWidth, kHeight, kOverlayFontHeight))) {
    *error = "the OpenGL device cannot be created";
    return false;
  }
  if (FAILED(scene_.Create(context_.device, content + "/", error))) return false;
  if (!(model_ = LoadCharacter(error))) return false;
  if (formStrokes) {
    if (!(fileUvModel_ = LoadCharacter(error))) return false;
    for (int m = 0; m < model_->meshCount; ++m) ApplyFormStrokes(model_->meshes[m]);
  }
  Look(D3DXVECTOR3(0, 100, -200), D3DXVECTOR3(0, 100, 0));
  return true;
}

SkinnedModel* QualityScene::LoadCharacter(std::string* error) {
  auto* model = new SkinnedModel();
  const std::string folder = content_ + "/Model/SMD/Vekku_Red/";
  if (!model->LoadReference(context_.device, (folder + "Ref_Red.smd").c_str()) ||
      !model->LoadAnimation((folder + "Ani_Red(Attack).smd").c_str())) {
    *error = folder + ": " + model->diagnostic.reason;
    delete model;
    return nullptr;
  }
  return model;
}

bool QualityScene::UseEffect(int output, std::string* error) {
  const std::string source = content_ + "/Shaders/Hatching.fx";
  std::ifstream in(source);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) {
    *error = source + ": cannot be read";
    return false;
  }
  const std::string variant = "/tmp/hatching-quality-" + std::to_string(::getpid()) + ".fx";
  std::ofstream(variant) << "#define QUALITY_OUTPUT " << output << "\n" << text.str();
  std::string errors;
  const bool made = scene_.CreateEffectFromFile(context_.device, variant, 0, &errors);
  std::remove(variant.c_str());
  if (!made) *error = source + " (QUALITY_OUTPUT " + std::to_string(output) + "): " + errors;
  return made;
}

void QualityScene::Look(const D3DXVECTOR3& eye, const D3DXVECTOR3& target) {
  D3DXVECTOR3 look(target.x - eye.x, target.y - eye.y, target.z - eye.z), right, up(0, 1, 0);
  D3DXVec3Normalize(&look, &look);
  D3DXVec3Cross(&right, &up, &look);
  D3DXVec3Normalize(&right, &right);
  D3DXVec3Cross(&up, &look, &right);
  view_ = D3DXMATRIX{{{right.x, up.x, look.x, 0},
                      {right.y, up.y, look.y, 0},
                      {right.z, up.z, look.z, 0},
                      {-D3DXVec3Dot(&right, &eye), -D3DXVec3Dot(&up, &eye), -D3DXVec3Dot(&look, &eye), 1}}};
}

const std::vector<uint8_t>& QualityScene::Draw(SceneFrame* frame, const D3DXMATRIX& world) {
  frame->parameters.world = world;
  frame->parameters.view = view_;
  frame->parameters.projection = context_.projection;
  D3DXMATRIX viewInverse;
  D3DXMatrixInverse(&viewInverse, nullptr, &view_);
  frame->parameters.eye = D3DXVECTOR3(viewInverse.m[3][0], viewInverse.m[3][1], viewInverse.m[3][2]);
  frame->parameters.light = light;
  frame->parameters.forcedTone = forcedTone >= 0 ? forcedTone + 1 : 0;
  scene_.Draw(context_, *frame);
  int width = 0, height = 0;
  GlCapturePresentedFrame(context_.device, &pixels_, &width, &height);
  return pixels_;
}

const std::vector<uint8_t>& QualityScene::DrawCharacter(bool box) {
  return DrawModel(model_, box);
}

const std::vector<uint8_t>& QualityScene::DrawCharacterWithFileUv(bool box) {
  return DrawModel(fileUvModel_ ? fileUvModel_ : model_, box);
}

const std::vector<uint8_t>& QualityScene::DrawModel(SkinnedModel* model, bool box) {
  SceneFrame frame;
  frame.box = box;
  // The first frame poses the character at the clip's first key frame; with no time step the
  // pose stays there for every later picture.
  frame.model = model;
  frame.play.step = 0.0f;
  return Draw(&frame, context_.world);
}

const std::vector<uint8_t>& QualityScene::DrawTriangles(const std::vector<SkinVertex>& vertices) {
  SceneFrame frame;
  frame.box = false;
  frame.triangles = MakeBuffer(context_.device, vertices);
  frame.triangleCount = static_cast<UINT>(vertices.size() / 3);
  const std::vector<uint8_t>& picture = Draw(&frame, kIdentityMatrix);
  SafeRelease(frame.triangles);
  return picture;
}
