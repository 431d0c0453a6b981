// Replaces a loaded mesh's texture coordinates with the stroke field of its bind pose, so that
// the hatching follows the form whatever uv the file has. Skinning copies the coordinates, so
// the strokes stay on the skin as it moves.
#pragma once

#include "field/stroke_field.h"

struct SmdMesh;

// `scale`: how much the character is enlarged when drawn, so that the strokes keep the default
// character's spacing on the screen.
field::StrokeFieldFigures ApplyFormStrokes(SmdMesh& mesh, float scale = 1.0f);
