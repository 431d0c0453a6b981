// A check of JPEG files before stb_image reads them. The stb_image that Debian ships (2.27)
// builds a Huffman table from a DHT segment's sixteen code counts without checking that they add
// up to at most 256, the size of its tables, so a hostile file makes it write past them (and
// past the decoder's function pointers). Upstream refuses such a segment since 2.28; until the
// system's copy does, every DHT segment stb could reach is checked here first.
#pragma once

#include <cstddef>
#include <cstdint>

// False when a DHT segment that stb_image could read holds a table of more than 256 codes. The
// walk follows stb's reading of the marker stream; where the two could differ it checks more
// segments, never fewer, so a file this passes cannot reach the overflow.
bool JpegHuffmanCountsFit(const uint8_t* bytes, size_t size);
