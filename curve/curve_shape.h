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

// Whether a shaped curve keeps its sampled points beside its pieces.
enum class KeepSamples { Yes, No };

struct ShapedCurve {
    // The sampler's outcome. For arcs and splines its points are the dense samples the
    // fitting started from. Empty points when shaped with KeepSamples::No.
    SampleResult sampled;
    // How many points the sampler gave and how many of them were not finite, whether
    // or not they were kept.
    std::size_t sampleCount = 0;
    std::size_t nonFiniteCount = 0;
    // What to write, in order; from the points sampled before a failure as well.
    std::vector<CurvePiece> pieces;
    // The tolerance used; 0 for fixed steps.
    double tolerance = 0;
    // Arcs or spline without a tolerance: it was taken from the curve's extent.
    bool toleranceFromExtent = false;
};

// Samples and shapes `equation` (see CurveOptions). Closure (a run's ends within
// kCloseShare of the extent, or within the tolerance) applies unless the steps are
// literal and no tolerance is given. With KeepSamples::No the pieces take the sampled
// points over, for callers that only place the pieces: the largest draws then never hold
// their samples twice. Throws nothing.
ShapedCurve shapeCurve(const CEquation& equation, CurvePoint origin, const CurveOptions& options,
                       SampleProgress* progress = nullptr, KeepSamples keep = KeepSamples::Yes);

} // namespace plotwright::curve
