#pragma once
// Internal: the records of entities the database adds to a DXF file.

#include <optional>
#include <string>

#include "base/code_page.h"
#include "db/object.h"
#include "dxf/output.h"

namespace plotwright::dxf::detail {

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
};

// Writes `entity`. Handles of VERTEX and SEQEND records of legacy polylines are drawn
// from `nextHandle`.
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
