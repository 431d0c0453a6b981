// The SMD file as its reading rules see it: lines with fgets semantics over one large read
// buffer, and the first word of each line in the model's `token`.
//
// A line is at most kCapacity - 1 characters including its '\n'; a longer one comes in pieces,
// each counted as a line. CR LF reads as LF (the file is text); a lone CR is an ordinary
// character. A line that holds no word leaves `token` as it was. Nothing is allocated per line.
//
// Every line the source gives can be read kReadable bytes from its start, whatever its length:
// the whole-line number scanners read that far at once. The source makes this true for both
// places a line can lie (its read buffer, with kReadable bytes of padding after it, and the
// model's `line`, which is at least that long); no caller needs to know where the line lies.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

class HelperThread;

struct SmdLine {
  // Ends with its '\n' where it has one; otherwise a zero byte follows it. A scan that stops at
  // white space or a zero byte thus never runs into the next line.
  const char* text = nullptr;
  size_t length = 0;
};

class SmdLineSource {
 public:
  static constexpr size_t kCapacity = 256;
  static constexpr size_t kReadable = 144;
  static_assert(kCapacity >= kReadable, "a line copied into `line` must be readable as far");

  // `line` and `token` are the model's buffers (kCapacity and tokenCapacity bytes). `line` holds
  // every line that NextCopied gives and, once the file has ended, the last line given.
  SmdLineSource(FILE* file, char* line, char* token, size_t tokenCapacity)
      : file_(file), line_(line), token_(token), tokenCapacity_(tokenCapacity) {}
  SmdLineSource(const SmdLineSource&) = delete;
  SmdLineSource& operator=(const SmdLineSource&) = delete;
  ~SmdLineSource();

  // The next line copied into `line`, zero-terminated, and its first word into `token`. False,
  // changing neither, when no character is left.
  bool NextCopied();
  // The next line where it lies, and its first word into `token`; for the numeric blocks, whose
  // lines are read many times more often than the others. False when no character is left.
  bool Next(SmdLine* out);
  // The same, but lines that start with a digit are passed over where they lie (counted, and
  // `token` left as the last of them leaves it): the pose lines, when only keywords matter.
  bool NextSkippingNumbers(SmdLine* out);
  // The same, but a line that starts with a digit leaves only that digit in `token`: a word that
  // is no keyword, all that a pose line's word is asked, without the cost of copying it.
  bool NextPose(SmdLine* out);
  // The same, leaving `token` as it is: the vertex lines, whose words name no block.
  bool NextNumbers(SmdLine* out);
  // Moves a line that Next gave into `line`, zero-terminated, for a scan that stops only at a
  // zero byte.
  void Terminate(SmdLine* line);
  // Consumes the next line unread.
  bool Skip();
  // Back to the first line; also clears the end-of-file state.
  void Rewind();
  // For a regular file of at most `limit` bytes: reads it whole into a buffer of its size, once,
  // so that Rewind gives its lines again without reading it again. Only before the first line;
  // false where it does not apply (or memory runs out), changing nothing.
  bool HoldWholeFile(size_t limit);
  // Whether the file lies whole in the buffer (after HoldWholeFile, once its first line is read).
  bool HoldsWholeFile() const { return holdsWhole_; }
  // Reads on through `storage` (`size` + kReadable bytes, the caller's, outliving the source's
  // use of it) instead of the source's own block, from the first line: fewer, larger refills for a
  // reader that keeps lines where they lie until the next refill. Only right after Rewind. With
  // `second` (as large), refills take the two blocks in turn: a line given where it lies then
  // stays there until the refill after next, so that one block's lines can be read while the
  // other is being split.
  void ReadThrough(char* storage, size_t size, char* second = nullptr);
  // After ReadThrough with two blocks: `reader` reads each next block while the lines of the
  // current one are given, and a refill takes it; lines given where they lie then last only
  // until the next refill. Until the next ReadThrough; Rewind and the source's end wait for the
  // read in flight.
  void ReadAhead(HelperThread* reader);
  // Whether lines given where they lie outlast the next refill (ReadThrough with two blocks).
  bool Alternates() const { return other_ != nullptr && !reader_; }
  // Lines (and pieces of long lines) given since the start or the last Rewind.
  int lineNumber() const { return lineNumber_; }
  // From now on `call(context)` runs before every refill (null: nothing), while the lines given
  // where they lie are still there: for a reader that reads them later.
  void BeforeRefill(void (*call)(void*), void* context) {
    beforeRefill_ = call;
    beforeRefillContext_ = context;
  }

 private:
  bool Fill();
  // Reads the next non-empty block (or none: the file's end) into `into`, CR LF folded, the
  // kReadable bytes after it zeroed; returns its length.
  size_t ReadBlock(char* into);
  static void ReadNextBlock(void* source, size_t part);
  void WaitForReader();
  bool Take(SmdLine* out, bool copy);
  size_t TakeInto(char* line);
  void SaveLastLine();
  void KeepWord(const SmdLine& line);

  static constexpr size_t kBufferSize = 1 << 16;
  FILE* file_;
  char* line_;
  char* token_;
  size_t tokenCapacity_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool heldCarriageReturn_ = false;
  int lineNumber_ = 0;
  void (*beforeRefill_)(void*) = nullptr;
  void* beforeRefillContext_ = nullptr;
  // The last line given where it lies in the buffer: copied into `line` before the buffer is
  // refilled, so that `line` holds it when the file ends.
  SmdLine lastInBuffer_;
  // The kReadable bytes after the data of every fill are zeroed, so that what a scanner reads past
  // a line is never indeterminate; the rest needs no clearing.
  char ownBuffer_[kBufferSize + kReadable];
  char* buffer_ = ownBuffer_;
  size_t bufferSize_ = kBufferSize;
  // HoldWholeFile's buffer; `holdsWhole_` once the first fill has read the file to its end, which
  // then bounds every pass. Fills since the start or the last Rewind that read the file again.
  std::unique_ptr<char[]> whole_;
  bool holdsWhole_ = false;
  size_t wholeLength_ = 0;
  int fills_ = 0;
  // The block the next refill reads into, when two take turns; null otherwise.
  char* other_ = nullptr;
  // Reading ahead: the thread that reads into `other_`, whether a read is in flight, and the
  // length it read.
  HelperThread* reader_ = nullptr;
  bool reading_ = false;
  size_t readLength_ = 0;
};
