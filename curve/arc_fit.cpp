#include "curve/arc_fit.h"

#include "curve/adaptive_sampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

class Fitter {
public:
    Fitter(const CurvePoints& points, double tolerance) : p_(points), tol_(tolerance) {}

    // Whether the arc from point i along `tangent` to point j stays within the tolerance of
    // the points between them and of the middles of the chords.
    bool fits(std::size_t i, Vec tangent, std::size_t j) const
    {
        const Arc arc(p_[i], tangent, p_[j]);
        if (std::fabs(arc.alpha) > std::numbers::pi / 2)
            return false;   // more than a half circle: not what the points mean
        for (std::size_t k = i; k < j; ++k) {
            if (k > i && arc.distance(p_[k]) > tol_)
                return false;
            if (arc.distance(middle(p_[k], p_[k + 1])) > tol_)
                return false;
        }
        return true;
    }

    // The farthest j > i the arc from i along `tangent` reaches; i when not even i + 1.
    std::size_t reach(std::size_t i, Vec tangent) const
    {
        const std::size_t last = p_.size() - 1;
        if (!fits(i, tangent, i + 1))
            return i;
        std::size_t good = i + 1;
        std::size_t step = 1;
        std::size_t bad = last + 1;
        while (good < last) {
            const std::size_t probe = std::min(last, good + step);
            if (!fits(i, tangent, probe)) {
                bad = probe;
                break;
            }
            good = probe;
            step *= 2;
        }
        while (bad - good > 1) {
            const std::size_t probe = good + (bad - good) / 2;
            (fits(i, tangent, probe) ? good : bad) = probe;
        }
        return good;
    }

    Vec freshTangent(std::size_t i) const
    {
        if (i + 2 < p_.size())
            return circleTangent(p_[i], p_[i + 1], p_[i + 2]);
        return unit(sub(p_[i + 1], p_[i]));
    }

private:
    const CurvePoints& p_;
    double tol_;
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

    const Fitter fitter(points, tolerance);
    std::size_t i = 0;
    Vec tangent = fitter.freshTangent(0);
    while (i + 1 < points.size()) {
        std::size_t j = fitter.reach(i, tangent);
        if (j == i) {
            // A corner: the tangent carried over does not fit; start afresh.
            tangent = fitter.freshTangent(i);
            j = fitter.reach(i, tangent);
            if (j == i) {
                tangent = unit(sub(points[i + 1], points[i]));
                j = i + 1;
            }
        }
        const Arc arc(points[i], tangent, points[j]);
        out.points.push_back(points[i]);
        out.bulges.push_back(arc.straight() ? 0.0 : arc.bulge());
        tangent = unit(arc.endTangent(tangent));
        i = j;
    }
    if (!dense.closed) {
        out.points.push_back(points.back());
        out.bulges.push_back(0.0);
    }
    return out;
}

} // namespace plotwright::curve
