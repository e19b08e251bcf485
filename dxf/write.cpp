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
#include "db/display_shapes.h"
#include "dxf/entity_writer.h"
#include "dxf/new_drawing.h"
#include "dxf/output.h"
#include "dxf/source.h"
#include "dxf/writer.h"

namespace plotwright::dxf {

using db::detail::DatabaseAccess;
using detail::DxfOutput;
using detail::EntityRecordStyle;

namespace {

DxfResult failure(DxfStatus status, const std::string& path, const std::string& reason)
{
    return {status, "Cannot save \"" + path + "\": " + reason + "."};
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
    const auto styleOf = [](const NewEntity& n) {
        EntityRecordStyle style;
        style.owner = n.paperSpace ? db::detail::newdrawing::kPaperSpaceRecord : db::detail::newdrawing::kModelSpaceRecord;
        style.paperSpace = n.paperSpace;
        return style;
    };
    AcDbHandle nextHandle = db.handseed();
    AcDbHandle seed = nextHandle;
    for (const NewEntity& n : entities)
        seed += detail::extraHandles(*n.entity, styleOf(n));
    detail::writeNewDrawingHead(out, seed, modelExtents(db, entities), db);
    for (const NewEntity& n : entities)
        detail::writeEntity(out, *n.entity, styleOf(n), nextHandle);
    detail::writeNewDrawingTail(out);
}

EntityRecordStyle styleFor(const DxfSource& src, bool paper)
{
    EntityRecordStyle style;
    style.legacy = src.legacyEntities;
    style.handles = src.usesHandles;
    style.utf8 = src.version >= "AC1021";
    style.owner = paper ? src.paperSpaceRecord : src.modelSpaceRecord;
    style.paperSpace = paper;
    return style;
}

// Writes the file the drawing was read from, unchanged, with the new entities at the
// end of its ENTITIES section and $HANDSEED raised above their handles.
void writeOverSource(DxfOutput& out, const AcDbDatabase& db, const DxfSource& src,
                     const std::vector<NewEntity>& entities)
{
    const std::string_view text = src.text;
    if (entities.empty()) {
        out.raw(text);
        return;
    }
    AcDbHandle nextHandle = db.handseed();
    AcDbHandle seed = nextHandle;
    for (const NewEntity& n : entities)
        seed += detail::extraHandles(*n.entity, styleFor(src, n.paperSpace));

    // Two places change: the handle seed in the HEADER and the end of ENTITIES. Files
    // normally have them in that order; patches sorted by offset keep odd files sound.
    struct Patch {
        std::size_t offset;
        std::size_t replaced;  // original bytes the patch stands in for
        bool seedPatch;
    };
    std::vector<Patch> patches;
    if (src.usesHandles) {
        if (src.handseedValue != DxfSource::npos)
            patches.push_back({src.handseedValue, src.handseedValueLength, true});
        else
            patches.push_back({src.headerEnd != DxfSource::npos ? src.headerEnd : src.firstSection, 0, true});
    }
    const bool newSection = src.entitiesEnd == DxfSource::npos;
    patches.push_back({newSection ? src.entitiesInsert : src.entitiesEnd, 0, false});
    std::stable_sort(patches.begin(), patches.end(), [](const Patch& a, const Patch& b) { return a.offset < b.offset; });

    std::size_t copied = 0;
    for (const Patch& patch : patches) {
        out.raw(text.substr(copied, patch.offset - copied));
        copied = patch.offset + patch.replaced;
        if (patch.seedPatch) {
            if (src.handseedValue != DxfSource::npos) {
                out.raw(detail::formatHandle(seed));
            } else {
                const bool newHeader = src.headerEnd == DxfSource::npos;
                if (newHeader) {
                    out.pair(0, "SECTION");
                    out.pair(2, "HEADER");
                }
                out.pair(9, "$HANDSEED");
                out.handle(5, seed);
                if (newHeader)
                    out.pair(0, "ENDSEC");
            }
            continue;
        }
        if (newSection) {
            out.pair(0, "SECTION");
            out.pair(2, "ENTITIES");
        }
        for (const NewEntity& n : entities)
            detail::writeEntity(out, *n.entity, styleFor(src, n.paperSpace), nextHandle);
        if (newSection)
            out.pair(0, "ENDSEC");
    }
    out.raw(text.substr(copied));
}

} // namespace

namespace detail {

WriteRefusal drawingRefusal(const AcDbDatabase& database)
{
    const DxfSource* source = dxfSourceOf(database);
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
    return {};
}

bool writeDrawing(const AcDbDatabase& database, int fd, int& error)
{
    const DxfSource* source = dxfSourceOf(database);
    const std::vector<NewEntity> entities = entitiesToWrite(database);
    DxfOutput out(fd, source ? source->newline : std::string("\n"));
    if (source)
        writeOverSource(out, database, *source, entities);
    else
        writeNewDrawing(out, database, entities);
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
        return failure(DxfStatus::fileAccess, path, saved.reason);
    database.setModified(false);
    return {};
}

} // namespace plotwright::dxf
