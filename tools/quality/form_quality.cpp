// The renders behind MeasureFormStrokes (see form_quality.h). The tone is forced to the second,
// whose strokes run one way, so that every stroked pixel has an orientation to measure.
#include "tools/quality/form_quality.h"

#include <cstdio>

#include "gfx/png_file.h"
#include "tools/quality/form_shapes.h"
#include "tools/quality/quality_scene.h"
#include "tools/quality/stroke_direction.h"

namespace {

enum Output { kHatch = 1, kU = 3, kV = 4 };
constexpr int kW = QualityScene::kWidth, kH = QualityScene::kHeight;

class FormRenders {
 public:
  FormRenders(QualityScene& scene, std::string out) : scene_(scene), out_(std::move(out)) {}
  bool ok = true;

  // One picture of `mesh` through a variant of the effect, decoded as the quality tool does.
  Plane Render(Output output, const std::vector<SkinVertex>& mesh, const std::string& name = {}) {
    std::string error;
    if (output != current_ && !scene_.UseEffect(output, &error)) {
      std::fprintf(stderr, "quality: %s\n", error.c_str());
      ok = false;
      return Plane(kW, kH);
    }
    current_ = output;
    const std::vector<uint8_t>& rgba = scene_.DrawTriangles(mesh);
    if (!name.empty() && !WritePng(out_ + "/" + name + ".png", rgba.data(), kW, kH, &error))
      std::fprintf(stderr, "quality: %s\n", error.c_str());
    Plane plane(kW, kH);
    for (size_t i = 0; i < plane.value.size(); ++i) {
      const uint8_t* p = &rgba[4 * i];
      plane.inside[i] = !(p[0] == 0 && p[1] == 0 && p[2] == 255);
      plane.value[i] = output == kHatch ? static_cast<float>(1.0 - p[0] / 255.0)
                                        : static_cast<float>((p[0] * 256 + p[1]) / 65535.0);
    }
    return plane;
  }

 private:
  QualityScene& scene_;
  std::string out_;
  int current_ = -1;
};

}  // namespace

bool MeasureFormStrokes(QualityScene& scene, const std::string& out, const FigureLine& line) {
  FormRenders renders(scene, out);
  scene.Look({0, 0, 0}, {0, 0, 1});
  const struct {
    FormShape shape;
    const char* name;
  } shapes[] = {{FormShape::kCylinder, "cylinder"}, {FormShape::kTorus, "torus"}};
  for (const auto& [shape, name] : shapes) {
    const ShapeMesh tidy = MakeShape(shape, false), islands = MakeShape(shape, true);
    const std::vector<SkinVertex> form = WithFormStrokes(tidy.fileUv),
                                  formIslands = WithFormStrokes(islands.fileUv);
    const Plane s = renders.Render(kU, tidy.parameters), t = renders.Render(kV, tidy.parameters);
    const std::string prefix = std::string("form_") + name;
    scene.light = D3DXVECTOR3(0, 0, -1e5f);
    scene.forcedTone = 2;
    const auto share = [&](const std::vector<SkinVertex>& mesh, const std::string& picture) {
      return StrokeDirectionShare(renders.Render(kHatch, mesh, prefix + picture), s, t, 0.3, 4, 15).share;
    };
    const double alongForm = share(form, "_strokes"), alongTidy = share(tidy.fileUv, "_tidy_uv"),
                 alongIslands = share(islands.fileUv, "_islands_uv");
    line((prefix + "_direction_share").c_str(), alongForm, "≥ 0.75", alongForm >= 0.75);
    line((prefix + "_direction_share_tidy_uv").c_str(), alongTidy, "report", true);
    line((prefix + "_direction_share_islands_uv").c_str(), alongIslands, "report", true);
    // The lit picture, whose every tone shows, from the tidy and from the islanded file.
    scene.light = D3DXVECTOR3(-300, 400, -500);
    scene.forcedTone = -1;
    const double difference =
        MeanGreyDifference(renders.Render(kHatch, form, prefix + "_lit"),
                           renders.Render(kHatch, formIslands, prefix + "_lit_islands"));
    line((prefix + "_islands_difference_grey").c_str(), difference, "≤ 1.5", difference <= 1.5);
  }
  scene.light = D3DXVECTOR3(500, 500, -500);
  return renders.ok;
}
