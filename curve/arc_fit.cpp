#include "curve/arc_fit.h"

#include "curve/adaptive_sampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace plotwright::curve {
namespace {

struct Vec {
    double x = 0;
    double y = 0;
};

Vec sub(const CurvePoint& a, const CurvePoint& b) { return {a.x - b.x, a.y - b.y}; }
double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double length(Vec v) { return std::hypot(v.x, v.y); }
Vec unit(Vec v)
{
    const double l = length(v);
    return l > 0 ? Vec{v.x / l, v.y / l} : Vec{1, 0};
}
Vec rotate(Vec v, double angle)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return {c * v.x - s * v.y, s * v.x + c * v.y};
}

// Angles this close to 0 make the arc a straight segment.
constexpr double kStraight = 1e-9;

// The arc that leaves `start` along the unit tangent `tangent` and ends at `end`.
// `alpha` is the signed angle from the tangent to the chord; the arc turns by 2 alpha.
struct Arc {
    CurvePoint start;
    CurvePoint end;
    double alpha = 0;
    CurvePoint centre;
    double radius = 0;

    Arc(const CurvePoint& s, Vec tangent, const CurvePoint& e) : start(s), end(e)
    {
        const Vec chord = sub(e, s);
        alpha = std::atan2(cross(tangent, chord), dot(tangent, chord));
        if (std::fabs(alpha) > kStraight) {
            const double signedRadius = length(chord) / (2 * std::sin(alpha));
            centre = {s.x - tangent.y * signedRadius, s.y + tangent.x * signedRadius, 0};
            radius = std::fabs(signedRadius);
        }
    }

    bool straight() const { return std::fabs(alpha) <= kStraight; }

    double distance(const CurvePoint& p) const
    {
        if (straight())
            return distanceToSegment(p, start, end);
        const Vec u = sub(start, centre);
        const Vec v = sub(p, centre);
        // The angle from the start, in the arc's direction of travel, in [0, 2 pi).
        double phi = std::atan2(cross(u, v), dot(u, v)) * (alpha > 0 ? 1 : -1);
        if (phi < 0)
            phi += 2 * std::numbers::pi;
        if (phi <= 2 * std::fabs(alpha))
            return std::fabs(length(v) - radius);
        return std::min(length(sub(p, start)), length(sub(p, end)));
    }

    Vec endTangent(Vec tangent) const { return rotate(tangent, 2 * alpha); }
    double bulge() const { return std::tan(alpha / 2); }
};

CurvePoint middle(const CurvePoint& a, const CurvePoint& b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, 0}; }

// The tangent at `a` of the circle through a, b, c (the chord a-b when they are in line).
Vec circleTangent(const CurvePoint& a, const CurvePoint& b, const CurvePoint& c)
{
    const Vec ab = sub(b, a);
    const Vec ac = sub(c, a);
    // The tangent is perpendicular to the radius through a.
    const double d = 2 * cross(ab, ac);
    if (std::fabs(d) <= 1e-12 * length(ab) * length(ac))
        return unit(ab);
    const double ab2 = dot(ab, ab);
    const double ac2 = dot(ac, ac);
    const Vec centre{(ac.y * ab2 - ab.y * ac2) / d, (ab.x * ac2 - ac.x * ab2) / d};   // relative to a
    Vec tangent{centre.y, -centre.x};   // perpendicular to the radius
    if (dot(tangent, ab) < 0)
        tangent = {-tangent.x, -tangent.y};
    return unit(tangent);
}

// Two arcs from `p0` along `t0` to `p1` arriving along `t1`, meeting with one tangent at
// `junction` (the biarc whose two tangent lengths are equal).
struct Biarc {
    CurvePoint junction;
    Arc first;
    Arc second;
};

std::optional<Biarc> makeBiarc(const CurvePoint& p0, Vec t0, const CurvePoint& p1, Vec t1)
{
    const Vec v = sub(p1, p0);
    const Vec t{t0.x + t1.x, t0.y + t1.y};
    const double vt = dot(v, t);
    const double a = 2 * (1 - dot(t0, t1));
    double d = 0;
    if (a < 1e-12) {
        const double vt1 = dot(v, t1);
        if (vt1 <= 0)
            return std::nullopt;
        d = dot(v, v) / (4 * vt1);
    } else {
        d = (-vt + std::sqrt(vt * vt + a * dot(v, v))) / a;
    }
    if (!(d > 0) || !std::isfinite(d))
        return std::nullopt;
    const CurvePoint junction{(p0.x + d * t0.x + p1.x - d * t1.x) / 2, (p0.y + d * t0.y + p1.y - d * t1.y) / 2, 0};
    const Arc first(p0, t0, junction);
    const Arc second(junction, unit(first.endTangent(t0)), p1);
    return Biarc{junction, first, second};
}

class Fitter {
public:
    Fitter(const CurvePoints& points, double tolerance, bool closed) : p_(points), tol_(tolerance), closed_(closed) {}

    // The curve's direction at point k, from the circle through it and its neighbours
    // (a closed run's ends are neighbours of each other).
    Vec tangentAt(std::size_t k) const
    {
        const std::size_t last = p_.size() - 1;
        if (p_.size() < 3)
            return unit(sub(p_[last], p_[0]));
        if (k == 0 || k == last) {
            if (closed_ && last >= 3)
                return middleTangent(p_[last - 1], p_[0], p_[1]);
            if (k == 0)
                return circleTangent(p_[0], p_[1], p_[2]);
            const Vec back = circleTangent(p_[last], p_[last - 1], p_[last - 2]);
            return {-back.x, -back.y};
        }
        return middleTangent(p_[k - 1], p_[k], p_[k + 1]);
    }

    // The biarc from i to j when it stays within the tolerance of the points between
    // them and of the middles of the chords.
    std::optional<Biarc> fit(std::size_t i, std::size_t j) const
    {
        std::optional<Biarc> biarc = makeBiarc(p_[i], tangentAt(i), p_[j], tangentAt(j));
        if (!biarc)
            return biarc;
        const auto near = [&](const CurvePoint& q) {
            return std::min(biarc->first.distance(q), biarc->second.distance(q)) <= tol_;
        };
        for (const Arc* arc : {&biarc->first, &biarc->second})
            if (std::fabs(arc->alpha) > std::numbers::pi / 2)
                return std::nullopt;   // more than a half circle: not what the points mean
        for (std::size_t k = i; k < j; ++k) {
            if ((k > i && !near(p_[k])) || !near(middle(p_[k], p_[k + 1])))
                return std::nullopt;
        }
        return biarc;
    }

    // The farthest j > i a biarc from i reaches; i when not even i + 1.
    std::size_t reach(std::size_t i) const
    {
        const std::size_t last = p_.size() - 1;
        if (!fit(i, i + 1))
            return i;
        std::size_t good = i + 1;
        std::size_t step = 1;
        std::size_t bad = last + 1;
        while (good < last) {
            const std::size_t probe = std::min(last, good + step);
            if (!fit(i, probe)) {
                bad = probe;
                break;
            }
            good = probe;
            step *= 2;
        }
        while (bad - good > 1) {
            const std::size_t probe = good + (bad - good) / 2;
            (fit(i, probe) ? good : bad) = probe;
        }
        return good;
    }

private:
    static Vec middleTangent(const CurvePoint& a, const CurvePoint& b, const CurvePoint& c)
    {
        // The circle through a, b, c, seen from b: its tangent there runs along c - a.
        const Vec toA = sub(a, b);
        const Vec toC = sub(c, b);
        const double d = 2 * cross(toA, toC);
        const Vec along = unit(sub(c, a));
        if (std::fabs(d) <= 1e-12 * length(toA) * length(toC))
            return along;
        const double a2 = dot(toA, toA);
        const double c2 = dot(toC, toC);
        const Vec centre{(toC.y * a2 - toA.y * c2) / d, (toA.x * c2 - toC.x * a2) / d};   // relative to b
        Vec tangent{-centre.y, centre.x};
        if (dot(tangent, along) < 0)
            tangent = {-tangent.x, -tangent.y};
        return unit(tangent);
    }

    const CurvePoints& p_;
    double tol_;
    bool closed_;
};

} // namespace

CurvePiece fitArcs(const CurvePiece& dense, double tolerance)
{
    CurvePiece out;
    out.closed = dense.closed;
    // A closed run is fitted through its return to the first point.
    CurvePoints points = dense.points;
    if (dense.closed && !points.empty())
        points.push_back(points.front());
    if (points.size() < 3) {
        out.points = dense.points;
        out.bulges.assign(out.points.size(), 0.0);
        return out;
    }

    const Fitter fitter(points, tolerance, dense.closed);
    std::size_t i = 0;
    while (i + 1 < points.size()) {
        const std::size_t j = fitter.reach(i);
        out.points.push_back(points[i]);
        if (j == i) {
            // A corner (a cusp): the chord to the next point.
            out.bulges.push_back(0.0);
            i = i + 1;
            continue;
        }
        const Biarc biarc = *fitter.fit(i, j);
        out.bulges.push_back(biarc.first.straight() ? 0.0 : biarc.first.bulge());
        out.points.push_back(biarc.junction);
        out.bulges.push_back(biarc.second.straight() ? 0.0 : biarc.second.bulge());
        i = j;
    }
    if (!dense.closed) {
        out.points.push_back(points.back());
        out.bulges.push_back(0.0);
    }
    return out;
}

} // namespace plotwright::curve
