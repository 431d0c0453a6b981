// The line source of the SMD reader: fgets semantics over a FILE with one large read buffer.
// A line is at most `capacity - 1` characters including its '\n'; a longer one comes back in
// pieces, each counted as a line. CR LF reads as LF (the file is text); a lone CR is an
// ordinary character. Nothing is allocated per line.
#pragma once

#include <cstddef>
#include <cstdio>

class SmdReader {
 public:
  explicit SmdReader(FILE* file) : file_(file) {}
  SmdReader(const SmdReader&) = delete;
  SmdReader& operator=(const SmdReader&) = delete;

  // Reads the next line into `line` and zero-terminates it. Returns false, leaving `line` as it
  // was, when no character is left.
  bool ReadLine(char* line, size_t capacity);
  // Consumes the line ReadLine would return without copying it.
  bool SkipLine(size_t capacity);
  // Back to the first line; also clears the end-of-file state.
  void Rewind();
  // Lines (and pieces of long lines) read since the start or the last Rewind.
  int lineNumber() const { return lineNumber_; }
  // Characters of the line the last successful ReadLine returned.
  size_t lastLength() const { return lastLength_; }

 private:
  bool Fill();

  static constexpr size_t kBufferSize = 1 << 16;
  FILE* file_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool heldCarriageReturn_ = false;
  int lineNumber_ = 0;
  size_t lastLength_ = 0;
  char buffer_[kBufferSize];
};
