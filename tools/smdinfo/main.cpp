// smdinfo [--animation] [--json] [--field] FILE...
// Loads each file into a fresh model with the operations the program uses (reference files by
// default, animations with --animation), on the recording backend, and prints a summary line or
// one JSON object per file. A file that does not load prints why; the exit status is then 1.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/cp949.h"
#include "base/platform.h"
#include "gfx/recording/recorder.h"
#include "model/form_strokes.h"
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

constexpr char kUsage[] =
    "Usage: smdinfo [--animation] [--json] [--field] FILE...\n"
    "Loads SMD files as the hatching viewer does and prints what it read: one summary line a file,\n"
    "or with --json one JSON object a line. Reference files by default; --animation reads\n"
    "animation files. Diagnostics go to standard error; the exit status is 1 when a file did not\n"
    "load, 2 for a usage error.\n"
    "\n"
    "  --animation   read the files as animations\n"
    "  --json        print one JSON object a file (bones, materials, triangles with each corner's\n"
    "                links, or key frames)\n"
    "  --field       with --json, add the stroke field of each reference file: pieces, pieces\n"
    "                given a fixed direction, triangles left out, singularities, solve time\n"
    "  --help        show this text\n"
    "  --version     show the version\n";

int UsageError(const std::string& what) {
  std::fprintf(stderr, "smdinfo: %s\nTry 'smdinfo --help'.\n", what.c_str());
  return 2;
}

// Why a file did not load, once: the system's reason for a file that cannot be opened, the
// loader's box text (in UTF-8) with what it means, or the line and the reason of a refusal.
void ReportRefusal(const char* file, const SmdDiagnostic& diagnostic) {
  if (diagnostic.result == -1) {
    std::fprintf(stderr, "smdinfo: %s: %s\n", file,
                 std::strerror(diagnostic.systemError ? diagnostic.systemError : EIO));
  } else if (diagnostic.result == kSmdRefused) {
    const std::string where = diagnostic.line > 0 ? ":" + std::to_string(diagnostic.line) : std::string();
    std::fprintf(stderr, "smdinfo: %s%s: %s\n", file, where.c_str(), diagnostic.reason);
  } else {
    std::fprintf(stderr, "smdinfo: %s: %s (%s)\n", file, Utf8(lastMessage).c_str(), diagnostic.reason);
  }
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

// The stroke field's figures over all of the model's meshes, as a JSON member.
std::string FieldJson(SkinnedModel& model) {
  field::StrokeFieldFigures sum;
  for (int m = 0; m < model.meshCount && m < kSmdMaxMeshes; ++m) {
    const field::StrokeFieldFigures f = ApplyFormStrokes(model.meshes[m]);
    sum.pieces += f.pieces, sum.fixedPieces += f.fixedPieces, sum.droppedTriangles += f.droppedTriangles;
    sum.singularities += f.singularities, sum.solveMilliseconds += f.solveMilliseconds;
  }
  char text[200];
  std::snprintf(text, sizeof text,
                "\"field\":{\"pieces\":%d,\"fixed_pieces\":%d,\"dropped_triangles\":%d,\"singularities\":%d,"
                "\"solve_ms\":%.1f}",
                sum.pieces, sum.fixedPieces, sum.droppedTriangles, sum.singularities, sum.solveMilliseconds);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  bool animation = false;
  bool json = false;
  bool withField = false;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--animation") == 0) {
      animation = true;
    } else if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (std::strcmp(argv[i], "--field") == 0) {
      withField = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("smdinfo 1.0.0");
      return 0;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return UsageError("unknown option '" + std::string(argv[i]) + "'");
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) return UsageError("no file given");
  if (withField && (!json || animation)) return UsageError("--field needs --json and reference files");

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

  // Results on standard output, diagnostics on standard error.
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
      ReportRefusal(file, model->diagnostic);
    }
    std::string text = json ? DescribeSmdJson(*model, input) : DescribeSmdSummary(*model, input);
    // After the description, which lists the file's own uv; the object's last member.
    if (withField && loaded && !text.empty() && text.back() == '}')
      text.insert(text.size() - 1, (text.size() > 2 ? "," : "") + FieldJson(*model));
    if (json || loaded) std::printf("%s\n", text.c_str());
  }
  SafeRelease(device);
  SafeRelease(direct3d);
  return status;
}
