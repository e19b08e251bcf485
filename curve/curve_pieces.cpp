#include "curve/curve_pieces.h"

#include <algorithm>
#include <cmath>

namespace plotwright::curve {
namespace {

// A point's z is a space curve's third coordinate, or whatever its sampler kept there
// (the running variable, for offsets): always finite where the curve is.
bool finite(const CurvePoint& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

} // namespace

double curveExtent(const CurvePoints& points, bool spatial)
{
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0, minZ = 0, maxZ = 0;
    for (const CurvePoint& p : points) {
        if (!finite(p))
            continue;
        if (!any) {
            minX = maxX = p.x;
            minY = maxY = p.y;
            minZ = maxZ = p.z;
            any = true;
            continue;
        }
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
        minZ = std::min(minZ, p.z);
        maxZ = std::max(maxZ, p.z);
    }
    if (!any)
        return 0.0;
    return spatial ? std::hypot(std::hypot(maxX - minX, maxY - minY), maxZ - minZ) : std::hypot(maxX - minX, maxY - minY);
}

namespace {

void closeIfReturning(CurvePiece& piece, double closeDistance, bool spatial)
{
    const CurvePoint& first = piece.points.front();
    const CurvePoint& last = piece.points.back();
    const double gap = spatial ? std::hypot(std::hypot(last.x - first.x, last.y - first.y), last.z - first.z)
                               : std::hypot(last.x - first.x, last.y - first.y);
    if (piece.points.size() >= 4 && gap <= closeDistance) {
        piece.points.pop_back();
        piece.closed = true;
    }
}

} // namespace

std::vector<CurvePiece> splitRuns(const CurvePoints& points, double closeDistance, bool spatial)
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
        closeIfReturning(piece, closeDistance, spatial);
        piece.space = spatial;
        pieces.push_back(std::move(piece));
        run = runEnd;
    }
    return pieces;
}

std::vector<CurvePiece> splitRuns(CurvePoints&& points, double closeDistance, bool spatial)
{
    CurvePoints taken = std::move(points);
    points.clear();
    if (taken.empty() || !std::all_of(taken.begin(), taken.end(), finite))
        return splitRuns(taken, closeDistance, spatial);
    std::vector<CurvePiece> pieces(1);
    pieces.front().points = std::move(taken);
    closeIfReturning(pieces.front(), closeDistance, spatial);
    pieces.front().space = spatial;
    return pieces;
}

} // namespace plotwright::curve
