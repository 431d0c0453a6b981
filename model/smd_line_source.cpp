// SmdLineSource: one buffered read pass over the file, CR LF folded to LF as the blocks arrive.
#include "model/smd_line_source.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "base/helper_thread.h"
#include "model/smd_field_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The first '\n' of the `length` bytes at `start`, or null. Reads up to 31 bytes past them, which
// the padding after every fill allows.
const char* FindNewline(const char* start, size_t length) {
#if defined(__SSE2__)
  // Most lines are under a hundred characters: a few loads of 32 bytes, without a call.
  const __m128i newline = _mm_set1_epi8('\n');
  for (size_t i = 0; i < length; i += 32) {
    const auto low = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(start + i)), newline)));
    const auto high = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(start + i + 16)), newline)));
    if (const unsigned found = low | high << 16) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(found));
      return at < length ? start + at : nullptr;
    }
  }
  return nullptr;
#else
  return static_cast<const char*>(std::memchr(start, '\n', length));
#endif
}

}  // namespace

SmdLineSource::~SmdLineSource() {
  WaitForReader();
}

bool SmdLineSource::Fill() {
  if (beforeRefill_) beforeRefill_(beforeRefillContext_);
  // Its end is the file's: a read now would only zero the start of the buffer.
  if (holdsWhole_) return false;
  // A block read ahead lies in `other_` once the reader is done.
  const bool readAhead = reading_;
  WaitForReader();
  if (other_) std::swap(buffer_, other_);
  begin_ = 0;
  end_ = readAhead ? readLength_ : ReadBlock(buffer_);
  // A held CR would still make a block of its own.
  holdsWhole_ =
      buffer_ == whole_.get() && ++fills_ == 1 && end_ > 0 && !heldCarriageReturn_ && std::feof(file_);
  if (holdsWhole_) wholeLength_ = end_;
  if (reader_ && end_ > 0) {
    reading_ = true;
    reader_->Start(1, &SmdLineSource::ReadNextBlock, this);
  }
  return end_ > 0;
}

size_t SmdLineSource::ReadBlock(char* into) {
  size_t length = 0;
  while (length == 0) {
    size_t kept = 0;
    if (heldCarriageReturn_) {
      into[0] = '\r';
      kept = 1;
      heldCarriageReturn_ = false;
    }
    const size_t n = file_ ? std::fread(into + kept, 1, bufferSize_ - kept, file_) : 0;
    length = FoldLineEnds(into, kept + n);
    // A CR at the end of the block may be the first half of a CR LF: decide with the next block.
    if (n > 0 && length > 0 && into[length - 1] == '\r') {
      heldCarriageReturn_ = true;
      --length;
    }
    if (n == 0) break;
  }
  std::memset(into + length, 0, kReadable);
  return length;
}

void SmdLineSource::ReadNextBlock(void* source, size_t) {
  auto* self = static_cast<SmdLineSource*>(source);
  self->readLength_ = self->ReadBlock(self->other_);
}

void SmdLineSource::WaitForReader() {
  if (!reading_) return;
  reader_->Finish();
  reading_ = false;
}

void SmdLineSource::ReadAhead(HelperThread* reader) {
  if (other_) reader_ = reader;
}

bool SmdLineSource::Take(SmdLine* out, bool copy) {
  if (!copy && begin_ < end_) {
    const char* start = buffer_ + begin_;
    const size_t want = std::min(end_ - begin_, kCapacity - 1);
    if (const char* newline = FindNewline(start, want)) {
      // Both copies from registers: a copy read back from `out` just after its two halves were
      // stored would wait for them.
      const SmdLine line{start, static_cast<size_t>(newline - start) + 1};
      *out = line;
      lastInBuffer_ = line;
      begin_ += line.length;
      ++lineNumber_;
      return true;
    }
  }
  SaveLastLine();
  const size_t length = TakeInto(line_);
  if (length == 0) return false;
  line_[length] = '\0';
  out->text = line_;
  out->length = length;
  return true;
}

// Takes the next line (at most kCapacity - 1 characters, its line end included) from the buffer,
// copying it into `line` unless that is null. Returns its length; 0 at the end of the file.
size_t SmdLineSource::TakeInto(char* line) {
  const size_t limit = kCapacity - 1;
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

// The first word as "%s" scans it into `token`. What follows an in-place line in the buffer is
// not part of it, so the white space before the word is only skipped up to the line's end; the
// word itself ends at the line's '\n' or terminating zero.
void SmdLineSource::KeepWord(const SmdLine& line) {
#if defined(__SSE2__)
  // Most lines start with a word of under 16 characters (a number, a keyword, a material): found
  // in one load, which the kReadable bytes of every line allow, and stored with zeros after it.
  if (tokenCapacity_ >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.text));
    const __m128i controls = _mm_sub_epi8(bytes, _mm_set1_epi8('\t'));
    const __m128i space = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')),
                                       _mm_cmpeq_epi8(_mm_min_epu8(controls, _mm_set1_epi8(4)), controls));
    const auto stops = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(space, _mm_cmpeq_epi8(bytes, _mm_setzero_si128()))));
    if (stops != 0 && (stops & 1u) == 0) {
      const int length = __builtin_ctz(stops);
      const __m128i kept =
          _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(length)),
                         _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(token_), _mm_and_si128(bytes, kept));
      return;
    }
  }
#endif
  const char* p = line.text;
  const char* end = line.text + line.length;
  while (p < end && smd::IsSpace(*p)) ++p;
  if (p < end) smd::ScanWord(p, token_, tokenCapacity_);
}

bool SmdLineSource::NextCopied() {
  SmdLine line;
  if (!Take(&line, true)) return false;
  KeepWord(line);
  return true;
}

bool SmdLineSource::Next(SmdLine* out) {
  if (!Take(out, false)) return false;
  KeepWord(*out);
  return true;
}

bool SmdLineSource::NextPose(SmdLine* out) {
  if (!Take(out, false)) return false;
  if (static_cast<unsigned>(out->text[0] - '0') < 10u && tokenCapacity_ >= 2) {
    token_[0] = out->text[0];
    token_[1] = '\0';
  } else {
    KeepWord(*out);
  }
  return true;
}

bool SmdLineSource::NextSkippingNumbers(SmdLine* out) {
  SmdLine skipped;
  while (begin_ < end_) {
    const char* start = buffer_ + begin_;
    if (static_cast<unsigned>(*start - '0') >= 10u) break;
    const char* newline = FindNewline(start, std::min(end_ - begin_, kCapacity - 1));
    if (!newline) break;
    skipped.text = start;
    skipped.length = static_cast<size_t>(newline - start) + 1;
    begin_ += skipped.length;
    ++lineNumber_;
  }
  // Only the last line passed over can still matter: its word, and the copy a refill makes.
  if (skipped.text) {
    lastInBuffer_ = skipped;
    KeepWord(skipped);
  }
  return Next(out);
}

bool SmdLineSource::NextNumbers(SmdLine* out) {
  return Take(out, false);
}

void SmdLineSource::Terminate(SmdLine* line) {
  if (line->text == line_) return;
  if (line->text == lastInBuffer_.text) lastInBuffer_ = SmdLine{};
  std::memcpy(line_, line->text, line->length);
  line_[line->length] = '\0';
  line->text = line_;
}

bool SmdLineSource::Skip() {
  SaveLastLine();
  if (begin_ < end_) {
    const char* start = buffer_ + begin_;
    if (const char* newline = FindNewline(start, std::min(end_ - begin_, kCapacity - 1))) {
      begin_ += static_cast<size_t>(newline - start) + 1;
      ++lineNumber_;
      return true;
    }
  }
  return TakeInto(nullptr) > 0;
}

// Copies the last line given into `line` before a refill can overwrite it where it lies, so that
// `line` holds it should the file end here.
void SmdLineSource::SaveLastLine() {
  if (!lastInBuffer_.text) return;
  std::memcpy(line_, lastInBuffer_.text, lastInBuffer_.length);
  line_[lastInBuffer_.length] = '\0';
  lastInBuffer_ = SmdLine{};
}

void SmdLineSource::ReadThrough(char* storage, size_t size, char* second) {
  if (!storage || size < kCapacity || begin_ != 0 || end_ != 0) return;
  buffer_ = storage;
  bufferSize_ = size;
  other_ = second;
  reader_ = nullptr;
}

bool SmdLineSource::HoldWholeFile(size_t limit) {
  struct stat status;
  if (!file_ || whole_ || fills_ != 0 || begin_ != 0 || end_ != 0 || fstat(fileno(file_), &status) != 0 ||
      !S_ISREG(status.st_mode) || status.st_size <= 0 ||
      static_cast<unsigned long long>(status.st_size) > limit)
    return false;
  // One byte more than the file asks for its end in the same read.
  const size_t size = static_cast<size_t>(status.st_size) + 1;
  whole_.reset(new (std::nothrow) char[size + kReadable]);
  if (!whole_) return false;
  buffer_ = whole_.get();
  bufferSize_ = size;
  return true;
}

void SmdLineSource::Rewind() {
  WaitForReader();
  begin_ = 0;
  lineNumber_ = 0;
  lastInBuffer_ = SmdLine{};
  if (holdsWhole_) {
    end_ = wholeLength_;
    return;
  }
  if (file_) std::rewind(file_);
  end_ = 0;
  heldCarriageReturn_ = false;
  fills_ = 0;
}
