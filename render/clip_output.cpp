#include "db/database.h"
#include "render/tessellator.h"

#include <algorithm>
#include <cmath>

namespace plotwright::db::detail {
namespace {

// Where segment a-b crosses segment c-d, as the parameter along a-b; false when it
// does not (parallel segments never count).
bool crossing(const AcGePoint3d& a, const AcGePoint3d& b, const AcGePoint2d& c, const AcGePoint2d& d, double& t)
{
    const double rx = b.x - a.x, ry = b.y - a.y, sx = d.x - c.x, sy = d.y - c.y;
    const double den = rx * sy - ry * sx;
    if (den == 0 || !std::isfinite(den))
        return false;
    const double qx = c.x - a.x, qy = c.y - a.y;
    t = (qx * sy - qy * sx) / den;
    const double u = (qx * ry - qy * rx) / den;
    return t > 0 && t < 1 && u >= 0 && u <= 1;
}

AcGePoint3d between(const AcGePoint3d& a, const AcGePoint3d& b, double t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

// Twice the signed area: positive when counter-clockwise.
double signedArea(const std::vector<AcGePoint2d>& ring)
{
    double a = 0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        a += ring[j].x * ring[i].y - ring[i].x * ring[j].y;
    return a;
}

} // namespace

ClippedOutput::ClippedOutput(Output& target, std::vector<AcGePoint2d> boundary)
    : target_(target), boundary_(std::move(boundary))
{
    if (boundary_.size() >= 3 && signedArea(boundary_) < 0)
        std::reverse(boundary_.begin(), boundary_.end());
}

bool ClippedOutput::inside(double x, double y) const
{
    // Even-odd: a point on the boundary counts as either.
    bool in = false;
    for (std::size_t i = 0, j = boundary_.size() - 1; i < boundary_.size(); j = i++) {
        const AcGePoint2d& a = boundary_[i];
        const AcGePoint2d& b = boundary_[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

void ClippedOutput::begin(Type type, ShownColor color)
{
    type_ = type;
    color_ = color;
    points_.clear();
    rings_.clear();
}

void ClippedOutput::vertex(const AcGePoint3d& p) { points_.push_back(p); }

void ClippedOutput::ring()
{
    if (!points_.empty())
        rings_.push_back(points_.size());
}

void ClippedOutput::end(bool closed)
{
    if (boundary_.size() < 3)
        return;
    switch (type_) {
    case Type::kStroke: stroke(closed); break;
    case Type::kFill: fill(); break;
    case Type::kMarker:
        if (!points_.empty() && inside(points_[0].x, points_[0].y)) {
            target_.begin(type_, color_);
            target_.vertex(points_[0]);
            target_.end(false);
        }
        break;
    default:  // endless lines: their clipped part would need the view; left out
        break;
    }
}

void ClippedOutput::stroke(bool closed)
{
    std::vector<AcGePoint3d> points = points_;
    if (closed && points.size() > 2)
        points.push_back(points.front());
    // Each segment split where it crosses the boundary; the pieces inside are drawn,
    // joined while they follow on from each other.
    bool open = false;
    const auto close = [&] {
        if (open)
            target_.end(false);
        open = false;
    };
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        const AcGePoint3d& a = points[k];
        const AcGePoint3d& b = points[k + 1];
        std::vector<double> cuts{0.0, 1.0};
        for (std::size_t i = 0, j = boundary_.size() - 1; i < boundary_.size(); j = i++) {
            double t = 0;
            if (crossing(a, b, boundary_[j], boundary_[i], t))
                cuts.push_back(t);
        }
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
            const AcGePoint3d mid = between(a, b, (cuts[c] + cuts[c + 1]) / 2);
            if (!inside(mid.x, mid.y)) {
                close();
                continue;
            }
            if (!open) {
                target_.begin(Type::kStroke, color_);
                target_.vertex(between(a, b, cuts[c]));
                open = true;
            }
            target_.vertex(between(a, b, cuts[c + 1]));
        }
    }
    close();
}

void ClippedOutput::fill()
{
    // Each ring cut by every edge of the boundary in turn: exact for convex boundaries
    // (rectangles, the usual case), close for others.
    std::vector<std::vector<AcGePoint3d>> rings;
    std::size_t from = 0;
    for (std::size_t r = 0; r <= rings_.size(); ++r) {
        const std::size_t to = r < rings_.size() ? rings_[r] : points_.size();
        std::vector<AcGePoint3d> ring(points_.begin() + long(from), points_.begin() + long(to));
        from = to;
        for (std::size_t i = 0, j = boundary_.size() - 1; i < boundary_.size() && !ring.empty(); j = i++) {
            const AcGePoint2d& e0 = boundary_[j];
            const AcGePoint2d& e1 = boundary_[i];
            const auto left = [&](const AcGePoint3d& p) {
                return (e1.x - e0.x) * (p.y - e0.y) - (e1.y - e0.y) * (p.x - e0.x) >= 0;
            };
            std::vector<AcGePoint3d> kept;
            for (std::size_t k = 0; k < ring.size(); ++k) {
                const AcGePoint3d& p = ring[k];
                const AcGePoint3d& q = ring[(k + 1) % ring.size()];
                const bool pin = left(p), qin = left(q);
                if (pin)
                    kept.push_back(p);
                if (pin != qin) {
                    const double dp = (e1.x - e0.x) * (p.y - e0.y) - (e1.y - e0.y) * (p.x - e0.x);
                    const double dq = (e1.x - e0.x) * (q.y - e0.y) - (e1.y - e0.y) * (q.x - e0.x);
                    kept.push_back(between(p, q, dp / (dp - dq)));
                }
            }
            ring = std::move(kept);
        }
        if (ring.size() >= 3)
            rings.push_back(std::move(ring));
    }
    if (rings.empty())
        return;
    target_.begin(Type::kFill, color_);
    for (std::size_t r = 0; r < rings.size(); ++r) {
        if (r > 0)
            target_.ring();
        for (const AcGePoint3d& p : rings[r])
            target_.vertex(p);
    }
    target_.end(true);
}

void ClippedOutput::text(const AcGePoint3d& anchor, std::shared_ptr<const DisplayText> text, ShownColor color)
{
    if (inside(anchor.x, anchor.y))
        target_.text(anchor, std::move(text), color);
}

} // namespace plotwright::db::detail
