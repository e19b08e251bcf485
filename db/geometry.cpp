#include "db/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plotwright::db::detail {

Xform Xform::operator*(const Xform& inner) const
{
    Xform r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            double v = j == 3 ? m[i][3] : 0.0;
            for (int k = 0; k < 3; ++k)
                v += m[i][k] * inner.m[k][j];
            r.m[i][j] = v;
        }
    }
    return r;
}

double Xform::maxScale() const
{
    double best = 0.0;
    for (int j = 0; j < 3; ++j)
        best = std::max(best, std::hypot(m[0][j], m[1][j], m[2][j]));
    return best;
}

Xform Xform::translation(double x, double y, double z)
{
    Xform r;
    r.m[0][3] = x;
    r.m[1][3] = y;
    r.m[2][3] = z;
    return r;
}

Xform Xform::scaling(double x, double y, double z)
{
    Xform r;
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    return r;
}

Xform Xform::rotationZ(double angle)
{
    Xform r;
    const double c = std::cos(angle), s = std::sin(angle);
    r.m[0][0] = c;
    r.m[0][1] = -s;
    r.m[1][0] = s;
    r.m[1][1] = c;
    return r;
}

AcGeVector3d cross(const AcGeVector3d& a, const AcGeVector3d& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double length(const AcGeVector3d& v) { return std::hypot(v.x, v.y, v.z); }

bool finite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

Xform Xform::ocs(const AcGeVector3d& normal)
{
    const double len = length(normal);
    if (!(len > 0) || !std::isfinite(len) || (normal.x == 0 && normal.y == 0 && normal.z > 0))
        return {};
    const AcGeVector3d n{normal.x / len, normal.y / len, normal.z / len};
    // Arbitrary-axis rule: near the z axis the x axis comes from the world y axis.
    const bool nearZ = std::abs(n.x) < 1.0 / 64 && std::abs(n.y) < 1.0 / 64;
    AcGeVector3d ax = nearZ ? cross({0, 1, 0}, n) : cross({0, 0, 1}, n);
    const double axLen = length(ax);
    ax = {ax.x / axLen, ax.y / axLen, ax.z / axLen};
    const AcGeVector3d ay = cross(n, ax);
    Xform r;
    const AcGeVector3d cols[3] = {ax, ay, n};
    for (int j = 0; j < 3; ++j) {
        r.m[0][j] = cols[j].x;
        r.m[1][j] = cols[j].y;
        r.m[2][j] = cols[j].z;
    }
    return r;
}

int arcChords(double radius, double sweep, double tolerance)
{
    radius = std::abs(radius);
    sweep = std::abs(sweep);
    if (!(radius > 0) || !std::isfinite(radius) || !std::isfinite(sweep))
        return 2;
    if (!(tolerance > 0))
        tolerance = radius * 1e-3;
    // A chord of angle a stays within r (1 - cos(a/2)) of the arc.
    const double ratio = std::min(tolerance / radius, 1.0);
    const double step = 2 * std::acos(1 - ratio);
    const double n = step > 0 ? std::ceil(sweep / step) : 4096;
    return static_cast<int>(std::clamp(n, 2.0, 4096.0));
}

namespace {

struct Homogeneous {
    double x, y, z, w;
};

// De Boor's algorithm on the span `span` (knots[span] <= t < knots[span + 1]).
AcGePoint3d deBoor(int degree, int span, double t, const std::vector<double>& knots, const std::vector<Homogeneous>& cp,
                   std::vector<Homogeneous>& d)
{
    d.assign(cp.begin() + (span - degree), cp.begin() + span + 1);
    for (int r = 1; r <= degree; ++r) {
        for (int j = degree; j >= r; --j) {
            const int i = span - degree + j;
            const double denom = knots[static_cast<std::size_t>(i + degree - r + 1)] - knots[static_cast<std::size_t>(i)];
            const double a = denom > 0 ? (t - knots[static_cast<std::size_t>(i)]) / denom : 0.0;
            Homogeneous& p = d[static_cast<std::size_t>(j)];
            const Homogeneous& q = d[static_cast<std::size_t>(j - 1)];
            p = {(1 - a) * q.x + a * p.x, (1 - a) * q.y + a * p.y, (1 - a) * q.z + a * p.z, (1 - a) * q.w + a * p.w};
        }
    }
    const Homogeneous& h = d[static_cast<std::size_t>(degree)];
    return h.w != 0 ? AcGePoint3d{h.x / h.w, h.y / h.w, h.z / h.w} : AcGePoint3d{h.x, h.y, h.z};
}

double distanceToChord(const AcGePoint3d& p, const AcGePoint3d& a, const AcGePoint3d& b)
{
    const AcGeVector3d ab{b.x - a.x, b.y - a.y, b.z - a.z};
    const AcGeVector3d ap{p.x - a.x, p.y - a.y, p.z - a.z};
    const double l = length(ab);
    if (!(l > 0))
        return length(ap);
    return length(cross(ab, ap)) / l;
}

} // namespace

std::vector<AcGePoint3d> flattenNurbs(int degree, const std::vector<double>& knots,
                                      const std::vector<AcGePoint3d>& controlPoints,
                                      const std::vector<double>& weights, double tolerance)
{
    const std::size_t n = controlPoints.size();
    if (degree < 1 || degree > 15 || n < static_cast<std::size_t>(degree) + 1 ||
        knots.size() != n + static_cast<std::size_t>(degree) + 1)
        return {};
    for (std::size_t i = 0; i < knots.size(); ++i) {
        if (!std::isfinite(knots[i]) || (i > 0 && knots[i] < knots[i - 1]))
            return {};
    }
    const bool rational = weights.size() == n;
    std::vector<Homogeneous> cp(n);
    double minX = controlPoints[0].x, maxX = minX, minY = controlPoints[0].y, maxY = minY;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = rational ? weights[i] : 1.0;
        if (!(w > 0) || !std::isfinite(w))
            return {};
        const AcGePoint3d& p = controlPoints[i];
        cp[i] = {p.x * w, p.y * w, p.z * w, w};
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    if (!(tolerance > 0))
        tolerance = std::max(std::hypot(maxX - minX, maxY - minY), 1e-12) * 1e-3;

    std::vector<Homogeneous> scratch;
    std::vector<AcGePoint3d> out;
    const int p = degree;
    const int last = static_cast<int>(n) - 1;
    bool first = true;
    for (int span = p; span <= last; ++span) {
        const double t0 = knots[static_cast<std::size_t>(span)], t1 = knots[static_cast<std::size_t>(span + 1)];
        if (!(t1 > t0))
            continue;
        const auto eval = [&](double t) { return deBoor(p, span, t, knots, cp, scratch); };
        AcGePoint3d a = eval(t0);
        if (first) {
            out.push_back(a);
            first = false;
        }
        // Subdivide the span where the curve leaves the chord; the stack holds parameters
        // still to reach. At least 4 pieces per span, so a bend between samples is seen.
        struct Piece {
            double t;
            AcGePoint3d p;
            int depth;
        };
        std::vector<Piece> stack;
        constexpr int kStart = 4;
        for (int k = kStart; k >= 1; --k) {
            const double t = t0 + (t1 - t0) * k / kStart;
            stack.push_back({t, eval(t), 2});
        }
        double ta = t0;
        while (!stack.empty()) {
            const Piece b = stack.back();
            const double tm = (ta + b.t) / 2;
            const AcGePoint3d m = eval(tm);
            if (b.depth < 14 && distanceToChord(m, a, b.p) > tolerance) {
                stack.push_back({tm, m, b.depth + 1});
                stack[stack.size() - 2].depth = b.depth + 1;
                continue;
            }
            stack.pop_back();
            out.push_back(b.p);
            a = b.p;
            ta = b.t;
        }
    }
    return out;
}

std::vector<AcGePoint3d> throughPoints(const std::vector<AcGePoint3d>& points, bool closed)
{
    const std::size_t n = points.size();
    if (n < 3)
        return points;
    constexpr int kSteps = 16;
    std::vector<AcGePoint3d> out;
    const std::size_t segments = closed ? n : n - 1;
    const auto at = [&](std::ptrdiff_t i) {
        const auto count = static_cast<std::ptrdiff_t>(n);
        if (closed)
            return points[static_cast<std::size_t>(((i % count) + count) % count)];
        return points[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, count - 1))];
    };
    out.push_back(points[0]);
    for (std::size_t s = 0; s < segments; ++s) {
        const auto i = static_cast<std::ptrdiff_t>(s);
        const AcGePoint3d p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        for (int k = 1; k <= kSteps; ++k) {
            const double t = double(k) / kSteps, t2 = t * t, t3 = t2 * t;
            const auto blend = [&](double a, double b, double c, double d) {
                return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
            };
            out.push_back({blend(p0.x, p1.x, p2.x, p3.x), blend(p0.y, p1.y, p2.y, p3.y), blend(p0.z, p1.z, p2.z, p3.z)});
        }
    }
    return out;
}

} // namespace plotwright::db::detail
