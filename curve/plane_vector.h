#pragma once
// Vectors and boxes of the plane for the offset's geometry: the few operations it needs
// on every sample, inline.

#include "curve/curve_points.h"

#include <algorithm>
#include <cmath>

namespace plotwright::curve::plane {

struct Vec {
    double x = 0;
    double y = 0;
};

inline Vec sub(const CurvePoint& a, const CurvePoint& b) { return {a.x - b.x, a.y - b.y}; }
inline double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
// Coordinates of drawings stay far from where squaring them overflows; hypot would take
// several times as long for the same result.
inline double length(Vec a) { return std::sqrt(a.x * a.x + a.y * a.y); }
inline Vec unit(Vec a)
{
    const double l = length(a);
    if (!(l > 0 && std::isfinite(l)))
        return {};
    const double inverse = 1 / l;
    return {a.x * inverse, a.y * inverse};
}
inline Vec leftOf(Vec a) { return {-a.y, a.x}; }
inline bool isZero(Vec a) { return a.x == 0 && a.y == 0; }

// A bounding box, grown point by point.
struct Box {
    double minX, minY, maxX, maxY;
    void take(const CurvePoint& p)
    {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
};

} // namespace plotwright::curve::plane
