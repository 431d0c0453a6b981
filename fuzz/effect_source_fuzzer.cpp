// Fuzz target: the effect file front end, everything before the HLSL compiler sees the text.
// What it hands on keeps the file's lines, so compiler messages point at the right ones.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "gfx/effect_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  EffectSource source;
  std::string error;
  if (!ParseEffectSource(text, size, "fuzz.fx", &source, &error)) {
    FUZZ_CHECK(fuzz::StartsWith(error, "fuzz.fx("));
    FUZZ_CHECK(error.find("): error: ") != std::string::npos);
    return 0;
  }
  FUZZ_CHECK(source.hlsl.size() == size);
  FUZZ_CHECK(std::count(source.hlsl.begin(), source.hlsl.end(), '\n') == std::count(text, text + size, '\n'));
  const int lines = static_cast<int>(std::count(text, text + size, '\n')) + 1;
  for (const EffectParameter& p : source.parameters) FUZZ_CHECK(p.line >= 1 && p.line <= lines);
  for (const EffectSampler& s : source.samplers) FUZZ_CHECK(s.line >= 1 && s.line <= lines);
  for (const EffectTechnique& t : source.techniques) {
    FUZZ_CHECK(t.line >= 1 && t.line <= lines);
    for (const EffectPass& p : t.passes) FUZZ_CHECK(p.line >= 1 && p.line <= lines);
  }
  return 0;
}
