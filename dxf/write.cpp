#include "dxf/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

std::string writeFailureReason(int error, const std::string& folder)
{
    switch (error) {
    case ENOENT: return "the folder \"" + folder + "\" does not exist";
    case ENOTDIR: return "\"" + folder + "\" is not a folder";
    case EACCES:
    case EPERM: return "no permission to write in the folder \"" + folder + "\"";
    case EROFS: return "the folder \"" + folder + "\" is on a read-only file system";
    case ENOSPC: return "the disk is full";
    case EDQUOT: return "the disk quota is exhausted";
    default: return std::strerror(error);
    }
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
    detail::writeNewDrawingHead(out, seed, modelExtents(db, entities));
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

// The file a save goes to: a symbolic link is followed, so the link stays.
std::string resolvedTarget(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto target = std::filesystem::canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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

DxfResult saveDxf(AcDbDatabase& database, const std::string& path)
{
    if (const detail::WriteRefusal refusal = detail::drawingRefusal(database); refusal.status != DxfStatus::ok)
        return failure(refusal.status, path, refusal.reason);

    const std::string target = resolvedTarget(path);
    std::filesystem::path targetPath(target);
    std::string folder = targetPath.parent_path().string();
    if (folder.empty())
        folder = ".";
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return failure(DxfStatus::fileAccess, path, "it is a folder");

    // Write next to the target and rename over it: the old drawing stays whole until the
    // new one is complete on disk.
    std::string temporary = folder + "/." + targetPath.filename().string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return failure(DxfStatus::fileAccess, path, writeFailureReason(errno, folder));
    const auto abandon = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return failure(DxfStatus::fileAccess, path, writeFailureReason(error, folder));
    };
    if (::fchmod(fd, exists ? (existing.st_mode & 07777) : newFileMode()) != 0)
        return abandon(errno);

    if (int error = 0; !detail::writeDrawing(database, fd, error))
        return abandon(error);
    if (::fsync(fd) != 0)
        return abandon(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return failure(DxfStatus::fileAccess, path, writeFailureReason(error, folder));
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return failure(DxfStatus::fileAccess, path, writeFailureReason(error, folder));
    }
    // The rename itself reaches the disk with the folder's entry.
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    database.setModified(false);
    return {};
}

} // namespace plotwright::dxf
