#pragma once
// Shows the model space of one document, seen from above with y up: mouse wheel zooms
// about the cursor, the middle button pans, and while a point is asked for a left
// click picks it. Otherwise the left button selects: a click the nearest entity within
// a few pixels, a drag to the right a window (entirely inside), to the left a crossing
// window (touching); Shift adds or removes. The picture is rebuilt from the database on
// the next paint after refresh().

#include "editor/display_list.h"
#include "editor/document.h"
#include "editor/selection.h"

#include <QPointF>
#include <QWidget>

namespace plotwright::editor {

class PickAssist;

class DrawingView : public QWidget {
    Q_OBJECT

public:
    explicit DrawingView(Document* document, QWidget* parent = nullptr);

    Document* document() const { return document_; }

    // The database changed: repaint from it.
    void refresh();
    // Fits everything drawn into the view, with a margin; an empty drawing shows the
    // area near the origin.
    void zoomExtents();
    // Shows `world` as large as it fits, with the same margin.
    void zoomToRect(const QRectF& world) { fitRect(world); }
    // Zooms by `factor` (> 1 magnifies) keeping the drawing point under `anchor` still.
    void zoomBy(double factor, const QPointF& anchor);

    QPointF toWorld(const QPointF& screen) const;
    QPointF toScreen(const QPointF& world) const;
    // Pans so that `world` is in sight with a margin; zooms out to it only when it does
    // not fit. Nothing moves when it is in sight already.
    void keepInSight(const QRectF& world);
    QPointF center() const { return center_; }
    // Pixels per drawing unit.
    double scale() const { return scale_; }

    // While picking, the cursor is a cross and left clicks are reported.
    void setPicking(bool picking);
    bool isPicking() const { return picking_; }
    // Snaps, preview and markers while picking (not owned; may be null).
    void setPickAssist(PickAssist* assist) { assist_ = assist; }

    const DisplayList& displayList();

    // The selected entities of this drawing; what is no longer shown drops out on refresh.
    Selection& selection() { return *selection_; }
    // Half the side of the pick box, in pixels.
    static constexpr double kPickPixels = 4.0;

signals:
    void cursorMoved(const QPointF& world);
    void pointClicked(const QPointF& world);
    void escapePressed();
    void deletePressed();
    // A key meant for the command line (text, Enter, Backspace, the arrows of its
    // history) pressed while the view has the focus: nothing typed is lost.
    void keyForCommandLine(QKeyEvent* event);
    // A double click on a shown entity (it is selected alone first), and a request for
    // the context menu at `global` screen coordinates over `entity` (0 over nothing).
    void entityDoubleClicked(core::Handle entity);
    void contextMenuAt(const QPoint& global, core::Handle entity);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void fitRect(const QRectF& world);
    // The shown entity under the widget point `at`, or 0.
    core::Handle entityAt(const QPointF& at);
    void finishSelecting(const QPointF& at, Qt::KeyboardModifiers modifiers);

    Document* document_;
    DisplayList list_;
    bool dirty_ = true;
    bool placed_ = false; // the first paint places the view
    double scale_ = 10.0;
    QPointF center_;      // the drawing point at the middle of the widget
    bool picking_ = false;
    bool panning_ = false;
    QPointF panFrom_;
    Selection* selection_;
    bool selecting_ = false;  // the left button is down, not picking
    bool windowing_ = false;  // ... and has moved far enough for a window
    QPointF selectFrom_, selectTo_;
    PickAssist* assist_ = nullptr;
};

} // namespace plotwright::editor
