// Writing generated files: byte buffers with little-endian helpers, and whole-file output
// that creates the folders it needs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace contentgen {

class ByteBuffer {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void Append(const std::vector<uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
  void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Both throw std::runtime_error when the file cannot be written.
void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::filesystem::path& path, const std::string& text);

}  // namespace contentgen
