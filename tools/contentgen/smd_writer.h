// Text of the model files: the reference file (skeleton, bind pose and triangles) and the
// animation files (skeleton and key frames), in the SMD layout the viewer reads.
#pragma once

#include <cstdio>
#include <string>

#include "animation.h"
#include "mesh.h"

namespace contentgen {

// Values that print as zero are written as plain 0.000000, never -0.000000.
double Tidy(double v);

// One line of `format` and a line end.
void AppendLine(std::string& out, const char* format, auto... args) {
  char line[256];
  const int n = std::snprintf(line, sizeof line, format, args...);
  out.append(line, static_cast<size_t>(n));
  out += '\n';
}

// The nodes block of the imp's skeleton.
void AppendNodes(std::string& out);

std::string ReferenceSmd(const Mesh& mesh);
std::string AnimationSmd(const AnimationClip& clip);

}  // namespace contentgen
