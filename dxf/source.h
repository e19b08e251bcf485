#pragma once
// Internal: what the DXF reader remembers of a file so that saving can write it back
// unchanged with the new entities added.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

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
    // Why nothing may be written into the file at all (empty when it may).
    std::string writeRefusal;
    // Whether entities carry handles (always from R13; in R12 when $HANDLING is 1).
    bool usesHandles = true;

    std::size_t clayerValue = npos;        // start of the $CLAYER value line
    std::size_t clayerValueLength = 0;
    std::wstring clayer = L"0";            // the current layer as read (layer 0 when the file names none it has)
    std::size_t handseedValue = npos;      // start of the $HANDSEED value line
    std::size_t handseedValueLength = 0;   // its length without the line ending
    std::size_t headerEnd = npos;          // the HEADER's 0/ENDSEC pair
    std::size_t firstSection = 0;          // the first 0/SECTION pair
    std::size_t entitiesEnd = npos;        // the ENTITIES' 0/ENDSEC pair
    std::size_t entitiesInsert = npos;     // where an ENTITIES section goes when there is none

    AcDbHandle modelSpaceRecord = 0;       // the BLOCK_RECORD handles (0 when absent)
    AcDbHandle paperSpaceRecord = 0;

    // Where the records of the file are, so that a save can drop, replace or add single
    // records and copy everything else unchanged. Offsets are into `text`.
    struct SourceSpan {
        std::size_t begin = 0;  // the record's "0/TYPE" pair
        std::size_t end = 0;    // the next record's "0" pair
    };
    // Entities of ENTITIES that the database holds, with their followers (VERTEX…SEQEND
    // of a POLYLINE, ATTRIB…SEQEND of an INSERT).
    std::unordered_map<const AcDbEntity*, SourceSpan> entitySpans;
    // The entries of the TABLES section.
    struct TableRecord {
        std::string table;  // "LAYER", "APPID", …
        std::string name;   // group 2 as written
        AcDbHandle handle = 0;
        SourceSpan span;
    };
    std::vector<TableRecord> tableRecords;
    std::map<std::string, std::size_t> tableEnds;   // table name → its "0/ENDTAB" pair
    std::map<std::string, SourceSpan> tableHeads;   // table name → 0/TABLE up to the first entry
    std::map<std::string, AcDbHandle> tableHandles; // table name → the TABLE's own handle
    // The records of the OBJECTS section.
    struct ObjectRecord {
        std::string type;
        AcDbHandle handle = 0;
        AcDbHandle owner = 0;  // group 330 before any group 102 list closes, 0 when none
        SourceSpan span;
    };
    std::vector<ObjectRecord> objects;
    std::size_t objectsEnd = npos;        // the OBJECTS' 0/ENDSEC pair
    std::size_t objectsInsert = npos;     // where an OBJECTS section goes when there is none (before EOF)
    AcDbHandle rootDictionary = 0;        // the first DICTIONARY of OBJECTS (0 when none)
};

// The code page of the text a save adds: the file's own; for a file before R2007 without
// one, Latin-1 (as it is read): files before R13 know no \U+XXXX escapes, and readers
// take an escaped layer name of later ones for a name with a backslash, which is none.
// Otherwise none (UTF-8, escapes).
inline std::optional<base::CodePage> addedTextCodePage(const DxfSource& source)
{
    if (!source.codePage && source.version < "AC1021")
        return base::CodePage::latin1;
    return source.codePage;
}

// The DXF file `database` was read from, or null (a new drawing, or another source).
inline const DxfSource* dxfSourceOf(const AcDbDatabase& database)
{
    return dynamic_cast<const DxfSource*>(database.source());
}

// The source text's span of an entity read from the file, or null (a new entity, an
// entity of a block definition, or a database that was not read from a DXF file).
inline const DxfSource::SourceSpan* sourceSpanOf(const AcDbDatabase& database, const AcDbEntity& entity)
{
    const DxfSource* source = dxfSourceOf(database);
    if (!source)
        return nullptr;
    const auto it = source->entitySpans.find(&entity);
    return it == source->entitySpans.end() ? nullptr : &it->second;
}

} // namespace plotwright::dxf
