// HatchingScene: what a hatched frame needs on a device and how it is drawn. It owns the box's
// buffers, the effect's seven textures, the vertex declaration, the effect with its technique and
// the overlay's line buffer; the device, the matrices and the font stay in the RenderContext, and
// the model with whoever plays it. No window: the program, the quality tool, the benchmarks and
// an off-screen picture all draw through it, at any back-buffer size.
#pragma once

#include <string>

#include "base/math.h"
#include "gfx/d3d9.h"

struct SkinnedModel;
class RenderContext;

// What the effect receives every frame (the effect's parameters, less its textures).
struct SceneParameters {
  D3DXMATRIX world = kIdentityMatrix;
  D3DXMATRIX view = kIdentityMatrix;
  D3DXMATRIX projection = kIdentityMatrix;
  D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 light{0.0f, 0.0f, 0.0f};
  // MiscParam.y: 0 shades as the file says; t + 1 asks a measuring variant of the effect to give
  // every pixel tone t.
  float forcedTone = 0.0f;
};

// The parameters of the context's world, view, projection, camera and light.
SceneParameters ParametersOf(const RenderContext& context);

// How the model plays in a frame: UpdateAndDraw's arguments beside the device.
struct ModelPlay {
  int fillMode = D3DFILL_SOLID;
  // The clip, or -1 for the bind pose.
  int clip = 0;
  float step = 0.01f;
  bool textured = true;
};

// One frame. Zero fields leave their part out.
struct SceneFrame {
  SceneParameters parameters;
  // The box, in the effect's first pass.
  bool box = true;
  // Drawn in the second pass: the model as `play` says, then `triangles` (a list of SkinVertex
  // triangles) where given.
  SkinnedModel* model = nullptr;
  ModelPlay play;
  IDirect3DVertexBuffer9* triangles = nullptr;
  UINT triangleCount = 0;
  // The overlay's lines with this frame rate, where given.
  const float* overlayFramesPerSecond = nullptr;
};

class HatchingScene {
 public:
  HatchingScene() = default;
  ~HatchingScene();
  HatchingScene(const HatchingScene&) = delete;
  HatchingScene& operator=(const HatchingScene&) = delete;

  // Everything at once, from the content folder `folder` ("./" or a path ending in '/'): the
  // box, the textures and the effect. On failure `failure` names the file and the reason; what
  // was made stays until Release.
  HRESULT Create(IDirect3DDevice9* device, const std::string& folder, std::string* failure);

  // The steps of Create, in the order the program takes them.
  HRESULT CreateBoxVertexBuffer(IDirect3DDevice9* device);
  HRESULT CreateBoxIndexBuffer(IDirect3DDevice9* device);
  // On failure `failure` gets the texture's path and why it could not be made.
  HRESULT LoadEffectTextures(IDirect3DDevice9* device, std::string* failure,
                             const std::string& folder = "./");
  // The vertex declaration, then the effect file; an effect that does not compile shows the
  // compiler's text in a message box and leaves `effect` null (the frame is then drawn without it).
  HRESULT CreateEffect(IDirect3DDevice9* device);
  // The effect from `path` alone (the declaration must exist), replacing any; false with the
  // compiler's text in `errors`.
  bool CreateEffectFromFile(IDirect3DDevice9* device, const std::string& path, DWORD flags,
                            std::string* errors);

  HRESULT Upload(const SceneParameters& parameters);
  // Clear, the effect's two passes, the overlay, present.
  void Draw(RenderContext& context, const SceneFrame& frame);
  void DrawBox(IDirect3DDevice9* device);
  void DrawModel(IDirect3DDevice9* device, SkinnedModel* model, const ModelPlay& play);
  void DrawOverlay(RenderContext& context, float framesPerSecond);

  // The box and the textures.
  void ReleaseResources();
  // Everything, the effect first; safe to call again.
  void Release();

  IDirect3DVertexBuffer9* boxVertexBuffer = nullptr;
  IDirect3DIndexBuffer9* boxIndexBuffer = nullptr;
  ID3DXEffect* effect = nullptr;
  D3DXHANDLE technique = nullptr;
  IDirect3DVertexDeclaration9* vertexDeclaration = nullptr;
  IDirect3DCubeTexture9* environmentMap = nullptr;
  IDirect3DTexture9* hatchTextures[6]{};
  // The overlay line being drawn; snprintf never writes past it.
  char textLine[128]{};
};

// The frame-rate meter the overlay shows, one per process: counts a frame and, once a second or
// more has passed since it last did, sets `framesPerSecond`. Reset starts it afresh.
void UpdateFrameRate(float* framesPerSecond);
void ResetFrameRateMeter();

// "<path>: <reason>" for a texture that could not be made: the system's reason when the file
// cannot be opened, else that it is not a texture this program reads.
std::string TextureFailure(const char* path);
