#pragma once
// A curve definition turned into the pieces to write: sampled (fixed steps or adaptive),
// broken into runs, closed where a run returns to its start, and fitted by arcs or
// splines when asked.

#include "curve/curve_options.h"
#include "curve/curve_pieces.h"
#include "curve/curve_sampler.h"

#include <vector>

class CEquation;

namespace plotwright::curve {

struct ShapedCurve {
    // The sampler's outcome. For arcs and splines its points are the dense samples the
    // fitting started from.
    SampleResult sampled;
    // What to write, in order; from the points sampled before a failure as well.
    std::vector<CurvePiece> pieces;
    // The tolerance used; 0 for fixed steps.
    double tolerance = 0;
    // Arcs or spline without a tolerance: it was taken from the curve's extent.
    bool toleranceFromExtent = false;
};

// Samples and shapes `equation` (see CurveOptions). Closure (a run's ends within
// kCloseShare of the extent, or within the tolerance) applies unless the steps are
// literal and no tolerance is given. Throws nothing.
ShapedCurve shapeCurve(const CEquation& equation, CurvePoint origin, const CurveOptions& options,
                       SampleProgress* progress = nullptr);

} // namespace plotwright::curve
