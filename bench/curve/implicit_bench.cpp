// Implicit curves: ten concentric circles cos(hypot(x, y)) = 0 (radii pi/2 + k*pi) in a
// window of 1,000 x 1,000 cells, traced within a tolerance, against marching squares.
// Counters: `vertices` (traced), `marching` (the vertices of a marching-squares polyline
// whose vertices and chord midpoints keep the same tolerance, on the coarsest square grid
// that does, found by search), and `ratio` = marching / vertices (above 1: tracing needs
// fewer). Marching squares times the grid it needs in BM_MarchingSquares.
#include "curve/curve_sampler.h"
#include "model/equation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace plotwright::curve;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHalf = 10 * kPi;       // the window is [-kHalf, kHalf] on both axes
constexpr double kTolerance = 1e-3;
constexpr int kCells = 1000;

double field(double x, double y) { return std::cos(std::hypot(x, y)); }

// The distance of (x, y) from the nearest circle of radius pi/2 + k*pi.
double error(double x, double y)
{
    const double r = std::hypot(x, y) - kPi / 2;
    return std::fabs(r - kPi * std::round(r / kPi));
}

CEquation circles()
{
    CEquation e;
    e.SetType(ImplicitCurve);
    e.SetEquationY(L"cos(hypot(x,y))");
    e.SetWindow({-kHalf, kHalf, -kHalf, kHalf, kCells, 0});
    return e;
}

struct Marching {
    std::size_t vertices = 0;
    double worst = 0;   // the largest error of a vertex or a chord midpoint
};

// Marching squares on n x n cells: a vertex on every edge whose ends differ in sign (by
// linear interpolation), a chord between the two (or, at a saddle, four) vertices of each
// cell. Vertices are counted once per edge, as a polyline joining the chords holds them.
Marching marchingSquares(int n, bool measure)
{
    const double h = 2 * kHalf / n;
    std::vector<double> v(static_cast<std::size_t>(n + 1) * (n + 1));
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            v[static_cast<std::size_t>(j) * (n + 1) + i] = field(-kHalf + i * h, -kHalf + j * h);
    const auto at = [&](int i, int j) { return v[static_cast<std::size_t>(j) * (n + 1) + i]; };
    Marching out;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const double c[4] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
            const double px[4] = {-kHalf + i * h, -kHalf + (i + 1) * h, -kHalf + (i + 1) * h, -kHalf + i * h};
            const double py[4] = {-kHalf + j * h, -kHalf + j * h, -kHalf + (j + 1) * h, -kHalf + (j + 1) * h};
            double ex[4], ey[4];
            int count = 0;
            for (int k = 0; k < 4; ++k) {
                const int m = (k + 1) % 4;
                if ((c[k] > 0) == (c[m] > 0))
                    continue;
                const double s = c[k] / (c[k] - c[m]);
                ex[count] = px[k] + s * (px[m] - px[k]);
                ey[count] = py[k] + s * (py[m] - py[k]);
                ++count;
            }
            // Bottom and left edges belong to this cell; the others to its neighbours.
            out.vertices += ((c[0] > 0) != (c[1] > 0)) + ((c[3] > 0) != (c[0] > 0));
            if (!measure)
                continue;
            for (int k = 0; k + 1 < count; k += 2) {
                out.worst = std::max({out.worst, error(ex[k], ey[k]), error(ex[k + 1], ey[k + 1]),
                                      error((ex[k] + ex[k + 1]) / 2, (ey[k] + ey[k + 1]) / 2)});
            }
        }
    }
    return out;
}

// The coarsest grid whose marching squares keep the tolerance.
int marchingCells()
{
    int n = 250;
    while (marchingSquares(n, true).worst > kTolerance)
        n = n * 5 / 4;
    int lo = n * 4 / 5, hi = n;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        (marchingSquares(mid, true).worst > kTolerance ? lo : hi) = mid;
    }
    return hi;
}

void BM_ImplicitTenCircles(benchmark::State& state)
{
    const CEquation e = circles();
    SampleOptions options;
    options.tolerance = kTolerance;
    std::size_t vertices = 0;
    std::size_t evaluations = 0;
    for (auto _ : state) {
        const SampleResult result = sampleCurve(e, {}, options);
        evaluations = result.evaluations;
        vertices = 0;
        for (const CurvePoint& p : result.points)
            vertices += std::isfinite(p.x);
        benchmark::DoNotOptimize(result.points.data());
    }
    static const int cells = marchingCells();
    const std::size_t marching = marchingSquares(cells, false).vertices;
    state.counters["vertices"] = static_cast<double>(vertices);
    state.counters["evaluations"] = static_cast<double>(evaluations);
    state.counters["marching"] = static_cast<double>(marching);
    state.counters["marchingCells"] = cells;
    state.counters["ratio"] = static_cast<double>(marching) / static_cast<double>(vertices);
}
BENCHMARK(BM_ImplicitTenCircles)->Unit(benchmark::kMillisecond);

// Marching squares, compiled C++ rather than an expression, on the grid it needs.
void BM_MarchingSquares(benchmark::State& state)
{
    static const int cells = marchingCells();
    for (auto _ : state)
        benchmark::DoNotOptimize(marchingSquares(cells, false).vertices);
    state.counters["cells"] = cells;
}
BENCHMARK(BM_MarchingSquares)->Unit(benchmark::kMillisecond);

} // namespace
