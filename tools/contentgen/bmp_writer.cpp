// BMP layout: 14-byte file header, 40-byte info header, then bottom-up rows of B, G, R,
// each row padded to a multiple of four bytes.
#include "bmp_writer.h"

#include "file_output.h"

namespace contentgen {

std::vector<uint8_t> EncodeBmp24(const ColorImage& image) {
  const uint32_t row_bytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
  const uint32_t pixel_bytes = row_bytes * static_cast<uint32_t>(image.height);
  ByteBuffer out;
  out.U8('B');
  out.U8('M');
  out.U32(14 + 40 + pixel_bytes);
  out.U32(0);
  out.U32(14 + 40);
  out.U32(40);
  out.U32(static_cast<uint32_t>(image.width));
  out.U32(static_cast<uint32_t>(image.height));  // positive: bottom-up
  out.U16(1);                                    // planes
  out.U16(24);
  out.U32(0);  // no compression
  out.U32(pixel_bytes);
  out.U32(2835);  // 72 dpi
  out.U32(2835);
  out.U32(0);
  out.U32(0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      out.U8(p[2]);
      out.U8(p[1]);
      out.U8(p[0]);
    }
    out.Zeros(row_bytes - static_cast<uint32_t>(image.width) * 3);
  }
  return out.bytes();
}

}  // namespace contentgen
