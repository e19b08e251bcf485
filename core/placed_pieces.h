#pragma once
// The entities a drawing holds for the pieces of a curve, read back as geometry with
// their curve data in extended-data form: what another program's writer needs to write
// the same curve (the Python module's ezdxf bridge).

#include "plotwright/drawing.h"

#include <string>
#include <vector>

namespace plotwright::core {

// One value of a piece's curve data: its extended-data group code (1000 text, 1040 real,
// 1070 and 1071 integers) and the value, as the DXF writer writes it.
struct DataGroup {
    int code = 0;
    std::string text;
    double real = 0;
    long integer = 0;
};

struct PlacedPiece {
    Piece piece;           // the geometry exactly as the entity holds it
    double elevation = 0;  // a polyline's elevation
    std::vector<DataGroup> data;
};

// The entities `handles` of `drawing`'s model space, in that order. `utf8`: texts beyond
// ASCII stay UTF-8 (R2007 and later files), else they are escaped as \U+XXXX.
std::vector<PlacedPiece> placedPieces(const Drawing& drawing, const std::vector<std::string>& handles, bool utf8);

} // namespace plotwright::core
