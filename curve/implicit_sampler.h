#pragma once
// Sampling an implicit curve F(x, y) = 0 (kind ImplicitCurve) as the sampler samples
// the other kinds: the same statuses, the same runs of points, from its window and grid.

#include "curve/curve_sampler.h"

namespace plotwright::curve {

// The window's tolerance when none is given: this share of its diagonal.
double implicitDefaultTolerance(const CEquation& equation);

// See sampleCurve; `equation` is of kind ImplicitCurve. Refuses before sampling:
// InvalidParameters for a window with min >= max (or not finite) or a cell size that is
// not finite, TooManySamples for a grid of more nodes than the sample limit,
// ErrorInEquation for an F that uses neither x nor y.
SampleResult sampleImplicit(const CEquation& equation, CurvePoint origin, const SampleOptions& options,
                            SampleProgress& progress);

} // namespace plotwright::curve
