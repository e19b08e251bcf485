#pragma once
// Internal: the records of entities the database adds to a DXF file.

#include <optional>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "db/object.h"
#include "dxf/output.h"

namespace plotwright::dxf::detail {

// An entity's application data written to an XRECORD of its extension dictionary: the
// OBJECTS section takes these records after the entities are written.
struct AppDataRecord {
    const AcDbEntity* entity = nullptr;
    AcDbHandle dictionary = 0;
    AcDbHandle xrecord = 0;
};

struct EntityRecordStyle {
    // R12 records: no subclass markers and owners, polylines as POLYLINE/VERTEX/SEQEND.
    bool legacy = false;
    // Whether records carry handles (code 5).
    bool handles = true;
    // R2007 and later store text as UTF-8; older files their code page (`codePage`, when
    // known) and \U+XXXX for the rest of non-ASCII.
    bool utf8 = false;
    std::optional<base::CodePage> codePage;
    AcDbHandle owner = 0;
    bool paperSpace = false;
    // Where an entity's application data may go: extended data (the drawing has or gains
    // the APPID record), and XRECORDs (collected here for the OBJECTS section) when the
    // data is too large for extended data. Neither: the data is not written.
    bool xdata = false;
    std::vector<AppDataRecord>* xrecords = nullptr;
    // Set by writeEntity for the record it writes: the entity's extension dictionary.
    AcDbHandle extensionDictionary = 0;
};

// How `entity`'s application data goes into the file in `style`.
enum class AppDataForm { none, xdata, xrecord };
AppDataForm appDataForm(const AcDbEntity& entity, const EntityRecordStyle& style);

// Writes `entity`. Handles of VERTEX and SEQEND records of legacy polylines, and of the
// extension dictionary and XRECORD of large application data, are drawn from `nextHandle`.
void writeEntity(DxfOutput& out, const AcDbEntity& entity, const EntityRecordStyle& style, AcDbHandle& nextHandle);

// How many extra handles writeEntity draws for `entity` in `style`.
AcDbHandle extraHandles(const AcDbEntity& entity, const EntityRecordStyle& style);

// Empty when every number of `entity` is finite; otherwise where the first one is not.
std::string nonFiniteNumber(const AcDbEntity& entity);

// A text value for a DXF file: control characters replaced, non-ASCII as UTF-8 (U+FFFD
// for surrogates and values beyond U+10FFFF), else as the byte of `codePage` when it has
// the character, else as a \U+XXXX escape.
std::string dxfValueText(const std::wstring& text, bool utf8, std::optional<base::CodePage> codePage = {});

} // namespace plotwright::dxf::detail
