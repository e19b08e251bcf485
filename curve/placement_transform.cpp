#include "curve/placement_transform.h"

#include "base/number_text.h"

#include <cmath>
#include <numbers>

namespace plotwright::curve {
namespace {

std::wstring numberText(double value)
{
    const std::string text = base::formatShortest(value);
    return std::wstring(text.begin(), text.end());
}

// cos and sin of `degrees`, exact at whole quarter turns.
void cosSin(double degrees, double& cosine, double& sine)
{
    const double turns = std::fmod(degrees, 360.0);
    const double quarter = turns / 90.0;
    if (quarter == std::floor(quarter)) {
        static constexpr double cosines[] = {1, 0, -1, 0};
        static constexpr double sines[] = {0, 1, 0, -1};
        const int k = (static_cast<int>(quarter) % 4 + 4) % 4;
        cosine = cosines[k];
        sine = sines[k];
        return;
    }
    const double radians = turns * std::numbers::pi / 180.0;
    cosine = std::cos(radians);
    sine = std::sin(radians);
}

void transformPoints(CurvePoints& points, const PlacementTransform& t)
{
    for (CurvePoint& p : points)
        p = t.apply(p);
}

} // namespace

bool hasPlacementTransform(const CurveOptions& options)
{
    return options.rotation != 0 || options.scale != 1 || options.mirror;
}

PlacementTransform placementTransform(const CurveOptions& options, CurvePoint origin)
{
    PlacementTransform t;
    double cosine = 1, sine = 0;
    cosSin(options.rotation, cosine, sine);
    const double s = options.scale;
    const double m = options.mirror ? -1.0 : 1.0;
    // R(θ) · S · M with M = diag(1, m).
    t.a = s * cosine;
    t.b = -s * sine * m;
    t.c = s * sine;
    t.d = s * cosine * m;
    t.ox = origin.x;
    t.oy = origin.y;
    t.oz = origin.z;
    t.mirror = options.mirror;
    t.scale = s;
    return t;
}

std::optional<std::wstring> placementFault(const CurveOptions& options)
{
    if (!std::isfinite(options.rotation))
        return L"the rotation " + numberText(options.rotation) + L" is not a finite angle";
    if (!(std::isfinite(options.scale) && options.scale > 0))
        return L"the scale " + numberText(options.scale) + L" is not a number above 0";
    if (!std::isfinite(options.offset))
        return L"the offset " + numberText(options.offset) + L" is not a finite distance";
    if (options.offsetBothSides && !(options.offset > 0))
        return L"an offset to both sides needs a distance above 0, not " + numberText(options.offset);
    return std::nullopt;
}

void transformPieces(std::vector<CurvePiece>& pieces, const PlacementTransform& transform)
{
    for (CurvePiece& piece : pieces) {
        transformPoints(piece.points, transform);
        transformPoints(piece.spline.controlPoints, transform);
        transformPoints(piece.spline.fitPoints, transform);
        if (transform.mirror)
            for (double& bulge : piece.bulges)
                bulge = -bulge;
    }
}

} // namespace plotwright::curve
