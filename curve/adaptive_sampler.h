#pragma once
// Adaptive sampling of a curve given as a function of its parameter: each interval of a
// coarse grid is refined until the chords stay within a tolerance of the curve; the
// curve is broken where it jumps, and ends at the true edge where it stops being finite.

#include "curve/curve_points.h"
#include "curve/sample_progress.h"

#include <cstddef>
#include <vector>

namespace plotwright::curve {

// A curve as a function of its parameter. A point with a coordinate that is not finite
// means the curve is not defined there. at() may throw; the sampler lets it pass.
class CurveFunction {
public:
    virtual ~CurveFunction() = default;
    virtual CurvePoint at(double t) = 0;
};

struct AdaptiveLimits {
    double tolerance = 1e-3;           // drawing units, finite and above 0
    int maxDepth = 40;                 // refinement levels below each grid interval
    std::size_t maxSamples = 10'000'000;
    // Distances in space (a space curve) rather than in x and y (z may hold anything else).
    bool spatial = false;
};

struct AdaptiveOutcome {
    std::size_t evaluations = 0;
    bool capped = false;   // the sample limit stopped refinement somewhere
};

// Samples `curve` at every value of `grid` (ascending) and between them as needed,
// appending to `out` runs of finite points separated by one point whose coordinates are
// NaN, with none at either end. Reports one progress position per grid value.
AdaptiveOutcome sampleAdaptively(CurveFunction& curve, const std::vector<double>& grid, const AdaptiveLimits& limits,
                                 CurvePoints& out, SampleProgress& progress);

// The distance from `p` to the segment from `a` to `b` (in space; planar curves have z 0).
double distanceToSegment(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b);

} // namespace plotwright::curve
