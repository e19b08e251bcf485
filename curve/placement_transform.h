#pragma once
// The similarity that places a curve shaped at its own origin: mirror about its x axis,
// uniform scale, rotation, then the move to the origin picked. Applied to finished
// pieces, so that arcs stay arcs and splines keep their knots.

#include "curve/curve_options.h"
#include "curve/curve_pieces.h"

#include <optional>
#include <string>
#include <vector>

namespace plotwright::curve {

struct PlacementTransform {
    // x' = ox + a x + b y, y' = oy + c x + d y.
    double a = 1, b = 0, c = 0, d = 1;
    double ox = 0, oy = 0;
    bool mirror = false;
    double scale = 1;
    // A space curve's z: z' = oz + scale z (the turn is about the z axis); plane curves
    // have z 0 and an origin at elevation 0.
    double oz = 0;

    CurvePoint apply(const CurvePoint& p) const
    {
        return {ox + a * p.x + b * p.y, oy + c * p.x + d * p.y, oz + scale * p.z};
    }

    // Whether it leaves every point where it is (a curve offset at the drawing's origin).
    bool identity() const
    {
        return a == 1 && b == 0 && c == 0 && d == 1 && ox == 0 && oy == 0 && oz == 0 && scale == 1 && !mirror;
    }
};

// Whether `options` turn, scale or mirror the curve.
bool hasPlacementTransform(const CurveOptions& options);

// The transform of `options` to `origin`. Quarter turns are exact (cos 90° is 0, not
// 6e-17), so that a curve turned by 90° lands on the same grid values.
PlacementTransform placementTransform(const CurveOptions& options, CurvePoint origin);

// Why `options`' rotation, scale or offset cannot be used (not finite, scale not above
// 0), or nothing.
std::optional<std::wstring> placementFault(const CurveOptions& options);

// Transforms every piece in place: vertices, spline control and fit points; bulges
// change sign under a mirror (the arcs turn the other way).
void transformPieces(std::vector<CurvePiece>& pieces, const PlacementTransform& transform);

} // namespace plotwright::curve
