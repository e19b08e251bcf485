// Saving and reading drawings with one long polyline, the shape of a densely sampled
// curve. Counters: vertices per second, and the process's peak memory per vertex
// after building and saving the drawing (the vertices take 16 bytes each).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "db/database.h"
#include "db/polyline.h"
#include "dxf/file.h"

namespace {

std::string scratchFile(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("plotwright-bench-") + std::to_string(::getpid()) +
                                                      "-" + name))
        .string();
}

// A spiral with coordinates of full precision, so every number takes its longest form.
void appendSpiral(AcDbDatabase& db, unsigned int count)
{
    auto* polyline = new AcDbPolyline(count);
    for (unsigned int i = 0; i < count; ++i) {
        const double t = i * 0.001;
        polyline->addVertexAt(i, {t * std::cos(t), t * std::sin(t)}, 0.0, -1.0, -1.0);
    }
    polyline->minimizeMemory();
    AcDbBlockTable* table = nullptr;
    db.getSymbolTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    table->getAt(L"*Model_Space", model, AcDb::kForWrite);
    table->close();
    model->appendAcDbEntity(polyline);
    polyline->close();
    model->close();
}

double peakRssBytes()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

// Registered first, so the peak memory counter is that of this drawing alone.
void BM_SaveNewDrawing(benchmark::State& state)
{
    const auto count = static_cast<unsigned int>(state.range(0));
    AcDbDatabase db;
    appendSpiral(db, count);
    const std::string path = scratchFile("new.dxf");
    for (auto _ : state) {
        const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(db, path);
        if (!result.ok())
            state.SkipWithError(result.message.c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.counters["peak_rss_per_vertex"] = peakRssBytes() / count;
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveNewDrawing)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ReadDrawing(benchmark::State& state)
{
    const auto count = static_cast<unsigned int>(state.range(0));
    const std::string path = scratchFile("read.dxf");
    {
        AcDbDatabase db;
        appendSpiral(db, count);
        plotwright::dxf::saveDxf(db, path);
    }
    for (auto _ : state) {
        std::unique_ptr<AcDbDatabase> db;
        const plotwright::dxf::DxfResult result = plotwright::dxf::readDxf(path, db);
        if (!result.ok())
            state.SkipWithError(result.message.c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadDrawing)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Drawing a long curve into an existing drawing: the original is copied, the curve added.
void BM_AppendToDrawing(benchmark::State& state)
{
    const auto count = static_cast<unsigned int>(state.range(0));
    const std::string path = scratchFile("append.dxf");
    {
        AcDbDatabase db;
        appendSpiral(db, count);
        plotwright::dxf::saveDxf(db, path);
    }
    std::unique_ptr<AcDbDatabase> db;
    plotwright::dxf::readDxf(path, db);
    appendSpiral(*db, count);
    const std::string out = scratchFile("appended.dxf");
    for (auto _ : state) {
        const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(*db, out);
        if (!result.ok())
            state.SkipWithError(result.message.c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
    std::filesystem::remove(path);
    std::filesystem::remove(out);
}
BENCHMARK(BM_AppendToDrawing)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

} // namespace
