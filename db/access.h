#pragma once
// Internal: what the DXF reader and writer need of the database beyond its public
// interface (building it from a file, walking it without opening objects).

#include <memory>
#include <string>
#include <vector>

#include "db/database.h"

namespace plotwright::db::detail {

// Handles of the fixed objects of a new drawing; the writer of new drawings uses the
// same numbers. Entities of a new drawing start at kFirstEntityHandle.
namespace newdrawing {
inline constexpr AcDbHandle kBlockRecordTable = 0x11;
inline constexpr AcDbHandle kModelSpaceRecord = 0x12;
inline constexpr AcDbHandle kPaperSpaceRecord = 0x13;
inline constexpr AcDbHandle kLayerTable = 0x7;
inline constexpr AcDbHandle kLayerZero = 0x8;
inline constexpr AcDbHandle kFirstEntityHandle = 0x30;
} // namespace newdrawing

class DatabaseAccess {
public:
    // `handle` 0 draws the next free handle.
    static AcDbBlockTable* createBlockTable(AcDbDatabase& db, AcDbHandle handle);
    // A handle of 0, or one already in use, draws the next free handle.
    static AcDbBlockTableRecord* addBlockRecord(AcDbDatabase& db, const std::wstring& name, AcDbHandle handle);
    // Adds an entity read from a file to the end of `record`, closed and marked as from
    // the file. A handle of 0, or one already in use, draws the next free handle.
    static AcDbEntity* addFileEntity(AcDbDatabase& db, AcDbBlockTableRecord& record,
                                     std::unique_ptr<AcDbEntity> entity, AcDbHandle handle);
    static void setHandseed(AcDbDatabase& db, AcDbHandle handseed) { db.handseed_ = handseed; }
    static void setSource(AcDbDatabase& db, std::shared_ptr<const AcDbDatabaseSource> source) { db.source_ = std::move(source); }
    // A layer as read from a file, with its record's handle (0 when the file has none).
    static void setLayer(AcDbDatabase& db, const std::wstring& layer, const AcDbLayerAppearance& appearance,
                         AcDbHandle handle = 0);
    static void setBlockOrigin(AcDbBlockTableRecord& record, const AcGePoint3d& origin) { record.origin_ = origin; }
    static void countUnshown(AcDbDatabase& db, const std::wstring& kind) { ++db.unshown_[kind]; }
    static AcDbLinetypeTable& linetypes(AcDbDatabase& db) { return db.linetypes_; }
    static AcDbTextStyleTable& textStyles(AcDbDatabase& db) { return db.textStyles_; }
    static AcDbBlockClipTable& blockClips(AcDbDatabase& db) { return db.blockClips_; }

    static Acad::ErrorStatus openById(AcDbDatabase& db, AcDbHandle handle, AcDb::OpenMode mode, bool openErased,
                                      AcDbObject*& object);

    static const std::vector<AcDbBlockTableRecord*>& records(const AcDbDatabase& db) { return db.blockTable_->records_; }
    static AcDbBlockTableRecord* record(const AcDbDatabase& db, const wchar_t* name);
    static const std::vector<AcDbEntity*>& entities(const AcDbBlockTableRecord& record) { return record.entities_; }
};

// Block names compare without regard to (ASCII) case, as CAD programs do.
bool sameBlockName(const std::wstring& a, const wchar_t* b);
// The same for two whole strings: a name read from a file may hold a NUL.
bool sameBlockName(const std::wstring& a, const std::wstring& b);

} // namespace plotwright::db::detail
