#include "dxf/app_data_edits.h"

#include <algorithm>
#include <cctype>

#include "db/access.h"
#include "db/database.h"
#include "dxf/app_data.h"
#include "dxf/output.h"
#include "dxf/scan.h"
#include "dxf/source.h"

namespace plotwright::dxf::detail {

namespace {

// Application names compare without regard to case, as CAD programs do.
bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool hasAppId(const DxfSource& source)
{
    return std::any_of(source.tableRecords.begin(), source.tableRecords.end(), [](const DxfSource::TableRecord& r) {
        return r.table == "APPID" && sameName(trimmed(r.name), kCurveAppName);
    });
}

bool newEntityWithData(const AcDbDatabase& db)
{
    for (const AcDbBlockTableRecord* record : db::detail::DatabaseAccess::records(db))
        for (const AcDbEntity* e : db::detail::DatabaseAccess::entities(*record))
            if (!e->isErased() && !e->isFromFile() && !e->appData().empty())
                return true;
    return false;
}

} // namespace

bool sourceTakesXdata(const DxfSource& source) { return source.tableEnds.count("APPID") != 0; }

void addCurveAppId(const AcDbDatabase& db, const DxfSource& source, AcDbHandle& nextHandle,
                   std::vector<TextPatch>& patches)
{
    if (!sourceTakesXdata(source) || hasAppId(source) || !newEntityWithData(db))
        return;
    DxfOutput record(source.newline);
    record.pair(0, "APPID");
    if (source.usesHandles)
        record.handle(5, nextHandle++);
    if (!source.legacyEntities) {
        const auto table = source.tableHandles.find("APPID");
        record.handle(330, table == source.tableHandles.end() ? 0 : table->second);
        record.pair(100, "AcDbSymbolTableRecord");
        record.pair(100, "AcDbRegAppTableRecord");
    }
    record.pair(2, kCurveAppName);
    record.integer(70, 0);
    patches.push_back({source.tableEnds.at("APPID"), 0, record.take()});
}

} // namespace plotwright::dxf::detail
