#include "dxf/source_moves.h"

#include <string_view>

#include "db/access.h"
#include "db/database.h"
#include "dxf/output.h"
#include "dxf/scan.h"
#include "dxf/source.h"
#include "dxf/source_edits.h"

namespace plotwright::dxf {

namespace {

// Which point groups move, by record type: x codes (y is x + 10). Vectors (an
// ellipse's major axis 11, a text's direction 11 in MTEXT, a spline's tangents 12/13)
// and the POLYLINE head's elevation point stay as they are.
struct MovedGroups {
    bool x10 = false;
    bool x11 = false;
};

bool movedGroups(std::string_view type, MovedGroups& groups)
{
    if (type == "LINE" || type == "TEXT" || type == "ATTRIB" || type == "SPLINE")
        groups = {true, true};
    else if (type == "POINT" || type == "CIRCLE" || type == "ARC" || type == "ELLIPSE" || type == "LWPOLYLINE" ||
             type == "VERTEX" || type == "MTEXT" || type == "INSERT")
        groups = {true, false};
    else if (type == "POLYLINE" || type == "SEQEND")
        groups = {};
    else
        return false;
    return true;
}

std::string_view recordType(const DxfSource& source, const DxfSource::SourceSpan& span)
{
    detail::DxfPairScanner scanner(source.text, span.begin);
    detail::DxfPair pair;
    if (scanner.next(pair) != detail::DxfPairScanner::Step::pair || pair.code != 0)
        return {};
    return detail::trimmed(pair.value);
}

void patchRecord(const DxfSource& source, const DxfSource::SourceSpan& span, const AcGeVector3d& offset,
                 std::vector<detail::TextPatch>& patches)
{
    detail::DxfPairScanner scanner(source.text, span.begin);
    detail::DxfPair pair;
    MovedGroups groups;
    bool embedded = false;
    while (scanner.position() < span.end && scanner.next(pair) == detail::DxfPairScanner::Step::pair) {
        if (pair.code == 0) {
            if (!movedGroups(detail::trimmed(pair.value), groups))
                groups = {};
            embedded = false;
            continue;
        }
        // MTEXT of newer files embeds an object with points of its own after group 101.
        if (pair.code == 101)
            embedded = true;
        if (embedded)
            continue;
        const int base = pair.code == 10 || pair.code == 20 ? 10 : pair.code == 11 || pair.code == 21 ? 11 : 0;
        if (base == 0 || (base == 10 && !groups.x10) || (base == 11 && !groups.x11))
            continue;
        const double by = pair.code == base ? offset.x : offset.y;
        double value = 0.0;
        if (by == 0.0 || !detail::parseDouble(detail::trimmed(pair.value), value))
            continue;
        patches.push_back({pair.valueOffset, pair.value.size(), detail::formatReal(value + by)});
    }
}

} // namespace

bool canMoveInSource(const AcDbDatabase& database, const AcDbEntity& entity)
{
    const DxfSource::SourceSpan* span = sourceSpanOf(database, entity);
    if (!span)
        return true;
    MovedGroups groups;
    return movedGroups(recordType(*dxfSourceOf(database), *span), groups);
}

void detail::patchMovedEntities(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches)
{
    for (const AcDbBlockTableRecord* record : db::detail::DatabaseAccess::records(db)) {
        for (const AcDbEntity* e : db::detail::DatabaseAccess::entities(*record)) {
            if (e->isErased() || !e->isFromFile() || e->displacement() == AcGeVector3d{})
                continue;
            const auto span = source.entitySpans.find(e);
            if (span != source.entitySpans.end())
                patchRecord(source, span->second, e->displacement(), patches);
        }
    }
}

} // namespace plotwright::dxf
