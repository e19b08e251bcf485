#include "curve/curve_shape.h"

#include "curve/arc_fit.h"
#include "curve/implicit_sampler.h"
#include "model/equation.h"
#include "curve/spline_fit.h"

#include <algorithm>
#include <cmath>

namespace plotwright::curve {
namespace {

// Arcs and splines are fitted to samples ten times as close as the tolerance, so that
// the fit may take the rest of it.
constexpr double kDenseShare = 0.1;
constexpr double kFitShare = 0.9;

} // namespace

namespace {

void count(ShapedCurve& shaped)
{
    const CurvePoints& points = shaped.sampled.points;
    shaped.sampleCount = points.size();
    shaped.nonFiniteCount = static_cast<std::size_t>(std::count_if(
        points.begin(), points.end(), [](const CurvePoint& p) {
            return !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z);
        }));
}

} // namespace

ShapedCurve shapeCurve(const CEquation& equation, CurvePoint origin, const CurveOptions& options,
                       SampleProgress* progress, KeepSamples keep)
{
    ShapedCurve shaped;
    SampleOptions sampling;
    sampling.literalSteps = options.literalSteps;
    sampling.tolerance = options.tolerance;

    const bool fitted = options.output != CurveOutput::Polyline;
    if (options.output == CurveOutput::Arcs && equation.GetType() == SpaceCurve) {
        // Arcs (bulges) lie in the plane of their polyline; a space curve has none.
        shaped.sampled.status = SampleStatus::InvalidParameters;
        shaped.sampled.message = L"arcs lie in a plane: a space curve is drawn as a polyline or a spline";
        return shaped;
    }
    if (equation.GetType() == ImplicitCurve && !sampling.tolerance) {
        // An implicit curve is always traced within a tolerance: its window gives one.
        sampling.tolerance = implicitDefaultTolerance(equation);
        shaped.toleranceFromExtent = true;
    }
    if (fitted && !sampling.tolerance) {
        // A first, silent pass with fixed steps measures the curve.
        SampleResult coarse = sampleCurve(equation, origin, sampling, nullptr);
        if (coarse.status != SampleStatus::Done) {
            shaped.sampled = std::move(coarse);
            count(shaped);
            if (keep == KeepSamples::No)
                shaped.pieces = splitRuns(std::move(shaped.sampled.points), -1);
            else
                shaped.pieces = splitRuns(shaped.sampled.points, -1);
            return shaped;
        }
        const double extent = curveExtent(coarse.points);
        sampling.tolerance = kDefaultToleranceShare * (extent > 0 ? extent : 1.0);
        shaped.toleranceFromExtent = true;
    }
    shaped.tolerance = sampling.tolerance.value_or(0);
    if (fitted)
        sampling.tolerance = shaped.tolerance * kDenseShare;

    shaped.sampled = sampleCurve(equation, origin, sampling, progress);
    count(shaped);
    CurvePoints& points = shaped.sampled.points;
    double closeDistance = -1;
    if (!options.literalSteps || options.tolerance)
        closeDistance = std::max(kCloseShare * curveExtent(points), shaped.tolerance);
    if (keep == KeepSamples::No)
        shaped.pieces = splitRuns(std::move(points), closeDistance);
    else
        shaped.pieces = splitRuns(points, closeDistance);
    if (sampling.tolerance) {
        // A lone point left between a jump and an undefined stretch draws nothing.
        std::erase_if(shaped.pieces, [](const CurvePiece& piece) { return piece.points.size() < 2; });
    }

    for (CurvePiece& piece : shaped.pieces) {
        piece.space = equation.GetType() == SpaceCurve;
        if (options.output == CurveOutput::Arcs)
            piece = fitArcs(piece, shaped.tolerance * kFitShare);
        else if (options.output == CurveOutput::Spline)
            piece = fitSpline(piece, shaped.tolerance * kFitShare);
    }
    return shaped;
}

} // namespace plotwright::curve
