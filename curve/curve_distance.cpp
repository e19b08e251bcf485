#include "curve/curve_distance.h"

#include <algorithm>
#include <cmath>

namespace plotwright::curve {

using namespace plane;

CurveDistance::CurveDistance(const std::vector<CurvePiece>& runs, std::vector<std::vector<Box>> known)
{
    std::size_t count = 0;
    for (const CurvePiece& run : runs)
        count += run.points.size();
    blocks_.reserve(count / kDistanceBlock + runs.size() + 1);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const CurvePiece& run = runs[r];
        std::vector<Box> boxes = std::move(known[r]);
        if (boxes.empty()) {
            BlockBoxes measured(run);
            for (std::size_t i = 0; i < run.points.size(); ++i)
                measured.take(i, run.points[i]);
            boxes = std::move(measured).done();
        }
        const std::size_t n = run.points.size();
        const std::size_t segments = n == 1 ? 1 : run.closed && n > 2 ? n : n - 1;
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            const std::size_t first = b * kDistanceBlock;
            blocks_.push_back({boxes[b], &run.points, first, std::min(kDistanceBlock, segments - first)});
        }
    }
    // Groups of consecutive blocks under one box: a question skips most of a long
    // curve a group at a time.
    for (std::size_t first = 0; first < blocks_.size(); first += kDistanceGroup) {
        Group group{blocks_[first].box, first, std::min(blocks_.size(), first + kDistanceGroup)};
        for (std::size_t k = first + 1; k < group.end; ++k) {
            const Box& b = blocks_[k].box;
            group.box = {std::min(group.box.minX, b.minX), std::min(group.box.minY, b.minY),
                         std::max(group.box.maxX, b.maxX), std::max(group.box.maxY, b.maxY)};
        }
        groups_.push_back(group);
    }
}

template <class Take>
bool CurveDistance::walk(const CurvePoint& q, const double& limit, Take&& take) const
{
    const auto far = [&](const Box& box) {
        const double dx = std::max({box.minX - q.x, 0.0, q.x - box.maxX});
        const double dy = std::max({box.minY - q.y, 0.0, q.y - box.maxY});
        return dx * dx + dy * dy >= limit;
    };
    for (const Group& group : groups_) {
        if (far(group.box))
            continue;
        for (std::size_t k = group.first; k < group.end; ++k) {
            const Block& block = blocks_[k];
            if (far(block.box))
                continue;
            const CurvePoints& p = *block.points;
            for (std::size_t i = block.first; i < block.first + block.count; ++i)
                if (take(p, i, squaredDistance(q, p[i], block.to(i))))
                    return true;
        }
    }
    return false;
}

bool CurveDistance::nearerThan(const CurvePoint& q, double r) const
{
    const double r2 = r * r;
    return walk(q, r2, [&](const CurvePoints&, std::size_t, double d2) { return d2 < r2; });
}

bool CurveDistance::inside(const CurvePoint& q, double d, double least) const
{
    const double r = d - least;
    double best = r * r;
    const CurvePoints* points = nullptr;
    std::size_t at = 0;
    walk(q, best, [&](const CurvePoints& p, std::size_t i, double d2) {
        if (d2 < best) {
            best = d2;
            points = &p;
            at = i;
        }
        return false;
    });
    if (!points)
        return false;
    const CurvePoints& p = *points;
    const std::size_t n = p.size();
    double error = 0;
    for (std::size_t i : {at, at + 1}) {
        if (i == 0 || i + 1 >= n)
            continue;
        error = std::max(error, std::sqrt(squaredDistance(p[i], p[i - 1], p[i + 1])));
    }
    const double slack = std::max(error, least);
    return std::sqrt(best) < d - slack;
}

} // namespace plotwright::curve
