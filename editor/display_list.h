#pragma once
// What the drawing view paints: the entities of model space as paths in drawing
// coordinates, each with its colour, and the extents of everything finite.

#include <QColor>
#include <QPainterPath>
#include <QRectF>

#include <vector>

class AcDbDatabase;

namespace plotwright::editor {

struct DisplayItem {
    QPainterPath path;   // in drawing units, y up
    QColor color;
    bool isPoint = false; // drawn as a small marker of fixed screen size at path's first point
};

struct DisplayList {
    std::vector<DisplayItem> items;
    QRectF extents;       // of every drawn point; may have no width or height
    bool hasExtents = false;
};

// Lines, lightweight polylines (bulges as arcs), 3-D polylines, circles, arcs and
// points of model space, seen from above. Vertices that are not finite break a path.
DisplayList buildDisplayList(const AcDbDatabase& database);

// The colour of drawing colour index `index` (1..255) on a dark background;
// index 7 is white there.
QColor colorOfIndex(int index);

} // namespace plotwright::editor
