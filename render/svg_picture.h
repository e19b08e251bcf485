#pragma once
// An SVG picture of a drawing's model space, so that a drawing can be looked at
// without a CAD program: everything the editor shows, scaled to fit with a margin,
// y axis up, on a white page (palette colour 7 black).

#include <string>

class AcDbDatabase;

namespace plotwright::db {

struct SvgOptions {
    double longSide = 1000.0;  // pixels for the longer side of the drawing's extents
    double margin = 20.0;
    // When both are above twice the margin: the picture has this size and the drawing
    // is fitted into it, centred.
    double width = 0.0;
    double height = 0.0;
    // When set (minimum below maximum both ways): the part of the drawing to show, in
    // drawing units, instead of its extents; what lies outside is cut off at the edge.
    bool hasArea = false;
    double areaMinX = 0.0, areaMinY = 0.0, areaMaxX = 0.0, areaMaxY = 0.0;
};

// The SVG document. Curves are drawn as chords within a quarter of a pixel; points
// closer than a tenth of a pixel to the last one are merged, so a curve of a million
// samples stays small. Text is SVG text; endless lines end at the picture's edge.
std::string svgPicture(const AcDbDatabase& database, const SvgOptions& options = {});

} // namespace plotwright::db
