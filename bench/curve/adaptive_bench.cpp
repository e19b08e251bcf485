// Adaptive sampling and fitted output against the best fixed step. Each benchmark
// reports vertex counts as counters: `adaptive` (or `arcs`), `fixed` (the fewest
// vertices a uniform step needs to stay within the same tolerance, found by search
// against the closed form), and `ratio` = fixed / adaptive (above 1: adaptive needs fewer).
#include "curve/curve_pieces.h"
#include "curve/curve_shape.h"
#include "model/default_library.h"
#include "model/equation.h"
#include "model/equation_list.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

using namespace plotwright::curve;

namespace {

using Truth = std::function<CurvePoint(double)>;

constexpr double kPi = std::numbers::pi;

CEquation makeCurve(int type, const wchar_t* y, const wchar_t* x, double start, double end, double step)
{
    CEquation e;
    e.SetType(type);
    e.SetEquationY(y);
    e.SetEquationX(x);
    e.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"t", .type = RunningVariable, .increment = step, .minValue = start, .maxValue = end}));
    return e;
}

CEquation library(const wchar_t* name)
{
    CEquationList list;
    list.LoadFromXml(DefaultLibraryText());
    return *list.FindEquation(name);
}

double segmentDistance(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double l2 = dx * dx + dy * dy;
    const double s = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - a.x - s * dx, p.y - a.y - s * dy);
}

// Whether n equal steps over [start, end] keep every chord within `tolerance` of the
// curve, checked at 32 points inside each step.
bool fixedMeets(const Truth& f, double start, double end, std::size_t n, double tolerance)
{
    const double h = (end - start) / static_cast<double>(n);
    CurvePoint a = f(start);
    for (std::size_t i = 1; i <= n; ++i) {
        const double t0 = start + h * static_cast<double>(i - 1);
        const CurvePoint b = f(i == n ? end : start + h * static_cast<double>(i));
        for (int k = 1; k < 32; ++k)
            if (segmentDistance(f(t0 + h * k / 32), a, b) > tolerance)
                return false;
        a = b;
    }
    return true;
}

// The fewest vertices (steps + 1) of a uniform step within the tolerance.
std::size_t bestFixedVertices(const Truth& f, double start, double end, double tolerance)
{
    std::size_t lo = 1, hi = 2;
    while (!fixedMeets(f, start, end, hi, tolerance))
        lo = hi, hi *= 2;
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        (fixedMeets(f, start, end, mid, tolerance) ? hi : lo) = mid;
    }
    return hi + 1;
}

std::size_t vertices(const std::vector<CurvePiece>& pieces)
{
    std::size_t n = 0;
    for (const CurvePiece& p : pieces)
        n += p.points.size() + (p.closed ? 1 : 0);   // a closed piece's return counts as a vertex
    return n;
}

struct Case {
    CEquation equation;
    Truth truth;
    double start, end;
    double toleranceShare;   // of the extent; 0: use `tolerance`
    double tolerance;
};

double extentOf(const Truth& f, double start, double end)
{
    CurvePoints dense;
    for (int i = 0; i <= 100'000; ++i)
        dense.push_back(f(start + (end - start) * i / 100'000));
    return curveExtent(dense);
}

void adaptiveVsFixed(benchmark::State& state, Case c, CurveOutput output)
{
    const double tolerance = c.toleranceShare > 0 ? c.toleranceShare * extentOf(c.truth, c.start, c.end) : c.tolerance;
    CurveOptions options;
    options.tolerance = tolerance;
    options.output = output;
    std::size_t evaluations = 0;
    std::size_t count = 0;
    bool capped = false;
    for (auto _ : state) {
        ShapedCurve shaped = shapeCurve(c.equation, {}, options);
        evaluations += shaped.sampled.evaluations;
        count = vertices(shaped.pieces);
        capped = shaped.sampled.refinementCapped;
        benchmark::DoNotOptimize(shaped.pieces.data());
    }
    const std::size_t fixed = bestFixedVertices(c.truth, c.start, c.end, tolerance);
    state.counters[output == CurveOutput::Arcs ? "arcs" : "adaptive"] = static_cast<double>(count);
    state.counters["fixed"] = static_cast<double>(fixed);
    state.counters["ratio"] = static_cast<double>(fixed) / static_cast<double>(count);
    state.counters["capped"] = capped ? 1 : 0;
    state.counters["evaluations"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
}

const double a = 10, b = 10, kEnd = 6.28319;

Case cycloid()
{
    return {library(L"Cycloid"), [](double t) { return CurvePoint{a * (t - std::sin(t)), a * (1 - std::cos(t)), 0}; },
            0, kEnd, 1e-5, 0};
}
Case deltoid()
{
    return {library(L"Deltoid"),
            [](double t) {
                return CurvePoint{2 * b * std::cos(t) + b * std::cos(2 * t), 2 * b * std::sin(t) - b * std::sin(2 * t), 0};
            },
            0, kEnd, 1e-5, 0};
}
Case epicycloid(double share)
{
    return {library(L"Epicycloid"),
            [](double t) {
                return CurvePoint{(a + b) * std::cos(t) - b * std::cos((a + b) / b * t),
                                  (a + b) * std::sin(t) - b * std::sin((a + b) / b * t), 0};
            },
            0, kEnd, share, 0};
}
Case sextic()
{
    return {library(L"Cayley's Sextic"),
            [](double t) {
                const double r = 4 * a * std::pow(std::cos(t / 3), 3);
                return CurvePoint{r * std::cos(t), r * std::sin(t), 0};
            },
            0, kEnd, 1e-5, 0};
}
Case reciprocal()
{
    return {makeCurve(ExplicitCartesian, L"1/t", L"", 0.01, 10, 9.99 / 16),
            [](double t) { return CurvePoint{t, 1 / t, 0}; }, 0.01, 10, 0, 1e-3};
}
Case logSpiral()
{
    const double end = 10 * kPi;
    return {makeCurve(ExplicitPolar, L"exp(0.2*t)", L"", 0, end, end / 16),
            [](double t) { return CurvePoint{std::exp(0.2 * t) * std::cos(t), std::exp(0.2 * t) * std::sin(t), 0}; }, 0,
            end, 0, 1e-3};
}
Case eighth()
{
    return {makeCurve(ExplicitCartesian, L"t^8", L"", -1, 1, 2.0 / 16),
            [](double t) { return CurvePoint{t, std::pow(t, 8), 0}; }, -1, 1, 0, 1e-3};
}

BENCHMARK_CAPTURE(adaptiveVsFixed, Cycloid, cycloid(), CurveOutput::Polyline)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(adaptiveVsFixed, Deltoid, deltoid(), CurveOutput::Polyline)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(adaptiveVsFixed, Epicycloid, epicycloid(1e-5), CurveOutput::Polyline)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(adaptiveVsFixed, CayleysSextic, sextic(), CurveOutput::Polyline)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(adaptiveVsFixed, Reciprocal, reciprocal(), CurveOutput::Polyline)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(adaptiveVsFixed, LogSpiral, logSpiral(), CurveOutput::Polyline)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(adaptiveVsFixed, XPow8, eighth(), CurveOutput::Polyline)->Unit(benchmark::kMillisecond);
// Arcs against chords: compare `arcs` here with `adaptive` of the chord rows below.
BENCHMARK_CAPTURE(adaptiveVsFixed, EpicycloidArcs1e3, epicycloid(1e-3), CurveOutput::Arcs)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(adaptiveVsFixed, EpicycloidChords1e3, epicycloid(1e-3), CurveOutput::Polyline)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(adaptiveVsFixed, EpicycloidArcs1e5, epicycloid(1e-5), CurveOutput::Arcs)->Unit(benchmark::kMillisecond);

// Adaptive sampling alone (no fitting): expression evaluations per second on the
// Epicycloid at 1e-7 of its extent.
void adaptiveEvaluationRate(benchmark::State& state)
{
    const Case c = epicycloid(1e-7);
    SampleOptions options;
    options.tolerance = 1e-7 * extentOf(c.truth, c.start, c.end);
    std::size_t evaluations = 0;
    for (auto _ : state) {
        SampleResult result = sampleCurve(c.equation, {}, options);
        evaluations += result.evaluations;
        benchmark::DoNotOptimize(result.points.data());
    }
    state.counters["evaluations"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
}
BENCHMARK(adaptiveEvaluationRate)->Unit(benchmark::kMillisecond);

// An Archimedean spiral of 100 turns at 1e-6 of its extent: time, and `capped` must be 0.
void spiral100(benchmark::State& state)
{
    const double end = 200 * kPi;
    const CEquation spiral = makeCurve(ExplicitPolar, L"t", L"", 0, end, 0.1);
    CurveOptions options;
    options.tolerance = 1e-6 * 2 * end;
    std::size_t count = 0;
    std::size_t evaluations = 0;
    bool capped = false;
    for (auto _ : state) {
        ShapedCurve shaped = shapeCurve(spiral, {}, options);
        count = vertices(shaped.pieces);
        evaluations += shaped.sampled.evaluations;
        capped = shaped.sampled.refinementCapped;
    }
    state.counters["adaptive"] = static_cast<double>(count);
    state.counters["capped"] = capped ? 1 : 0;
    state.counters["evaluations"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
}
BENCHMARK(spiral100)->Unit(benchmark::kMillisecond);

} // namespace
