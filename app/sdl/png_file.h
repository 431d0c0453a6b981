// Pictures of rendered frames as PNG files.
#pragma once

#include <cstdint>
#include <string>

// Writes `width` x `height` RGBA8 pixels, rows from the top down, to `path`. False with `error`
// naming the file when it cannot be written.
bool WritePng(const std::string& path, const uint8_t* rgba, int width, int height, std::string* error);

// Makes `directory` and its parents; false with `error` naming it when that fails.
bool MakeDirectories(const std::string& directory, std::string* error);
