// SmdReader: one buffered read pass over the file, CR LF folded to LF as the blocks arrive.
#include "model/smd_reader.h"

#include <algorithm>
#include <cstring>

namespace {

// Drops every CR that a LF follows; returns the new length.
size_t FoldLineEnds(char* data, size_t length) {
  char* cr = static_cast<char*>(std::memchr(data, '\r', length));
  if (!cr) return length;
  char* out = cr;
  const char* in = cr;
  const char* end = data + length;
  while (in < end) {
    const char* next = static_cast<const char*>(std::memchr(in + 1, '\r', static_cast<size_t>(end - in - 1)));
    const char* segmentEnd = next ? next : end;
    // `in` points at a CR: keep it only when no LF follows it.
    const char* copyFrom = (in + 1 < end && in[1] == '\n') ? in + 1 : in;
    const size_t n = static_cast<size_t>(segmentEnd - copyFrom);
    std::memmove(out, copyFrom, n);
    out += n;
    in = segmentEnd;
  }
  return static_cast<size_t>(out - data);
}

}  // namespace

bool SmdReader::Fill() {
  begin_ = end_ = 0;
  while (end_ == 0) {
    size_t kept = 0;
    if (heldCarriageReturn_) {
      buffer_[0] = '\r';
      kept = 1;
      heldCarriageReturn_ = false;
    }
    const size_t n = file_ ? std::fread(buffer_ + kept, 1, kBufferSize - kept, file_) : 0;
    size_t length = FoldLineEnds(buffer_, kept + n);
    // A CR at the end of the block may be the first half of a CR LF: decide with the next block.
    if (n > 0 && length > 0 && buffer_[length - 1] == '\r') {
      heldCarriageReturn_ = true;
      --length;
    }
    end_ = length;
    if (n == 0) break;
  }
  return end_ > 0;
}

bool SmdReader::ReadLine(char* line, size_t capacity) {
  const size_t out = TakeLine(line, capacity);
  if (out == 0) return false;
  line[out] = '\0';
  lastLength_ = out;
  return true;
}

// Takes the next line (at most capacity - 1 characters, its line end included) from the buffer,
// copying it into `line` unless that is null. Returns its length; 0 at the end of the file.
size_t SmdReader::TakeLine(char* line, size_t capacity) {
  const size_t limit = capacity - 1;
  size_t out = 0;
  for (;;) {
    if (begin_ == end_ && !Fill()) break;
    const char* start = buffer_ + begin_;
    const size_t want = std::min(end_ - begin_, limit - out);
    const char* newline = static_cast<const char*>(std::memchr(start, '\n', want));
    const size_t take = newline ? static_cast<size_t>(newline - start) + 1 : want;
    if (line) std::memcpy(line + out, start, take);
    out += take;
    begin_ += take;
    if (newline || out == limit) break;
  }
  if (out > 0) ++lineNumber_;
  return out;
}

const char* SmdReader::PeekLine(size_t capacity, size_t readable, size_t* length) const {
  if (begin_ == end_ || begin_ + readable > kBufferSize) return nullptr;
  const char* start = buffer_ + begin_;
  const size_t want = std::min(end_ - begin_, capacity - 1);
  const char* newline = static_cast<const char*>(std::memchr(start, '\n', want));
  if (!newline) return nullptr;
  *length = static_cast<size_t>(newline - start) + 1;
  return start;
}

void SmdReader::Consume(size_t length) {
  begin_ += length;
  lastLength_ = length;
  ++lineNumber_;
}

bool SmdReader::SkipLine(size_t capacity) {
  return TakeLine(nullptr, capacity) > 0;
}

void SmdReader::Rewind() {
  if (file_) std::rewind(file_);
  begin_ = end_ = 0;
  heldCarriageReturn_ = false;
  lineNumber_ = 0;
}
