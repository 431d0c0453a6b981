// Decoders of the block-compressed DDS formats (DXT1, DXT3, DXT5) into RGBA8 pixels.
#pragma once

#include <cstddef>
#include <cstdint>

enum class DdsBlockFormat { kDxt1, kDxt3, kDxt5 };

// Bytes of one 4x4 block: 8 for DXT1, 16 for DXT3 and DXT5.
size_t DdsBlockBytes(DdsBlockFormat format);

// Decodes a whole level of `width` x `height` pixels from ceil(width/4) * ceil(height/4) blocks,
// row of blocks by row of blocks. `rgba` receives width * height * 4 bytes; the parts of the
// edge blocks that lie outside the level are dropped.
void DecodeDdsBlocks(DdsBlockFormat format, const uint8_t* blocks, uint32_t width, uint32_t height,
                     uint8_t* rgba);
