#pragma once
// An SVG picture of a drawing's model space, so a result can be looked at without a CAD
// program: every entity, scaled to fit with a margin, y axis up.

#include <string>

class AcDbDatabase;

namespace plotwright::cli {

// The SVG document. Arcs and circles are drawn as short chords; points closer together
// than a fraction of a pixel are merged, so a curve of a million samples stays small.
std::string svgPreview(const AcDbDatabase& database);

} // namespace plotwright::cli
