// The stroke field's figures: stroke direction against the principal directions on a cylinder
// and a torus, under the stroke field and, for comparison, under the file's uv, tidy and cut into
// rotated islands; and how little the field's picture depends on that uv.
#pragma once

#include <functional>
#include <string>

class QualityScene;

// name, value, target, met
using FigureLine = std::function<void(const char*, double, const char*, bool)>;

// Renders the shapes (pictures to `out`) and reports each figure through `line`. False when an
// effect variant does not compile.
bool MeasureFormStrokes(QualityScene& scene, const std::string& out, const FigureLine& line);
