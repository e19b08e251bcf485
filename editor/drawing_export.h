#pragma once
// The drawing on paper and in picture files: SVG (the shared SVG picture), PDF with a
// paper size and a scale (fitted, or 1:N with drawing units as millimetres), PNG of a
// given size, and printing; of the whole drawing or of a part of it (the view).

#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSize>
#include <QString>

#include "core/drawing_names.h"

#include <optional>

class QPagedPaintDevice;
class QPainter;

namespace plotwright::editor {

class DisplayList;

struct ExportOptions {
    // The part of the drawing to show; none: the whole drawing's extents.
    std::optional<QRectF> area;
    // PDF and print: paper, orientation, scale. `scale` 0 fits the drawing to the paper;
    // N > 0 is 1:N, one millimetre on paper for N drawing units.
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Landscape;
    double scale = 0;
    // PNG: the picture's size in pixels.
    QSize pixels{1600, 1200};
};

// Writes the drawing to `path`, the kind by its extension (.svg, .pdf, .png, any case).
// Returns an empty string, or what went wrong ("Cannot export \"PATH\": reason").
QString exportDrawing(const core::DrawingData& database, const QString& path, const ExportOptions& options = {});

// Paints the drawing on a page of `device` (a QPdfWriter or a QPrinter; its page layout
// is set by the caller) as `options` say: black on white, centred. False when a scale
// of 1:N does not fit the page (nothing is painted then).
bool paintOnPage(QPagedPaintDevice& device, const DisplayList& list, const ExportOptions& options, QString* problem);

// The world rectangle that `options` show of `list`, with no zero width or height.
QRectF exportArea(const DisplayList& list, const ExportOptions& options);

} // namespace plotwright::editor
