// One preview update of the curve dialog (sampling on the worker, then the path and
// extents) for 100,000 samples, against the draw's own sampling of the same curve.
// The update must stay within a frame: 16 ms.
#include "draw/sample_curve.h"
#include "model/equation.h"
#include "ui/curve_preview.h"
#include "ui/preview_sampler.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>

namespace {

constexpr double kEnd = 6.28319;

CEquation deltoid(int samples)
{
    CEquation e;
    e.SetType(ParametricCartesian);
    e.SetEquationY(L"2*b*sin(fi) - b*sin(2*fi)");
    e.SetEquationX(L"2*b*cos(fi) + b*cos(2*fi)");
    e.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"fi", .type = RunningVariable, .increment = kEnd / (samples - 1), .maxValue = kEnd}));
    e.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{.name = L"b", .type = Constant, .value = 10}));
    return e;
}

void BM_PreviewUpdate(benchmark::State& state)
{
    const CEquation curve = deltoid(static_cast<int>(state.range(0)));
    const auto sampler = plotwright::ui::makeDrawSampler();
    const std::atomic<bool> cancelled{false};
    for (auto _ : state) {
        auto shown = CurvePreview::Compose(sampler->sample(curve, cancelled), CurvePreview::MaxDrawnVertices);
        benchmark::DoNotOptimize(shown.path.elementCount());
    }
}
BENCHMARK(BM_PreviewUpdate)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Baseline: the draw's sampler on the same curve.
void BM_DrawSampling(benchmark::State& state)
{
    const CEquation curve = deltoid(static_cast<int>(state.range(0)));
    const ads_point origin = {0, 0, 0};
    for (auto _ : state) {
        const CurvePoints points = SampleCurve(curve, origin);
        benchmark::DoNotOptimize(points.data());
    }
}
BENCHMARK(BM_DrawSampling)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace
