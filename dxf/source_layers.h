#pragma once
// Layers of a drawing read from a DXF file: a changed layer gets its colour (62),
// flags (70) and true colour (420) groups replaced in its own record; a new layer a
// new record at the end of the LAYER table. Nothing else of the table changes.

#include <vector>

#include "db/object_id.h"

class AcDbDatabase;

namespace plotwright::dxf {
struct DxfSource;
}

namespace plotwright::dxf::detail {

struct TextPatch;

// New records take their handles from `nextHandle`.
void patchLayerTable(const AcDbDatabase& db, const DxfSource& source, AcDbHandle& nextHandle,
                     std::vector<TextPatch>& patches);

// Another current layer than the one read: the value of $CLAYER is replaced (the
// variable added at the end of the HEADER when the file has none); nothing else of the
// file changes. A file without a HEADER gets one from the writer, with the handle seed.
void patchCurrentLayer(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches);

} // namespace plotwright::dxf::detail
