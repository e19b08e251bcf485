#include "editor/display_painter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plotwright::editor {

namespace {

void drawText(QPainter& painter, const QPointF& anchor, const db::DisplayText& text, const QColor& color, double scale)
{
    // Capitals are about 0.7 of a font's pixel size; text under two pixels is a dash as
    // long as the estimate the tessellation places text with.
    const double capitals = text.height * scale;
    if (capitals < 2.0) {
        painter.setPen(QPen(color, 0));
        const double span = text.span > 0 ? text.span : db::estimatedTextWidth(text.text, text.height, text.widthFactor);
        const double len = span * scale;
        const double c = std::cos(text.rotation), s = std::sin(text.rotation);
        painter.drawLine(anchor, anchor + QPointF(c * len, -s * len));
        return;
    }
    QFont font = painter.font();
    if (!text.family.empty())
        font.setFamilies({QString::fromStdWString(text.family), font.family()});
    font.setBold(text.bold);
    font.setItalic(text.italic);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(capitals / 0.7))));
    const QString string = QString::fromStdWString(text.text);
    const QFontMetricsF metrics(font);
    const double advance = metrics.horizontalAdvance(string);
    // Fit and aligned text is stretched to its span whatever the font's widths.
    const double widthFactor = text.span > 0 && advance > 0 ? text.span * scale / advance : text.widthFactor;
    const double w = advance * widthFactor;
    const double dx = text.hAlign == db::DisplayText::kCenter ? -w / 2 : text.hAlign == db::DisplayText::kRight ? -w : 0;
    const double dy = text.vAlign == db::DisplayText::kTop      ? metrics.capHeight()
                      : text.vAlign == db::DisplayText::kMiddle ? metrics.capHeight() / 2
                      : text.vAlign == db::DisplayText::kBottom ? -metrics.descent()
                                                                : 0;
    painter.save();
    painter.translate(anchor);
    painter.rotate(-text.rotation * 180.0 / std::numbers::pi);
    if (text.oblique != 0.0)
        painter.shear(-std::tan(text.oblique), 0.0);
    painter.scale(text.backwards ? -widthFactor : widthFactor, text.upsideDown ? -1.0 : 1.0);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(dx / widthFactor, dy), string);
    painter.restore();
}

} // namespace

void paintDisplayList(QPainter& painter, const DisplayList& list, const QSize& size, const QPointF& center, double scale)
{
    const double width = size.width(), height = size.height();
    const QTransform toView(scale, 0, 0, -scale, width / 2.0 - center.x() * scale, height / 2.0 + center.y() * scale);
    const QTransform toWorld = toView.inverted();
    // The view's mapping of a stroke's vertices, inline: only a scale and a shift, the
    // same arithmetic as toView.map without a call for each of thousands of vertices.
    const double m11 = toView.m11(), m22 = toView.m22(), dx = toView.dx(), dy = toView.dy();
    const auto onView = [&](const db::DisplayPoint& p) { return QPointF(m11 * p.x + dx, m22 * p.y + dy); };
    const QRectF world(toWorld.map(QPointF(0, height)), toWorld.map(QPointF(width, 0)));
    const std::vector<std::uint32_t> shown = list.visible(world.adjusted(-3 / scale, -3 / scale, 3 / scale, 3 / scale));
    // Antialiasing costs more than it shows once the view is full of lines.
    painter.setRenderHint(QPainter::Antialiasing, shown.size() < 20000);
    // Strokes go to the painter in batches of one colour: one call for thousands of
    // segments instead of a call and a pen change each. Anything else first paints
    // what is batched, so that what comes later in the drawing stays on top.
    struct Batch {
        QRgb color;
        std::vector<QLineF> lines;
        std::vector<QPointF> dots;
    };
    std::vector<Batch> batches;
    const auto flush = [&] {
        for (Batch& b : batches) {
            painter.setPen(QPen(QColor::fromRgba(b.color), 0));
            if (!b.lines.empty())
                painter.drawLines(b.lines.data(), static_cast<int>(b.lines.size()));
            if (!b.dots.empty())
                painter.drawPoints(b.dots.data(), static_cast<int>(b.dots.size()));
        }
        batches.clear();
    };
    const auto batchOf = [&](const QColor& color) -> Batch& {
        const QRgb rgb = color.rgba();
        for (Batch& b : batches) {
            if (b.color == rgb)
                return b;
        }
        batches.push_back({rgb, {}, {}});
        return batches.back();
    };
    for (std::uint32_t index : shown) {
        const DisplayItem& item = list.items[index];
        const db::DisplayShape& shape = item.shape;
        if (shape.type == db::DisplayShape::Type::kStroke) {
            Batch& batch = batchOf(item.color);
            // Within two pixels either way a stroke shows as no more than a dot.
            if (item.bounds.width() * scale < 2 && item.bounds.height() * scale < 2) {
                batch.dots.push_back(onView(shape.points[0]));
                continue;
            }
            const std::vector<db::DisplayPoint>& points = list.levelOfDetail(index, scale);
            QPointF last = onView(points[0]);
            const QPointF first = last;
            for (std::size_t i = 1; i < points.size(); ++i) {
                const QPointF next = onView(points[i]);
                batch.lines.emplace_back(last, next);
                last = next;
            }
            if (shape.closed)
                batch.lines.emplace_back(last, first);
            if (points.size() == 1)
                batch.dots.push_back(first);
            continue;
        }
        flush();
        QPen pen(item.color, 0); // cosmetic: one pixel at every zoom
        painter.setPen(pen);
        switch (shape.type) {
        case db::DisplayShape::Type::kMarker: {
            const QPointF p = toView.map(QPointF(shape.points[0].x, shape.points[0].y));
            painter.drawLine(p + QPointF(-3, -3), p + QPointF(3, 3));
            painter.drawLine(p + QPointF(-3, 3), p + QPointF(3, -3));
            break;
        }
        case db::DisplayShape::Type::kStroke:
            break;
        case db::DisplayShape::Type::kFill: {
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            std::size_t ring = 0;
            for (std::size_t i = 0; i < shape.points.size(); ++i) {
                const QPointF p = toView.map(QPointF(shape.points[i].x, shape.points[i].y));
                const bool starts = i == 0 || (ring < shape.ringStarts.size() && shape.ringStarts[ring] == i);
                if (starts && i != 0) {
                    path.closeSubpath();
                    ++ring;
                }
                if (starts)
                    path.moveTo(p);
                else
                    path.lineTo(p);
            }
            path.closeSubpath();
            painter.fillPath(path, item.color);
            break;
        }
        case db::DisplayShape::Type::kText:
            drawText(painter, toView.map(QPointF(shape.points[0].x, shape.points[0].y)), *shape.text, item.color, scale);
            break;
        case db::DisplayShape::Type::kXline:
        case db::DisplayShape::Type::kRay: {
            // Clipped to the widget: the line p + t d for t in [t0, t1].
            const QPointF p = toView.map(QPointF(shape.points[0].x, shape.points[0].y));
            const QPointF d = toView.map(QPointF(shape.points[1].x, shape.points[1].y)) - p;
            double t0 = shape.type == db::DisplayShape::Type::kRay ? 0.0 : -1e300, t1 = 1e300;
            const auto side = [&](double from, double dir, double hi) {
                if (dir == 0)
                    return from >= 0 && from <= hi;
                double a = -from / dir, b = (hi - from) / dir;
                if (a > b)
                    std::swap(a, b);
                t0 = std::max(t0, a);
                t1 = std::min(t1, b);
                return t0 <= t1;
            };
            if (side(p.x(), d.x(), width) && side(p.y(), d.y(), height))
                painter.drawLine(p + t0 * d, p + t1 * d);
            break;
        }
        }
    }
    flush();
    if (!list.unshown.empty()) {
        // Kept in the file but not drawn: say so, so that nobody thinks it is missing.
        painter.setPen(QColor(200, 200, 120));
        painter.drawText(QRectF(QPointF(0, 0), QSizeF(size)).adjusted(8, 4, -8, -6), Qt::AlignLeft | Qt::AlignBottom,
                         QString::fromStdWString(list.unshown));
    }
}

} // namespace plotwright::editor
