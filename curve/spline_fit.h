#pragma once
// A cubic B-spline through some of the points of a densely sampled run, with fit points
// added where it strays from the run by more than a tolerance.

#include "curve/curve_pieces.h"

#include <vector>

namespace plotwright::curve {

// The clamped cubic B-spline that interpolates `fit` at chord-length parameters in
// [0, 1] (the knots are those parameters) with the given end derivatives (per unit of
// that parameter). At least two points.
SplineData interpolateSpline(const CurvePoints& fit, CurvePoint startDerivative, CurvePoint endDerivative);

// The spline's point at parameter `u` in [first knot, last knot].
CurvePoint splinePoint(const SplineData& spline, double u);

// Returns `dense` as a spline piece (points: the fit points, spline: the data) that stays
// within `tolerance` of every point of `dense` and of the middle of every chord between
// them, as far as adding fit points can achieve; a closed run comes back as a spline
// whose ends meet with one tangent (and with the closed flag). Fewer than two points come
// back unchanged.
CurvePiece fitSpline(const CurvePiece& dense, double tolerance);

} // namespace plotwright::curve
