// Helpers shared by the rendering and application tests: a temporary working directory holding
// the effect's files, a recorder of message boxes, a settable millisecond clock, a fixture whose
// application has a device on the recording backend, and colours and rectangles as arrays.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/hatching_app.h"
#include "base/platform.h"
#include "gfx/recording/recorder.h"
#include "tests/unit/scripted_window_system.h"

// Runs the test inside a fresh directory and restores the previous one afterwards.
class TemporaryWorkingDirectory {
 public:
  TemporaryWorkingDirectory() {
    previous_ = std::filesystem::current_path();
    char pattern[] = "/tmp/hatching-test-XXXXXX";
    path_ = mkdtemp(pattern);
    std::filesystem::current_path(path_);
  }
  ~TemporaryWorkingDirectory() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryWorkingDirectory(const TemporaryWorkingDirectory&) = delete;
  TemporaryWorkingDirectory& operator=(const TemporaryWorkingDirectory&) = delete;

  void Write(const std::string& relative, const std::string& content = "x") {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
  }
  void Remove(const std::string& relative) { std::filesystem::remove(path_ / relative); }

  // The seven textures and the effect file the program loads at start.
  void WriteEffectFiles() {
    Write("Textures/Snow.dds");
    for (int n = 0; n < 6; ++n) Write("Textures/Hatch" + std::to_string(n) + ".dds");
    Write("Shaders/Hatching.fx", "technique TShader { pass P0 {} pass P1 {} }");
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

struct ShownMessage {
  std::string text;
  std::string caption;
  UINT type;
  bool ownerless;
};

// Collects the message boxes shown while it lives.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder() {
    Shown().clear();
    SetMessageBoxHandler(Record);
  }
  ~MessageBoxRecorder() { SetMessageBoxHandler(nullptr); }
  const std::vector<ShownMessage>& shown() const { return Shown(); }

 private:
  static std::vector<ShownMessage>& Shown() {
    static std::vector<ShownMessage> shown;
    return shown;
  }
  static int Record(HWND owner, const char* text, const char* caption, UINT type) {
    Shown().push_back({text ? text : "", caption ? caption : "", type, owner == nullptr});
    return IDOK;
  }
};

// A millisecond clock the test sets by hand.
class ManualClock {
 public:
  explicit ManualClock(uint32_t start = 0) {
    Now() = start;
    SetMillisecondClock(Read);
  }
  ~ManualClock() { SetMillisecondClock(nullptr); }
  void Set(uint32_t milliseconds) { Now() = milliseconds; }
  void Advance(uint32_t milliseconds) { Now() += milliseconds; }

 private:
  static uint32_t& Now() {
    static uint32_t now = 0;
    return now;
  }
  static uint32_t Read() { return Now(); }
};

// A colour's channels and a rectangle's edges, each to be compared in one expectation.
inline std::array<float, 4> Channels(const D3DCOLORVALUE& c) {
  return {c.r, c.g, c.b, c.a};
}
inline std::array<int32_t, 4> Edges(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// An application whose render context holds a device on the recording backend (an 800 x 600
// back buffer, font height 20), with the log of that set-up cleared. BeforeDevice runs between
// the backend's reset and the device's creation, for files the test needs there.
class RecordedAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseRecordingBackend();
    BeforeDevice();
    ASSERT_EQ(app.renderContext.InitDevice(&window, 800, 600, 20), S_OK);
    Recording().calls.clear();
  }
  virtual void BeforeDevice() {}

  ScriptedWindow window;
  HatchingApp app;
};
