#include "curve/spline_fit.h"

#include "curve/adaptive_sampler.h"
#include "base/spline_basis.h"

#include <algorithm>
#include <cmath>

namespace plotwright::curve {
namespace {

constexpr int kDegree = 3;

// In three dimensions, for space curves; a planar run's z is set to 0 again at the end
// (a product with a negative number would leave -0 there).
CurvePoint operator+(CurvePoint a, CurvePoint b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
CurvePoint operator-(CurvePoint a, CurvePoint b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
CurvePoint operator*(double s, CurvePoint a) { return {s * a.x, s * a.y, s * a.z}; }
double distance(CurvePoint a, CurvePoint b) { return std::hypot(std::hypot(a.x - b.x, a.y - b.y), a.z - b.z); }

// The knot span holding u: knots[span] <= u < knots[span + 1], the last span for the end.
std::size_t findSpan(const std::vector<double>& knots, std::size_t controlCount, double u)
{
    const std::size_t n = controlCount - 1;
    if (u >= knots[n + 1])
        return n;
    const auto it = std::upper_bound(knots.begin() + kDegree, knots.begin() + static_cast<std::ptrdiff_t>(n + 1), u);
    return static_cast<std::size_t>(it - knots.begin()) - 1;
}

// Chord-length parameters of `points` in [0, 1].
std::vector<double> chordParameters(const CurvePoints& points)
{
    std::vector<double> u(points.size(), 0.0);
    for (std::size_t i = 1; i < points.size(); ++i)
        u[i] = u[i - 1] + distance(points[i], points[i - 1]);
    const double total = u.back();
    for (double& v : u)
        v = total > 0 ? v / total : 0;
    if (total <= 0)
        for (std::size_t i = 0; i < u.size(); ++i)
            u[i] = static_cast<double>(i) / static_cast<double>(u.size() - 1);
    u.back() = 1;
    return u;
}

// The derivative at point i of the parabola through it and its neighbours (one-sided at
// the ends), per unit of the parameters u.
CurvePoint derivativeAt(const CurvePoints& p, const std::vector<double>& u, std::size_t i)
{
    const std::size_t n = p.size() - 1;
    if (n == 1)
        return (1.0 / (u[1] - u[0])) * (p[1] - p[0]);
    // Three points around i; at an end the three nearest.
    const std::size_t a = i == 0 ? 0 : i == n ? n - 2 : i - 1;
    const double u0 = u[a], u1 = u[a + 1], u2 = u[a + 2];
    const double t = u[i];
    // Derivative of the Lagrange parabola through (u0,p0), (u1,p1), (u2,p2) at t.
    const double d0 = ((t - u1) + (t - u2)) / ((u0 - u1) * (u0 - u2));
    const double d1 = ((t - u0) + (t - u2)) / ((u1 - u0) * (u1 - u2));
    const double d2 = ((t - u0) + (t - u1)) / ((u2 - u0) * (u2 - u1));
    return d0 * p[a] + d1 * p[a + 1] + d2 * p[a + 2];
}

} // namespace

SplineData interpolateSpline(const CurvePoints& fit, CurvePoint startDerivative, CurvePoint endDerivative)
{
    SplineData s;
    s.fitPoints = fit;
    const std::size_t n = fit.size() - 1;
    const std::vector<double> u = chordParameters(fit);
    s.knots.assign(kDegree + 1, 0.0);
    for (std::size_t i = 1; i < n; ++i)
        s.knots.push_back(u[i]);
    s.knots.insert(s.knots.end(), kDegree + 1, 1.0);

    // Control points P0 .. P(n+2): the ends and their neighbours follow from the end
    // derivatives; the rest from interpolating the inner fit points, a tridiagonal system.
    std::vector<CurvePoint> p(n + 3);
    p[0] = fit[0];
    p[1] = fit[0] + (u[1] / 3) * startDerivative;
    p[n + 2] = fit[n];
    p[n + 1] = fit[n] - ((1 - u[n - 1]) / 3) * endDerivative;
    if (n >= 2) {
        // Row i (1 .. n-1): N_i(u_i) P_i + N_{i+1}(u_i) P_{i+1} + N_{i+2}(u_i) P_{i+2} = Q_i,
        // unknowns P_2 .. P_n.
        const std::size_t m = n - 1;
        std::vector<double> lower(m), diag(m), upper(m);
        std::vector<CurvePoint> rhs(m);
        for (std::size_t i = 1; i <= m; ++i) {
            double b[kDegree + 1];
            base::cubicBasis(s.knots, i + kDegree, u[i], b);
            lower[i - 1] = b[0];
            diag[i - 1] = b[1];
            upper[i - 1] = b[2];
            rhs[i - 1] = fit[i];
        }
        rhs[0] = rhs[0] - lower[0] * p[1];
        rhs[m - 1] = rhs[m - 1] - upper[m - 1] * p[n + 1];
        // Thomas algorithm; the matrix is diagonally dominant for these knots.
        for (std::size_t k = 1; k < m; ++k) {
            const double w = lower[k] / diag[k - 1];
            diag[k] -= w * upper[k - 1];
            rhs[k] = rhs[k] - w * rhs[k - 1];
        }
        p[m + 1] = (1.0 / diag[m - 1]) * rhs[m - 1];
        for (std::size_t k = m - 1; k-- > 0;)
            p[k + 2] = (1.0 / diag[k]) * (rhs[k] - upper[k] * p[k + 3]);
    }
    s.controlPoints = std::move(p);
    return s;
}

CurvePoint splinePoint(const SplineData& spline, double u)
{
    const std::size_t span = findSpan(spline.knots, spline.controlPoints.size(), u);
    double b[kDegree + 1];
    base::cubicBasis(spline.knots, span, u, b);
    CurvePoint point;
    for (int j = 0; j <= kDegree; ++j)
        point = point + b[j] * spline.controlPoints[span - kDegree + static_cast<std::size_t>(j)];
    return point;
}

CurvePiece fitSpline(const CurvePiece& dense, double tolerance)
{
    CurvePoints points = dense.points;
    if (dense.closed && !points.empty())
        points.push_back(points.front());
    if (points.size() < 2)
        return dense;

    // Arc length along the dense run gives each dense point its place between two fit points.
    std::vector<double> along(points.size(), 0.0);
    for (std::size_t i = 1; i < points.size(); ++i)
        along[i] = along[i - 1] + distance(points[i], points[i - 1]);

    const std::vector<double> denseU = chordParameters(points);
    CurvePoint startDerivative = derivativeAt(points, denseU, 0);
    CurvePoint endDerivative = derivativeAt(points, denseU, points.size() - 1);
    if (dense.closed) {
        // One tangent where the ends meet: through the neighbours on either side.
        const std::size_t n = points.size() - 1;
        const CurvePoint across = (1.0 / (denseU[1] + 1 - denseU[n - 1])) * (points[1] - points[n - 1]);
        startDerivative = endDerivative = across;
    }

    // Start with every eighth point, then add the middle of every span that strays.
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < points.size(); i += 8)
        chosen.push_back(i);
    if (chosen.back() != points.size() - 1)
        chosen.push_back(points.size() - 1);

    SplineData spline;
    for (int round = 0; round < 64; ++round) {
        CurvePoints fit;
        for (std::size_t i : chosen)
            fit.push_back(points[i]);
        // The end derivatives are per unit of the dense run's chord parameter; the fit's
        // parameter runs over its own, shorter, chord length.
        double fitLength = 0;
        for (std::size_t k = 1; k < fit.size(); ++k)
            fitLength += distance(fit[k], fit[k - 1]);
        const double scale = along.back() > 0 ? fitLength / along.back() : 1.0;
        spline = interpolateSpline(fit, scale * startDerivative, scale * endDerivative);
        const std::vector<double>& u = spline.knots;   // fit parameters sit in the knots
        std::vector<double> fitU(chosen.size());
        fitU.front() = 0;
        fitU.back() = 1;
        for (std::size_t k = 1; k + 1 < chosen.size(); ++k)
            fitU[k] = u[k + kDegree];

        std::vector<std::size_t> next;
        bool strays = false;
        for (std::size_t k = 0; k + 1 < chosen.size(); ++k) {
            next.push_back(chosen[k]);
            const std::size_t a = chosen[k];
            const std::size_t b = chosen[k + 1];
            const double length = along[b] - along[a];
            // Each dense point against the spline at the matching share of the span (an
            // upper bound of its distance), and the spline between against the chord.
            double worst = 0;
            const auto at = [&](double s) { return fitU[k] + (fitU[k + 1] - fitU[k]) * (s - along[a]) / length; };
            for (std::size_t i = a; i < b && length > 0; ++i) {
                if (i > a)
                    worst = std::max(worst, distance(points[i], splinePoint(spline, at(along[i]))));
                const CurvePoint mid = splinePoint(spline, at((along[i] + along[i + 1]) / 2));
                worst = std::max(worst, distanceToSegment(mid, points[i], points[i + 1]));
            }
            if (worst > tolerance && b - a >= 2) {
                next.push_back(a + (b - a) / 2);
                strays = true;
            }
        }
        next.push_back(chosen.back());
        if (!strays)
            break;
        chosen = std::move(next);
    }

    if (std::all_of(points.begin(), points.end(), [](const CurvePoint& p) { return p.z == 0; }))
        for (CurvePoint& p : spline.controlPoints)
            p.z = 0;
    CurvePiece out;
    out.closed = dense.closed;
    out.space = dense.space;
    out.points = spline.fitPoints;
    out.spline = std::move(spline);
    return out;
}

} // namespace plotwright::curve
