// Helpers of the model-store tests: SMD text written to temporary files, the fixtures folder,
// a recording device, and a message-box recorder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model/skinned_model.h"
#include "base/platform.h"
#include "gfx/recording/recorder.h"
#include "gfx/recording/recording_device.h"

namespace smdtest {

inline std::string DataPath(const std::string& name) {
  return std::string(HATCHING_TEST_DATA) + "/" + name;
}

// A file in its own temporary folder, removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& content, const std::string& name = "model.smd") {
    char folder[] = "/tmp/smd_test_XXXXXX";
    if (!mkdtemp(folder)) ADD_FAILURE() << "mkdtemp failed";
    folder_ = folder;
    path_ = folder_ + "/" + name;
    Write(content);
  }
  ~TempFile() {
    for (const auto& extra : extras_) std::remove(extra.c_str());
    std::remove(path_.c_str());
    rmdir(folder_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void Write(const std::string& content) const {
    FILE* file = std::fopen(path_.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }
  // Another file beside this one (a texture, say).
  void AddSibling(const std::string& name, const std::string& content = "x") {
    extras_.push_back(folder_ + "/" + name);
    FILE* file = std::fopen(extras_.back().c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }
  const std::string& path() const { return path_; }
  const std::string& folder() const { return folder_; }
  // An open read handle for ParseReference / ParseAnimation; closed by the caller.
  FILE* Open() const { return std::fopen(path_.c_str(), "rb"); }

 private:
  std::string folder_;
  std::string path_;
  std::vector<std::string> extras_;
};

struct ShownMessage {
  std::string text;
  std::string caption;
  UINT type;
  bool ownerless;
};

inline std::vector<ShownMessage>& ShownMessages() {
  static std::vector<ShownMessage> messages;
  return messages;
}

inline int RecordMessage(HWND owner, const char* text, const char* caption, UINT type) {
  ShownMessages().push_back({text, caption, type, owner == nullptr});
  return IDOK;
}

// Recording backend, message boxes captured, a fresh model and a device.
class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseRecordingBackend();
    ShownMessages().clear();
    SetMessageBoxHandler(RecordMessage);
    device = new RecordingDevice();
    model = std::make_unique<SkinnedModel>();
  }
  void TearDown() override {
    model.reset();
    SafeRelease(device);
    SetMessageBoxHandler(nullptr);
  }
  int ParseReferenceText(const std::string& text) {
    TempFile file(text);
    FILE* handle = file.Open();
    model->device = device;
    const int result = model->ParseReference(handle);
    std::fclose(handle);
    return result;
  }
  int ParseAnimationText(const std::string& text) {
    TempFile file(text);
    FILE* handle = file.Open();
    const int result = model->ParseAnimation(handle);
    std::fclose(handle);
    return result;
  }

  RecordingDevice* device = nullptr;
  std::unique_ptr<SkinnedModel> model;
};

// Row-major 16 floats of a matrix, for comparisons.
inline std::vector<float> Elements(const D3DXMATRIX& m) {
  return std::vector<float>(&m.m[0][0], &m.m[0][0] + 16);
}

inline D3DXMATRIX PoseMatrix(float px, float py, float pz, float rx, float ry, float rz) {
  D3DXMATRIX x, y, z, t, out;
  D3DXMatrixRotationX(&x, rx);
  D3DXMatrixRotationY(&y, ry);
  D3DXMatrixRotationZ(&z, rz);
  D3DXMatrixTranslation(&t, px, py, pz);
  D3DXMatrixMultiply(&out, &x, &y);
  D3DXMatrixMultiply(&out, &out, &z);
  D3DXMatrixMultiply(&out, &out, &t);
  return out;
}

}  // namespace smdtest
