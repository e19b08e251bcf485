#include "curve/curve_shape.h"

#include "curve/arc_fit.h"
#include "curve/branch_runs.h"
#include "curve/implicit_sampler.h"
#include "curve/offset_curve.h"
#include "curve/placement_transform.h"
#include "curve/spline_fit.h"
#include "base/number_text.h"
#include "model/equation.h"

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


void fit(std::vector<CurvePiece>& pieces, CurveOutput output, double tolerance)
{
    for (CurvePiece& piece : pieces) {
        if (output == CurveOutput::Arcs)
            piece = fitArcs(piece, tolerance * kFitShare);
        else if (output == CurveOutput::Spline)
            piece = fitSpline(piece, tolerance * kFitShare);
    }
}

// The curve at `origin` as its options shape it, without turning, scaling or offset.
ShapedCurve shapePlain(const CEquation& equation, CurvePoint origin, const CurveOptions& options,
                       SampleProgress* progress, KeepSamples keep)
{
    ShapedCurve shaped;
    SampleOptions sampling;
    sampling.literalSteps = options.literalSteps;
    sampling.tolerance = options.tolerance;
    const bool spatial = equation.GetType() == SpaceCurve;

    const bool fitted = options.output != CurveOutput::Polyline;
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
        const double extent = curveExtent(coarse.points, spatial);
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
        closeDistance = std::max(kCloseShare * curveExtent(points, spatial), shaped.tolerance);
    if (keep == KeepSamples::No)
        shaped.pieces = splitRuns(std::move(points), closeDistance, spatial);
    else
        shaped.pieces = splitRuns(points, closeDistance, spatial);
    if (sampling.tolerance) {
        // A lone point left between a jump and an undefined stretch draws nothing.
        std::erase_if(shaped.pieces, [](const CurvePiece& piece) { return piece.points.size() < 2; });
    }

    fit(shaped.pieces, options.output, shaped.tolerance);
    return shaped;
}

std::wstring numberText(double value)
{
    const std::string text = base::formatShortest(value);
    return std::wstring(text.begin(), text.end());
}

// The offset pieces of `runs` by `distance` (and by -distance when `bothSides`), or the
// reason why nothing is left of them, fitted as `options` say within `shaped.tolerance`.
void offsetInto(ShapedCurve& shaped, const std::vector<CurvePiece>& runs, const CurveOptions& options,
                double distance, bool bothSides, double shown, const CurveAt& at)
{
    shaped.pieces = offsetRuns(runs, distance, shaped.tolerance, at);
    if (bothSides) {
        std::vector<CurvePiece> right = offsetRuns(runs, -distance, shaped.tolerance, at);
        std::move(right.begin(), right.end(), std::back_inserter(shaped.pieces));
    }
    if (shaped.pieces.empty() && !runs.empty() && shaped.sampled.status == SampleStatus::Done) {
        shaped.sampled.status = SampleStatus::InvalidParameters;
        shaped.sampled.message = L"the offset " + numberText(shown) +
                                 L" leaves nothing of the curve: it turns more tightly than that everywhere";
    }
    if (options.output == CurveOutput::Spline)
        shaped.pieces = splitAtCorners(std::move(shaped.pieces));
    fit(shaped.pieces, options.output, shaped.tolerance);
}

// The offset of an implicit curve at its own origin, branch by branch (branchRuns gives
// their directions): traced within a tenth of the tolerance, which offsetRuns needs of
// its samples, and offset from the traced points alone (there is no running variable to
// evaluate the curve at).
ShapedCurve shapeBranchOffset(const CEquation& equation, const CurveOptions& options, double distance,
                              bool bothSides, double shown, SampleProgress* progress, KeepSamples keep)
{
    CurveOptions traced;
    traced.output = CurveOutput::Polyline;
    const bool ownTolerance = options.tolerance && std::isfinite(*options.tolerance) && *options.tolerance > 0;
    const double tolerance = ownTolerance ? *options.tolerance : implicitDefaultTolerance(equation);
    traced.tolerance = tolerance * kDenseShare;
    ShapedCurve shaped = shapePlain(equation, {}, traced, progress, keep);
    shaped.tolerance = tolerance;
    shaped.toleranceFromExtent = !ownTolerance;
    if (shaped.sampled.status != SampleStatus::Done) {
        shaped.pieces.clear();
        return shaped;
    }
    const std::vector<CurvePiece> runs = branchRuns(std::move(shaped.pieces));
    offsetInto(shaped, runs, options, distance, bothSides, shown, {});
    for (CurvePiece& piece : shaped.pieces)
        for (CurvePoint& p : piece.points)
            p.z = 0;
    return shaped;
}

// The offset by `distance` (and by -distance when `bothSides`) of the curve at its own
// origin. The tolerance holds for the offset; without one, the fixed steps are the
// samples and the tolerance comes from the extent. `shown` is the distance as given.
ShapedCurve shapeOffset(const CEquation& equation, const CurveOptions& options, double distance, bool bothSides,
                        double shown, SampleProgress* progress, KeepSamples keep)
{
    if (equation.GetType() == ImplicitCurve)
        return shapeBranchOffset(equation, options, distance, bothSides, shown, progress, keep);
    ShapedCurve shaped;
    SampleOptions sampling;
    sampling.literalSteps = options.literalSteps;
    sampling.parameterInZ = true;
    std::optional<double> tolerance = options.tolerance;
    if (!tolerance && options.output != CurveOutput::Polyline) {
        // Arcs and splines are fitted to dense samples, as for the curve itself: a first,
        // silent pass with fixed steps measures the curve.
        SampleOptions fixed;
        fixed.literalSteps = options.literalSteps;
        const SampleResult coarse = sampleCurve(equation, {}, fixed);
        if (coarse.status == SampleStatus::Done) {
            const double extent = curveExtent(coarse.points);
            tolerance = kDefaultToleranceShare * (extent > 0 ? extent : 1.0);
        }
    }
    if (tolerance)
        sampling.tolerance = *tolerance * kDenseShare;
    shaped.sampled = sampleCurve(equation, {}, sampling, progress);
    count(shaped);
    CurvePoints& points = shaped.sampled.points;
    const double extent = curveExtent(points);
    shaped.toleranceFromExtent = !options.tolerance;
    // Chords at fixed steps are as near as the steps make them; the tolerance then only
    // rounds the joins and decides what is cut out.
    shaped.tolerance = tolerance.value_or(kDefaultToleranceShare * (extent > 0 ? extent : 1.0));
    double closeDistance = -1;
    if (!options.literalSteps || tolerance)
        closeDistance = std::max(kCloseShare * extent, tolerance.value_or(0));
    std::vector<CurvePiece> runs =
        keep == KeepSamples::No ? splitRuns(std::move(points), closeDistance) : splitRuns(points, closeDistance);
    std::erase_if(runs, [](const CurvePiece& run) { return run.points.size() < 2; });
    for (CurvePoint& p : points)
        p.z = 0;

    PointEvaluator evaluator(equation);
    offsetInto(shaped, runs, options, distance, bothSides, shown, [&](double t) { return evaluator.at(t); });
    return shaped;
}

} // namespace

ShapedCurve shapeCurve(const CEquation& equation, CurvePoint origin, const CurveOptions& options,
                       SampleProgress* progress, KeepSamples keep)
{
    const bool offset = options.offset != 0;
    const int kind = equation.GetType();
    if (kind == SpaceCurve && (options.output == CurveOutput::Arcs || offset)) {
        // Arcs (bulges) and offsets lie in a plane.
        ShapedCurve refused;
        refused.sampled.status = SampleStatus::InvalidParameters;
        refused.sampled.message = offset ? L"an offset is drawn of a plane curve, not of a space curve"
                                         : L"arcs lie in a plane: a space curve is drawn as a polyline or a spline";
        return refused;
    }
    if (!offset && !hasPlacementTransform(options))
        return shapePlain(equation, origin, options, progress, keep);
    ShapedCurve shaped;
    if (const std::optional<std::wstring> fault = placementFault(options)) {
        shaped.sampled.status = SampleStatus::InvalidParameters;
        shaped.sampled.message = *fault;
        return shaped;
    }
    // Shaped at its own origin and size (the tolerance scaled with it), then placed: a
    // similarity keeps arcs arcs and the fits within the scaled tolerance.
    CurveOptions own = options;
    own.rotation = 0;
    own.scale = 1;
    own.mirror = false;
    own.offset = 0;
    own.offsetBothSides = false;
    if (own.tolerance && std::isfinite(*own.tolerance) && *own.tolerance > 0)
        *own.tolerance /= options.scale;
    if (offset) {
        // A mirror turns left into right.
        const double distance = options.offset / options.scale * (options.mirror ? -1.0 : 1.0);
        shaped = shapeOffset(equation, own, distance, options.offsetBothSides, options.offset, progress, keep);
    } else {
        shaped = shapePlain(equation, {}, own, progress, keep);
    }
    // Plane curves lie at elevation 0 whatever the origin's z, as when drawn unplaced.
    CurvePoint placedAt = origin;
    if (kind != SpaceCurve)
        placedAt.z = 0;
    const PlacementTransform transform = placementTransform(options, placedAt);
    if (!transform.identity()) {
        transformPieces(shaped.pieces, transform);
        for (CurvePoint& p : shaped.sampled.points)
            p = transform.apply(p);
    }
    shaped.tolerance *= options.scale;
    return shaped;
}

} // namespace plotwright::curve
