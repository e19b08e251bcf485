#include "editor/drawing_view.h"

#include "editor/display_painter.h"
#include "editor/pick_assist.h"

#include "host/doc_manager.h"

#include <QKeyEvent>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>

namespace plotwright::editor {

namespace {
const QColor axisColor(70, 80, 92);
constexpr double minScale = 1e-12;
constexpr double maxScale = 1e12;
} // namespace

DrawingView::DrawingView(Document* document, QWidget* parent)
    : QWidget(parent), document_(document), selection_(new Selection(this))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    setObjectName("drawingView");
    connect(selection_, &Selection::changed, this, qOverload<>(&QWidget::update));
}

void DrawingView::refresh()
{
    dirty_ = true;
    // What was erased or undone leaves the selection now, not at the next paint.
    if (!selection_->isEmpty())
        displayList();
    update();
}

const DisplayList& DrawingView::displayList()
{
    if (dirty_) {
        if (document_ && document_->database())
            list_ = buildDisplayList(*document_->database());
        else
            list_ = {};
        dirty_ = false;
        std::unordered_set<core::Handle> shown;
        for (const DisplayItem& item : list_.items)
            shown.insert(item.entity);
        selection_->retain([&](core::Handle h) { return shown.count(h) != 0; });
    }
    return list_;
}

QPointF DrawingView::toWorld(const QPointF& screen) const
{
    return {center_.x() + (screen.x() - width() / 2.0) / scale_, center_.y() - (screen.y() - height() / 2.0) / scale_};
}

QPointF DrawingView::toScreen(const QPointF& world) const
{
    return {width() / 2.0 + (world.x() - center_.x()) * scale_, height() / 2.0 - (world.y() - center_.y()) * scale_};
}

void DrawingView::fitRect(const QRectF& world)
{
    const double w = std::max(world.width(), 1e-9), h = std::max(world.height(), 1e-9);
    const double sx = std::max(width() - 40, 10) / w, sy = std::max(height() - 40, 10) / h;
    double s = std::min(sx, sy);
    if (!std::isfinite(s))
        s = 1.0;
    scale_ = std::clamp(s, minScale, maxScale);
    center_ = world.center();
    placed_ = true;
    update();
}

void DrawingView::zoomExtents()
{
    const DisplayList& list = displayList();
    if (!list.hasExtents) {
        // About thirty units high, the origin near the lower left corner.
        scale_ = std::max(height(), 150) / 30.0;
        center_ = QPointF(width() / (2 * scale_) - 2, height() / (2 * scale_) - 2);
        placed_ = true;
        update();
        return;
    }
    QRectF r = list.extents;
    // A point, or a line along an axis, has no area: give it one.
    const double pad = std::max({r.width(), r.height(), 1.0}) * 0.05;
    if (r.width() == 0)
        r.adjust(-pad, 0, pad, 0);
    if (r.height() == 0)
        r.adjust(0, -pad, 0, pad);
    fitRect(r);
}

void DrawingView::zoomBy(double factor, const QPointF& anchor)
{
    const QPointF before = toWorld(anchor);
    scale_ = std::clamp(scale_ * factor, minScale, maxScale);
    const QPointF after = toWorld(anchor);
    center_ += before - after;
    update();
}

void DrawingView::setPicking(bool picking)
{
    picking_ = picking;
    update();
    setCursor(picking ? Qt::CrossCursor : Qt::ArrowCursor);
}

void DrawingView::paintEvent(QPaintEvent*)
{
    if (!placed_)
        zoomExtents();
    const DisplayList& list = displayList();
    QPainter painter(this);
    painter.fillRect(rect(), kViewBackground);
    painter.setRenderHint(QPainter::Antialiasing);

    // The axes through the origin, faint, as orientation.
    const QPointF origin = toScreen({0, 0});
    painter.setPen(QPen(axisColor, 1));
    if (origin.y() >= 0 && origin.y() <= height())
        painter.drawLine(QPointF(0, origin.y()), QPointF(width(), origin.y()));
    if (origin.x() >= 0 && origin.x() <= width())
        painter.drawLine(QPointF(origin.x(), 0), QPointF(origin.x(), height()));

    paintDisplayList(painter, list, size(), center_, scale_);
    paintSelection(painter, list, *selection_, [this](const QPointF& p) { return toScreen(p); });
    if (windowing_) {
        // Blue and solid for a window, green and dashed for a crossing window.
        const bool crossing = selectTo_.x() < selectFrom_.x();
        const QColor edge = crossing ? QColor(110, 220, 120) : QColor(90, 150, 255);
        QColor fill = edge;
        fill.setAlpha(40);
        painter.setPen(QPen(edge, 1, crossing ? Qt::DashLine : Qt::SolidLine));
        painter.setBrush(fill);
        painter.drawRect(QRectF(selectFrom_, selectTo_).normalized());
    }
    if (picking_ && assist_)
        assist_->paint(painter, *this);
}

void DrawingView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
}

void DrawingView::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0)
        zoomBy(std::pow(1.25, steps), event->position());
    event->accept();
}

core::Handle DrawingView::entityAt(const QPointF& at)
{
    return pickEntity(displayList(), toWorld(at), kPickPixels / scale_);
}

void DrawingView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || picking_) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    selecting_ = false;
    windowing_ = false;
    if (const core::Handle handle = entityAt(event->position())) {
        selection_->set({handle});
        update();
        emit entityDoubleClicked(handle);
    }
    event->accept();
}

void DrawingView::contextMenuEvent(QContextMenuEvent* event)
{
    if (picking_) {
        QWidget::contextMenuEvent(event);
        return;
    }
    const core::Handle handle = entityAt(event->pos());
    // The menu acts on what is under the cursor: it joins the selection when it is not in it.
    if (handle && !selection_->contains(handle))
        selection_->set({handle});
    update();
    emit contextMenuAt(event->globalPos(), handle);
    event->accept();
}

void DrawingView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        panning_ = true;
        panFrom_ = event->position();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && !picking_) {
        selecting_ = true;
        windowing_ = false;
        selectFrom_ = selectTo_ = event->position();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void DrawingView::mouseMoveEvent(QMouseEvent* event)
{
    if (panning_) {
        const QPointF delta = event->position() - panFrom_;
        panFrom_ = event->position();
        center_ -= QPointF(delta.x() / scale_, -delta.y() / scale_);
        update();
    }
    if (selecting_) {
        selectTo_ = event->position();
        const QPointF moved = selectTo_ - selectFrom_;
        if (std::abs(moved.x()) > kPickPixels || std::abs(moved.y()) > kPickPixels)
            windowing_ = true;
        if (windowing_)
            update();
    }
    if (picking_ && assist_ && assist_->isActive()) {
        const QString before = assist_->currentSnap() ? snap::kindName(assist_->currentSnap()->kind) : "";
        const QPointF point = assist_->track(*this, event->position());
        const QString name = assist_->currentSnap() ? snap::kindName(assist_->currentSnap()->kind) : "";
        if (name != before) {
            if (name.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(mapToGlobal(event->position().toPoint() + QPoint(16, 16)), name, this);
        }
        update();
        emit cursorMoved(point);
        return;
    }
    emit cursorMoved(toWorld(event->position()));
}

void DrawingView::keepInSight(const QRectF& world)
{
    if (!std::isfinite(world.left()) || !std::isfinite(world.top()) || !std::isfinite(world.width()) ||
        !std::isfinite(world.height()))
        return;
    constexpr double margin = 20; // pixels
    const QPointF topLeft = toWorld({margin, margin}), bottomRight = toWorld({width() - margin, height() - margin});
    const QRectF shown(QPointF(topLeft.x(), bottomRight.y()), QPointF(bottomRight.x(), topLeft.y()));
    if (world.width() > shown.width() || world.height() > shown.height()) {
        fitRect(world);
        return;
    }
    QPointF shift;
    if (world.left() < shown.left())
        shift.setX(world.left() - shown.left());
    else if (world.right() > shown.right())
        shift.setX(world.right() - shown.right());
    if (world.top() < shown.top())
        shift.setY(world.top() - shown.top());
    else if (world.bottom() > shown.bottom())
        shift.setY(world.bottom() - shown.bottom());
    if (shift.isNull())
        return;
    center_ += shift;
    update();
}

void DrawingView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && panning_) {
        panning_ = false;
        setPicking(picking_);
        return;
    }
    if (event->button() == Qt::LeftButton && picking_)
        emit pointClicked(assist_ && assist_->isActive() ? assist_->track(*this, event->position())
                                                         : toWorld(event->position()));
    else if (event->button() == Qt::LeftButton && selecting_)
        finishSelecting(event->position(), event->modifiers());
}

void DrawingView::finishSelecting(const QPointF& at, Qt::KeyboardModifiers modifiers)
{
    selectTo_ = at;
    const QPointF moved = selectTo_ - selectFrom_;
    if (std::abs(moved.x()) > kPickPixels || std::abs(moved.y()) > kPickPixels)
        windowing_ = true;
    std::vector<core::Handle> hits;
    if (windowing_) {
        const bool crossing = selectTo_.x() < selectFrom_.x();
        hits = entitiesInWindow(displayList(), QRectF(toWorld(selectFrom_), toWorld(selectTo_)), crossing);
    } else if (core::Handle h = pickEntity(displayList(), toWorld(at), kPickPixels / scale_)) {
        hits.push_back(h);
    }
    selecting_ = windowing_ = false;
    if (modifiers & Qt::ShiftModifier)
        selection_->toggle(hits);
    else
        selection_->set(hits);
    update();
}

void DrawingView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        selecting_ = windowing_ = false;
        // While a point is asked for, Escape only cancels the question.
        if (!picking_)
            selection_->clear();
        update();
        emit escapePressed();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        emit deletePressed();
        return;
    }
    // Shortcuts (Ctrl, Alt) stay with the menus; what would be typed goes to the command line.
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    const bool lineKey = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Backspace ||
                         key == Qt::Key_Up || key == Qt::Key_Down;
    if (!shortcut && (lineKey || (!event->text().isEmpty() && event->text().at(0).isPrint()))) {
        emit keyForCommandLine(event);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace plotwright::editor
