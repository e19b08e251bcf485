#pragma once
// Offset curves as a cutting tool follows them: every point at one distance from the
// curve on one side, from the curve's own derivative at its samples; loops and
// swallowtails (where the curve turns more tightly than the distance, or where other
// parts of it come closer) are cut out at the self-intersection; corners and cusps get
// a round join of the distance's radius.

#include "curve/curve_pieces.h"

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

// Where the polylines cross themselves or each other: for each, the crossings along
// it as (segment index, share along that segment in [0, 1)), in order. Segment i runs from
// point i to point i + 1 (the last of a closed polyline back to point 0); neighbouring
// segments of one polyline do not count as crossing where they share their vertex.
struct Crossing {
    std::size_t segment = 0;
    double share = 0;
    CurvePoint point;
};
std::vector<std::vector<Crossing>> crossings(const std::vector<CurvePiece>& polylines);

} // namespace plotwright::curve
