// Where the unwrap of a piece's phases may not step across: a tree of short paths along edges
// that joins the triangles where the stripes do not close, and the piece's border. Their
// windings and half turns cancel over the tree, so the phases jump only on it, on short lines
// between singularities, rather than wherever the walk's fronts happen to meet.
#pragma once

#include <vector>

#include "field/piece_geometry.h"

namespace field {

// Each vertex's edges as the tree's search reads them, side by side (offsets, then entries): the
// edges themselves lie in no order near their vertices, and fetching them is what a search on a
// large piece waits for. The same for every stripe family of a piece.
struct VertexArcs {
  struct Arc {
    int to, edge;
    double length;
  };
  std::vector<int> offset;
  std::vector<Arc> arcs;
};
VertexArcs ArcsOf(const FieldPiece& piece, const PieceGeometry& g);

// `singular[t]`: the stripes do not close around triangle t (they wind, or the line field
// turns over around it). `edgeSides[e]`: how many of the piece's triangles hold edge e (1 on the
// border). Returns, per edge, 1 where the walk must not cross.
std::vector<char> CutGraph(const FieldPiece& piece, const PieceGeometry& g, const VertexArcs& arcs,
                           const std::vector<char>& singular, const std::vector<int>& edgeSides);

}  // namespace field
