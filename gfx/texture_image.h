// Texture files decoded on the processor, as the platform's texture loader would read them:
// DDS (2-D with or without a mip chain, cube maps with six faces; A8R8G8B8, X8R8G8B8, L8, DXT1,
// DXT3, DXT5) and BMP, TGA, PNG, JPG. Every level is decoded to RGBA8 with rows from the top of
// the picture down (texture v = 0 is the first row). A file without a mip chain gets a full one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ImageLevel {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes, R G B A
};

struct TextureImage {
  bool cube = false;        // six faces in the order +X, -X, +Y, -Y, +Z, -Z
  uint32_t levelCount = 0;  // mip levels per face, level 0 the largest
  // (cube ? 6 : 1) * levelCount levels, face by face: levels[face * levelCount + level].
  std::vector<ImageLevel> levels;

  const ImageLevel& Level(uint32_t face, uint32_t level) const { return levels[face * levelCount + level]; }
};

// Strict DDS reader: refuses any header, size or mip chain that does not add up. On failure
// `error` says what was wrong ("<name>: ...").
bool ReadDds(const uint8_t* bytes, size_t size, const char* name, TextureImage* out, std::string* error);

// Any supported file held in memory: DDS by its magic, otherwise BMP/TGA/PNG/JPG.
bool DecodeTextureImage(const uint8_t* bytes, size_t size, const char* name, TextureImage* out,
                        std::string* error);

// Reads and decodes a file by the program's path spelling (see NativePath).
bool LoadTextureImage(const char* path, TextureImage* out, std::string* error);

// Appends the missing levels of a full mip chain (down to 1x1) by box filtering each face's last
// level. Does nothing when the chain is already complete.
void CompleteMipChain(TextureImage* image);
