// PNG pictures through libpng, read from memory. libpng reports an error by calling a function
// that must not return; that function jumps back into Guarded(), a plain function whose frame
// holds nothing with a destructor, as do the frames the jump leaves (libpng's own, the callbacks
// and the steps below). Everything those work on lives in one PngJob; DecodePng owns it and
// releases libpng's structures on every path.
//
// Checks beyond libpng's defaults: sizes over 16384 pixels a side are refused at the header; a
// CRC error in any chunk, an index past the palette, too much or too little image data and the
// like are errors, not warnings; chunks other than IHDR, PLTE, tRNS, IDAT and IEND are skipped
// unread. Every picture becomes RGBA8: grey is repeated into red, green and blue, 16-bit samples
// keep their high byte, palette entries and tRNS colours get their alpha, Adam7 is undone.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/picture_decoders.h"

namespace {

// Rows a band of the output grows by while they are decoded, so that a file that claims many
// more rows than it holds fails before the memory for them is touched.
constexpr uint32_t kBandRows = 64;
constexpr uint64_t kMaxDeflateRatio = 1032;

struct PngJob {
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  size_t at = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::jmp_buf jump;
  char message[256] = {};  // libpng's error, with its first warning in parentheses
  char warning[128] = {};
  // What ReadRows decodes: `rows` rows, `stride` bytes apart, from `out` on.
  uint8_t* out = nullptr;
  size_t stride = 0;
  uint32_t rows = 0;
};

void OnError(png_structp png, png_const_charp text) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  if (job->warning[0])
    std::snprintf(job->message, sizeof job->message, "%s (%s)", text, job->warning);
  else
    std::snprintf(job->message, sizeof job->message, "%s", text);
  std::longjmp(job->jump, 1);
}

// Warnings are not printed; the first one explains an error that follows it ("Invalid IHDR data"
// after "Image width exceeds user limit in IHDR").
void OnWarning(png_structp png, png_const_charp text) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  if (!job->warning[0]) std::snprintf(job->warning, sizeof job->warning, "%s", text);
}

void OnRead(png_structp png, png_bytep out, size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (length > job->size - job->at) png_error(png, "file ends early");
  std::memcpy(out, job->bytes + job->at, length);
  job->at += length;
}

bool Create(PngJob* job) {
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
  if (job->png) job->info = png_create_info_struct(job->png);
  if (!job->info) {
    std::snprintf(job->message, sizeof job->message, "out of memory");
    return false;
  }
  png_set_read_fn(job->png, job, OnRead);
  png_set_user_limits(job->png, kMaxPictureSide, kMaxPictureSide);
  png_set_benign_errors(job->png, 0);
  png_set_crc_action(job->png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
  png_set_keep_unknown_chunks(job->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  return true;
}

bool ReadHeader(PngJob* job) {
  png_read_info(job->png, job->info);
  png_set_expand(job->png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
  png_set_strip_16(job->png);
  png_set_gray_to_rgb(job->png);
  png_set_add_alpha(job->png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(job->png, job->info);
  return true;
}

bool ReadRows(PngJob* job) {
  for (uint32_t i = 0; i < job->rows; ++i) png_read_row(job->png, job->out + i * job->stride, nullptr);
  return true;
}

// The chunks after the image data up to IEND: their CRCs, the end of the compressed stream.
bool ReadEnd(PngJob* job) {
  png_read_end(job->png, nullptr);
  return true;
}

// The one place libpng's errors land.
bool Guarded(PngJob* job, bool (*step)(PngJob*)) {
  if (setjmp(job->jump)) return false;
  return step(job);
}

}  // namespace

bool DecodePng(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level, std::string* error) {
  const auto refuse = [&](const std::string& what) { return RefusePicture(name, "PNG: " + what, error); };
  PngJob job;
  job.bytes = bytes;
  job.size = size;
  struct Release {
    PngJob* job;
    ~Release() { png_destroy_read_struct(&job->png, &job->info, nullptr); }
  } release{&job};
  if (!Guarded(&job, Create) || !Guarded(&job, ReadHeader)) return refuse(job.message);

  const uint32_t width = png_get_image_width(job.png, job.info),
                 height = png_get_image_height(job.png, job.info);
  const std::string problem = PictureSizeProblem(width, height);
  if (!problem.empty()) return refuse(problem);
  const size_t stride = size_t{width} * 4;
  if (png_get_rowbytes(job.png, job.info) != stride) return refuse("rows are not RGBA after conversion");
  // Deflate expands at most 1032 times, and every row holds a filter byte and at least a bit a
  // pixel: a header cannot make the decoder take more memory than its file could fill.
  const uint64_t leastRawBytes = uint64_t{height} * (1 + (uint64_t{width} + 7) / 8);
  if (leastRawBytes > kMaxDeflateRatio * (uint64_t{size} + 1))
    return refuse(std::to_string(width) + " x " + std::to_string(height) + " pixels cannot be held in " +
                  std::to_string(size) + " bytes");

  std::vector<uint8_t> rgba;
  rgba.reserve(stride * height);
  if (png_get_interlace_type(job.png, job.info) == PNG_INTERLACE_NONE) {
    for (uint32_t y = 0; y < height; y += job.rows) {
      job.rows = std::min(kBandRows, height - y);
      rgba.resize((y + job.rows) * stride);
      job.out = rgba.data() + y * stride;
      job.stride = stride;
      if (!Guarded(&job, ReadRows)) return refuse(job.message);
    }
  } else {
    // Adam7: the seven reduced pictures one after another, each read only once those before it
    // were, then every pixel moved to its place.
    std::vector<uint8_t> passes;
    passes.reserve(stride * height);
    for (int pass = 0; pass < 7; ++pass) {
      const uint32_t columns = PNG_PASS_COLS(width, pass), rows = PNG_PASS_ROWS(height, pass);
      if (columns == 0 || rows == 0) continue;
      const size_t start = passes.size();
      passes.resize(start + size_t{columns} * rows * 4);
      job.out = passes.data() + start;
      job.stride = size_t{columns} * 4;
      job.rows = rows;
      if (!Guarded(&job, ReadRows)) return refuse(job.message);
    }
    rgba.resize(stride * height);
    const uint8_t* from = passes.data();
    for (int pass = 0; pass < 7; ++pass) {
      const uint32_t columns = PNG_PASS_COLS(width, pass), rows = PNG_PASS_ROWS(height, pass);
      for (uint32_t r = 0; columns != 0 && r < rows; ++r) {
        uint8_t* row = rgba.data() + PNG_ROW_FROM_PASS_ROW(r, pass) * stride;
        for (uint32_t c = 0; c < columns; ++c, from += 4)
          std::memcpy(row + PNG_COL_FROM_PASS_COL(c, pass) * 4, from, 4);
      }
    }
  }
  if (!Guarded(&job, ReadEnd)) return refuse(job.message);
  level->width = width;
  level->height = height;
  level->rgba = std::move(rgba);
  return true;
}
