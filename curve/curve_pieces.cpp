#include "curve/curve_pieces.h"

#include <algorithm>
#include <cmath>

namespace plotwright::curve {
namespace {

bool finite(const CurvePoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

} // namespace

double curveExtent(const CurvePoints& points)
{
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const CurvePoint& p : points) {
        if (!finite(p))
            continue;
        if (!any) {
            minX = maxX = p.x;
            minY = maxY = p.y;
            any = true;
            continue;
        }
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return any ? std::hypot(maxX - minX, maxY - minY) : 0.0;
}

std::vector<CurvePiece> splitRuns(const CurvePoints& points, double closeDistance)
{
    std::vector<CurvePiece> pieces;
    auto run = points.begin();
    while (run != points.end()) {
        run = std::find_if(run, points.end(), finite);
        if (run == points.end())
            break;
        const auto runEnd = std::find_if_not(run, points.end(), finite);
        CurvePiece piece;
        piece.points.assign(run, runEnd);
        const CurvePoint& first = piece.points.front();
        const CurvePoint& last = piece.points.back();
        if (piece.points.size() >= 4 && std::hypot(last.x - first.x, last.y - first.y) <= closeDistance) {
            piece.points.pop_back();
            piece.closed = true;
        }
        pieces.push_back(std::move(piece));
        run = runEnd;
    }
    return pieces;
}

} // namespace plotwright::curve
