// Whole-file output for the generator.
#include "file_output.h"

#include <fstream>
#include <stdexcept>

namespace contentgen {
namespace {

void WriteRaw(const std::filesystem::path& path, const char* data, size_t size) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  WriteRaw(path, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  WriteRaw(path, text.data(), text.size());
}

}  // namespace contentgen
