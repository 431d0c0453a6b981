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
  // The line ReadLine would return, where it lies in the read buffer: null unless the whole line
  // ends with its '\n' in the buffer and the buffer holds `readable` bytes from its start (what
  // lies past the line is not part of it). Nothing is consumed; Consume(length) then does what
  // that ReadLine would have done, without the copy.
  const char* PeekLine(size_t capacity, size_t readable, size_t* length) const;
  void Consume(size_t length);
  // Whether characters wait in the buffer: then the next ReadLine reads no block and succeeds.
  bool Buffered() const { return begin_ < end_; }
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
  size_t TakeLine(char* line, size_t capacity);

  static constexpr size_t kBufferSize = 1 << 16;
  FILE* file_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool heldCarriageReturn_ = false;
  int lineNumber_ = 0;
  size_t lastLength_ = 0;
  // Zeroed so that what PeekLine lets a caller read past a line is never indeterminate.
  char buffer_[kBufferSize] = {};
};
