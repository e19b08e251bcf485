#pragma once
// Cuts an offset's raw polyline at its crossings and keeps what lies outside the band
// about the curve: loops and swallowtails go, the stretches on either side of them join.

#include "curve/curve_distance.h"
#include "curve/polyline_crossings.h"

#include <vector>

namespace plotwright::curve {

// What is left of `raw` once the stretches nearer to the curve than the distance are
// gone, the stretches on either side of a cut-out loop joined where they cross. A single
// piece left is written over the raw points (a million points are not held twice);
// several are copied out, once, into `out`. `r` is the distance less the tolerance.
void trimOffset(CurvePiece&& raw, const std::vector<Crossing>& cuts, const CurveDistance& curve, double r,
          double tolerance, std::vector<CurvePiece>& out);

} // namespace plotwright::curve
