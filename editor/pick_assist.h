#pragma once
// Help while a point is asked for: what the pick will place, following the cursor
// (the module's preview), a rubber band from the base point, object snaps with their
// markers and names, grid snap and ortho. The drawing view asks it for the point a
// cursor position gives and lets it paint over the drawing.

#include "editor/snap_engine.h"
#include "host/backend.h"

#include <QPointF>

#include <optional>
#include <vector>

class QPainter;

namespace plotwright::editor {

class DrawingView;

class PickAssist {
public:
    // Distance in pixels within which object snaps catch the cursor.
    static constexpr double kAperturePixels = 10;
    // A preview longer than this is thinned for painting at every cursor move.
    static constexpr std::size_t kMostPreviewPoints = 20000;

    bool objectSnap = true;
    bool gridSnap = false;
    bool ortho = false;      // only with a base point
    double gridSpacing = 1.0;

    // How the next point request helps: a rectangle from the base point instead of a
    // line (a window's corners), object snaps off (a window is not drawn on objects).
    struct Style {
        bool rectangle = false;
        bool objectSnaps = true;
    };
    // Applies to the next begin() only.
    void setNextStyle(const Style& style) { next_ = style; }

    // A point request starts: snaps come from `database` (may be null), `base` is null
    // or the point for ortho and the rubber band.
    void begin(const core::DrawingData* database, const double* base);
    void end();
    bool isActive() const { return active_; }

    // How the preview moves: with the cursor, or fixed at the base point and turned to the
    // direction of the cursor from it.
    enum class Preview { followsCursor, turnsAboutBase };
    void setPreview(const std::vector<host::PreviewPoint>& points, Preview motion = Preview::followsCursor);
    void clearPreview() { preview_.clear(); }
    const std::vector<QPointF>& preview() const { return preview_; }
    // The preview where it shows for the last track(), in drawing units (NaN breaks).
    std::vector<QPointF> placedPreview() const;

    // The point the cursor at `screen` gives (snapped), kept for painting.
    QPointF track(const DrawingView& view, const QPointF& screen);
    // The snap of the last track(), if any.
    const std::optional<snap::Snap>& currentSnap() const { return snap_; }
    std::optional<QPointF> currentPoint() const { return current_; }

    // Paints the preview, the rubber band and the snap marker with its name.
    void paint(QPainter& painter, const DrawingView& view) const;

private:
    bool active_ = false;
    Style style_;
    Style next_;
    snap::Index index_;
    std::optional<QPointF> base_;
    std::vector<QPointF> preview_;  // relative to the picked point (or the base); NaN breaks
    Preview motion_ = Preview::followsCursor;
    std::optional<QPointF> current_;
    std::optional<snap::Snap> snap_;
};

// Paints the marker of `kind` centred on `at` (pixels): square, triangle, circle,
// diamond, X or hourglass.
void paintSnapMarker(QPainter& painter, snap::Kind kind, const QPointF& at);

} // namespace plotwright::editor
