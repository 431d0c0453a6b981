// The thumbnailer: one picture of one SMD file for a file manager, drawn off-screen (EGL, no
// window, no display) and written whole or not at all.
#pragma once

#include <string>

struct ThumbnailRequest {
  int size = 0;        // the picture is size x size pixels
  std::string input;   // a reference SMD file
  std::string output;  // the PNG file to write
  bool links = false;  // skin by the vertices' weighted links
};

// Draws the character of `request.input` in its bind pose, framed, on paper, without the overlay,
// and writes it to `request.output`. False when the input cannot be drawn or the picture cannot be
// written, the output then left as it was, with `error` naming the file; empty where the loader
// has told its refusal on standard error already (the file, the line and why). The process must
// be in its content folder.
bool WriteThumbnail(const ThumbnailRequest& request, std::string* error);
