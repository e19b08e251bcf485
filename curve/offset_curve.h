#pragma once
// Offset curves as a cutting tool follows them: every point at one distance from the
// curve on one side, from the curve's own derivative at its samples; loops and
// swallowtails (where the curve turns more tightly than the distance, or where other
// parts of it come closer) are cut out at the self-intersection; corners and cusps get
// a round join of the distance's radius.

#include "curve/curve_pieces.h"
#include "curve/polyline_crossings.h"

#include <functional>
#include <vector>

namespace plotwright::curve {

// Offsets `runs` (dense samples of one curve; each point's z is the running variable's
// value there, as SampleOptions::parameterInZ gives them) by `distance` to the left of the
// direction of travel (negative: to the right). The chords of the result lie within
// `tolerance` of the true offset wherever the samples follow the curve within a tenth of
// it. Closed runs give closed offsets where nothing is cut out of them. Returns nothing
// when the curve turns more tightly than the distance everywhere. The points' z is 0.
// `at` gives the curve's point at a value of its running variable (origin 0), for
// tangents where the samples turn sharply; without it the samples alone give them.
using CurveAt = std::function<CurvePoint(double)>;
std::vector<CurvePiece> offsetRuns(const std::vector<CurvePiece>& runs, double distance, double tolerance,
                                   const CurveAt& at = {});

// The pieces broken at every vertex where they turn by more than 45° (a closed piece
// with such corners becomes open pieces from corner to corner): for splines, which
// cannot turn a corner where a loop was cut out.
std::vector<CurvePiece> splitAtCorners(std::vector<CurvePiece> pieces);

} // namespace plotwright::curve
