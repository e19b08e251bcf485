#pragma once
// Entities of a drawing read from a DXF file that were put on another layer or given
// another colour: the save patches their layer (8), colour (62) and true colour (420)
// groups in the kept text, adding or dropping the colour groups as needed.

#include <vector>

class AcDbDatabase;

namespace plotwright::dxf {
struct DxfSource;
}

namespace plotwright::dxf::detail {
struct TextPatch;

void patchEntityAppearance(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches);

} // namespace plotwright::dxf::detail
