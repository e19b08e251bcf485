#include "dxf/source_edits.h"

#include <algorithm>
#include <unordered_set>

#include "db/access.h"
#include "db/database.h"
#include "dxf/app_data_edits.h"
#include "dxf/source.h"
#include "dxf/source_appearance.h"
#include "dxf/source_layers.h"
#include "dxf/source_moves.h"

namespace plotwright::dxf::detail {

using db::detail::DatabaseAccess;

namespace {

// Erased entities that came from the file: their records go, and with them every
// OBJECTS record they own, directly or through what they own (an extension dictionary
// and its entries), so that no object is left pointing at a missing owner.
void dropErasedEntities(const AcDbDatabase& db, const DxfSource& source, std::vector<TextPatch>& patches)
{
    std::unordered_set<AcDbHandle> dropped;
    for (const AcDbBlockTableRecord* record : DatabaseAccess::records(db)) {
        for (const AcDbEntity* e : DatabaseAccess::entities(*record)) {
            if (!e->isErased() || !e->isFromFile())
                continue;
            const auto span = source.entitySpans.find(e);
            if (span == source.entitySpans.end())
                continue;
            patches.push_back({span->second.begin, span->second.end - span->second.begin, {}});
            if (e->handle() != 0)
                dropped.insert(e->handle());
        }
    }
    if (dropped.empty())
        return;
    // Owners come before what they own in most files, but not always: repeat until no
    // more records join.
    std::vector<bool> taken(source.objects.size(), false);
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t i = 0; i < source.objects.size(); ++i) {
            const DxfSource::ObjectRecord& o = source.objects[i];
            if (taken[i] || o.owner == 0 || dropped.count(o.owner) == 0)
                continue;
            taken[i] = true;
            grew = true;
            patches.push_back({o.span.begin, o.span.end - o.span.begin, {}});
            if (o.handle != 0)
                dropped.insert(o.handle);
        }
    }
}

} // namespace

void collectSourcePatches(const AcDbDatabase& db, const DxfSource& source, AcDbHandle& nextHandle,
                          std::vector<TextPatch>& patches)
{
    dropErasedEntities(db, source, patches);
    patchMovedEntities(db, source, patches);
    patchEntityAppearance(db, source, patches);
    patchLayerTable(db, source, nextHandle, patches);
    patchCurrentLayer(db, source, patches);
    addCurveAppId(db, source, nextHandle, patches);
}

bool orderPatches(std::vector<TextPatch>& patches)
{
    // At one offset, insertions go before a replacement that starts there.
    std::stable_sort(patches.begin(), patches.end(), [](const TextPatch& a, const TextPatch& b) {
        return a.offset != b.offset ? a.offset < b.offset : (a.replaced == 0 && b.replaced != 0);
    });
    for (std::size_t i = 1; i < patches.size(); ++i) {
        const TextPatch& before = patches[i - 1];
        if (before.offset + before.replaced > patches[i].offset)
            return false;
    }
    return true;
}

} // namespace plotwright::dxf::detail
