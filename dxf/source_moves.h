#pragma once
// Moved entities of a drawing read from a DXF file: the save patches the values of
// their point groups in the kept text (by the entity's displacement) and leaves every
// other byte of their records alone.

#include <vector>

#include "db/object.h"

class AcDbDatabase;

namespace plotwright::dxf {

struct DxfSource;

// False when `entity` came from a DXF file as a record whose points a save cannot
// patch (a type other than LINE, POINT, CIRCLE, ARC, ELLIPSE, LWPOLYLINE, POLYLINE,
// TEXT, MTEXT, INSERT, SPLINE): moving it would not reach the file.
bool canMoveInSource(const AcDbDatabase& database, const AcDbEntity& entity);

namespace detail {
struct TextPatch;

// One patch per point value of every moved entity read from the file.
void patchMovedEntities(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches);
} // namespace detail

} // namespace plotwright::dxf
