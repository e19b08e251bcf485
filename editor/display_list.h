#pragma once
// What the drawing view paints: the shapes of model space from the shared entity
// services, in drawing coordinates, each with its colour and bounds; a spatial index
// over them, and for each zoom band the strokes with the vertices dropped that fall
// within a pixel of the one before.

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <cstdint>
#include <vector>

#include "render/display_shapes.h"
#include "core/drawing_names.h"

namespace plotwright::editor {

// The colour the view shows behind the drawing; masks are filled with it.
inline const QColor kViewBackground(33, 40, 48);

struct DisplayItem {
    db::DisplayShape shape;  // long strokes come in pieces of at most kPieceVertices
    QColor color;            // the foreground (palette 7) as shown on the dark view
    QRectF bounds;           // in drawing units; endless lines have none
    core::Handle entity = 0; // the model-space entity it shows
    bool isPoint() const { return shape.type == db::DisplayShape::Type::kMarker; }
    bool isEndless() const
    {
        return shape.type == db::DisplayShape::Type::kXline || shape.type == db::DisplayShape::Type::kRay;
    }
};

class DisplayList {
public:
    static constexpr std::size_t kPieceVertices = 2048;

    std::vector<DisplayItem> items;
    QRectF extents;       // of every drawn point; may have no width or height
    bool hasExtents = false;
    std::wstring unshown; // the kinds that are kept but cannot be shown, for the status bar

    // Indices of the items whose bounds meet `world` (endless lines always), in order.
    std::vector<std::uint32_t> visible(const QRectF& world) const;

    // The vertices of stroke or fill item `index` to draw at `pixelsPerUnit`: within a
    // pixel of the drawing, fewer where the zoom shows less. Cached per zoom band (a
    // factor of two); the reference stays valid until the next call with another band.
    const std::vector<db::DisplayPoint>& levelOfDetail(std::uint32_t index, double pixelsPerUnit) const;

    // Builds the index over `items`; called once they are complete.
    void index();

private:
    struct Grid {
        double x0 = 0, y0 = 0, cell = 1;
        int columns = 0, rows = 0;
        std::vector<std::vector<std::uint32_t>> cells;
        std::vector<std::uint32_t> everywhere;  // endless lines and items spanning many cells
    } grid_;
    mutable int band_ = 0x7FFFFFFF;
    mutable std::vector<std::vector<db::DisplayPoint>> lod_;
    mutable std::vector<std::uint8_t> lodReady_;
    mutable std::vector<std::uint32_t> seen_;
    mutable std::uint32_t stamp_ = 0;
};

// Everything shown of model space, seen from above.
DisplayList buildDisplayList(const core::DrawingData& database);

} // namespace plotwright::editor
