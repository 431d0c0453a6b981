// Video files through libavformat, libavcodec and libswscale.
#include "app/video/video_file.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "app/video/gif_palette.h"
#include "base/atomic_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr int kRenderedFramesPerSecond = 60;

// Letter case aside: "x.GIF" is a GIF too.
bool EndsWith(const std::string& text, const char* suffix) {
  const std::string tail(suffix);
  if (text.size() <= tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - tail.size() + i])) != tail[i])
      return false;
  return true;
}

std::string Reason(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

struct VideoFile::State {
  std::string path;
  bool gif = false;
  // GIF keeps every `step`-th frame added.
  int step = 1;
  AVFormatContext* format = nullptr;
  const AVCodec* codec = nullptr;
  AVCodecContext* encoder = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  // For a GIF frame of another size than the video: the frame scaled to the video's size.
  std::vector<uint8_t> scaled;
  std::unique_ptr<GifPalette> palette;
  bool headerWritten = false;
  long framesAdded = 0;
  int framesEncoded = 0;
  // The video is written under a temporary name and appears at `path` only when it is whole.
  AtomicFile file;
  bool failed = false;

  ~State() { Release(); }

  void Release() {
    sws_freeContext(scaler);
    scaler = nullptr;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
    if (format) {
      if (format->pb) avio_closep(&format->pb);
      avformat_free_context(format);
      format = nullptr;
    }
    stream = nullptr;
  }

  bool Fail(const std::string& what, int code, std::string* error) {
    failed = true;
    *error = path + ": " + what + (code < 0 ? ": " + Reason(code) : std::string());
    return false;
  }

  bool Start(int width, int height, std::string* error);
  bool Convert(const uint8_t* rgba, int width, int height, std::string* error);
  // Sends `input` (null to drain) and writes every packet the encoder has ready.
  bool Encode(const AVFrame* input, std::string* error);
};

VideoFile::VideoFile() = default;
VideoFile::~VideoFile() = default;

bool VideoFile::IsGif(const std::string& path) {
  return EndsWith(path, ".gif");
}

int VideoFile::framesEncoded() const {
  return state_ ? state_->framesEncoded : 0;
}

bool VideoFile::Open(const std::string& path, std::string* error) {
  // The encoders' statistics would fill standard error; failures are reported by the caller.
  av_log_set_level(AV_LOG_ERROR);
  state_ = std::make_unique<State>();
  State& s = *state_;
  s.path = path;
  s.gif = IsGif(path);
  s.step = s.gif ? 2 : 1;
  const int made = avformat_alloc_output_context2(&s.format, nullptr, s.gif ? "gif" : "mp4", path.c_str());
  if (made < 0 || !s.format) return s.Fail("cannot make the video container", made, error);
  if (s.gif) {
    s.codec = avcodec_find_encoder(AV_CODEC_ID_GIF);
    if (!s.codec) return s.Fail("this system's FFmpeg (libavcodec) has no GIF encoder", 0, error);
  } else {
    // x264 is the encoder Debian's libavcodec is built with; another H.264 encoder will do.
    s.codec = avcodec_find_encoder_by_name("libx264");
    if (!s.codec) s.codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!s.codec)
      return s.Fail("this system's FFmpeg (libavcodec) has no H.264 encoder; it needs one built with libx264",
                    0, error);
  }
  std::string unused;
  if (!s.file.Create(path, &unused))
    return s.Fail("cannot open the file for writing", AVERROR(s.file.failure()), error);
  const int opened = avio_open(&s.format->pb, s.file.temporaryPath().c_str(), AVIO_FLAG_WRITE);
  if (opened < 0) return s.Fail("cannot open the file for writing", opened, error);
  s.packet = av_packet_alloc();
  s.frame = av_frame_alloc();
  if (!s.packet || !s.frame) return s.Fail("out of memory", AVERROR(ENOMEM), error);
  return true;
}

bool VideoFile::State::Start(int width, int height, std::string* error) {
  encoder = avcodec_alloc_context3(codec);
  if (!encoder) return Fail("out of memory", AVERROR(ENOMEM), error);
  const int framesPerSecond = kRenderedFramesPerSecond / step;
  // 4:2:0 chroma covers pixels in pairs.
  encoder->width = gif ? width : width & ~1;
  encoder->height = gif ? height : height & ~1;
  if (encoder->width < 2 || encoder->height < 2)
    return Fail("the frames are too small for a video", 0, error);
  encoder->time_base = AVRational{1, framesPerSecond};
  encoder->framerate = AVRational{framesPerSecond, 1};
  encoder->pix_fmt = gif ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
  if (!gif) {
    encoder->color_range = AVCOL_RANGE_MPEG;
    encoder->colorspace = AVCOL_SPC_BT709;
    encoder->color_primaries = AVCOL_PRI_BT709;
    encoder->color_trc = AVCOL_TRC_IEC61966_2_1;
    // Fine pencil lines want a little more than the default quality; x264's faster presets keep
    // the recording from slowing a headless run much.
    av_opt_set(encoder->priv_data, "preset", "veryfast", 0);
    av_opt_set(encoder->priv_data, "crf", "20", 0);
  }
  if (format->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  int result = avcodec_open2(encoder, codec, nullptr);
  if (result < 0) return Fail(std::string("cannot start the ") + codec->name + " encoder", result, error);

  stream = avformat_new_stream(format, nullptr);
  if (!stream) return Fail("out of memory", AVERROR(ENOMEM), error);
  stream->time_base = encoder->time_base;
  result = avcodec_parameters_from_context(stream->codecpar, encoder);
  if (result < 0) return Fail("cannot describe the video stream", result, error);
  result = avformat_write_header(format, nullptr);
  if (result < 0) return Fail("cannot write the video", result, error);
  headerWritten = true;

  frame->format = encoder->pix_fmt;
  frame->width = encoder->width;
  frame->height = encoder->height;
  result = av_frame_get_buffer(frame, 0);
  if (result < 0) return Fail("out of memory", result, error);
  if (gif) {
    palette = std::make_unique<GifPalette>();
    for (int i = 0; i < GifPalette::kEntries; ++i)
      reinterpret_cast<uint32_t*>(frame->data[1])[i] = palette->Entry(i);
  }
  return true;
}

bool VideoFile::State::Convert(const uint8_t* rgba, int width, int height, std::string* error) {
  const int result = av_frame_make_writable(frame);
  if (result < 0) return Fail("out of memory", result, error);
  const int stride = width * 4;
  if (!gif) {
    SwsContext* previous = scaler;
    scaler = sws_getCachedContext(scaler, width, height, AV_PIX_FMT_RGBA, frame->width, frame->height,
                                  AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler) return Fail("cannot convert the frames for the encoder", 0, error);
    if (scaler != previous) {
      // The rendered pixels are full-range sRGB; the video says BT.709, limited range.
      const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
      sws_setColorspaceDetails(scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
    const uint8_t* source[1] = {rgba};
    sws_scale(scaler, source, &stride, 0, height, frame->data, frame->linesize);
    return true;
  }
  const uint8_t* rows = rgba;
  int rowBytes = stride;
  if (width != frame->width || height != frame->height) {
    scaler = sws_getCachedContext(scaler, width, height, AV_PIX_FMT_RGBA, frame->width, frame->height,
                                  AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler) return Fail("cannot scale the frames to the video's size", 0, error);
    rowBytes = frame->width * 4;
    scaled.resize(static_cast<size_t>(rowBytes) * frame->height);
    uint8_t* target[1] = {scaled.data()};
    const uint8_t* source[1] = {rgba};
    sws_scale(scaler, source, &stride, 0, height, target, &rowBytes);
    rows = scaled.data();
  }
  for (int y = 0; y < frame->height; ++y)
    palette->MapRow(rows + static_cast<size_t>(y) * rowBytes, frame->width,
                    frame->data[0] + y * frame->linesize[0]);
  return true;
}

bool VideoFile::State::Encode(const AVFrame* input, std::string* error) {
  int result = avcodec_send_frame(encoder, input);
  if (result < 0) return Fail("cannot encode the frame", result, error);
  for (;;) {
    result = avcodec_receive_packet(encoder, packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) return Fail("cannot encode the frame", result, error);
    // Each frame lasts one tick; the last one's length is otherwise unknown to the GIF muxer.
    if (packet->duration == 0) packet->duration = 1;
    av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
    packet->stream_index = stream->index;
    result = av_interleaved_write_frame(format, packet);
    if (result < 0) return Fail("cannot write the video", result, error);
  }
}

bool VideoFile::AddFrame(const uint8_t* rgba, int width, int height, std::string* error) {
  if (!state_ || !state_->format) {
    *error = "the video file is not open";
    return false;
  }
  State& s = *state_;
  if (!rgba || width <= 0 || height <= 0) return s.Fail("no frame to add", 0, error);
  const long index = s.framesAdded++;
  if (index % s.step != 0) return true;
  if (!s.encoder && !s.Start(width, height, error)) return false;
  if (!s.Convert(rgba, width, height, error)) return false;
  s.frame->pts = index / s.step;
  if (!s.Encode(s.frame, error)) return false;
  ++s.framesEncoded;
  return true;
}

bool VideoFile::Close(std::string* error) {
  if (!state_ || !state_->format) return true;
  State& s = *state_;
  bool ok = true;
  if (s.encoder && s.headerWritten) {
    ok = s.Encode(nullptr, error);
    if (ok) {
      const int result = av_write_trailer(s.format);
      if (result < 0) ok = s.Fail("cannot write the video", result, error);
    }
  }
  if (s.format->pb) {
    const int result = avio_closep(&s.format->pb);
    if (result < 0 && ok) ok = s.Fail("cannot close the video", result, error);
  }
  // A run that ended before its first frame leaves no empty file behind that looks like a video.
  const bool empty = s.framesAdded == 0;
  s.Release();
  if (empty && ok) ok = s.Fail("no frame was rendered, so no video was written", 0, error);
  // A video that failed on the way is not left behind: its failure has been told already.
  if (ok && !s.failed) return s.file.Commit(error);
  s.file.Discard();
  return ok;
}
