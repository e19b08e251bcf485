#pragma once
// Internal: the changes a save makes to the text of a drawing that was read from a DXF
// file. The source text is never changed itself; each save derives the patches from the
// database's state, so saving twice gives the same file.

#include <cstddef>
#include <string>
#include <vector>

#include "db/object.h"

class AcDbDatabase;

namespace plotwright::dxf {
struct DxfSource;
}

namespace plotwright::dxf::detail {

// Replaces `replaced` bytes of the source text at `offset` by `text` (an insertion when
// `replaced` is 0). Text is complete pairs with the file's own line ending.
struct TextPatch {
    std::size_t offset = 0;
    std::size_t replaced = 0;
    std::string text;
};

// Adds the patches the database's state asks for: records of erased entities from the
// file are dropped together with the OBJECTS records they own. New records take their
// handles from `nextHandle`, which ends above every handle drawn.
void collectSourcePatches(const AcDbDatabase& db, const DxfSource& source, AcDbHandle& nextHandle,
                          std::vector<TextPatch>& patches);

// Sorts `patches` by offset (insertions at one offset keep their order) and checks that
// no two replace the same bytes; false when they do.
bool orderPatches(std::vector<TextPatch>& patches);

} // namespace plotwright::dxf::detail
