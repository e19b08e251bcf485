#include "editor/pick_assist.h"

#include "editor/drawing_view.h"

#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <cmath>
#include <limits>

namespace plotwright::editor {

namespace {

const QColor previewColor(120, 200, 255);
const QColor markerColor(255, 210, 60);

QPointF qt(snap::Point p) { return {p.x, p.y}; }
snap::Point plain(const QPointF& p) { return {p.x(), p.y()}; }

} // namespace

void PickAssist::begin(const core::DrawingData* database, const double* base)
{
    active_ = true;
    style_ = next_;
    next_ = {};
    index_ = database ? snap::Index(snap::collectGeometry(*database)) : snap::Index();
    base_ = base ? std::optional<QPointF>(QPointF(base[0], base[1])) : std::nullopt;
    current_.reset();
    snap_.reset();
}

void PickAssist::end()
{
    active_ = false;
    index_ = {};
    base_.reset();
    current_.reset();
    snap_.reset();
    QToolTip::hideText();
}

void PickAssist::setPreview(const std::vector<host::PreviewPoint>& points, Preview motion)
{
    preview_.clear();
    motion_ = motion;
    // Thinned evenly; every break is kept so that no line jumps across a gap.
    const std::size_t step = points.size() / kMostPreviewPoints + 1;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bool finite = std::isfinite(points[i].x) && std::isfinite(points[i].y);
        if (!finite) {
            if (preview_.empty() || !std::isnan(preview_.back().x()))
                preview_.emplace_back(nan, nan);
        } else if (i % step == 0 || i + 1 == points.size() ||
                   !std::isfinite(points[i + 1].x) || !std::isfinite(points[i + 1].y)) {
            preview_.emplace_back(points[i].x, points[i].y);
        }
    }
}

std::vector<QPointF> PickAssist::placedPreview() const
{
    if (!current_)
        return {};
    QPointF at = *current_;
    double cosine = 1, sine = 0;
    if (motion_ == Preview::turnsAboutBase && base_) {
        at = *base_;
        const QPointF towards = *current_ - *base_;
        if (const double length = std::hypot(towards.x(), towards.y()); length > 0) {
            cosine = towards.x() / length;
            sine = towards.y() / length;
        }
    }
    std::vector<QPointF> placed;
    placed.reserve(preview_.size());
    for (const QPointF& p : preview_)
        placed.push_back(std::isnan(p.x()) ? p
                                           : at + QPointF(cosine * p.x() - sine * p.y(), sine * p.x() + cosine * p.y()));
    return placed;
}

QPointF PickAssist::track(const DrawingView& view, const QPointF& screen)
{
    const QPointF raw = view.toWorld(screen);
    QPointF point = raw;
    snap_.reset();
    if (objectSnap && style_.objectSnaps)
        snap_ = index_.find(plain(raw), kAperturePixels / view.scale());
    if (snap_) {
        point = qt(snap_->point);
    } else {
        if (ortho && base_)
            point = qt(snap::orthoPoint(plain(*base_), plain(point)));
        if (gridSnap) {
            const QPointF onGrid = qt(snap::gridPoint(plain(point), gridSpacing));
            // Ortho keeps the line through the base: only the free coordinate moves to the grid.
            if (ortho && base_)
                point = point.y() == base_->y() ? QPointF(onGrid.x(), point.y()) : QPointF(point.x(), onGrid.y());
            else
                point = onGrid;
        }
    }
    current_ = point;
    return point;
}

void PickAssist::paint(QPainter& painter, const DrawingView& view) const
{
    if (!active_ || !current_)
        return;
    painter.save();
    // The grid's points, where they are far enough apart to be seen as points.
    const double step = gridSpacing * view.scale();
    if (gridSnap && step >= 8 && (view.width() / step) * (view.height() / step) < 40000) {
        const QPointF low = view.toWorld(QPointF(0, view.height())), high = view.toWorld(QPointF(view.width(), 0));
        painter.setPen(QPen(QColor(90, 104, 120), 1.5));
        for (double x = std::ceil(low.x() / gridSpacing); x * gridSpacing <= high.x(); ++x)
            for (double y = std::ceil(low.y() / gridSpacing); y * gridSpacing <= high.y(); ++y)
                painter.drawPoint(view.toScreen({x * gridSpacing, y * gridSpacing}));
    }
    if (base_) {
        painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DashLine));
        if (style_.rectangle) {
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(view.toScreen(*base_), view.toScreen(*current_)).normalized());
        } else {
            painter.drawLine(view.toScreen(*base_), view.toScreen(*current_));
        }
    }
    if (!preview_.empty()) {
        QPainterPath path;
        bool start = true;
        for (const QPointF& p : placedPreview()) {
            if (std::isnan(p.x())) {
                start = true;
                continue;
            }
            const QPointF s = view.toScreen(p);
            if (start)
                path.moveTo(s);
            else
                path.lineTo(s);
            start = false;
        }
        painter.setPen(QPen(previewColor, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    if (snap_) {
        const QPointF at = view.toScreen(*current_);
        paintSnapMarker(painter, snap_->kind, at);
        // The name beside the marker: a tooltip does not show in a picture of the view.
        painter.setPen(markerColor);
        painter.drawText(at + QPointF(12, -10), QString::fromLatin1(snap::kindName(snap_->kind)));
    }
    painter.restore();
}

void paintSnapMarker(QPainter& painter, snap::Kind kind, const QPointF& at)
{
    constexpr double h = 6;
    painter.save();
    painter.setPen(QPen(markerColor, 2));
    painter.setBrush(Qt::NoBrush);
    const double x = at.x(), y = at.y();
    switch (kind) {
    case snap::Kind::Endpoint:
        painter.drawRect(QRectF(x - h, y - h, 2 * h, 2 * h));
        break;
    case snap::Kind::Midpoint:
        painter.drawPolygon(QPolygonF({QPointF(x, y - h), QPointF(x + h, y + h), QPointF(x - h, y + h)}));
        break;
    case snap::Kind::Center:
        painter.drawEllipse(at, h, h);
        break;
    case snap::Kind::Quadrant:
        painter.drawPolygon(QPolygonF({QPointF(x, y - h), QPointF(x + h, y), QPointF(x, y + h), QPointF(x - h, y)}));
        break;
    case snap::Kind::Intersection:
        painter.drawLine(QPointF(x - h, y - h), QPointF(x + h, y + h));
        painter.drawLine(QPointF(x - h, y + h), QPointF(x + h, y - h));
        break;
    case snap::Kind::Nearest:
        // An hourglass: two triangles meeting at the point.
        painter.drawPolygon(
            QPolygonF({QPointF(x - h, y - h), QPointF(x + h, y - h), QPointF(x - h, y + h), QPointF(x + h, y + h)}));
        break;
    }
    painter.restore();
}

} // namespace plotwright::editor
