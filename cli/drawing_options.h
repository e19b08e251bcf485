#pragma once
// The drawing options of draw and redraw: the layer and colour of the new entities,
// and the units of a new drawing.

#include "cli/arguments.h"
#include "db/object_id.h"
#include "plotwright/curve.h"

#include <vector>

class AcDbDatabase;

namespace plotwright::cli {

// --rotate, --scale, --mirror / --no-mirror and --offset / --offset-both, where given,
// into `options` (what is not given stays: redraw keeps the curve's own).
void applyPlacement(DrawingOptions& options, const Request& request);

// --units on a drawing that does not exist yet.
void applyNewDrawingOptions(AcDbDatabase& database, const Request& request);

// Puts the entities `ids` on --layer (made, in --color's colour, when the drawing has no
// such layer) in --color; what the request leaves out stays as the entities have it.
// Failure (kExitFileError) when the drawing refuses the layer.
void applyAppearance(AcDbDatabase& database, const std::vector<AcDbObjectId>& ids, const Request& request);

} // namespace plotwright::cli
