#pragma once
// The geometry a curve is shaped into: pieces that a drawing holds as one entity each, a
// polyline (with bulges where arcs were fitted) or a cubic spline.

#include "plotwright/result.h"

#include <cstddef>
#include <vector>

namespace plotwright {

struct Point {
    double x = 0;
    double y = 0;
    double z = 0;
    bool operator==(const Point&) const = default;
};

// A clamped cubic B-spline: knots, control points, and the points it passes through.
struct SplineGeometry {
    int degree = 3;
    std::vector<double> knots;
    std::vector<Point> controlPoints;
    std::vector<Point> fitPoints;
};

struct Piece {
    // The vertices in order; a closed piece does not repeat its first vertex.
    std::vector<Point> points;
    bool closed = false;
    // Empty for straight segments, else one per vertex: the bulge (tan of a quarter of
    // the arc's angle, positive counter-clockwise) of the arc to the next vertex.
    std::vector<double> bulges;
    // Set (control points not empty) for a spline piece; `points` are then its fit points.
    SplineGeometry spline;
    // A space curve's piece: its vertices' z vary, so it is drawn as a 3-D polyline (or a
    // spline) and never at an elevation.
    bool space = false;

    bool isSpline() const { return !spline.controlPoints.empty(); }
};

// A curve shaped at an origin: what a drawing adds, and how it came about.
struct Shape {
    // ok, or why sampling stopped (the pieces then hold what was sampled before).
    Result result;
    std::vector<Piece> pieces;
    // Where the curve was shaped: its running variable's value 0 lies here.
    Point origin;
    // The tolerance used (0 for fixed steps) and whether it came from the curve's extent.
    double tolerance = 0;
    bool toleranceFromExtent = false;
    // Adaptive sampling: the sample limit stopped refinement (the tolerance may not hold).
    bool refinementCapped = false;
    // Samples taken, and (fixed steps) how many of them were not finite.
    std::size_t sampleCount = 0;
    std::size_t nonFiniteCount = 0;
};

// Sampled points, for callers that want the points rather than pieces.
struct Samples {
    Result result;
    // Fixed steps: one per sample, finite or not. Adaptive: runs of finite points
    // separated by one point whose coordinates are NaN.
    std::vector<Point> points;
    bool refinementCapped = false;
};

} // namespace plotwright
