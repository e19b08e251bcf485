// The offset of the library's Epicycloid at 100,000 samples against its plain shaping,
// both timed in the same run: counters `plain_ms`, `offset_ms` and `ratio` = offset /
// plain (the aim: at most 2). The offset takes the same samples, its derivative from
// them, and cuts its loops out at the crossings. The times are the thread's CPU time
// (page faults included), so that other processes on a loaded machine do not skew them.
//
// Each shaping allocates and frees a few megabytes. With the allocator's own settings,
// whether a block comes back from the kernel (zeroed page by page, which costs more
// than the shaping in some virtual machines) depends on what earlier iterations freed:
// the same plain shaping measured 3.8 ms in one benchmark and 13 ms in the next. The
// "MemoryKept" runs, last, keep freed memory mapped for both shapings, so that the
// ratio compares their work.
#include "curve/curve_shape.h"
#include "model/default_library.h"
#include "model/equation.h"
#include "model/equation_list.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>

#include <chrono>
#include <numbers>

using namespace plotwright::curve;

namespace {

CEquation epicycloid100k()
{
    CEquationList list;
    list.LoadFromXml(DefaultLibraryText());
    CEquation e = *list.FindEquation(L"Epicycloid");
    for (const CEquationParameterPtr& p : e.GetParameters())
        if (p->GetType() == RunningVariable) {
            p->SetMinValue(0);
            p->SetMaxValue(2 * std::numbers::pi);
            p->SetIncrement(2 * std::numbers::pi / 99'999);
        }
    return e;
}

std::chrono::nanoseconds cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

double milliseconds(std::chrono::nanoseconds d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void offsetAgainstPlain(benchmark::State& state, double offset, bool keepMemory)
{
    if (keepMemory) {
        // For the rest of the process: these runs come last.
        mallopt(M_MMAP_THRESHOLD, 256 << 20);
        mallopt(M_TRIM_THRESHOLD, 512 << 20);
    }
    const CEquation curve = epicycloid100k();
    CurveOptions plain;
    CurveOptions offsetOptions;
    offsetOptions.offset = offset;
    double plainTotal = 0, offsetTotal = 0;
    std::size_t vertices = 0;
    for (auto _ : state) {
        // Each shape is released before the other is timed, so that both find the same
        // memory free: held, the plain shape's points would make the offset take fresh
        // pages from the system (first-touch faults) that the plain shape never pays.
        {
            const auto t0 = cpuNow();
            ShapedCurve a = shapeCurve(curve, {}, plain, nullptr, KeepSamples::No);
            plainTotal += milliseconds(cpuNow() - t0);
            benchmark::DoNotOptimize(a.pieces.data());
        }
        {
            const auto t0 = cpuNow();
            ShapedCurve b = shapeCurve(curve, {}, offsetOptions, nullptr, KeepSamples::No);
            offsetTotal += milliseconds(cpuNow() - t0);
            benchmark::DoNotOptimize(b.pieces.data());
            vertices = b.pieces.empty() ? 0 : b.pieces.front().points.size();
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["plain_ms"] = plainTotal / n;
    state.counters["offset_ms"] = offsetTotal / n;
    state.counters["ratio"] = offsetTotal / plainTotal;
    state.counters["offset_vertices"] = static_cast<double>(vertices);
}

} // namespace

// The library's Epicycloid (a = b = 10) has one cusp: outside, the offset's two ends cross
// there; inside, a round join goes round it.
BENCHMARK_CAPTURE(offsetAgainstPlain, Outside, -2.0, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(offsetAgainstPlain, Inside, 2.0, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(offsetAgainstPlain, OutsideMemoryKept, -2.0, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(offsetAgainstPlain, InsideMemoryKept, 2.0, true)->Unit(benchmark::kMillisecond);
