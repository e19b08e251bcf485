// A hatch's boundary as closed rings, and its pattern lines clipped to them.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "db/database.h"
#include "render/tessellator.h"

namespace plotwright::db::detail {

namespace {

constexpr double kPi = std::numbers::pi;

using Ring = std::vector<AcGePoint2d>;

// The points of one edge in the direction the file gives it.
Ring edgePoints(const AcDbHatchEdge& e, double tolerance)
{
    Ring points;
    switch (e.type) {
    case AcDbHatchEdge::Type::kLine:
        points = {e.start, e.end};
        break;
    case AcDbHatchEdge::Type::kArc:
    case AcDbHatchEdge::Type::kEllipse: {
        // Clockwise edges store their angles mirrored. An elliptic edge stores angles
        // seen from the centre, not parameters: a point at angle a lies at the parameter
        // atan2(sin a / ratio, cos a).
        const bool ellipse = e.type == AcDbHatchEdge::Type::kEllipse;
        const auto parameter = [&](double angle) {
            return ellipse && e.ratio > 0 ? std::atan2(std::sin(angle) / e.ratio, std::cos(angle)) : angle;
        };
        const double dir = e.counterClockwise ? 1.0 : -1.0;
        const double start = dir * parameter(e.startAngle);
        double sweep = e.endAngle - e.startAngle;
        if (!std::isfinite(sweep))
            break;
        if (ellipse && std::abs(sweep) < 2 * kPi - 1e-12)
            sweep = parameter(e.endAngle) - parameter(e.startAngle);
        sweep = std::fmod(sweep, 2 * kPi);
        if (sweep <= 0)
            sweep += 2 * kPi;
        sweep *= dir;
        const double major = ellipse ? std::hypot(e.majorAxis.x, e.majorAxis.y) : e.radius;
        const AcGePoint2d ux = ellipse ? e.majorAxis : AcGePoint2d{e.radius, 0};
        const AcGePoint2d uy = ellipse ? AcGePoint2d{-e.majorAxis.y * e.ratio, e.majorAxis.x * e.ratio}
                                       : AcGePoint2d{0, e.radius};
        const int chords = arcChords(major, sweep, tolerance);
        for (int k = 0; k <= chords; ++k) {
            const double t = start + sweep * k / chords;
            const double c = std::cos(t), s = std::sin(t);
            points.push_back({e.center.x + ux.x * c + uy.x * s, e.center.y + ux.y * c + uy.y * s});
        }
        break;
    }
    case AcDbHatchEdge::Type::kSpline: {
        std::vector<AcGePoint3d> cps;
        for (const AcGePoint2d& p : e.controlPoints)
            cps.push_back({p.x, p.y, 0});
        const auto flat = flattenNurbs(e.degree, e.knots, cps, e.weights, tolerance);
        for (const AcGePoint3d& p : flat.empty() ? cps : flat)
            points.push_back({p.x, p.y});
        break;
    }
    }
    return points;
}

} // namespace

std::vector<std::vector<AcGePoint2d>> hatchRings(const AcDbHatchLoop& loop, double tolerance)
{
    std::vector<Ring> rings;
    if (loop.isPolyline) {
        Ring ring;
        const std::size_t n = loop.points.size();
        for (std::size_t i = 0; i < n; ++i) {
            const AcGePoint2d& a = loop.points[i];
            ring.push_back(a);
            const double bulge = loop.bulges.size() == n ? loop.bulges[i] : 0.0;
            const BulgeArc arcOf = bulgeArc(a, loop.points[(i + 1) % n], bulge);
            if (arcOf.isArc && n > 1) {
                const int chords = arcChords(arcOf.r, arcOf.sweep, tolerance);
                for (int k = 1; k < chords; ++k) {
                    const double t = arcOf.start + arcOf.sweep * k / chords;
                    ring.push_back({arcOf.cx + arcOf.r * std::cos(t), arcOf.cy + arcOf.r * std::sin(t)});
                }
            }
        }
        rings.push_back(std::move(ring));
        return rings;
    }
    // Edges need not follow each other head to tail: programs list them in any order of
    // direction. Each is joined to the ring where one of its ends meets one of the
    // ring's, turned round as needed; an edge that meets neither starts a new ring
    // when the last one is closed, and is joined by a straight line otherwise.
    std::vector<Ring> pieces;
    double size = 0;
    for (const AcDbHatchEdge& e : loop.edges) {
        Ring piece = edgePoints(e, tolerance);
        for (const AcGePoint2d& p : piece)
            size = std::max({size, std::abs(p.x), std::abs(p.y)});
        if (!piece.empty())
            pieces.push_back(std::move(piece));
    }
    const double near = std::max(size * 1e-9, 1e-12);
    const auto meets = [near](const AcGePoint2d& a, const AcGePoint2d& b) {
        return std::abs(a.x - b.x) <= near && std::abs(a.y - b.y) <= near;
    };
    Ring ring;
    for (Ring& piece : pieces) {
        if (ring.empty()) {
            ring = std::move(piece);
        } else if (meets(ring.back(), piece.front())) {
            ring.insert(ring.end(), piece.begin() + 1, piece.end());
        } else if (meets(ring.back(), piece.back())) {
            ring.insert(ring.end(), piece.rbegin() + 1, piece.rend());
        } else if (meets(ring.front(), piece.back())) {
            piece.insert(piece.end(), ring.begin() + 1, ring.end());
            ring = std::move(piece);
        } else if (meets(ring.front(), piece.front())) {
            std::reverse(ring.begin(), ring.end());
            ring.insert(ring.end(), piece.begin() + 1, piece.end());
        } else if (ring.size() > 2 && meets(ring.front(), ring.back())) {
            rings.push_back(std::move(ring));
            ring = std::move(piece);
        } else {
            ring.insert(ring.end(), piece.begin(), piece.end());
        }
    }
    if (!ring.empty())
        rings.push_back(std::move(ring));
    return rings;
}

bool patternLines(const std::vector<std::vector<AcGePoint2d>>& rings, const AcDbHatchPatternLine& line,
                  std::size_t budget, const std::function<void(const AcGePoint2d&, const AcGePoint2d&)>& dash)
{
    const double ux = std::cos(line.angle), uy = std::sin(line.angle);
    // Lines of the family lie `spacing` apart, measured along the normal (-uy, ux).
    const double spacing = -uy * line.offset.x + ux * line.offset.y;
    const double shift = ux * line.offset.x + uy * line.offset.y;
    if (!(std::abs(spacing) > 0) || !std::isfinite(spacing) || !std::isfinite(shift))
        return false;
    double lo = INFINITY, hi = -INFINITY;
    for (const auto& ring : rings) {
        for (const AcGePoint2d& p : ring) {
            const double d = (-uy * (p.x - line.base.x) + ux * (p.y - line.base.y)) / spacing;
            lo = std::min(lo, d), hi = std::max(hi, d);
        }
    }
    if (!(lo <= hi))
        return true;
    const double first = std::ceil(lo), last = std::floor(hi);
    if (last - first + 1 > double(budget))
        return false;
    double period = 0;
    for (double d : line.dashes)
        period += std::abs(d);
    const bool solid = line.dashes.empty() || !(period > 0) || !std::isfinite(period);
    std::vector<double> cuts;
    for (double k = first; k <= last; ++k) {
        // Where the line k crosses the rings, as distances along it from its origin.
        const double ox = line.base.x + line.offset.x * k, oy = line.base.y + line.offset.y * k;
        cuts.clear();
        for (const auto& ring : rings) {
            const std::size_t n = ring.size();
            for (std::size_t i = 0; i < n; ++i) {
                const AcGePoint2d& a = ring[i];
                const AcGePoint2d& b = ring[(i + 1) % n];
                const double sa = -uy * (a.x - ox) + ux * (a.y - oy);
                const double sb = -uy * (b.x - ox) + ux * (b.y - oy);
                // Half-open, so that a vertex on the line counts once.
                if ((sa > 0) == (sb > 0))
                    continue;
                const double f = sa / (sa - sb);
                const double x = a.x + (b.x - a.x) * f, y = a.y + (b.y - a.y) * f;
                cuts.push_back((x - ox) * ux + (y - oy) * uy);
            }
        }
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t i = 0; i + 1 < cuts.size(); i += 2) {
            const double t0 = cuts[i], t1 = cuts[i + 1];
            const auto at = [&](double t) { return AcGePoint2d{ox + ux * t, oy + uy * t}; };
            if (solid) {
                dash(at(t0), at(t1));
                continue;
            }
            // The dashes repeat from the line's origin.
            double t = std::floor(t0 / period) * period;
            if (double((t1 - t) / period) * double(line.dashes.size()) > double(budget))
                return false;
            while (t < t1) {
                for (double d : line.dashes) {
                    const double end = t + std::abs(d);
                    if (d >= 0 && end >= t0 && t <= t1)
                        dash(at(std::max(t, t0)), at(std::min(end, t1)));
                    t = end;
                    if (t >= t1)
                        break;
                }
            }
        }
    }
    return true;
}

} // namespace plotwright::db::detail
