// Shapes whose principal directions are known, for the stroke field's figures: an open cylinder
// and a tilted torus, meshed along their lines of curvature. Each comes with its parameters as
// texture coordinates (to find those lines in a picture), and with a file's uv, tidy or cut into
// randomly rotated islands and listed island by island, as painted characters have them.
#pragma once

#include <vector>

#include "model/skin_vertex.h"

enum class FormShape { kCylinder, kTorus };

// Triangle lists, three vertices a triangle, in the same triangles' order within a shape.
struct ShapeMesh {
  std::vector<SkinVertex> parameters;  // u, v: the two curvature lines' parameters, 0..1
  std::vector<SkinVertex> fileUv;      // the file's uv at the hatching's density
};

// A shape in front of an eye at the origin looking along +z. `islands`: the file's uv cut into
// rotated islands, the triangles in island order and each triangle's corners rotated.
ShapeMesh MakeShape(FormShape shape, bool islands);

// The same triangles with the stroke field's coordinates, computed from the positions alone.
std::vector<SkinVertex> WithFormStrokes(const std::vector<SkinVertex>& mesh);
