// Pictures of rendered frames as PNG files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes `width` x `height` RGBA8 pixels, rows from the top down, to `path`. False with `error`
// naming the file when it cannot be written.
bool WritePng(const std::string& path, const uint8_t* rgba, int width, int height, std::string* error);

// Writes `size` bytes to `path` under a temporary name renamed when complete, checking the write
// and the close; false with `error` naming the file and the system's reason, `path` untouched.
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* error);

// Whether a file can be made at `path`: its folder exists and may be written. Checked before
// rendering, so that a run does not fail only at its end.
bool CheckOutputFolder(const std::string& path, std::string* error);

// Makes `directory` and its parents; false with `error` naming it when that fails.
bool MakeDirectories(const std::string& directory, std::string* error);
