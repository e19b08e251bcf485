// The core's time for the curve the Python benchmark samples: 1,000,001 points of a
// y = f(x) curve, fixed steps. python_sample_bench.py runs this program and compares.
#include "plotwright/curve.h"

#include <benchmark/benchmark.h>

namespace {

plotwright::CurveDefinition benchCurve()
{
    plotwright::CurveDefinition curve;
    curve.kind = plotwright::CurveKind::explicitCartesian;
    curve.expressionY = L"sin(x/1000)*100+x/50";
    curve.createdBy = 2;
    plotwright::Parameter x;
    x.name = L"x";
    x.role = plotwright::ParameterRole::runningVariable;
    x.minValue = 0;
    x.maxValue = 100000;
    x.increment = 0.1;
    curve.parameters.push_back(x);
    return curve;
}

void coreSampleMillion(benchmark::State& state)
{
    const plotwright::CurveDefinition curve = benchCurve();
    for (auto _ : state) {
        plotwright::Samples samples = plotwright::sample(curve);
        benchmark::DoNotOptimize(samples.points.data());
    }
}
BENCHMARK(coreSampleMillion)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
