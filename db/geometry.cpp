#include "db/geometry.h"

#include "base/spline_basis.h"

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

namespace {

AcGePoint3d plus(const AcGePoint3d& p, const AcGeVector3d& v, double s)
{
    return {p.x + v.x * s, p.y + v.y * s, p.z + v.z * s};
}

AcGeVector3d minus(const AcGePoint3d& a, const AcGePoint3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
AcGeVector3d asVector(const AcGePoint3d& a) { return {a.x, a.y, a.z}; }

// The derivative (per unit of u) at the end point `i` (0 or the last) of the parabola
// through the three points nearest that end; the chord's for two points.
AcGeVector3d endDerivative(const std::vector<AcGePoint3d>& q, const std::vector<double>& u, std::size_t i)
{
    const std::size_t n = q.size() - 1;
    if (n == 1) {
        const AcGeVector3d d = minus(q[1], q[0]);
        return {d.x / (u[1] - u[0]), d.y / (u[1] - u[0]), d.z / (u[1] - u[0])};
    }
    const std::size_t a = i == 0 ? 0 : n - 2;
    const double u0 = u[a], u1 = u[a + 1], u2 = u[a + 2], t = u[i];
    const double d0 = ((t - u1) + (t - u2)) / ((u0 - u1) * (u0 - u2));
    const double d1 = ((t - u0) + (t - u2)) / ((u1 - u0) * (u1 - u2));
    const double d2 = ((t - u0) + (t - u1)) / ((u2 - u0) * (u2 - u1));
    return {d0 * q[a].x + d1 * q[a + 1].x + d2 * q[a + 2].x, d0 * q[a].y + d1 * q[a + 1].y + d2 * q[a + 2].y,
            d0 * q[a].z + d1 * q[a + 1].z + d2 * q[a + 2].z};
}

} // namespace

std::vector<AcGePoint3d> throughPoints(const std::vector<AcGePoint3d>& points, bool closed,
                                       const AcGeVector3d* startTangent, const AcGeVector3d* endTangent,
                                       double tolerance)
{
    // Repeated points would give knots of no length.
    std::vector<AcGePoint3d> q;
    for (const AcGePoint3d& p : points) {
        if (q.empty() || length(minus(p, q.back())) > 0)
            q.push_back(p);
    }
    if (closed && q.size() > 2 && length(minus(q.front(), q.back())) > 0)
        q.push_back(q.front());
    if (q.size() < 2)
        return q;
    const std::size_t n = q.size() - 1;

    // Chord-length parameters in [0, 1].
    std::vector<double> u(n + 1, 0.0);
    for (std::size_t i = 1; i <= n; ++i)
        u[i] = u[i - 1] + length(minus(q[i], q[i - 1]));
    const double total = u[n];
    if (!(total > 0) || !std::isfinite(total))
        return q;
    for (double& v : u)
        v /= total;
    u[n] = 1;

    // End derivatives: a given tangent's direction at the speed of the chord-length
    // parameter (the whole length per unit); else from the points.
    const auto given = [total](const AcGeVector3d* t, AcGeVector3d& d) {
        const double len = t ? length(*t) : 0.0;
        if (!(len > 0) || !std::isfinite(len))
            return false;
        d = {t->x / len * total, t->y / len * total, t->z / len * total};
        return true;
    };
    AcGeVector3d d0, d1;
    if (closed && n >= 3 && !startTangent && !endTangent) {
        // One tangent where the ends meet, through the neighbours on either side.
        const AcGeVector3d across = minus(q[1], q[n - 1]);
        const double du = u[1] + 1 - u[n - 1];
        d0 = d1 = {across.x / du, across.y / du, across.z / du};
    } else {
        if (!given(startTangent, d0))
            d0 = endDerivative(q, u, 0);
        if (!given(endTangent, d1))
            d1 = endDerivative(q, u, n);
    }

    std::vector<double> knots(4, 0.0);
    for (std::size_t i = 1; i < n; ++i)
        knots.push_back(u[i]);
    knots.insert(knots.end(), 4, 1.0);

    // Control points P0 .. P(n+2): the ends and their neighbours from the end
    // derivatives, the rest from passing through the inner points, a tridiagonal system.
    std::vector<AcGePoint3d> p(n + 3);
    p[0] = q[0];
    p[1] = plus(q[0], d0, u[1] / 3);
    p[n + 2] = q[n];
    p[n + 1] = plus(q[n], d1, -(1 - u[n - 1]) / 3);
    if (n >= 2) {
        const std::size_t m = n - 1;
        std::vector<double> lower(m), diag(m), upper(m);
        std::vector<AcGePoint3d> rhs(q.begin() + 1, q.begin() + static_cast<std::ptrdiff_t>(n));
        for (std::size_t i = 1; i <= m; ++i) {
            double b[4];
            // At the inner knot u[i] only the first three functions are not 0.
            plotwright::base::cubicBasis(knots, i + 3, u[i], b);
            lower[i - 1] = b[0];
            diag[i - 1] = b[1];
            upper[i - 1] = b[2];
        }
        rhs[0] = plus(rhs[0], asVector(p[1]), -lower[0]);
        rhs[m - 1] = plus(rhs[m - 1], asVector(p[n + 1]), -upper[m - 1]);
        // Thomas algorithm: diagonally dominant for chord-length knots.
        for (std::size_t k = 1; k < m; ++k) {
            const double w = lower[k] / diag[k - 1];
            diag[k] -= w * upper[k - 1];
            rhs[k] = plus(rhs[k], asVector(rhs[k - 1]), -w);
        }
        const auto scaled = [](const AcGePoint3d& a, double s) { return AcGePoint3d{a.x * s, a.y * s, a.z * s}; };
        p[m + 1] = scaled(rhs[m - 1], 1 / diag[m - 1]);
        for (std::size_t k = m - 1; k-- > 0;)
            p[k + 2] = scaled(plus(rhs[k], asVector(p[k + 3]), -upper[k]), 1 / diag[k]);
    }
    std::vector<AcGePoint3d> out = flattenNurbs(3, knots, p, {}, tolerance);
    return out.empty() ? q : out;
}

} // namespace plotwright::db::detail
