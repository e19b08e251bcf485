// Rendering the largest real drawing of the corpus (tests/data/real), in the process,
// without the start of a program: reading it and making its SVG picture, as
// `plotwright render` does, and the PNG picture drawn from that SVG at its own size as
// the command-line tool's rasteriser draws it.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

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

void renderLargestPng(benchmark::State& state)
{
    for (auto _ : state) {
        const std::string svg = svgOfLargest(state);
        QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
        QImage image(renderer.defaultSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        benchmark::DoNotOptimize(bytes.size());
    }
    state.SetLabel(std::filesystem::path(largestDrawing()).filename().string());
}

} // namespace

BENCHMARK(renderLargestSvg)->Unit(benchmark::kMillisecond);
BENCHMARK(renderLargestPng)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
