#pragma once
// Paints a display list: what is visible at the given view, long strokes at the level
// of detail of the zoom, text with the painter's font, endless lines to the edges.

#include "editor/display_list.h"

#include <QPointF>
#include <QSize>

class QPainter;

namespace plotwright::editor {

// `center` is the drawing point at the middle of the `size` pixels; `scale` pixels per
// drawing unit, y up. Leaves the background as it is.
void paintDisplayList(QPainter& painter, const DisplayList& list, const QSize& size, const QPointF& center,
                      double scale);

} // namespace plotwright::editor
