#include "editor/drawing_export.h"

#include "render/svg_picture.h"
#include "editor/display_list.h"
#include "editor/display_painter.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace plotwright::editor {

namespace {

QString cannot(const QString& path, const QString& reason) { return "Cannot export \"" + path + "\": " + reason; }

// Paper shows the drawing's foreground colour black, as the SVG picture does.
DisplayList onPaper(const DisplayList& list)
{
    DisplayList copy = list;
    for (DisplayItem& item : copy.items) {
        if (item.shape.color.background)
            item.color = QColor(255, 255, 255, item.shape.color.alpha);
        else if (item.shape.color.foreground)
            item.color = QColor(0, 0, 0, item.shape.color.alpha);
    }
    return copy;
}

// Paints `list` so that `world` fills `target` (pixels), centred, keeping proportions;
// `scale` pixels per unit when above 0.
void paintArea(QPainter& painter, const DisplayList& list, const QRectF& world, const QRectF& target, double scale)
{
    if (!(scale > 0))
        scale = std::min(target.width() / world.width(), target.height() / world.height());
    painter.save();
    painter.setClipRect(target);
    painter.translate(target.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    paintDisplayList(painter, list, target.size().toSize(), world.center(), scale);
    painter.restore();
}

QString writeSvg(const core::DrawingData& database, const QString& path, const ExportOptions& options)
{
    db::SvgOptions svg;
    svg.width = options.pixels.width();
    svg.height = options.pixels.height();
    if (options.area) {
        const QRectF area = options.area->normalized();
        svg.hasArea = true;
        svg.areaMinX = area.left(), svg.areaMaxX = area.right();
        svg.areaMinY = area.top(), svg.areaMaxY = area.bottom();
    }
    const std::string text = db::svgPicture(database, svg);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
        !file.commit())
        return cannot(path, file.errorString());
    return {};
}

} // namespace

QRectF exportArea(const DisplayList& list, const ExportOptions& options)
{
    QRectF r = options.area ? options.area->normalized() : list.extents;
    if (!options.area && !list.hasExtents)
        r = QRectF(0, 0, 10, 10);
    const double pad = std::max({r.width(), r.height(), 1.0}) * 0.02;
    if (!options.area)
        r.adjust(-pad, -pad, pad, pad);
    if (r.width() <= 0)
        r.adjust(-pad, 0, pad, 0);
    if (r.height() <= 0)
        r.adjust(0, -pad, 0, pad);
    return r;
}

bool paintOnPage(QPagedPaintDevice& device, const DisplayList& list, const ExportOptions& options, QString* problem)
{
    const QRectF world = exportArea(list, options);
    const QPageLayout layout = device.pageLayout();
    const double dotsPerMm = device.logicalDpiX() / 25.4;
    const QRectF page(QPointF(0, 0), QSizeF(layout.paintRect(QPageLayout::Millimeter).size() * dotsPerMm));
    double scale = 0;
    if (options.scale > 0) {
        scale = dotsPerMm / options.scale;
        if (world.width() * scale > page.width() * 1.0001 || world.height() * scale > page.height() * 1.0001) {
            if (problem)
                *problem = QString("at 1:%1 the drawing needs %2 x %3 mm, more than the paper's %4 x %5 mm")
                               .arg(options.scale)
                               .arg(world.width() / options.scale, 0, 'f', 0)
                               .arg(world.height() / options.scale, 0, 'f', 0)
                               .arg(page.width() / dotsPerMm, 0, 'f', 0)
                               .arg(page.height() / dotsPerMm, 0, 'f', 0);
            return false;
        }
    }
    QPainter painter(&device);
    if (!painter.isActive()) {
        if (problem)
            *problem = "the output cannot be painted on";
        return false;
    }
    paintArea(painter, onPaper(list), world, page, scale);
    return painter.end();
}

QString exportDrawing(const core::DrawingData& database, const QString& path, const ExportOptions& options)
{
    const QString kind = QFileInfo(path).suffix().toLower();
    if (kind == "svg")
        return writeSvg(database, path, options);
    if (kind != "pdf" && kind != "png")
        return cannot(path, "the name must end in .svg, .pdf or .png");
    const DisplayList list = buildDisplayList(database);
    if (kind == "png") {
        if (options.pixels.width() < 1 || options.pixels.height() < 1 || options.pixels.width() > 20000 ||
            options.pixels.height() > 20000)
            return cannot(path, "the picture must be 1 to 20000 pixels wide and high");
        QImage image(options.pixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            const QRectF target = QRectF(QPointF(0, 0), QSizeF(options.pixels)).adjusted(10, 10, -10, -10);
            paintArea(painter, onPaper(list), exportArea(list, options), target, 0);
        }
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
            return cannot(path, file.errorString().isEmpty() ? "the picture could not be written" : file.errorString());
        return {};
    }
    // PDF: written beside, then put in place, so that a failure leaves no half file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return cannot(path, file.errorString());
    QString problem;
    {
        QPdfWriter writer(&file);
        writer.setCreator("Plotwright Editor");
        writer.setTitle(QFileInfo(path).completeBaseName());
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(options.paper), options.orientation, QMarginsF(10, 10, 10, 10),
                                         QPageLayout::Millimeter));
        if (!paintOnPage(writer, list, options, &problem)) {
            file.cancelWriting();
            return cannot(path, problem);
        }
    }
    if (!file.commit())
        return cannot(path, file.errorString());
    return {};
}

} // namespace plotwright::editor
