// PNG writing: encoded in memory by stb_image_write, then written whole or not at all (a
// temporary file renamed), every failure of the file system seen and named.
#include "gfx/png_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/atomic_file.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* error) {
  return WriteFileAtomically(path, data, size, error);
}

bool WritePng(const std::string& path, const uint8_t* rgba, int width, int height, std::string* error) {
  if (!rgba || width <= 0 || height <= 0) {
    *error = path + ": no picture to write";
    return false;
  }
  int length = 0;
  unsigned char* png = stbi_write_png_to_mem(rgba, width * 4, width, height, 4, &length);
  if (!png || length <= 0) {
    STBIW_FREE(png);
    *error = path + ": cannot encode the picture";
    return false;
  }
  const bool written = WriteWholeFile(path, png, static_cast<size_t>(length), error);
  STBIW_FREE(png);
  return written;
}

bool CheckOutputFolder(const std::string& path, std::string* error) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code failure;
  if (!std::filesystem::is_directory(folder, failure)) {
    const int reason = failure ? failure.value() : ENOTDIR;
    *error = path + ": cannot write there: " + folder.string() + ": " +
             std::strerror(std::filesystem::exists(folder) ? reason : ENOENT);
    return false;
  }
  if (access(folder.c_str(), W_OK) != 0) {
    *error = path + ": cannot write there: " + folder.string() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool MakeDirectories(const std::string& directory, std::string* error) {
  std::error_code failure;
  std::filesystem::create_directories(directory, failure);
  if (failure || !std::filesystem::is_directory(directory)) {
    *error = directory + ": cannot make the folder: " +
             (failure ? failure.message() : std::string(std::strerror(ENOTDIR)));
    return false;
  }
  if (access(directory.c_str(), W_OK) != 0) {
    *error = directory + ": cannot write there: " + std::strerror(errno);
    return false;
  }
  return true;
}
