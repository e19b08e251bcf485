// Rendering the largest real drawing of the corpus (tests/data/real), in the process,
// without the start of a program: reading it and making its SVG picture, as
// `plotwright render` does, and also its PNG picture by the command-line tool's own
// rasteriser.
#include <benchmark/benchmark.h>


#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <string>

#include "db/database.h"
#include "dxf/file.h"
#include "render/svg_picture.h"

namespace {

// The largest .dxf file of the corpus, so that the benchmark follows the corpus.
const std::string& largestDrawing()
{
    static const std::string path = [] {
        std::filesystem::path largest;
        std::uintmax_t size = 0;
        for (const auto& entry : std::filesystem::directory_iterator(PLOTWRIGHT_TEST_DATA "/real")) {
            if (entry.path().extension() != ".dxf" || entry.file_size() <= size)
                continue;
            size = entry.file_size();
            largest = entry.path();
        }
        return largest.string();
    }();
    return path;
}

std::string svgOfLargest(benchmark::State& state)
{
    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(largestDrawing(), db);
    if (!read.ok()) {
        state.SkipWithError(read.message.c_str());
        return {};
    }
    return plotwright::db::svgPicture(*db);
}

void renderLargestSvg(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(svgOfLargest(state));
    state.SetLabel(std::filesystem::path(largestDrawing()).filename().string());
}

// The command-line tool's rasteriser: its own module, loaded as the tool loads it.
using PngOfSvg = int (*)(const char* svg, std::size_t size, std::string* png);
PngOfSvg rasteriser()
{
    static void* const module = dlopen(PLOTWRIGHT_PNG_MODULE, RTLD_NOW | RTLD_LOCAL);
    return module ? reinterpret_cast<PngOfSvg>(dlsym(module, "plotwrightPngOfSvg")) : nullptr;
}

void renderLargestPng(benchmark::State& state)
{
    const PngOfSvg png = rasteriser();
    if (!png) {
        state.SkipWithError("the PNG module could not be loaded");
        return;
    }
    for (auto _ : state) {
        const std::string svg = svgOfLargest(state);
        std::string bytes;
        if (png(svg.data(), svg.size(), &bytes) != 0)
            state.SkipWithError("the picture could not be made");
        benchmark::DoNotOptimize(bytes.size());
    }
    state.SetLabel(std::filesystem::path(largestDrawing()).filename().string());
}

} // namespace

BENCHMARK(renderLargestSvg)->Unit(benchmark::kMillisecond);
BENCHMARK(renderLargestPng)->Unit(benchmark::kMillisecond);
