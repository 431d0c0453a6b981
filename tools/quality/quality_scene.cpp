#include "tools/quality/quality_scene.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "gfx/gl/gl_backend.h"
#include "model/form_strokes.h"
#include "model/skinned_model.h"
#include "render/render_context.h"
#include "scene/object_transform.h"

namespace {

constexpr D3DCOLOR kBlue = 0xFF0000FF;
constexpr float kFieldOfView = 0.7853982f;  // as the viewer's projection

// The viewer's surrounding box: a cube of edge 200 around the character's origin, drawn by the
// effect's first pass, which only reads positions.
std::vector<SkinVertex> BoxTriangles() {
  std::vector<SkinVertex> out;
  // Faces in the viewer's order (-z, +x, +z, -x, +y, -y): with depth testing off, later ones
  // cover earlier ones.
  const struct {
    int axis;
    float side;
  } faces[] = {{2, -100}, {0, 100}, {2, 100}, {0, -100}, {1, 100}, {1, -100}};
  for (const auto& face : faces) {
    const int a = (face.axis + 1) % 3, b = (face.axis + 2) % 3;
    const float corners[4][2] = {{-100, -100}, {100, -100}, {100, 100}, {-100, 100}};
    for (int i : {0, 1, 2, 0, 2, 3}) {
      float p[3];
      p[face.axis] = face.side, p[a] = corners[i][0], p[b] = corners[i][1];
      SkinVertex v;
      v.position = D3DXVECTOR3(p[0], p[1], p[2]);
      out.push_back(v);
    }
  }
  return out;
}

IDirect3DVertexBuffer9* MakeBuffer(IDirect3DDevice9* device, const std::vector<SkinVertex>& vertices) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  const UINT bytes = static_cast<UINT>(vertices.size() * sizeof(SkinVertex));
  if (FAILED(device->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr)))
    return nullptr;
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
  SafeRelease(box_);
  for (IDirect3DTexture9*& t : hatch_) SafeRelease(t);
  SafeRelease(environment_);
  SafeRelease(effect_);
  SafeRelease(declaration_);
  SafeRelease(device_);
  SafeRelease(direct3d_);
}

bool QualityScene::Create(const std::string& content, std::string* error) {
  content_ = content;
  if (!context_.Create(kWidth, kHeight, error)) return false;
  direct3d_ = CreateGlDirect3D(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS parameters = PresentParameters(kWidth, kHeight);
  if (!direct3d_ || FAILED(direct3d_->CreateDevice(0, D3DDEVTYPE_HAL, &context_, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                                   &parameters, &device_))) {
    *error = "the OpenGL device cannot be created";
    return false;
  }
  device_->CreateVertexDeclaration(kSkinVertexElements, &declaration_);
  const std::string textures = content + "/Textures/";
  if (FAILED(D3DXCreateCubeTextureFromFileA(device_, (textures + "Snow.dds").c_str(), &environment_))) {
    *error = textures + "Snow.dds: cannot be read";
    return false;
  }
  for (int n = 0; n < 6; ++n) {
    const std::string path = textures + "Hatch" + std::to_string(n) + ".dds";
    if (FAILED(D3DXCreateTextureFromFileA(device_, path.c_str(), &hatch_[n]))) {
      *error = path + ": cannot be read";
      return false;
    }
  }
  box_ = MakeBuffer(device_, BoxTriangles());
  model_ = new SkinnedModel();
  const std::string folder = content + "/Model/SMD/Vekku_Red/";
  if (!model_->LoadReference(device_, (folder + "Ref_Red.smd").c_str()) ||
      !model_->LoadAnimation((folder + "Ani_Red(Attack).smd").c_str())) {
    *error = folder + ": " + model_->diagnostic.reason;
    return false;
  }
  for (int m = 0; formStrokes && m < model_->meshCount; ++m) ApplyFormStrokes(model_->meshes[m]);
  ObjectTransform placement;
  placement.position = D3DXVECTOR3(0, 0, 100);
  placement.BuildWorldMatrix(&characterWorld_);
  D3DXMatrixPerspectiveFovLH(&projection_, kFieldOfView, static_cast<float>(kWidth) / kHeight, 1.0f, 5000.0f);
  Look(D3DXVECTOR3(0, 100, -200), D3DXVECTOR3(0, 100, 0));
  return true;
}

bool QualityScene::UseEffect(int output, std::string* error) {
  SafeRelease(effect_);
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
  ID3DXBuffer* errors = nullptr;
  const HRESULT made = D3DXCreateEffectFromFileA(device_, variant.c_str(), nullptr, nullptr, 0, nullptr, &effect_, &errors);
  std::remove(variant.c_str());
  if (FAILED(made)) {
    *error = source + " (QUALITY_OUTPUT " + std::to_string(output) +
             "): " + (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "does not compile");
    SafeRelease(errors);
    return false;
  }
  SafeRelease(errors);
  effect_->SetTechnique(effect_->GetTechniqueByName("TShader"));
  return true;
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

void QualityScene::Begin(const D3DXMATRIX& world, bool box) {
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlue, 1.0f, 0);
  device_->BeginScene();
  D3DXMATRIX worldView, product, inverse;
  D3DXMatrixMultiply(&worldView, &world, &view_);
  effect_->SetTexture("EnvironmentMap", environment_);
  for (int n = 0; n < 6; ++n) effect_->SetTexture(("Hatch" + std::to_string(n) + "_Tex").c_str(), hatch_[n]);
  effect_->SetMatrix("matViewProjection", D3DXMatrixMultiply(&product, &view_, &projection_));
  effect_->SetMatrix("matWorldView", &worldView);
  effect_->SetMatrix("matWorldViewProjection", D3DXMatrixMultiply(&product, &worldView, &projection_));
  D3DXMatrixInverse(&inverse, nullptr, &worldView);
  effect_->SetMatrix("matWorldViewInverseTranspose", D3DXMatrixTranspose(&product, &inverse));
  D3DXMATRIX viewInverse;
  D3DXMatrixInverse(&viewInverse, nullptr, &view_);
  const D3DXVECTOR4 eye(viewInverse.m[3][0], viewInverse.m[3][1], viewInverse.m[3][2], 1);
  const D3DXVECTOR4 lightPosition(light.x, light.y, light.z, 0);
  const D3DXVECTOR4 misc(10, forcedTone >= 0 ? forcedTone + 1 : 0, 0, 1);
  effect_->SetVector("vViewPosition", &eye);
  effect_->SetVector("LightDir", &lightPosition);
  effect_->SetVector("MiscParam", &misc);
  UINT passes = 0;
  effect_->Begin(&passes, 0);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->SetVertexDeclaration(declaration_);
  if (box) {
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    effect_->BeginPass(0);
    device_->SetStreamSource(0, box_, 0, sizeof(SkinVertex));
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 12);
    effect_->EndPass();
  }
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  effect_->BeginPass(1);
}

const std::vector<uint8_t>& QualityScene::End() {
  effect_->EndPass();
  effect_->End();
  device_->EndScene();
  device_->Present(nullptr, nullptr, nullptr, nullptr);
  int width = 0, height = 0;
  GlCapturePresentedFrame(device_, &pixels_, &width, &height);
  return pixels_;
}

const std::vector<uint8_t>& QualityScene::DrawCharacter(bool box) {
  Begin(characterWorld_, box);
  // The first frame poses the character at the clip's first key frame; with no time step the
  // pose stays there for every later picture.
  model_->UpdateAndDraw(device_, D3DFILL_SOLID, 0, model_->clips[0].frameCount, 0.0f, 0, true);
  posed_ = true;
  return End();
}

const std::vector<uint8_t>& QualityScene::DrawTriangles(const std::vector<SkinVertex>& vertices) {
  Begin(kIdentityMatrix, false);
  IDirect3DVertexBuffer9* buffer = MakeBuffer(device_, vertices);
  if (buffer) {
    device_->SetStreamSource(0, buffer, 0, sizeof(SkinVertex));
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size() / 3));
  }
  const std::vector<uint8_t>& picture = End();
  SafeRelease(buffer);
  return picture;
}
