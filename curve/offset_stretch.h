#pragma once
// The stretches of an offset's raw polyline between the places where it crosses itself
// or the band's other edges: what the offset keeps or cuts out, a stretch at a time.

#include "curve/curve_pieces.h"

#include <cstddef>

namespace plotwright::curve {

// The raw offset's `n` vertices as the stretches read them, an index past the last
// going round to the first (of a closed polyline). Held apart from the vector, which the
// kept piece is written into as it is read: the reads need not look at its size again.
struct RawView {
    const CurvePoint* data;
    std::size_t n;
    const CurvePoint& operator[](std::size_t i) const { return data[i < n ? i : i - n]; }
};

// A stretch of the raw offset between two crossings (or its ends), held as places in it
// rather than as a copy: its first point, the raw vertices from `begin` on (round a
// closed polyline), and its last point.
struct Stretch {
    CurvePoint first;
    std::size_t begin = 0;
    std::size_t inner = 0;   // raw vertices between first and last
    CurvePoint last;

    std::size_t size() const { return inner + 2; }
    const CurvePoint& at(const RawView& raw, std::size_t k) const
    {
        if (k == 0)
            return first;
        if (k == inner + 1)
            return last;
        return raw[begin + k - 1];
    }
};

// Crossings found once are the same point wherever they are met again.
inline bool samePoint(const CurvePoint& a, const CurvePoint& b) { return a.x == b.x && a.y == b.y; }

} // namespace plotwright::curve
