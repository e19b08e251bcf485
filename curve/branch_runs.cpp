#include "curve/branch_runs.h"

#include <algorithm>
#include <cmath>

namespace plotwright::curve {
namespace {

// Twice the signed area the closed polygon encloses: above 0 when it turns counter-clockwise.
double twiceArea(const CurvePoints& p)
{
    double sum = 0;
    for (std::size_t i = 0, n = p.size(); i < n; ++i) {
        const CurvePoint& a = p[i];
        const CurvePoint& b = p[(i + 1) % n];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum;
}

bool startsLater(const CurvePoint& first, const CurvePoint& last)
{
    return first.x > last.x || (first.x == last.x && first.y > last.y);
}

} // namespace

std::vector<CurvePiece> branchRuns(std::vector<CurvePiece> branches)
{
    std::erase_if(branches, [](const CurvePiece& b) { return b.points.size() < 2; });
    for (CurvePiece& branch : branches) {
        CurvePoints& p = branch.points;
        const bool reverse = branch.closed ? twiceArea(p) < 0 : startsLater(p.front(), p.back());
        if (reverse)
            std::reverse(p.begin(), p.end());
        // Lengths grow strictly where points differ; a repeated point would give two
        // samples one parameter, which the derivative cannot tell apart: it then keeps
        // to the chords, as at a corner.
        double along = 0;
        for (std::size_t i = 0; i < p.size(); ++i) {
            if (i > 0)
                along += std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
            p[i].z = along;
        }
    }
    return branches;
}

} // namespace plotwright::curve
