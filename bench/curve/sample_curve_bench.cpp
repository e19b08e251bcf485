// Sampling speed of the four default curves over a million samples each, compiled to
// machine code and interpreted, against the Epicycloid written as plain C++, and the cost
// of the per-sample progress calls.
#include "curve/native_code.h"
#include "draw/sample_curve.h"
#include "host/backend.h"
#include "model/equation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr double kEnd = 6.28319;
constexpr double kStep = kEnd / 1'000'000;   // about a million samples from 0 to kEnd

CEquation makeCurve(int type, const wchar_t* y, const wchar_t* x, const wchar_t* running,
                    std::initializer_list<const wchar_t*> constants)
{
    CEquation e;
    e.SetType(type);
    e.SetEquationY(y);
    e.SetEquationX(x);
    e.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = running, .type = RunningVariable, .defaultMax = kEnd, .increment = kStep, .maxValue = kEnd}));
    for (const wchar_t* name : constants)
        e.AddParameter(std::make_shared<CEquationParameter>(
            ParameterFields{.name = name, .type = Constant, .defaultValue = 1, .value = 10}));
    return e;
}

// The default library's curves, with the range stretched to a million samples.
CEquation cayleysSextic() { return makeCurve(ExplicitPolar, L"4*a*(cos(1/3*th))^3", L"", L"th", {L"a"}); }
CEquation cycloid() { return makeCurve(ParametricCartesian, L"a*(1-cos(t))", L"a*(t-sin(t))", L"t", {L"a"}); }
CEquation deltoid()
{
    return makeCurve(ParametricCartesian, L"2*b*sin(fi) - b*sin(2*fi)", L"2*b*cos(fi) + b*cos(2*fi)", L"fi", {L"b"});
}
CEquation epicycloid()
{
    return makeCurve(ParametricCartesian, L"(a+b)*sin(fi)-b*sin(((a+b)/b)*fi)", L"(a+b)*cos(fi)-b*cos(((a+b)/b)*fi)",
                     L"fi", {L"a", L"b"});
}

void sampleCurve(benchmark::State& state, CEquation (*make)())
{
    const CEquation curve = make();
    const ads_point origin = {1, 2, 0};
    std::size_t samples = 0;
    for (auto _ : state) {
        CurvePoints points = SampleCurve(curve, origin);
        samples += points.size();
        benchmark::DoNotOptimize(points.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(samples));
}

BENCHMARK_CAPTURE(sampleCurve, CayleysSextic, cayleysSextic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sampleCurve, Cycloid, cycloid)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sampleCurve, Deltoid, deltoid)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sampleCurve, Epicycloid, epicycloid)->Unit(benchmark::kMillisecond);

// The same with every expression interpreted by muParser, as before compilation.
void sampleCurveInterpreted(benchmark::State& state, CEquation (*make)())
{
    plotwright::curve::setNativeCodeEnabled(false);
    sampleCurve(state, make);
    plotwright::curve::setNativeCodeEnabled(true);
}

BENCHMARK_CAPTURE(sampleCurveInterpreted, CayleysSextic, cayleysSextic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sampleCurveInterpreted, Cycloid, cycloid)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sampleCurveInterpreted, Deltoid, deltoid)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sampleCurveInterpreted, Epicycloid, epicycloid)->Unit(benchmark::kMillisecond);

// The same Epicycloid, stepping and points as SampleCurve, without parser or editor calls.
void epicycloidPlainCpp(benchmark::State& state)
{
    const double ox = 1;
    const double oy = 2;
    std::size_t samples = 0;
    for (auto _ : state) {
        double a = 10;
        double b = 10;
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        CurvePoints points;
        points.reserve(1'000'001);
        for (double fi = 0; fi <= kEnd; fi = fi + kStep) {
            const double y = (a + b) * std::sin(fi) - b * std::sin(((a + b) / b) * fi);
            const double x = (a + b) * std::cos(fi) - b * std::cos(((a + b) / b) * fi);
            points.push_back({ox + x, oy + y, 0});
        }
        samples += points.size();
        benchmark::DoNotOptimize(points.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(samples));
}
BENCHMARK(epicycloidPlainCpp)->Unit(benchmark::kMillisecond);

// A back-end whose progress calls do as little as a real one must: keep the position.
class CountingBackend : public plotwright::host::Backend {
public:
    void setProgressMeterPos(int position) override
    {
        ++count;
        last = position;
    }
    long count = 0;
    int last = 0;
};

void epicycloidCountingBackend(benchmark::State& state)
{
    CountingBackend counting;
    plotwright::host::ScopedBackend scope(counting);
    sampleCurve(state, epicycloid);
    benchmark::DoNotOptimize(counting.last);
}
BENCHMARK(epicycloidCountingBackend)->Unit(benchmark::kMillisecond);

} // namespace
