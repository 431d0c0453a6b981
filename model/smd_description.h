// A loaded file as the model store holds it, written out for people and tools: a one-line
// summary, or one JSON object per line. Corners come back in model space (each stored corner
// moved by its bone's bind-pose matrix), so a well-formed file's own numbers reappear.
#pragma once

#include <string>

#include "model/skinned_model.h"

struct SmdDescriptionInput {
  const char* file = "";
  bool animation = false;
  // What the load reported: its result code (-1 when the file could not be opened) and whether
  // it loaded. Only a loaded file's slot 0 is described.
  int result = 0;
  bool loaded = false;
  // Turns the model's code page 949 byte strings into UTF-8; null keeps the bytes.
  std::string (*toUtf8)(const std::string&) = nullptr;
};

std::string DescribeSmdJson(const SkinnedModel& model, const SmdDescriptionInput& input);
std::string DescribeSmdSummary(const SkinnedModel& model, const SmdDescriptionInput& input);
