// PNG writing through stb_image_write.
#include "app/sdl/png_file.h"

#include <filesystem>
#include <system_error>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

bool WritePng(const std::string& path, const uint8_t* rgba, int width, int height, std::string* error) {
  if (!rgba || width <= 0 || height <= 0) {
    *error = path + ": no picture to write";
    return false;
  }
  if (!stbi_write_png(path.c_str(), width, height, 4, rgba, width * 4)) {
    *error = path + ": cannot write the PNG file";
    return false;
  }
  return true;
}

bool MakeDirectories(const std::string& directory, std::string* error) {
  std::error_code failure;
  std::filesystem::create_directories(directory, failure);
  if (failure || !std::filesystem::is_directory(directory)) {
    *error = directory + ": cannot make the folder" + (failure ? ": " + failure.message() : std::string());
    return false;
  }
  return true;
}
