#include "gfx/recording/recorder.h"

#include <algorithm>

void Recorder::FailOn(const std::string& operation, int occurrence) {
  pendingFailures_[operation].push_back(seen_[operation] + occurrence);
}

void Recorder::FailAlways(const std::string& operation) {
  alwaysFail_[operation] = true;
}

bool Recorder::ShouldFail(const std::string& operation) {
  const int n = ++seen_[operation];
  if (alwaysFail_.count(operation)) return true;
  auto it = pendingFailures_.find(operation);
  if (it == pendingFailures_.end()) return false;
  auto& list = it->second;
  auto hit = std::find(list.begin(), list.end(), n);
  if (hit == list.end()) return false;
  list.erase(hit);
  return true;
}

void Recorder::Log(std::string line) {
  if (logging) calls.push_back(std::move(line));
}

void Recorder::Reset() {
  calls.clear();
  logging = true;
  hardwareTransformAndLight = true;
  effectErrorText = "Hatching.fx(1,1): error X3000: syntax error";
  pendingFailures_.clear();
  alwaysFail_.clear();
  seen_.clear();
  labels_.clear();
}

std::vector<std::string> Recorder::Matching(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const auto& line : calls)
    if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
  return lines;
}

int Recorder::Count(const std::string& prefix) const {
  return static_cast<int>(Matching(prefix).size());
}

std::string Recorder::NextLabel(const std::string& kind) {
  return kind + "#" + std::to_string(++labels_[kind]);
}

Recorder& Recording() {
  static Recorder recorder;
  return recorder;
}
