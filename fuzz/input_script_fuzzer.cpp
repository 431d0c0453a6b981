// Fuzz target: the input replay file parser. A file is either refused with its name and line, or
// read into events in the order of their frames.
#include "app/input_script.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<InputEvent> events;
  std::string error;
  if (!ParseInputScript(text, "fuzz.txt", &events, &error)) {
    FUZZ_CHECK(fuzz::StartsWith(error, "fuzz.txt:"));
    FUZZ_CHECK(events.empty());
    return 0;
  }
  for (size_t i = 1; i < events.size(); ++i) {
    FUZZ_CHECK(events[i - 1].frame <= events[i].frame);
    FUZZ_CHECK(events[i - 1].line < events[i].line);
  }
  return 0;
}
