// Object snap under a moving cursor in a large drawing: a curve of 1,000,000 segments
// and 1,000 circles. "index" is the snap engine's grid index; "scan" tests every part
// against the cursor, the baseline of the ratio. Building the index is measured apart
// (it runs once per point request).
#include <benchmark/benchmark.h>

#include "editor/snap_engine.h"

#include <algorithm>
#include <cmath>
#include <optional>

using namespace plotwright::editor::snap;

namespace {

constexpr double kPi = 3.14159265358979323846;

Geometry bigDrawing()
{
    Geometry g;
    const int n = 1'000'000;
    for (int i = 0; i < n; ++i) {
        const double t0 = i * 0.001, t1 = (i + 1) * 0.001;
        g.segments.push_back({{t0, 50 * std::sin(t0 / 7)}, {t1, 50 * std::sin(t1 / 7)}});
    }
    for (int i = 0; i < 1000; ++i)
        g.arcs.push_back({{i * 1.0, 0}, 0.4, 0, 2 * kPi});
    return g;
}

const Geometry& drawing()
{
    static const Geometry g = bigDrawing();
    return g;
}

// The cursor walks along the curve as a hand would, a little off it.
Point cursorAt(std::size_t step)
{
    const double x = static_cast<double>(step % 997) * 1.003;
    return {x, 50 * std::sin(x / 7) + 0.02};
}

// Every part's nearest point against the cursor: what a search without an index does.
std::optional<Point> scan(const Geometry& g, Point c, double aperture)
{
    std::optional<Point> best;
    double bestD = aperture;
    for (const Segment& s : g.segments) {
        const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y, l2 = dx * dx + dy * dy;
        double t = l2 > 0 ? ((c.x - s.a.x) * dx + (c.y - s.a.y) * dy) / l2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const Point p{s.a.x + t * dx, s.a.y + t * dy};
        const double d = std::hypot(p.x - c.x, p.y - c.y);
        if (d <= bestD) {
            bestD = d;
            best = p;
        }
    }
    for (const Arc& a : g.arcs) {
        const double d = std::abs(std::hypot(c.x - a.c.x, c.y - a.c.y) - a.r);
        if (d <= bestD) {
            bestD = d;
            best = c;
        }
    }
    return best;
}

void BM_snap_index(benchmark::State& state)
{
    const Index index(drawing());
    std::size_t step = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(index.find(cursorAt(step++), 0.05));
}
BENCHMARK(BM_snap_index)->Unit(benchmark::kMicrosecond);

void BM_snap_scan(benchmark::State& state)
{
    const Geometry& g = drawing();
    std::size_t step = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(scan(g, cursorAt(step++), 0.05));
}
BENCHMARK(BM_snap_scan)->Unit(benchmark::kMicrosecond);

void BM_snap_build_index(benchmark::State& state)
{
    for (auto _ : state) {
        Index index(drawing());
        benchmark::DoNotOptimize(index.geometry().segments.data());
    }
}
BENCHMARK(BM_snap_build_index)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
