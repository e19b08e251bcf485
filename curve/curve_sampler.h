#pragma once
// Sampling a curve definition into points, showing nothing: the outcome is a value with
// a status and, for a faulty expression, the parser's reason and where it was found.

#include "curve/curve_points.h"
#include "curve/sample_progress.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

class CEquation;

namespace plotwright::curve {

enum class SampleStatus {
    Done,
    InvalidParameters,   // a parameter outside its bounds, or a step that cannot advance
    ErrorInEquation,     // an expression, a name, a missing running variable, an unknown kind
    TooManySamples,      // the range and increment give more than the sample limit
};

struct SampleOptions {
    // The old stepping, sample for sample: start, start + step, ... while <= end, with no
    // sample at the end itself unless the steps land on it.
    bool literalSteps = false;
    // Adaptive sampling when set: the largest distance, in drawing units, allowed between
    // the curve and the chords through its samples. Must be finite and above 0.
    std::optional<double> tolerance;
    // Adaptive sampling: how often an interval of the increment may be refined, and the
    // most samples the whole curve may take (beyond them chords are kept as they are).
    int maxDepth = 40;
    std::size_t maxSamples = 10'000'000;
    // Each point's z holds the running variable's value it was sampled at (for callers
    // that differentiate the curve along its samples, as offsets do).
    bool parameterInZ = false;
};

struct SampleResult {
    SampleStatus status = SampleStatus::Done;
    // The points, offset by the origin. With fixed steps one per sample, finite or not;
    // failures keep the points sampled before them. Adaptive: runs of finite points
    // separated by one point whose coordinates are NaN (a jump or where the curve is not
    // finite), never one at either end.
    CurvePoints points;
    // TooManySamples of an implicit curve: what its grid counted (else empty).
    // ErrorInEquation: the reason ("unknown name \"pi\"", "no running variable").
    // InvalidParameters: the value at fault, the rule and the bound ("k = 11 is above
    // its upper bound 10").
    std::wstring message;
    // ErrorInEquation: the 0-based character of the failing expression, -1 if none.
    int position = -1;
    // ErrorInEquation: 'Y' or 'X' for the expression that failed (EquationY, EquationX),
    // 0 when the fault is in no expression.
    char expression = 0;
    // TooManySamples: how many samples the range and increment give (may be huge).
    long double requestedSamples = 0;
    // Adaptive: the sample limit stopped refinement, so the tolerance may not hold.
    bool refinementCapped = false;
    // Adaptive: how often the curve was evaluated.
    std::size_t evaluations = 0;
};

// A curve evaluated at values of its running variable that the caller picks (derivatives
// where the samples do not tell them), as the sampler evaluates it: the same points, at
// origin 0, z 0.
class PointEvaluator {
public:
    explicit PointEvaluator(const CEquation& equation);
    ~PointEvaluator();
    PointEvaluator(const PointEvaluator&) = delete;
    PointEvaluator& operator=(const PointEvaluator&) = delete;
    // The point at `t`; NaN coordinates where the curve is not defined or cannot be
    // evaluated.
    CurvePoint at(double t);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Samples `equation` over its running variable's range (see SampleOptions) and offsets
// the points by `origin` (z is always 0). Progress starts only once the parameters and
// the range are accepted, with one position per sample (adaptive: per sample of the
// increment). Throws nothing.
SampleResult sampleCurve(const CEquation& equation, CurvePoint origin, const SampleOptions& options = {},
                         SampleProgress* progress = nullptr);

} // namespace plotwright::curve
