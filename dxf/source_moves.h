#pragma once
// Moved, turned, scaled and mirrored entities of a drawing read from a DXF file: the
// save patches the values of their records in the kept text (points, and the radii,
// widths, angles, bulges and axes that change with them) by the entity's placement and
// leaves every other byte of their records alone.

#include <vector>

#include "db/object.h"

class AcDbDatabase;

namespace plotwright::dxf {

struct DxfSource;

// False when `entity` came from a DXF file as a record whose values a save cannot
// patch for `placement`: a move reaches LINE, POINT, CIRCLE, ARC, ELLIPSE, LWPOLYLINE,
// POLYLINE, TEXT, MTEXT, INSERT and SPLINE records; a turn, scale or mirror only those
// whose every value follows it exactly (not texts, whose letters would have to turn or
// mirror with them, nor block references, which carry their own scales and rotation).
bool canPlaceInSource(const AcDbDatabase& database, const AcDbEntity& entity, const AcDbPlacement& placement);
inline bool canMoveInSource(const AcDbDatabase& database, const AcDbEntity& entity)
{
    return canPlaceInSource(database, entity, AcDbPlacement{});
}

namespace detail {
struct TextPatch;

// The patches of every entity read from the file whose placement is not the identity.
void patchMovedEntities(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches);
} // namespace detail

} // namespace plotwright::dxf
