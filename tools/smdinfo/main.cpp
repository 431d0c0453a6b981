// smdinfo [--animation] [--json] FILE...
// Loads each file into a fresh model with the operations the program uses (reference files by
// default, animations with --animation), on the recording backend, and prints a summary line or
// one JSON object per file. A file that does not load prints why; the exit status is then 1.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/cp949.h"
#include "base/platform.h"
#include "gfx/recording/recorder.h"
#include "model/skinned_model.h"
#include "model/smd_description.h"
#include "render/render_context.h"

namespace {

std::string lastMessage;

int RememberMessage(HWND, const char* text, const char*, UINT) {
  lastMessage = text ? text : "";
  return IDOK;
}

// The model's code page 949 byte strings as UTF-8, converted as the program's font, window title
// and message boxes convert theirs: a byte that forms no code page 949 character becomes U+FFFD.
std::string Utf8(const std::string& bytes) {
  std::string utf8;
  Cp949ToUtf8(bytes.data(), bytes.size(), &utf8);
  return utf8;
}

int Usage() {
  std::fprintf(stderr, "usage: smdinfo [--animation] [--json] FILE...\n");
  return 2;
}

IDirect3DDevice9* CreateDevice(IDirect3D9* direct3d) {
  if (!direct3d) return nullptr;
  D3DPRESENT_PARAMETERS parameters = PresentParameters(0, 0);
  IDirect3DDevice9* device = nullptr;
  if (FAILED(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &parameters, &device)))
    return nullptr;
  return device;
}

}  // namespace

int main(int argc, char** argv) {
  bool animation = false;
  bool json = false;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--animation") == 0) {
      animation = true;
    } else if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (argv[i][0] == '-' && argv[i][1] == '-') {
      return Usage();
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) return Usage();

  UseRecordingBackend();
  Recording().logging = false;
  SetMessageBoxHandler(RememberMessage);
  IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  IDirect3DDevice9* device = CreateDevice(direct3d);
  if (!device) {
    std::fprintf(stderr, "smdinfo: the recording device cannot be created\n");
    SafeRelease(direct3d);
    return 2;
  }

  // Diagnostics go to standard error in JSON mode, so standard output stays one object per line.
  FILE* notes = json ? stderr : stdout;
  int status = 0;
  for (const char* file : files) {
    auto model = std::make_unique<SkinnedModel>();
    // Each corner's weighted links are listed beside its parent column.
    model->readLinks = true;
    lastMessage.clear();
    const bool loaded = animation ? model->LoadAnimation(file) : model->LoadReference(device, file);
    SmdDescriptionInput input;
    input.file = file;
    input.animation = animation;
    input.result = model->diagnostic.result;
    input.loaded = loaded;
    input.toUtf8 = Utf8;
    if (!loaded) {
      status = 1;
      if (!lastMessage.empty()) std::fprintf(notes, "%s: %s\n", file, Utf8(lastMessage).c_str());
      if (model->diagnostic.line > 0) {
        std::fprintf(notes, "%s:%d: %s\n", file, model->diagnostic.line, model->diagnostic.reason);
      } else {
        std::fprintf(notes, "%s: %s\n", file, model->diagnostic.reason);
      }
    }
    const std::string text = json ? DescribeSmdJson(*model, input) : DescribeSmdSummary(*model, input);
    if (json || loaded) std::printf("%s\n", text.c_str());
  }
  SafeRelease(device);
  SafeRelease(direct3d);
  return status;
}
