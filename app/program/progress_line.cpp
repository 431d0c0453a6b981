// The progress line of a headless run.
#include "app/program/progress_line.h"

#include <unistd.h>

void FormatProgress(int frames, int total, double rate, char* out, size_t size) {
  if (rate <= 0) {
    std::snprintf(out, size, "frame %d/%d", frames, total);
    return;
  }
  const long left = static_cast<long>((total - frames) / rate + 0.5);
  std::snprintf(out, size, "frame %d/%d, %.1f frames/s, %ld:%02ld left", frames, total, rate, left / 60,
                left % 60);
}

ProgressLine::ProgressLine(FILE* stream, int total)
    : stream_(stream), total_(total), shown_(stream && total > 0 && isatty(fileno(stream))) {}

void ProgressLine::Update(int frames, double now) {
  if (!shown_) return;
  // The rate counts from the first frame, so that start-up does not weigh on it.
  if (start_ < 0) {
    start_ = now;
    lastDrawn_ = now;
    return;
  }
  if (now - lastDrawn_ < kRedrawSeconds && frames < total_) return;
  lastDrawn_ = now;
  char text[96];
  FormatProgress(frames, total_, now > start_ ? (frames - 1) / (now - start_) : 0, text, sizeof text);
  char line[128];
  std::snprintf(line, sizeof line, "\rhatching: %s", text);
  std::fputs(line, stream_);
  std::fputs("\033[K", stream_);
  std::fflush(stream_);
  drawn_ = true;
}

void ProgressLine::Clear() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stream_);
  std::fflush(stream_);
  drawn_ = false;
}
