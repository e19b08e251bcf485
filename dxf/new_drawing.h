#pragma once
// Internal: the fixed records of a new R2000 drawing around its entities.

#include <vector>

#include "db/database.h"
#include "db/object_id.h"
#include "dxf/entity_writer.h"
#include "dxf/output.h"

namespace plotwright::dxf::detail {

struct DrawingExtents {
    bool empty = true;
    double minX = 0.0, minY = 0.0, minZ = 0.0;
    double maxX = 0.0, maxY = 0.0, maxZ = 0.0;
};

// HEADER to BLOCKS, then the opening of ENTITIES; the layers and current layer of `database`.
void writeNewDrawingHead(DxfOutput& out, AcDbHandle handseed, const DrawingExtents& extents,
                         const AcDbDatabase& database);
// The end of ENTITIES, OBJECTS with the extension dictionaries and XRECORDs of
// `records`, and EOF. A new drawing registers the application of this program's
// extended data (APPID PLOTWRIGHT).
void writeNewDrawingTail(DxfOutput& out, const std::vector<AppDataRecord>& records, bool utf8);

} // namespace plotwright::dxf::detail
