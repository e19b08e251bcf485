// The editor's display with large drawings: repaint of a 1,000,000-vertex polyline at
// several zooms, repaint of a 200,000-entity drawing, and opening it (read + display
// list + first paint). Each runs twice: "now" is the editor's display; "before" is the
// display as it was (one QPainterPath per entity, every entity painted at every
// repaint, antialiased), kept here as the baseline of the ratios.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <memory>
#include <string>

#include "db/database.h"
#include "render/display_shapes.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "editor/display_list.h"
#include "editor/display_painter.h"

namespace {

const QSize kView(1280, 800);

// ---- the display as it was ---------------------------------------------------

struct BeforeItem {
    QPainterPath path;
    QColor color;
};

std::vector<BeforeItem> buildBefore(const AcDbDatabase& db)
{
    std::vector<BeforeItem> items;
    for (const plotwright::db::DisplayShape& s : plotwright::db::tessellateModelSpace(db, {})) {
        BeforeItem item;
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            const QPointF p(s.points[i].x, s.points[i].y);
            i == 0 ? item.path.moveTo(p) : item.path.lineTo(p);
        }
        item.color = Qt::white;
        items.push_back(std::move(item));
    }
    return items;
}

void paintBefore(QPainter& painter, const std::vector<BeforeItem>& items, QPointF center, double scale)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QTransform toView(scale, 0, 0, -scale, kView.width() / 2.0 - center.x() * scale,
                            kView.height() / 2.0 + center.y() * scale);
    for (const BeforeItem& item : items) {
        painter.setPen(QPen(item.color, 0));
        painter.drawPath(toView.map(item.path));
    }
}

// ---- drawings ----------------------------------------------------------------

// A curve of a million vertices across 1000 units: a sine with a finer ripple.
std::unique_ptr<AcDbDatabase> millionVertices()
{
    auto db = std::make_unique<AcDbDatabase>();
    auto* polyline = new AcDbPolyline(1'000'000);
    for (unsigned i = 0; i < 1'000'000; ++i) {
        const double x = i * 1e-3;
        polyline->addVertexAt(i, {x, 100 * std::sin(x / 50) + 3 * std::sin(x * 7)});
    }
    AcDbBlockTable* table = nullptr;
    db->getSymbolTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    table->getAt(L"*Model_Space", model, AcDb::kForWrite);
    table->close();
    model->appendAcDbEntity(polyline);
    polyline->close();
    model->close();
    return db;
}

// DXF text of 200,000 entities on a 450 x 450 grid: lines, circles, arcs, polylines.
const std::string& drawing200k()
{
    static const std::string text = [] {
        std::string t = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
                        "  0\nSECTION\n  2\nENTITIES\n";
        t.reserve(200'000 * 120);
        for (int i = 0; i < 200'000; ++i) {
            const double x = (i % 450) * 2.0, y = (i / 450) * 2.0;
            const std::string xs = std::to_string(x), ys = std::to_string(y);
            const std::string x1 = std::to_string(x + 1.5), y1 = std::to_string(y + 1.5);
            switch (i % 4) {
            case 0:
                t += "  0\nLINE\n  8\n0\n 10\n" + xs + "\n 20\n" + ys + "\n 11\n" + x1 + "\n 21\n" + y1 + "\n";
                break;
            case 1:
                t += "  0\nCIRCLE\n  8\n0\n 62\n1\n 10\n" + xs + "\n 20\n" + ys + "\n 40\n0.7\n";
                break;
            case 2:
                t += "  0\nARC\n  8\n0\n 62\n3\n 10\n" + xs + "\n 20\n" + ys + "\n 40\n0.7\n 50\n10\n 51\n200\n";
                break;
            default:
                t += "  0\nLWPOLYLINE\n  8\n0\n 90\n3\n 70\n0\n 10\n" + xs + "\n 20\n" + ys + "\n 10\n" + x1 + "\n 20\n" +
                     ys + "\n 42\n0.5\n 10\n" + x1 + "\n 20\n" + y1 + "\n";
                break;
            }
        }
        t += "  0\nENDSEC\n  0\nEOF\n";
        return t;
    }();
    return text;
}

std::unique_ptr<AcDbDatabase> read200k()
{
    std::unique_ptr<AcDbDatabase> db;
    plotwright::dxf::readDxfText(drawing200k(), "bench.dxf", db);
    return db;
}

// The view fitted to the drawing, magnified `zoom` times about its middle.
void fitted(const QRectF& extents, double zoom, QPointF& center, double& scale)
{
    center = extents.center();
    scale = std::min((kView.width() - 40) / extents.width(), (kView.height() - 40) / extents.height()) * zoom;
}

// ---- benchmarks ----------------------------------------------------------------

void repaintMillionNow(benchmark::State& state)
{
    static const auto db = millionVertices();
    static const auto list = plotwright::editor::buildDisplayList(*db);
    QImage image(kView, QImage::Format_ARGB32_Premultiplied);
    QPointF center;
    double scale = 1;
    fitted(list.extents, static_cast<double>(state.range(0)), center, scale);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter painter(&image);
        plotwright::editor::paintDisplayList(painter, list, kView, center, scale);
    }
}

void repaintMillionBefore(benchmark::State& state)
{
    static const auto db = millionVertices();
    static const auto items = buildBefore(*db);
    static const auto list = plotwright::editor::buildDisplayList(*db);
    QImage image(kView, QImage::Format_ARGB32_Premultiplied);
    QPointF center;
    double scale = 1;
    fitted(list.extents, static_cast<double>(state.range(0)), center, scale);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter painter(&image);
        paintBefore(painter, items, center, scale);
    }
}

void repaint200kNow(benchmark::State& state)
{
    static const auto db = read200k();
    static const auto list = plotwright::editor::buildDisplayList(*db);
    QImage image(kView, QImage::Format_ARGB32_Premultiplied);
    QPointF center;
    double scale = 1;
    fitted(list.extents, static_cast<double>(state.range(0)), center, scale);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter painter(&image);
        plotwright::editor::paintDisplayList(painter, list, kView, center, scale);
    }
}

void repaint200kBefore(benchmark::State& state)
{
    static const auto db = read200k();
    static const auto items = buildBefore(*db);
    static const auto list = plotwright::editor::buildDisplayList(*db);
    QImage image(kView, QImage::Format_ARGB32_Premultiplied);
    QPointF center;
    double scale = 1;
    fitted(list.extents, static_cast<double>(state.range(0)), center, scale);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter painter(&image);
        paintBefore(painter, items, center, scale);
    }
}

void open200kNow(benchmark::State& state)
{
    drawing200k();
    QImage image(kView, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        auto db = read200k();
        auto list = plotwright::editor::buildDisplayList(*db);
        QPointF center;
        double scale = 1;
        fitted(list.extents, 1, center, scale);
        image.fill(Qt::black);
        QPainter painter(&image);
        plotwright::editor::paintDisplayList(painter, list, kView, center, scale);
    }
}

void open200kBefore(benchmark::State& state)
{
    drawing200k();
    QImage image(kView, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        auto db = read200k();
        auto items = buildBefore(*db);
        QRectF extents;
        for (const BeforeItem& item : items)
            extents = extents.united(item.path.boundingRect());
        QPointF center;
        double scale = 1;
        fitted(extents, 1, center, scale);
        image.fill(Qt::black);
        QPainter painter(&image);
        paintBefore(painter, items, center, scale);
    }
}

} // namespace

BENCHMARK(repaintMillionBefore)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(repaintMillionNow)->Arg(1)->Arg(4)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(repaint200kBefore)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(repaint200kNow)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(open200kBefore)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(open200kNow)->Unit(benchmark::kMillisecond)->Iterations(2);
