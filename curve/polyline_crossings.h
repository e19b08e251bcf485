#pragma once
// Where polylines cross themselves or each other, found by walking x-monotone chains of
// their segments: an offset's raw polyline of a million vertices crosses itself a few
// dozen times.

#include "curve/curve_pieces.h"

#include <cstddef>
#include <vector>

namespace plotwright::curve {

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

// As crossings(polylines), where the polylines from `edgesFrom` on only cut the others:
// their crossings among themselves are not looked for.
std::vector<std::vector<Crossing>> crossings(const std::vector<CurvePiece>& polylines, std::size_t edgesFrom);

} // namespace plotwright::curve
