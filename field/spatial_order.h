// A large piece renumbered so that what lies close on it lies close in memory. The solves over a
// piece of a hundred thousand vertices walk it in fronts (a search from its singularities, the
// unwrap's walk from triangle to triangle) and read each vertex's and edge's values as the front
// passes; numbered in the order of their positions along one axis, the vertices of one stretch
// of a front lie a slab of the piece apart, and each read is a wait on memory.
#pragma once

#include "field/field_mesh.h"

namespace field {

// The piece with its vertices in the order of a Morton curve through their positions and its
// triangles by their lowest vertex in that order (each keeping its corners' order, its source and
// its rotation): the same surface, numbered afresh.
FieldPiece InSpatialOrder(const FieldPiece& piece);

}  // namespace field
