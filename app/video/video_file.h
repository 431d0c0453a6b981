// Rendered frames written to a video file through FFmpeg's libraries: H.264 in MP4 at 60 frames a
// second, or an animated GIF at 30 (every other frame: GIF counts time in hundredths of a second,
// and viewers slow down delays shorter than two). Frame i of the run is shown at i/60 s, however
// fast the frames were rendered. The buffers, the encoder's frame and its packet are made once
// and reused for every frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class VideoFile {
 public:
  VideoFile();
  ~VideoFile();  // closes the file without reporting anything
  VideoFile(const VideoFile&) = delete;
  VideoFile& operator=(const VideoFile&) = delete;

  // Whether a file at `path` is written as an animated GIF (its name ends in .gif) rather than MP4.
  static bool IsGif(const std::string& path);

  // Opens `path` for writing and finds the encoder it needs, so that a folder that does not
  // exist or a missing H.264 encoder is known before any frame is rendered. False with `error`
  // naming the file and saying why.
  bool Open(const std::string& path, std::string* error);
  // Adds one frame of `width` x `height` RGBA8 pixels, rows from the top. The first frame sets the
  // video's size (even sizes for H.264: an odd last row or column is dropped); a frame of another
  // size is scaled to it.
  bool AddFrame(const uint8_t* rgba, int width, int height, std::string* error);
  // Drains the encoder, writes the end of the file and closes it.
  bool Close(std::string* error);

  // Frames the video holds so far (for a GIF, half the frames added, rounded up).
  int framesEncoded() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
