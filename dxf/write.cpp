#include "dxf/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "db/access.h"
#include "db/database.h"
#include "render/display_shapes.h"
#include "dxf/app_data.h"
#include "dxf/app_data_edits.h"
#include "dxf/entity_writer.h"
#include "dxf/new_drawing.h"
#include "dxf/output.h"
#include "dxf/source.h"
#include "dxf/source_edits.h"
#include "dxf/writer.h"

namespace plotwright::dxf {

using db::detail::DatabaseAccess;
using detail::DxfOutput;
using detail::EntityRecordStyle;
using detail::TextPatch;

namespace {

DxfResult failure(DxfStatus status, const std::string& path, const std::string& reason)
{
    DxfResult result{status, "Cannot save \"" + path + "\": " + reason + "."};
    result.path = path;
    return result;
}

// An entity the save adds to the file, with the record style it is written in.
struct NewEntity {
    const AcDbEntity* entity;
    bool paperSpace;
};

std::vector<NewEntity> entitiesToWrite(const AcDbDatabase& db)
{
    std::vector<NewEntity> result;
    for (const AcDbBlockTableRecord* record : DatabaseAccess::records(db)) {
        const bool paper = db::detail::sameBlockName(record->name(), L"*Paper_Space");
        if (!paper && !db::detail::sameBlockName(record->name(), L"*Model_Space"))
            continue;
        for (const AcDbEntity* e : DatabaseAccess::entities(*record)) {
            if (!e->isErased() && !e->isFromFile())
                result.push_back({e, paper});
        }
    }
    return result;
}

detail::DrawingExtents modelExtents(const AcDbDatabase& db, const std::vector<NewEntity>& entities)
{
    db::Extents3d x;
    for (const NewEntity& n : entities) {
        if (!n.paperSpace)
            db::addExtents(db, *n.entity, x);
    }
    return {x.empty, x.minX, x.minY, x.minZ, x.maxX, x.maxY, x.maxZ};
}

// Writes a complete new R2000 drawing.
void writeNewDrawing(DxfOutput& out, const AcDbDatabase& db, const std::vector<NewEntity>& entities)
{
    std::vector<detail::AppDataRecord> records;
    const auto styleOf = [&records](const NewEntity& n) {
        EntityRecordStyle style;
        style.owner = n.paperSpace ? db::detail::newdrawing::kPaperSpaceRecord : db::detail::newdrawing::kModelSpaceRecord;
        style.paperSpace = n.paperSpace;
        style.codePage = base::CodePage::windows1252;  // the header's $DWGCODEPAGE
        style.xdata = true;
        style.xrecords = &records;
        return style;
    };
    AcDbHandle nextHandle = db.handseed();
    AcDbHandle seed = nextHandle;
    for (const NewEntity& n : entities)
        seed += detail::extraHandles(*n.entity, styleOf(n));
    detail::writeNewDrawingHead(out, seed, modelExtents(db, entities), db);
    for (const NewEntity& n : entities)
        detail::writeEntity(out, *n.entity, styleOf(n), nextHandle);
    detail::writeNewDrawingTail(out, records, false);
}

// `records` collects the XRECORDs of application data too large for extended data, when
// the file has an OBJECTS section to take them.
EntityRecordStyle styleFor(const DxfSource& src, bool paper, std::vector<detail::AppDataRecord>* records)
{
    EntityRecordStyle style;
    style.xdata = detail::sourceTakesXdata(src);
    style.xrecords = src.objectsEnd != DxfSource::npos ? records : nullptr;
    style.legacy = src.legacyEntities;
    style.handles = src.usesHandles;
    style.utf8 = src.version >= "AC1021";
    style.codePage = addedTextCodePage(src);
    style.owner = paper ? src.paperSpaceRecord : src.modelSpaceRecord;
    style.paperSpace = paper;
    return style;
}

// Writes the file the drawing was read from, unchanged but for the patches its state
// asks for: the new entities at the end of its ENTITIES section, $HANDSEED raised above
// every handle drawn, the records of erased entities dropped, and whatever else
// collectSourcePatches adds. False when two patches would change the same bytes.
bool writeOverSource(DxfOutput& out, const AcDbDatabase& db, const DxfSource& src,
                     const std::vector<NewEntity>& entities)
{
    const std::string_view text = src.text;
    AcDbHandle nextHandle = db.handseed();
    std::vector<TextPatch> patches;
    collectSourcePatches(db, src, nextHandle, patches);
    if (entities.empty() && patches.empty() && db.clayer() == src.clayer) {
        out.raw(text);
        return true;
    }
    std::vector<detail::AppDataRecord> records;
    AcDbHandle seed = nextHandle;
    for (const NewEntity& n : entities)
        seed += detail::extraHandles(*n.entity, styleFor(src, n.paperSpace, &records));

    // The handle seed in the HEADER (added when the file has none). A file without a
    // HEADER gets one holding the seed and a changed current layer (patchCurrentLayer
    // patches the layer of a file with a HEADER).
    const bool seedChanged = src.usesHandles && (!entities.empty() || seed != db.handseed());
    const bool newHeader = src.headerEnd == DxfSource::npos;
    const bool layerForNewHeader = newHeader && db.clayer() != src.clayer;
    if (seedChanged || layerForNewHeader) {
        DxfOutput seedText(src.newline);
        if (seedChanged && src.handseedValue != DxfSource::npos) {
            patches.push_back({src.handseedValue, src.handseedValueLength, detail::formatHandle(seed)});
        } else {
            if (newHeader) {
                seedText.pair(0, "SECTION");
                seedText.pair(2, "HEADER");
            }
            if (layerForNewHeader) {
                seedText.pair(9, "$CLAYER");
                seedText.pair(8, detail::dxfValueText(db.clayer(), src.version >= "AC1021", addedTextCodePage(src)));
            }
            if (seedChanged) {
                seedText.pair(9, "$HANDSEED");
                seedText.handle(5, seed);
            }
            if (newHeader)
                seedText.pair(0, "ENDSEC");
            patches.push_back({newHeader ? src.firstSection : src.headerEnd, 0, seedText.take()});
        }
    }
    // The new entities, at the end of ENTITIES (or in a new section where one belongs).
    if (!entities.empty()) {
        const bool newSection = src.entitiesEnd == DxfSource::npos;
        DxfOutput added(src.newline);
        if (newSection) {
            added.pair(0, "SECTION");
            added.pair(2, "ENTITIES");
        }
        for (const NewEntity& n : entities)
            detail::writeEntity(added, *n.entity, styleFor(src, n.paperSpace, &records), nextHandle);
        if (newSection)
            added.pair(0, "ENDSEC");
        patches.push_back({newSection ? src.entitiesInsert : src.entitiesEnd, 0, added.take()});
    }
    // Their extension dictionaries and XRECORDs, at the end of OBJECTS.
    if (!records.empty()) {
        DxfOutput objects(src.newline);
        for (const detail::AppDataRecord& r : records)
            detail::writeAppXrecord(objects, r.entity->handle(), r.dictionary, r.xrecord, r.entity->appData(),
                                    src.version >= "AC1021");
        patches.push_back({src.objectsEnd, 0, objects.take()});
    }
    if (!orderPatches(patches))
        return false;
    std::size_t copied = 0;
    for (const TextPatch& patch : patches) {
        out.raw(text.substr(copied, patch.offset - copied));
        out.raw(patch.text);
        copied = patch.offset + patch.replaced;
    }
    out.raw(text.substr(copied));
    return true;
}

// True when a new entity carries a curve definition that the file has no place for:
// neither extended data (the file has no APPID table, or the definition is too large)
// nor an XRECORD (no OBJECTS section, or entities of R12 or without handles).
bool definitionDropped(const AcDbDatabase& db, const std::vector<NewEntity>& entities)
{
    const DxfSource* src = dxfSourceOf(db);
    if (!src)
        return false;  // a new drawing has room for every definition
    std::vector<detail::AppDataRecord> records;
    return std::any_of(entities.begin(), entities.end(), [&](const NewEntity& n) {
        return !n.entity->appData().empty() &&
               detail::appDataForm(*n.entity, styleFor(*src, n.paperSpace, &records)) == detail::AppDataForm::none;
    });
}

} // namespace

namespace detail {

WriteRefusal drawingRefusal(const AcDbDatabase& database)
{
    const DxfSource* source = dxfSourceOf(database);
    if (source && !source->writeRefusal.empty())
        return {DxfStatus::unsupported, source->writeRefusal};
    const std::vector<NewEntity> entities = entitiesToWrite(database);
    for (const NewEntity& n : entities) {
        const std::string where = detail::nonFiniteNumber(*n.entity);
        if (!where.empty()) {
            return {DxfStatus::nonFinite,
                    "entity " + detail::formatHandle(n.entity->handle()) + " has a number that is not finite (" + where + ")"};
        }
    }
    if (source && !entities.empty() && !source->appendRefusal.empty())
        return {DxfStatus::unsupported, source->appendRefusal};
    if (source) {
        AcDbHandle nextHandle = database.handseed();
        std::vector<TextPatch> patches;
        collectSourcePatches(database, *source, nextHandle, patches);
        if (!orderPatches(patches))
            return {DxfStatus::unsupported, "two changes of the drawing would replace the same part of the file"};
    }
    return {};
}

bool writeDrawing(const AcDbDatabase& database, int fd, int& error)
{
    const DxfSource* source = dxfSourceOf(database);
    const std::vector<NewEntity> entities = entitiesToWrite(database);
    DxfOutput out(fd, source ? source->newline : std::string("\n"));
    if (source) {
        if (!writeOverSource(out, database, *source, entities)) {
            error = EINVAL;
            return false;
        }
    } else {
        writeNewDrawing(out, database, entities);
    }
    const bool ok = out.flush();
    error = out.error();
    return ok;
}

} // namespace detail

DxfResult saveDxf(AcDbDatabase& database, const std::string& path, const base::ReplaceOptions& options)
{
    if (const detail::WriteRefusal refusal = detail::drawingRefusal(database); refusal.status != DxfStatus::ok)
        return failure(refusal.status, path, refusal.reason);
    const base::FileResult saved = base::replaceFile(
        path,
        [&database](int fd) {
            int error = 0;
            return detail::writeDrawing(database, fd, error) ? 0 : (error != 0 ? error : EIO);
        },
        options);
    if (!saved.ok())
        return failure(DxfStatus::writeFailed, path, saved.reason);
    DxfResult result;
    result.path = path;
    if (definitionDropped(database, entitiesToWrite(database)))
        result.notice = "\"" + path + "\" keeps the curves drawn but not their definitions, which a drawing of this "
                        "kind has no place for (it needs an APPID table, or an OBJECTS section and a version of R13 "
                        "or later): list and redraw will not find these curves.";
    database.setModified(false);
    return result;
}

} // namespace plotwright::dxf
