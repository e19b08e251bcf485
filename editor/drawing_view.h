#pragma once
// Shows the model space of one document, seen from above with y up: mouse wheel zooms
// about the cursor, the middle button pans, and while a point is asked for a left
// click picks it. The picture is rebuilt from the database on the next paint after refresh().

#include "editor/display_list.h"

#include <QPointF>
#include <QWidget>

class AcApDocument;

namespace plotwright::editor {

class PickAssist;

class DrawingView : public QWidget {
    Q_OBJECT

public:
    explicit DrawingView(AcApDocument* document, QWidget* parent = nullptr);

    AcApDocument* document() const { return document_; }

    // The database changed: repaint from it.
    void refresh();
    // Fits everything drawn into the view, with a margin; an empty drawing shows the
    // area near the origin.
    void zoomExtents();
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

signals:
    void cursorMoved(const QPointF& world);
    void pointClicked(const QPointF& world);
    void escapePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitRect(const QRectF& world);

    AcApDocument* document_;
    DisplayList list_;
    bool dirty_ = true;
    bool placed_ = false; // the first paint places the view
    double scale_ = 10.0;
    QPointF center_;      // the drawing point at the middle of the widget
    bool picking_ = false;
    bool panning_ = false;
    QPointF panFrom_;
    PickAssist* assist_ = nullptr;
};

} // namespace plotwright::editor
