// Fuzz target: an animation SMD file loaded into a model that already holds a small reference
// mesh, then played for a few steps, so that key-frame tables of any shape meet a mesh whose bone
// table has another size.
#include <cstring>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "model/skinned_model.h"
#include "model/smd_description.h"
#include "gfx/recording/recording_device.h"

namespace {

const char kReference[] =
    "version 1\nnodes\n0 \"root\" -1\n1 \"spine\" 0\n2 \"head\" 1\nend\n"
    "skeleton\ntime 0\n0 0 0 0 0 0 0\n1 0 0 4 0.1 0.2 0.3\n2 0.5 -1 2 -0.4 0.25 1\nend\n"
    "triangles\nskin.bmp\n0 1 2 3 0 0 1 0 0.25\n1 2 2 3 0 0 1 1 0.25\n2 1 3 3 0 0 1 0 1\nend\n";

std::string referencePath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietRecordingBackend();
  referencePath = fuzz::WriteScratchFile(reinterpret_cast<const uint8_t*>(kReference),
                                         std::strlen(kReference), "reference.smd");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::WriteScratchFile(data, size, "clip.smd");
  const int objectsBefore = Recording().liveObjects;
  RecordingDevice* device = new RecordingDevice();
  auto model = std::make_unique<SkinnedModel>();
  FUZZ_CHECK(model->LoadReference(device, referencePath.c_str()));
  const bool loaded = model->LoadAnimation(path.c_str());
  FUZZ_CHECK(loaded == (model->diagnostic.result == kSmdRead));
  FUZZ_CHECK(model->clipCount == (loaded ? 1 : 0));
  if (loaded) {
    const AnimationClip& clip = model->clips[0];
    // Whole clip, then a window that starts past the first frame, then a call past the table.
    for (int i = 0; i < 5; ++i)
      model->UpdateAndDraw(device, D3DFILL_SOLID, 0, clip.frameCount, 0.5f, 0, true);
    for (int i = 0; i < 3; ++i)
      model->UpdateAndDraw(device, D3DFILL_WIREFRAME, clip.frameCount / 2, clip.frameCount, 0.7f, 0, false);
    FUZZ_CHECK(
        !model->UpdateAndDraw(device, D3DFILL_SOLID, clip.frameCount, clip.frameCount + 1, 0.5f, 0, true));
    SmdDescriptionInput input;
    input.file = path.c_str();
    input.animation = true;
    input.loaded = true;
    FUZZ_CHECK(!DescribeSmdJson(*model, input).empty());
  }
  model.reset();
  SafeRelease(device);
  FUZZ_CHECK(Recording().liveObjects == objectsBefore);
  return 0;
}
