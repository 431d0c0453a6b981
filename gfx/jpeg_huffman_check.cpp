// The JPEG marker walk behind JpegHuffmanCountsFit; see jpeg_huffman_check.h.
#include "gfx/jpeg_huffman_check.h"

namespace {

constexpr int kEnd = -1;
constexpr int kNoMarker = 256;
constexpr int kDht = 0xC4;
constexpr int kSos = 0xDA;
constexpr int kEoi = 0xD9;

class JpegWalk {
 public:
  JpegWalk(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  bool CountsFit() {
    for (;;) {
      const int marker = NextMarker();
      if (marker == kEnd || marker == kEoi) return true;
      // Stray bytes: stb skips them before the frame header and refuses them after it.
      if (marker == kNoMarker) continue;
      if (marker == kDht && !DhtFits()) return false;
      if (!HasLength(marker)) continue;
      // stb reads exactly the segment's length or refuses the file, so the walk steps over it.
      const size_t length = Byte(at_) << 8 | Byte(at_ + 1);
      at_ += length >= 2 ? length : 2;
      if (marker == kSos) SkipEntropyCodedData();
    }
  }

 private:
  // stb reads zeros past the end of the data.
  size_t Byte(size_t at) const { return at < size_ ? bytes_[at] : 0; }

  // A marker as stb reads one: a byte other than 0xFF is none; 0xFF fill bytes are skipped.
  int NextMarker() {
    if (at_ >= size_) return kEnd;
    if (bytes_[at_] != 0xFF) {
      ++at_;
      return kNoMarker;
    }
    while (at_ < size_ && bytes_[at_] == 0xFF) ++at_;
    return at_ < size_ ? bytes_[at_++] : kEnd;
  }

  // Segments that carry a 16-bit length: frame headers, tables, restart interval, scan header,
  // line count, application data and comments. Everything else is a bare marker.
  static bool HasLength(int marker) {
    return (marker >= 0xC0 && marker <= 0xCF && marker != 0xC8) || (marker >= 0xDA && marker <= 0xDD) ||
           (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
  }

  // The tables of the DHT segment that starts at `at_`, read table by table as stb reads them.
  bool DhtFits() const {
    size_t at = at_;
    long left = static_cast<long>(Byte(at) << 8 | Byte(at + 1)) - 2;
    at += 2;
    while (left > 0) {
      const size_t classAndSlot = Byte(at++);
      // stb refuses the segment at a table class or slot out of range, before building it.
      if ((classAndSlot >> 4) > 1 || (classAndSlot & 15) > 3) return true;
      size_t codes = 0;
      for (int i = 0; i < 16; ++i) codes += Byte(at++);
      if (codes > 256) return false;
      at += codes;
      left -= 17 + static_cast<long>(codes);
    }
    return true;
  }

  // Scan data runs to the first 0xFF that is neither a stuffed zero nor a restart marker; stb's
  // decoder stops there, or earlier and then refuses the file.
  void SkipEntropyCodedData() {
    while (at_ < size_) {
      if (bytes_[at_] != 0xFF) {
        ++at_;
        continue;
      }
      size_t next = at_ + 1;
      while (next < size_ && bytes_[next] == 0xFF) ++next;
      if (next >= size_) {
        at_ = size_;
        return;
      }
      const uint8_t code = bytes_[next];
      if (code != 0 && (code < 0xD0 || code > 0xD7)) return;
      at_ = next + 1;
    }
  }

  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

bool JpegHuffmanCountsFit(const uint8_t* bytes, size_t size) {
  if (!bytes) return true;
  return JpegWalk(bytes, size).CountsFit();
}
