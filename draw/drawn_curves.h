#pragma once
// Drawing a drawn curve again in place, in the module's flow: the sampler's messages
// are shown as for a draw, and the working database is the drawing. The listing and
// the comparison with what was drawn are the core's (core/drawn_curves.h).

#include "core/drawn_curves.h"
#include "draw/place_curve.h"

namespace plotwright::draw {

using core::CurveState;
using core::curveState;
using core::DrawnCurve;
using core::drawnCurves;
using core::drawnCurveWithId;
using core::DrawnPiece;
using core::findDrawnCurve;
using core::handleText;

// Draws `equation` with `options` at `origin` in place of the pieces of `curve`: the old
// pieces are erased, the new ones take their layer, colour and curve id. When the new
// curve cannot be drawn (a sampling failure, no point, a piece the database refuses)
// the old pieces are restored and nothing new stays. `outcome` tells what happened; the
// sampler's messages are shown as for a draw.
bool ReplaceDrawnCurve(const DrawnCurve& curve, CEquation& equation, const curve::CurveOptions& options,
                       const CurvePoint& origin, DrawOutcome& outcome);

} // namespace plotwright::draw
