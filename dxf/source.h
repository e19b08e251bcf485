#pragma once
// Internal: what the DXF reader remembers of a file so that saving can write it back
// unchanged with the new entities added.

#include <cstddef>
#include <optional>
#include <string>

#include "base/code_page.h"
#include "db/database.h"

namespace plotwright::dxf {

struct DxfSource : AcDbDatabaseSource {
    static constexpr std::size_t npos = std::string::npos;

    std::string text;            // the whole file as read
    std::string newline = "\n";  // the file's line ending, used for added lines
    std::string version;         // $ACADVER ("AC1015"), empty when the file has none
    // $DWGCODEPAGE when it is one of the known code pages: the encoding of text before
    // R2007. Without it, added text writes its non-ASCII characters as \U+XXXX.
    std::optional<base::CodePage> codePage;

    // R12 and older know no LWPOLYLINE: new polylines go in as POLYLINE/VERTEX/SEQEND,
    // without subclass markers or owners.
    bool legacyEntities = false;
    // Why new entities cannot be added (empty when they can).
    std::string appendRefusal;
    // Whether entities carry handles (always from R13; in R12 when $HANDLING is 1).
    bool usesHandles = true;

    std::size_t handseedValue = npos;      // start of the $HANDSEED value line
    std::size_t handseedValueLength = 0;   // its length without the line ending
    std::size_t headerEnd = npos;          // the HEADER's 0/ENDSEC pair
    std::size_t firstSection = 0;          // the first 0/SECTION pair
    std::size_t entitiesEnd = npos;        // the ENTITIES' 0/ENDSEC pair
    std::size_t entitiesInsert = npos;     // where an ENTITIES section goes when there is none

    AcDbHandle modelSpaceRecord = 0;       // the BLOCK_RECORD handles (0 when absent)
    AcDbHandle paperSpaceRecord = 0;
};

// The DXF file `database` was read from, or null (a new drawing, or another source).
inline const DxfSource* dxfSourceOf(const AcDbDatabase& database)
{
    return dynamic_cast<const DxfSource*>(database.source());
}

} // namespace plotwright::dxf
