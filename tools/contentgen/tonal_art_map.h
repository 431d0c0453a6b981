// The tonal art map: six hatching textures from light to dark whose strokes nest across tones
// (a darker tone holds every stroke of the lighter ones) and across mip levels (a finer level
// holds every stroke of the coarser ones), after Praun, Hoppe, Webb and Finkelstein,
// "Real-Time Hatching" (SIGGRAPH 2001).
#pragma once

#include <vector>

#include "image.h"

namespace contentgen {

inline constexpr int kToneCount = 6;

struct TonalArtMapOptions {
  int finest_size = 1024;   // level 0 of every tone
  int coarsest_drawn = 16;  // strokes are drawn on every level down to this size
  unsigned seed = 2001;
};

// result[tone][level]: tone 0 is the lightest; level 0 is finest_size and the chain ends at 1x1.
std::vector<std::vector<GrayImage>> BuildTonalArtMap(const TonalArtMapOptions& options);

// Mean darkness (1 - brightness) tone t aims for: (t + 1) / 7, leaving 0 to plain paper.
inline double ToneTarget(int tone) {
  return (tone + 1) / 7.0;
}

}  // namespace contentgen
