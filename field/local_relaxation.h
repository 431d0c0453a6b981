// Relaxation where a field of unit complex values is rough. A solution carried from a coarse copy
// of a piece holds small defects where the copy's clusters were misshapen: pairs of
// singularities a few edges apart, which a solve on the piece itself would not have. Each vertex
// near a rough edge takes the weighted mean of its neighbours' values, carried into its own frame
// and scaled back to unit length, for a number of sweeps in vertex order: the pairs close up,
// and what lies away from them, like a singularity the field needs, stays where it is.
#pragma once

#include <complex>
#include <vector>

#include "field/piece_geometry.h"

namespace field {

// Each vertex's edges: `incident[start[v]]` to `incident[start[v + 1]]`.
struct VertexEdges {
  std::vector<int> start, incident;
};
VertexEdges EdgesAround(const PieceGeometry& g);

// How a field is read along the piece's edges.
class RoughField {
 public:
  virtual ~RoughField() = default;
  // Whether edge k's ends disagree by more than the field tolerates.
  virtual bool Rough(int k) const = 0;
  // The factor that carries the value at edge k's far end into v's frame, and whether that
  // value is conjugated first: carried = factor * (conjugated ? conj(value) : value).
  virtual std::complex<double> Carry(int k, int v, bool* conjugated) const = 0;
  virtual std::complex<double> Value(int v) const = 0;
  virtual void Store(int v, std::complex<double> value) = 0;
};

// Relaxes the vertices within `rings` edges of a rough edge, `sweeps` times. Deterministic: the
// same values whatever thread calls it.
void RelaxWhereRough(const PieceGeometry& g, const VertexEdges& around, int rings, int sweeps, RoughField* field);

}  // namespace field
