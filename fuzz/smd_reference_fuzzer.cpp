// Fuzz target: a reference SMD file loaded the way the program loads one (by path, into the next
// mesh slot, textures beside it), then skinned and drawn once and described as smdinfo does, and
// given the stroke field of its form, which must leave every texture coordinate finite.
// Every object the load created must be released with the model.
#include <cmath>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "gfx/recording/recording_device.h"
#include "model/form_strokes.h"
#include "model/skinned_model.h"
#include "model/smd_description.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietRecordingBackend();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::WriteScratchFile(data, size, "model.smd");
  const int objectsBefore = Recording().liveObjects;
  RecordingDevice* device = new RecordingDevice();
  auto model = std::make_unique<SkinnedModel>();
  const bool loaded = model->LoadReference(device, path.c_str());
  FUZZ_CHECK(loaded == (model->diagnostic.result == kSmdRead));
  FUZZ_CHECK(model->meshCount == (loaded ? 1 : 0));
  FUZZ_CHECK(model->diagnostic.reason[sizeof model->diagnostic.reason - 1] == '\0');
  if (loaded) {
    const SmdMesh& mesh = model->meshes[0];
    FUZZ_CHECK(mesh.textureCount >= 0 && mesh.textureCount <= kSmdMaxMaterials);
    FUZZ_CHECK(model->UpdateAndDraw(device, D3DFILL_SOLID, 0, 0, 0.0f, -1, true));
    SmdDescriptionInput input;
    input.file = path.c_str();
    input.result = model->diagnostic.result;
    input.loaded = true;
    FUZZ_CHECK(!DescribeSmdJson(*model, input).empty());
    FUZZ_CHECK(!DescribeSmdSummary(*model, input).empty());
    SmdMesh& formed = model->meshes[0];
    const field::StrokeFieldFigures figures = ApplyFormStrokes(formed);
    FUZZ_CHECK(figures.fixedPieces <= figures.pieces);
    for (int t = 0; formed.triangles && t < formed.triangleCount; ++t)
      for (const SkinVertex& corner : formed.triangles[t].corners)
        FUZZ_CHECK(std::isfinite(corner.u) && std::isfinite(corner.v));
  }
  model.reset();
  SafeRelease(device);
  FUZZ_CHECK(Recording().liveObjects == objectsBefore);
  return 0;
}
