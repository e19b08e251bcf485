#pragma once
// The drawable pieces of a sampled curve: its runs of finite points, each closed when it
// ends where it starts, with arcs (bulges) or a spline where those were fitted.

#include "curve/curve_points.h"

#include <vector>

namespace plotwright::curve {

// A cubic B-spline: clamped knots, control points, and the points it interpolates.
struct SplineData {
    int degree = 3;
    std::vector<double> knots;
    std::vector<CurvePoint> controlPoints;
    std::vector<CurvePoint> fitPoints;
};

struct CurvePiece {
    // The vertices in order; a closed piece does not repeat its first point at the end.
    CurvePoints points;
    bool closed = false;
    // Empty for chords, else one per vertex: the bulge (tan of a quarter of the included
    // angle, positive counter-clockwise) of the arc to the next vertex (closed: the last
    // vertex's arc returns to the first).
    std::vector<double> bulges;
    // A spline when its control points are not empty (then `points` are its fit points).
    SplineData spline;
    // Of a space curve: a 3-D polyline with a z per vertex, or a spline.
    bool space = false;
};

// The diagonal of the finite points' bounding box, in x and y or (`spatial`, a space
// curve) in space; 0 without finite points.
double curveExtent(const CurvePoints& points, bool spatial = false);

// The share of the extent within which a run's ends count as one point.
constexpr double kCloseShare = 1e-5;

// Splits `points` at every point that is not finite into runs of finite points. A run of
// at least four points whose last point lies within `closeDistance` of its first is
// closed and loses that last point. Takes no closure when `closeDistance` is negative.
// `spatial` (a space curve): the ends are compared in space, and the pieces are marked
// as a space curve's.
std::vector<CurvePiece> splitRuns(const CurvePoints& points, double closeDistance, bool spatial = false);

// As above, taking the points over: one run of them all becomes the piece without a
// copy (a million samples are not held twice); `points` is left empty.
std::vector<CurvePiece> splitRuns(CurvePoints&& points, double closeDistance, bool spatial = false);

} // namespace plotwright::curve
