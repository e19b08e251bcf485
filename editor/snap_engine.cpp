#include "editor/snap_engine.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plotwright::editor::snap {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// A query looks at no more parts than this for intersections: near a dense curve the
// pairs would otherwise grow with the square of what lies under the cursor.
constexpr std::size_t kMostIntersecting = 256;

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
Point at(const Arc& arc, double angle) { return {arc.c.x + arc.r * std::cos(angle), arc.c.y + arc.r * std::sin(angle)}; }

// Whether the direction `angle` lies on the arc.
bool onArc(const Arc& arc, double angle)
{
    if (arc.isCircle())
        return true;
    const double from = arc.sweep > 0 ? angle - arc.start : arc.start - angle;
    double d = std::fmod(from, kTwoPi);
    if (d < 0)
        d += kTwoPi;
    const double span = std::abs(arc.sweep);
    return d <= span + 1e-12 || d >= kTwoPi - 1e-12;
}

Point nearestOnSegment(const Segment& s, Point p)
{
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const double length2 = dx * dx + dy * dy;
    if (!(length2 > 0))
        return s.a;
    const double t = std::clamp(((p.x - s.a.x) * dx + (p.y - s.a.y) * dy) / length2, 0.0, 1.0);
    return {s.a.x + t * dx, s.a.y + t * dy};
}

Point nearestOnArc(const Arc& arc, Point p)
{
    if (p.x == arc.c.x && p.y == arc.c.y)
        return at(arc, arc.start);
    const double angle = std::atan2(p.y - arc.c.y, p.x - arc.c.x);
    if (onArc(arc, angle))
        return at(arc, angle);
    const Point a = at(arc, arc.start), b = at(arc, arc.start + arc.sweep);
    return distance(a, p) <= distance(b, p) ? a : b;
}

void segmentSegment(const Segment& s, const Segment& t, std::vector<Point>& out)
{
    const double rx = s.b.x - s.a.x, ry = s.b.y - s.a.y;
    const double sx = t.b.x - t.a.x, sy = t.b.y - t.a.y;
    const double denominator = rx * sy - ry * sx;
    if (denominator == 0)
        return;  // parallel: a shared end is an endpoint snap already
    const double qx = t.a.x - s.a.x, qy = t.a.y - s.a.y;
    const double u = (qx * sy - qy * sx) / denominator;
    const double v = (qx * ry - qy * rx) / denominator;
    constexpr double slack = 1e-9;
    if (u >= -slack && u <= 1 + slack && v >= -slack && v <= 1 + slack)
        out.push_back({s.a.x + u * rx, s.a.y + u * ry});
}

void segmentArc(const Segment& s, const Arc& arc, std::vector<Point>& out)
{
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const double fx = s.a.x - arc.c.x, fy = s.a.y - arc.c.y;
    const double a = dx * dx + dy * dy, b = 2 * (fx * dx + fy * dy), c = fx * fx + fy * fy - arc.r * arc.r;
    if (!(a > 0))
        return;
    const double disc = b * b - 4 * a * c;
    if (disc < 0)
        return;
    const double root = std::sqrt(disc);
    for (const double t : {(-b - root) / (2 * a), (-b + root) / (2 * a)}) {
        if (t < -1e-9 || t > 1 + 1e-9)
            continue;
        const Point p{s.a.x + t * dx, s.a.y + t * dy};
        if (onArc(arc, std::atan2(p.y - arc.c.y, p.x - arc.c.x)))
            out.push_back(p);
        if (disc == 0)
            break;
    }
}

void arcArc(const Arc& p, const Arc& q, std::vector<Point>& out)
{
    const double d = distance(p.c, q.c);
    if (!(d > 0) || d > p.r + q.r || d < std::abs(p.r - q.r))
        return;
    const double a = (p.r * p.r - q.r * q.r + d * d) / (2 * d);
    const double h = std::sqrt(std::max(0.0, p.r * p.r - a * a));
    const double ex = (q.c.x - p.c.x) / d, ey = (q.c.y - p.c.y) / d;
    const Point m{p.c.x + a * ex, p.c.y + a * ey};
    for (const double sign : {1.0, -1.0}) {
        const Point x{m.x - sign * h * ey, m.y + sign * h * ex};
        if (onArc(p, std::atan2(x.y - p.c.y, x.x - p.c.x)) && onArc(q, std::atan2(x.y - q.c.y, x.x - q.c.x)))
            out.push_back(x);
        if (h == 0)
            break;
    }
}

struct Box {
    double x0, y0, x1, y1;
};
Box boxOf(const Segment& s)
{
    return {std::min(s.a.x, s.b.x), std::min(s.a.y, s.b.y), std::max(s.a.x, s.b.x), std::max(s.a.y, s.b.y)};
}
Box boxOf(const Arc& a) { return {a.c.x - a.r, a.c.y - a.r, a.c.x + a.r, a.c.y + a.r}; }

} // namespace

bool Arc::isCircle() const { return std::abs(sweep) >= kTwoPi - 1e-12; }

const char* kindName(Kind kind)
{
    switch (kind) {
    case Kind::Endpoint:
        return "Endpoint";
    case Kind::Midpoint:
        return "Midpoint";
    case Kind::Center:
        return "Centre";
    case Kind::Quadrant:
        return "Quadrant";
    case Kind::Intersection:
        return "Intersection";
    case Kind::Nearest:
        return "Nearest";
    }
    return "";
}

Index::Index(Geometry geometry) : geometry_(std::move(geometry))
{
    const std::size_t count = geometry_.segments.size() + geometry_.arcs.size();
    if (count == 0)
        return;
    Box all{INFINITY, INFINITY, -INFINITY, -INFINITY};
    const auto grow = [&](const Box& b) {
        all = {std::min(all.x0, b.x0), std::min(all.y0, b.y0), std::max(all.x1, b.x1), std::max(all.y1, b.y1)};
    };
    for (const Segment& s : geometry_.segments)
        grow(boxOf(s));
    for (const Arc& a : geometry_.arcs)
        grow(boxOf(a));
    // About one part a cell, at most 512 cells a side.
    const int side = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(count))), 1, 512);
    const double extent = std::max({all.x1 - all.x0, all.y1 - all.y0, 1e-300});
    cell_ = extent / side;
    x0_ = all.x0;
    y0_ = all.y0;
    columns_ = std::max(1, static_cast<int>(std::ceil((all.x1 - all.x0) / cell_)) + 1);
    rows_ = std::max(1, static_cast<int>(std::ceil((all.y1 - all.y0) / cell_)) + 1);
    cells_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), {});
    const auto put = [&](const Box& b, Part part) {
        const int c0 = std::clamp(static_cast<int>((b.x0 - x0_) / cell_), 0, columns_ - 1);
        const int c1 = std::clamp(static_cast<int>((b.x1 - x0_) / cell_), 0, columns_ - 1);
        const int r0 = std::clamp(static_cast<int>((b.y0 - y0_) / cell_), 0, rows_ - 1);
        const int r1 = std::clamp(static_cast<int>((b.y1 - y0_) / cell_), 0, rows_ - 1);
        if ((c1 - c0 + 1) * (r1 - r0 + 1) > 1024) {
            everywhere_.push_back(part);
            return;
        }
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                cells_[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(c)]
                    .push_back(part);
    };
    for (std::size_t i = 0; i < geometry_.segments.size(); ++i)
        put(boxOf(geometry_.segments[i]), {false, static_cast<std::uint32_t>(i)});
    for (std::size_t i = 0; i < geometry_.arcs.size(); ++i)
        put(boxOf(geometry_.arcs[i]), {true, static_cast<std::uint32_t>(i)});
    seen_.assign(count, 0);
}

void Index::parts(Point lo, Point hi, std::vector<Part>& out) const
{
    if (cells_.empty() || hi.x < x0_ || hi.y < y0_ || lo.x > x0_ + columns_ * cell_ || lo.y > y0_ + rows_ * cell_)
        return;
    if (++stamp_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        stamp_ = 1;
    }
    const int c0 = std::clamp(static_cast<int>((lo.x - x0_) / cell_), 0, columns_ - 1);
    const int c1 = std::clamp(static_cast<int>((hi.x - x0_) / cell_), 0, columns_ - 1);
    const int r0 = std::clamp(static_cast<int>((lo.y - y0_) / cell_), 0, rows_ - 1);
    const int r1 = std::clamp(static_cast<int>((hi.y - y0_) / cell_), 0, rows_ - 1);
    const std::size_t arcsFrom = geometry_.segments.size();
    out.insert(out.end(), everywhere_.begin(), everywhere_.end());
    for (const Part& part : everywhere_)
        seen_[part.arc ? arcsFrom + part.index : part.index] = stamp_;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            for (const Part& part : cells_[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns_) +
                                           static_cast<std::size_t>(c)]) {
                std::uint32_t& mark = seen_[part.arc ? arcsFrom + part.index : part.index];
                if (mark == stamp_)
                    continue;
                mark = stamp_;
                out.push_back(part);
            }
}

std::optional<Snap> Index::find(Point cursor, double aperture, unsigned kinds) const
{
    if (!(aperture > 0) || !std::isfinite(cursor.x) || !std::isfinite(cursor.y))
        return std::nullopt;
    std::vector<Part> near;
    parts({cursor.x - aperture, cursor.y - aperture}, {cursor.x + aperture, cursor.y + aperture}, near);

    std::optional<Snap> best;
    double bestDistance = aperture;
    // Nearer wins; at the same place the kind listed first (an endpoint before the
    // intersection of the two segments that share it).
    const auto offer = [&](Point p, Kind kind) {
        if (!(kinds & bit(kind)))
            return;
        const double d = distance(p, cursor);
        if (d > aperture)
            return;
        if (!best || d < bestDistance - 1e-12 * aperture ||
            (d <= bestDistance + 1e-12 * aperture && kind < best->kind)) {
            best = Snap{p, kind};
            bestDistance = d;
        }
    };

    std::vector<Part> touching;  // the parts that pass within the aperture
    for (const Part& part : near) {
        if (part.arc) {
            const Arc& a = geometry_.arcs[part.index];
            offer(a.c, Kind::Center);
            if (distance(nearestOnArc(a, cursor), cursor) > aperture)
                continue;
            touching.push_back(part);
            if (!a.isCircle()) {
                offer(at(a, a.start), Kind::Endpoint);
                offer(at(a, a.start + a.sweep), Kind::Endpoint);
                offer(at(a, a.start + a.sweep / 2), Kind::Midpoint);
            }
            for (int q = 0; q < 4; ++q) {
                const double angle = q * std::numbers::pi / 2;
                if (onArc(a, angle))
                    offer(at(a, angle), Kind::Quadrant);
            }
        } else {
            const Segment& s = geometry_.segments[part.index];
            if (distance(nearestOnSegment(s, cursor), cursor) > aperture)
                continue;
            touching.push_back(part);
            offer(s.a, Kind::Endpoint);
            offer(s.b, Kind::Endpoint);
            offer({(s.a.x + s.b.x) / 2, (s.a.y + s.b.y) / 2}, Kind::Midpoint);
        }
    }
    if ((kinds & bit(Kind::Intersection)) && touching.size() <= kMostIntersecting) {
        std::vector<Point> crossings;
        for (std::size_t i = 0; i < touching.size(); ++i)
            for (std::size_t j = i + 1; j < touching.size(); ++j) {
                const Part p = touching[i], q = touching[j];
                if (!p.arc && !q.arc)
                    segmentSegment(geometry_.segments[p.index], geometry_.segments[q.index], crossings);
                else if (!p.arc)
                    segmentArc(geometry_.segments[p.index], geometry_.arcs[q.index], crossings);
                else if (!q.arc)
                    segmentArc(geometry_.segments[q.index], geometry_.arcs[p.index], crossings);
                else
                    arcArc(geometry_.arcs[p.index], geometry_.arcs[q.index], crossings);
            }
        for (const Point& x : crossings)
            offer(x, Kind::Intersection);
    }
    if (best || !(kinds & bit(Kind::Nearest)))
        return best;
    for (const Part& part : touching) {
        const Point p = part.arc ? nearestOnArc(geometry_.arcs[part.index], cursor)
                                 : nearestOnSegment(geometry_.segments[part.index], cursor);
        offer(p, Kind::Nearest);
    }
    return best;
}

Point gridPoint(Point p, double spacing)
{
    if (!(spacing > 0) || !std::isfinite(spacing))
        return p;
    return {std::round(p.x / spacing) * spacing, std::round(p.y / spacing) * spacing};
}

Point orthoPoint(Point base, Point cursor)
{
    return std::abs(cursor.x - base.x) >= std::abs(cursor.y - base.y) ? Point{cursor.x, base.y}
                                                                       : Point{base.x, cursor.y};
}

} // namespace plotwright::editor::snap
