// JPEG pictures through libjpeg-turbo, read from memory. libjpeg reports an error by calling
// error_exit, which must not return; here it jumps back into Guarded(), a plain function whose
// frame holds nothing with a destructor, as do the frames the jump leaves (libjpeg's own, the
// callbacks and the steps below). Everything those work on lives in one JpegJob; DecodeJpeg owns
// it and releases the decoder on every path.
//
// libjpeg recovers from damaged data with a warning and decodes on from zeros; here every warning
// about missing or corrupt data (a file that ends early, a bad entropy code, a lost restart
// marker) refuses the picture. Only notes that leave the pixels whole pass: stray bytes between
// segments, an unknown JFIF revision or Adobe transform code. The decoder may keep at most
// kDecoderMemory for a progressive picture's coefficients and read at most kMaxScans scans, so
// a small file cannot make it work through a large picture hundreds of times.
//
// Output: the integer inverse DCT and fancy (triangular) upsampling, without the smoothing of
// blocks whose coefficients were never sent; grey and colour pictures as RGBA with alpha 255,
// Adobe CMYK and YCCK pictures (whose inks are stored inverted) as red = C * K / 255 and so on.
#include <cstdio>
// jpeglib.h needs FILE and size_t first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <string>
#include <vector>

#include "gfx/picture_decoders.h"

namespace {

constexpr uint32_t kBandRows = 64;  // rows the output grows by while they are decoded
constexpr int kMaxScans = 64;
// Two bytes a coefficient for four full-size channels of the largest picture, and room for the
// decoder's other buffers.
constexpr long kDecoderMemory = 640L << 20;
constexpr uint64_t kDecoderBytesPerPixel = 10;
constexpr uint64_t kMaxPixelsPerByte = 512;

struct JpegJob {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  jpeg_progress_mgr progress;
  bool created = false;
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {};
  // What ReadRows decodes: `rows` rows, `stride` bytes apart, from `out` on.
  uint8_t* out = nullptr;
  size_t stride = 0;
  uint32_t rows = 0;
};

JpegJob* JobOf(j_common_ptr cinfo) {
  return static_cast<JpegJob*>(cinfo->client_data);
}

void OnError(j_common_ptr cinfo) {
  (*cinfo->err->format_message)(cinfo, JobOf(cinfo)->message);
  std::longjmp(JobOf(cinfo)->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  const int code = cinfo->err->msg_code;
  if (code == JWRN_EXTRANEOUS_DATA || code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM) return;
  OnError(cinfo);
}

void Silent(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans) return;
  std::snprintf(JobOf(cinfo)->message, sizeof JobOf(cinfo)->message, "more than %d scans", kMaxScans);
  std::longjmp(JobOf(cinfo)->jump, 1);
}

bool Create(JpegJob* job) {
  job->cinfo.err = jpeg_std_error(&job->errors);
  job->errors.error_exit = OnError;
  job->errors.emit_message = OnMessage;
  job->errors.output_message = Silent;
  job->cinfo.client_data = job;
  jpeg_create_decompress(&job->cinfo);
  job->created = true;
  job->cinfo.mem->max_memory_to_use = kDecoderMemory;
  job->progress.progress_monitor = OnProgress;
  job->cinfo.progress = &job->progress;
  jpeg_mem_src(&job->cinfo, job->bytes, static_cast<unsigned long>(job->size));
  return true;
}

bool ReadHeader(JpegJob* job) {
  jpeg_read_header(&job->cinfo, TRUE);
  return true;
}

bool Start(JpegJob* job) {
  jpeg_start_decompress(&job->cinfo);
  return true;
}

bool ReadRows(JpegJob* job) {
  for (uint32_t done = 0; done < job->rows;) {
    JSAMPROW row = job->out + done * job->stride;
    const JDIMENSION read = jpeg_read_scanlines(&job->cinfo, &row, 1);
    if (read == 0) {
      std::snprintf(job->message, sizeof job->message, "the decoder gave no row");
      return false;
    }
    done += read;
  }
  return true;
}

// Reads on to the end of the picture, where a file cut short is noticed.
bool Finish(JpegJob* job) {
  jpeg_finish_decompress(&job->cinfo);
  return true;
}

// The one place libjpeg's errors land.
bool Guarded(JpegJob* job, bool (*step)(JpegJob*)) {
  if (setjmp(job->jump)) return false;
  return step(job);
}

uint8_t Ink(uint32_t x, uint32_t k) {
  const uint32_t t = x * k + 128;
  return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

}  // namespace

bool DecodeJpeg(const uint8_t* bytes, size_t size, const char* name, ImageLevel* level, std::string* error) {
  const auto refuse = [&](const std::string& what) { return RefusePicture(name, "JPEG: " + what, error); };
  JpegJob job;
  job.bytes = bytes;
  job.size = size;
  struct Release {
    JpegJob* job;
    ~Release() {
      if (job->created) jpeg_destroy_decompress(&job->cinfo);
    }
  } release{&job};
  if (!Guarded(&job, Create) || !Guarded(&job, ReadHeader)) return refuse(job.message);

  jpeg_decompress_struct& cinfo = job.cinfo;
  const std::string problem = PictureSizeProblem(cinfo.image_width, cinfo.image_height);
  if (!problem.empty()) return refuse(problem);
  const bool inks = cinfo.num_components == 4;
  if (cinfo.num_components != 1 && cinfo.num_components != 3 && !inks)
    return refuse(std::to_string(cinfo.num_components) + " channels");
  if (inks && (!cinfo.saw_Adobe_marker || (cinfo.Adobe_transform != 0 && cinfo.Adobe_transform != 2)))
    return refuse("four channels without an Adobe marker naming them CMYK or YCCK");
  // Each 8 x 8 block of each channel costs at least a bit of Huffman code, so a file of n bytes
  // holds at most 512 n pixels (arithmetic coding can pack more; such files are rare). The
  // decoder's buffers are then bounded by what the file can fill, not by its header.
  const uint64_t pixels = uint64_t{cinfo.image_width} * cinfo.image_height;
  if (pixels > kMaxPixelsPerByte * (uint64_t{size} + 1))
    return refuse(std::to_string(cinfo.image_width) + " x " + std::to_string(cinfo.image_height) +
                  " pixels cannot be held in " + std::to_string(size) + " bytes");
  cinfo.mem->max_memory_to_use =
      static_cast<long>(std::min<uint64_t>(kDecoderMemory, kDecoderBytesPerPixel * pixels + (8u << 20)));
  cinfo.out_color_space = inks ? JCS_CMYK : JCS_EXT_RGBA;
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.do_fancy_upsampling = TRUE;
  cinfo.do_block_smoothing = FALSE;
  if (!Guarded(&job, Start)) return refuse(job.message);
  if (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
      cinfo.output_components != 4)
    return refuse("unexpected output layout");

  const uint32_t width = cinfo.output_width, height = cinfo.output_height;
  const size_t stride = size_t{width} * 4;
  std::vector<uint8_t> rgba;
  rgba.reserve(stride * height);
  job.stride = stride;
  for (uint32_t y = 0; y < height; y += job.rows) {
    job.rows = std::min(kBandRows, height - y);
    rgba.resize((y + job.rows) * stride);
    job.out = rgba.data() + y * stride;
    if (!Guarded(&job, ReadRows)) return refuse(job.message);
  }
  if (!Guarded(&job, Finish)) return refuse(job.message);
  if (inks) {
    for (size_t i = 0; i < rgba.size(); i += 4) {
      uint8_t* p = &rgba[i];
      p[0] = Ink(p[0], p[3]), p[1] = Ink(p[1], p[3]), p[2] = Ink(p[2], p[3]), p[3] = 255;
    }
  }
  level->width = width;
  level->height = height;
  level->rgba = std::move(rgba);
  return true;
}
