// The project's own reader of BMP and TGA pictures. A file that ends early, names a colour past
// its table or would leave a pixel unset is refused with what was wrong; every size is checked
// against the file before anything is allocated.
//
// BMP: the 12-, 40-, 56-, 108- and 124-byte headers; 1-, 4- and 8-bit colour tables; 24 bits;
// 16 and 32 bits with the default masks (5-5-5, and 8-8-8-8 whose alpha counts only when some
// pixel has any) or with bit-field masks of at most 8 bits each, widened by repeating their bits.
// Rows are bottom-up unless the height is negative. Compressed BMPs are refused.
// TGA: colour-mapped (8- or 16-bit indexes into 8-, 15-, 16-, 24- or 32-bit entries), true-colour
// (15, 16, 24, 32 bits) and grey (8 bits, 16 with alpha), raw or run-length coded. 15- and 16-bit
// colours have no alpha. Rows are bottom-up unless bit 5 of the descriptor is set; bit 4 (rows
// right to left) is ignored. A colour map must start at entry 0, and the 12-byte BMP header's
// table has 3-byte entries, as the format defines them.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "gfx/picture_decoders.h"

namespace {

uint32_t Le16(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8;
}
uint32_t Le32(const uint8_t* p) {
  return Le16(p) | Le16(p + 2) << 16;
}

std::string Num(uint64_t n) {
  return std::to_string(n);
}

// One channel of a 16- or 32-bit BMP pixel: the bits under its mask, moved so that the highest
// is bit 7, widened to 8 bits by repeating them (5 bits abcde become abcdeabc).
class MaskedChannel {
 public:
  explicit MaskedChannel(uint32_t mask)
      : mask_(mask), shift_(mask ? 24 - std::countl_zero(mask) : 0), bits_(std::popcount(mask)) {}
  int bits() const { return bits_; }
  uint8_t Of(uint32_t pixel) const {
    static const uint32_t kRepeat[9] = {0, 0xFF, 0x55, 0x49, 0x11, 0x21, 0x41, 0x81, 0x01};
    static const int kDrop[9] = {0, 0, 0, 1, 0, 2, 4, 6, 0};
    uint32_t v = pixel & mask_;
    v = shift_ < 0 ? v << -shift_ : v >> shift_;
    v >>= 8 - bits_;
    return static_cast<uint8_t>((v * kRepeat[bits_]) >> kDrop[bits_]);
  }

 private:
  uint32_t mask_;
  int shift_;
  int bits_;
};

void Opaque(std::vector<uint8_t>* rgba) {
  for (size_t i = 3; i < rgba->size(); i += 4) (*rgba)[i] = 255;
}

void FlipRows(std::vector<uint8_t>* rgba, size_t rowBytes) {
  const size_t rows = rgba->size() / rowBytes;
  for (size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(rgba->begin() + top * rowBytes, rgba->begin() + (top + 1) * rowBytes,
                     rgba->begin() + bottom * rowBytes);
}

// TGA components per pixel (1 grey, 2 grey and alpha, 3 BGR, 4 BGRA) for a pixel or colour-map
// entry of `bits`, or 0; 15 and 16 bits that are not grey are 5-5-5 colours (`rgb16`).
int TgaComponents(uint32_t bits, bool grey, bool* rgb16) {
  *rgb16 = false;
  switch (bits) {
    case 8:
      return 1;
    case 16:
      if (grey) return 2;
      [[fallthrough]];
    case 15:
      *rgb16 = true;
      return 3;
    case 24:
    case 32:
      return static_cast<int>(bits / 8);
    default:
      return 0;
  }
}

// One TGA colour of `components` (or a 5-5-5 colour) in RGBA.
void TgaColour(const uint8_t* p, int components, bool rgb16, uint8_t* out) {
  if (rgb16) {
    const uint32_t v = Le16(p);
    out[0] = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
    out[1] = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
    out[2] = static_cast<uint8_t>((v & 31) * 255 / 31);
    out[3] = 255;
  } else if (components <= 2) {
    out[0] = out[1] = out[2] = p[0];
    out[3] = components == 2 ? p[1] : 255;
  } else {
    out[0] = p[2];
    out[1] = p[1];
    out[2] = p[0];
    out[3] = components == 4 ? p[3] : 255;
  }
}

}  // namespace

bool DecodeBmp(const uint8_t* b, size_t size, const char* name, ImageLevel* level, std::string* error) {
  const auto refuse = [&](const std::string& what) { return RefusePicture(name, "BMP: " + what, error); };
  if (size < 18) return refuse("file too short for a header");
  const uint32_t headerSize = Le32(b + 14);
  if (headerSize != 12 && headerSize != 40 && headerSize != 56 && headerSize != 108 && headerSize != 124)
    return refuse("unsupported header size " + Num(headerSize));
  size_t headerEnd = 14 + headerSize;
  if (size < headerEnd) return refuse("file too short for its " + Num(headerSize) + "-byte header");
  const bool core = headerSize == 12;
  const uint32_t offset = Le32(b + 10);
  const int64_t width = core ? int64_t{Le16(b + 18)} : int64_t{static_cast<int32_t>(Le32(b + 18))};
  const int64_t height = core ? int64_t{Le16(b + 20)} : int64_t{static_cast<int32_t>(Le32(b + 22))};
  const uint32_t planes = Le16(b + (core ? 22 : 26)), bpp = Le16(b + (core ? 24 : 28));
  const uint32_t compression = core ? 0 : Le32(b + 30);
  if (planes != 1) return refuse(Num(planes) + " planes");
  if (compression == 1 || compression == 2) return refuse("run-length compression is not supported");
  if (compression > 3) return refuse("compression " + Num(compression) + " is not supported");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    return refuse(Num(bpp) + " bits per pixel is not supported");
  if (compression == 3 && bpp != 16 && bpp != 32)
    return refuse("bit-field masks with " + Num(bpp) + " bits per pixel");
  const uint64_t w = width < 0 ? UINT64_MAX : static_cast<uint64_t>(width);
  const uint64_t h = static_cast<uint64_t>(height < 0 ? -height : height);
  const std::string problem = PictureSizeProblem(w, h);
  if (!problem.empty()) return refuse(problem);

  // Masks of red, green, blue and alpha. Without bit fields, 16 bits are 5-5-5 (a 108- or
  // 124-byte header keeps its alpha mask) and 32 bits are 8-8-8-8 with an alpha that is dropped
  // when no pixel has any.
  uint32_t masks[4] = {0, 0, 0, 0};
  bool emptyAlphaIsOpaque = false;
  const auto defaults = [&] {
    if (bpp == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
      masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF, masks[3] = 0xFF000000;
      emptyAlphaIsOpaque = true;
    } else {
      masks[0] = masks[1] = masks[2] = masks[3] = 0;
    }
  };
  if (headerSize == 40 || headerSize == 56) {
    if (bpp == 16 || bpp == 32) {
      if (compression == 0) {
        defaults();
      } else {
        // The three masks follow the header, after the 56-byte one too.
        if (size < headerEnd + 12) return refuse("file too short for its bit-field masks");
        for (int c = 0; c < 3; ++c) masks[c] = Le32(b + headerEnd + 4 * c);
        headerEnd += 12;
        if (masks[0] == masks[1] && masks[1] == masks[2]) return refuse("equal red, green and blue masks");
      }
    }
  } else if (!core) {
    for (int c = 0; c < 4; ++c) masks[c] = Le32(b + 54 + 4 * c);
    if (compression != 3) defaults();
  }

  // The colour table lies between the header and the pixel data; 16 bits and more have none, and
  // their pixels follow the header directly.
  std::vector<uint8_t> palette;
  if (offset > size) return refuse("pixel data offset " + Num(offset) + " past the end of the file");
  if (bpp < 16) {
    if (offset < headerEnd) return refuse("pixel data offset " + Num(offset) + " inside the header");
    const size_t entryBytes = core ? 3 : 4, colours = (offset - headerEnd) / entryBytes;
    if (colours == 0) return refuse("no colour table before the pixel data");
    if (colours > 256) return refuse(Num(colours) + " colour table entries, more than 256");
    palette.resize(colours * 4);
    for (size_t i = 0; i < colours; ++i)
      TgaColour(b + headerEnd + i * entryBytes, 3, false, &palette[i * 4]);  // B, G, R like TGA
  } else if (offset != headerEnd) {
    return refuse("pixel data at offset " + Num(offset) + ", not right after the header at " +
                  Num(headerEnd));
  }
  const MaskedChannel channels[4] = {MaskedChannel(masks[0]), MaskedChannel(masks[1]),
                                     MaskedChannel(masks[2]), MaskedChannel(masks[3])};
  if (bpp == 16 || bpp == 32) {
    if (!masks[0] || !masks[1] || !masks[2]) return refuse("a colour mask is empty");
    for (const MaskedChannel& c : channels)
      if (c.bits() > 8) return refuse("a colour mask wider than 8 bits");
  }

  const uint64_t rowBytes = (w * bpp + 7) / 8, stride = (rowBytes + 3) & ~uint64_t{3};
  const uint64_t needed = offset + (h - 1) * stride + rowBytes;
  if (needed > size)
    return refuse("file too short for a " + Num(w) + "x" + Num(h) + " picture of " + Num(bpp) +
                  " bits per pixel (" + Num(size) + " bytes, needs " + Num(needed) + ")");

  std::vector<uint8_t> rgba(w * h * 4);
  uint32_t anyAlpha = 0;
  for (uint64_t row = 0; row < h; ++row) {
    const uint8_t* src = b + offset + row * stride;
    uint8_t* out = rgba.data() + (height > 0 ? h - 1 - row : row) * w * 4;
    for (uint64_t x = 0; x < w; ++x, out += 4) {
      if (bpp < 16) {
        const uint32_t index = bpp == 8   ? src[x]
                               : bpp == 4 ? src[x >> 1] >> (x & 1 ? 0 : 4) & 15
                                          : src[x >> 3] >> (7 - (x & 7)) & 1;
        if (index * 4 >= palette.size())
          return refuse("colour index " + Num(index) + " past the " + Num(palette.size() / 4) +
                        "-entry colour table");
        std::memcpy(out, &palette[index * 4], 4);
      } else if (bpp == 24) {
        TgaColour(src + 3 * x, 3, false, out);
      } else {
        const uint32_t v = bpp == 16 ? Le16(src + 2 * x) : Le32(src + 4 * x);
        for (int c = 0; c < 3; ++c) out[c] = channels[c].Of(v);
        out[3] = masks[3] ? channels[3].Of(v) : 255;
        anyAlpha |= out[3];
      }
    }
  }
  if (emptyAlphaIsOpaque && anyAlpha == 0) Opaque(&rgba);
  level->width = static_cast<uint32_t>(w);
  level->height = static_cast<uint32_t>(h);
  level->rgba = std::move(rgba);
  return true;
}

bool LooksLikeTga(const uint8_t* bytes, size_t size) {
  uint8_t h[18] = {};
  std::memcpy(h, bytes, size < sizeof h ? size : sizeof h);
  const uint32_t mapType = h[1], type = h[2], entryBits = h[7], bits = h[16];
  const auto usual = [](uint32_t n) { return n == 8 || n == 15 || n == 16 || n == 24 || n == 32; };
  if (mapType > 1) return false;
  if (mapType == 1 && ((type != 1 && type != 9) || !usual(entryBits) || (bits != 8 && bits != 16)))
    return false;
  if (mapType == 0 && type != 2 && type != 3 && type != 10 && type != 11) return false;
  return Le16(h + 12) >= 1 && Le16(h + 14) >= 1 && usual(bits);
}

bool DecodeTga(const uint8_t* b, size_t size, const char* name, ImageLevel* level, std::string* error) {
  const auto refuse = [&](const std::string& what) { return RefusePicture(name, "TGA: " + what, error); };
  if (size < 18) return refuse("file too short for a header");
  if (!LooksLikeTga(b, size))
    return refuse("not a colour-mapped, true-colour or grey picture of usual depth");
  const bool mapped = b[1] == 1, runLength = b[2] >= 8, grey = (b[2] & 7) == 3, topDown = b[17] & 0x20;
  const uint32_t mapStart = Le16(b + 3), mapLength = Le16(b + 5), entryBits = b[7];
  const uint64_t w = Le16(b + 12), h = Le16(b + 14), bits = b[16];
  const std::string problem = PictureSizeProblem(w, h);
  if (!problem.empty()) return refuse(problem);
  bool rgb16 = false;
  const int components = mapped ? TgaComponents(entryBits, false, &rgb16) : TgaComponents(bits, grey, &rgb16);
  size_t at = 18 + b[0];  // after the image ID

  std::vector<uint8_t> palette;
  if (mapped) {
    if (mapLength == 0) return refuse("empty colour map");
    if (mapStart != 0) return refuse("colour map starting at entry " + Num(mapStart) + " is not supported");
    const size_t entryBytes = rgb16 ? 2 : components;
    if (at > size || (size - at) / entryBytes < mapLength) return refuse("file ends inside the colour map");
    palette.resize(size_t{mapLength} * 4);
    for (size_t i = 0; i < mapLength; ++i)
      TgaColour(b + at + i * entryBytes, components, rgb16, &palette[i * 4]);
    at += mapLength * entryBytes;
  }
  const size_t pixelBytes = mapped ? bits / 8 : rgb16 ? 2 : components;
  const uint64_t count = w * h;
  // A run-length packet holds at most 128 pixels in a count byte and one pixel.
  const uint64_t least = runLength ? (count + 127) / 128 * (1 + pixelBytes) : count * pixelBytes;
  if (at > size || size - at < least)
    return refuse("file too short for a " + Num(w) + "x" + Num(h) + " picture");

  std::vector<uint8_t> rgba(count * 4);
  const auto decode = [&](const uint8_t* p, uint8_t* out) {
    if (!mapped) {
      TgaColour(p, components, rgb16, out);
      return true;
    }
    const uint32_t index = bits == 8 ? p[0] : Le16(p);
    if (index >= mapLength) return false;
    std::memcpy(out, &palette[size_t{index} * 4], 4);
    return true;
  };
  for (uint64_t i = 0; i < count;) {
    uint64_t run = count - i;  // a raw picture is one packet of all its pixels
    bool repeat = false;
    if (runLength) {
      if (at >= size)
        return refuse("file ends inside the pixel data (pixel " + Num(i) + " of " + Num(count) + ")");
      run = std::min<uint64_t>(1 + (b[at] & 127), count - i);
      repeat = b[at++] & 128;
    }
    const uint64_t stored = repeat ? 1 : run;
    if ((size - at) / pixelBytes < stored)
      return refuse("file ends inside the pixel data (pixel " + Num(i) + " of " + Num(count) + ")");
    for (uint64_t k = 0; k < run; ++k) {
      uint8_t* out = &rgba[(i + k) * 4];
      if (repeat && k > 0) {
        std::memcpy(out, out - 4, 4);
      } else if (!decode(b + at + k * pixelBytes, out)) {
        const uint32_t index = bits == 8 ? b[at + k * pixelBytes] : Le16(b + at + k * pixelBytes);
        return refuse("colour index " + Num(index) + " past the " + Num(mapLength) + "-entry colour map");
      }
    }
    at += stored * pixelBytes;
    i += run;
  }
  if (!topDown) FlipRows(&rgba, w * 4);
  level->width = static_cast<uint32_t>(w);
  level->height = static_cast<uint32_t>(h);
  level->rgba = std::move(rgba);
  return true;
}
