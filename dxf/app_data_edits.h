#pragma once
// Internal: what a save adds to a drawing read from a file so that new entities can keep
// their curve data: the APPID record of the extended data's application.

#include <vector>

#include "db/object.h"
#include "dxf/source_edits.h"

class AcDbDatabase;

namespace plotwright::dxf {
struct DxfSource;
}

namespace plotwright::dxf::detail {

// Whether new entities of the drawing may carry extended data: it has an APPID table.
bool sourceTakesXdata(const DxfSource& source);

// Adds the APPID record "PLOTWRIGHT" at the end of the APPID table when a new entity
// carries application data and the drawing lacks the record (its handle from
// `nextHandle`).
void addCurveAppId(const AcDbDatabase& db, const DxfSource& source, AcDbHandle& nextHandle,
                   std::vector<TextPatch>& patches);

} // namespace plotwright::dxf::detail
