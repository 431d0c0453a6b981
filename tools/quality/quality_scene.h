// The measuring tool's renderer: the viewer's scene on a headless OpenGL context, with the effect
// file compiled as the viewer compiles it or as one of its measuring variants, and two kinds of
// subject: the character, posed once and frozen, and flat meshes laid out by the caller.
#pragma once

#include <string>
#include <vector>

#include "base/math.h"
#include "gfx/d3d9.h"
#include "gfx/gl/headless/egl_context.h"
#include "model/skin_vertex.h"
#include "render/hatching_scene.h"
#include "render/render_context.h"

struct SkinnedModel;

class QualityScene {
 public:
  static constexpr int kWidth = 800, kHeight = 600;

  QualityScene() = default;
  ~QualityScene();
  QualityScene(const QualityScene&) = delete;
  QualityScene& operator=(const QualityScene&) = delete;

  // The context, the device, the seven textures and the character, from the content folder.
  bool Create(const std::string& content, std::string* error);

  // Compiles the effect file with QUALITY_OUTPUT defined as `output` (0: the file as it stands).
  bool UseEffect(int output, std::string* error);

  // The eye at `eye` looking at `target`, +y up.
  void Look(const D3DXVECTOR3& eye, const D3DXVECTOR3& target);
  const D3DXMATRIX& View() const { return view_; }
  const D3DXMATRIX& Projection() const { return context_.projection; }
  // The character's placement in the world, as the viewer places it.
  const D3DXMATRIX& CharacterWorld() const { return context_.world; }

  D3DXVECTOR3 light{500, 500, -500};
  float forcedTone = -1;     // with a measuring variant: the tone every pixel gets, when >= 0
  bool formStrokes = false;  // before Create: the character hatched along its form, not its uv

  // One frame on a blue background: the paper box when `box`, then the character or the
  // triangles (world = identity), captured as RGBA rows from the top.
  const std::vector<uint8_t>& DrawCharacter(bool box);
  // The character with the texture coordinates its file gives, whatever formStrokes says: where
  // its uv seams fall on the screen.
  const std::vector<uint8_t>& DrawCharacterWithFileUv(bool box);
  const std::vector<uint8_t>& DrawTriangles(const std::vector<SkinVertex>& vertices);

 private:
  const std::vector<uint8_t>& Draw(SceneFrame* frame, const D3DXMATRIX& world);
  SkinnedModel* LoadCharacter(std::string* error);
  const std::vector<uint8_t>& DrawModel(SkinnedModel* model, bool box);

  std::string content_;
  EglContext window_;
  RenderContext context_;
  HatchingScene scene_;
  SkinnedModel* model_ = nullptr;
  SkinnedModel* fileUvModel_ = nullptr;  // with formStrokes: the same character, its uv untouched
  D3DXMATRIX view_{};
  std::vector<uint8_t> pixels_;
};
