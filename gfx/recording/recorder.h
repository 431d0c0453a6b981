// The log and the failure switches of the recording backend. Every call into a recording object
// appends one line "Name(arg, arg, ...)" to `calls`; objects are named by kind and creation
// number ("VertexBuffer#2"), null as "null", enumerated values by their names
// ("SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE)", see recorded_names.h). Any operation can be
// made to fail on demand.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "gfx/d3d9.h"

class Recorder {
 public:
  std::vector<std::string> calls;
  // Bulk runs (benchmarks, large meshes) may switch the log off; failures still apply.
  bool logging = true;
  // What GetDeviceCaps reports.
  bool hardwareTransformAndLight = true;
  // Text of the error buffer a failing CreateEffectFromFile returns ("" returns none).
  std::string effectErrorText = "Hatching.fx(1,1): error X3000: syntax error";

  // The occurrence-th next call of `operation` (counted from now, 1 = the next one) fails.
  void FailOn(const std::string& operation, int occurrence = 1);
  // Every later call of `operation` fails.
  void FailAlways(const std::string& operation);
  // Counts a call of `operation` and tells whether it must fail.
  bool ShouldFail(const std::string& operation);

  void Log(std::string line);
  void Reset();

  // Lines that start with `prefix`, and how many there are.
  std::vector<std::string> Matching(const std::string& prefix) const;
  int Count(const std::string& prefix) const;
  // A new object's label: kind and a per-kind running number.
  std::string NextLabel(const std::string& kind);
  int liveObjects = 0;

 private:
  std::map<std::string, std::vector<int>> pendingFailures_;
  std::map<std::string, bool> alwaysFail_;
  std::map<std::string, int> seen_;
  std::map<std::string, int> labels_;
};

// The process-wide recorder behind the recording backend.
Recorder& Recording();
// Installs the recording backend as the one `Direct3DCreate9` uses and clears the recorder.
void UseRecordingBackend();
