// The progress of a headless run with a frame limit, on one line of a terminal: frames done,
// frames per second and the time left, redrawn in place a few times a second and cleared at the
// end. Nothing is written when the stream is not a terminal.
#pragma once

#include <cstddef>
#include <cstdio>

// "frame 120/600, 60.0 frames/s, 0:08 left" into `out`, the time left at `rate` frames a second;
// just the frames while the rate is not known (zero).
void FormatProgress(int frames, int total, double rate, char* out, size_t size);

class ProgressLine {
 public:
  // Shown only when `stream` is a terminal and `total` is positive.
  ProgressLine(FILE* stream, int total);
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool shown() const { return shown_; }
  // Called after each frame with the frames rendered so far and the monotonic clock in seconds.
  void Update(int frames, double now);
  // Removes the line, so that what follows starts on a clean line.
  void Clear();

 private:
  static constexpr double kRedrawSeconds = 0.25;
  FILE* stream_ = nullptr;
  int total_ = 0;
  bool shown_ = false;
  bool drawn_ = false;
  double start_ = -1;
  double lastDrawn_ = 0;
};
