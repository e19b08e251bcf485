#pragma once
// The drawing database: a block table with the records "*Model_Space" and
// "*Paper_Space", each owning its entities in order, and the bookkeeping of open
// objects, handles, undo and what the database was read from.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/acad_status.h"
#include "db/ge_point.h"
#include "db/object.h"

class AcDbBlockTableRecord;
class AcDbBlockTableRecordIterator;

// What a database was read from, kept for the writer that knows its format: the
// database holds it without knowing its type.
class AcDbDatabaseSource {
public:
    virtual ~AcDbDatabaseSource() = default;
};

// How a layer shows its entities: the colour of those that are ByLayer, and whether
// they are shown at all.
struct AcDbLayerAppearance {
    int colorIndex = 7;           // 1..255
    std::int32_t trueColor = -1;  // 0xRRGGBB, or -1 for none
    bool off = false;
    bool frozen = false;
};

// The linetypes of a drawing read from a file. Names are kept in upper case (files
// compare them without regard to case).
struct AcDbLinetypeTable {
    // Per linetype: dashes > 0, gaps < 0, dots 0, in drawing units at scale 1. A name
    // that is missing, or has no elements, draws solid.
    std::map<std::wstring, std::vector<double>> patterns;
    // The linetype of each layer that names one.
    std::map<std::wstring, std::wstring> layerLinetypes;
    double scale = 1.0;  // the drawing's ($LTSCALE)
};

// The fonts of a drawing's text styles, by style name in upper case: the family a
// display draws the style's text with and the font file, as the style names them (either
// may be empty), and its weight and slant.
struct AcDbTextStyleFont {
    std::wstring family;
    std::wstring file;
    bool bold = false;
    bool italic = false;
};
using AcDbTextStyleTable = std::map<std::wstring, AcDbTextStyleFont>;

// Clipping boundaries of block references, by the handle of the reference's extension
// dictionary: a closed polygon in the block's own coordinates; what lies outside it
// is not shown.
using AcDbBlockClipTable = std::map<std::uint64_t, std::vector<AcGePoint2d>>;

// A layer as the database keeps it: its name as first written, how it shows its
// entities, and where it came from. Layers of a file keep their file record (`handle`)
// and how the file had them (`asRead`), so that a writer changes only what changed.
struct AcDbLayerInfo {
    std::wstring name;
    AcDbLayerAppearance appearance;
    AcDbLayerAppearance asRead;
    AcDbHandle handle = 0;
    bool fromFile = false;
};

class AcDbBlockTable : public AcDbObject {
public:
    // Opens the record called `name` (compared without regard to case). Needs the table
    // open. eKeyNotFound when there is none (or it is erased and `openErased` is false).
    Acad::ErrorStatus getAt(const wchar_t* name, AcDbBlockTableRecord*& record, AcDb::OpenMode mode,
                            bool openErased = false) const;
    Acad::ErrorStatus getAt(const wchar_t* name, AcDbObjectId& id, bool getErased = false) const;
    bool has(const wchar_t* name) const;

private:
    friend class AcDbDatabase;
    friend class plotwright::db::detail::DatabaseAccess;
    std::vector<AcDbBlockTableRecord*> records_;
};

class AcDbBlockTableRecord : public AcDbObject {
public:
    explicit AcDbBlockTableRecord(std::wstring name) : name_(std::move(name)) {}

    const std::wstring& name() const { return name_; }
    // The base point: the point of the block that lands on a reference's position.
    AcGePoint3d origin() const { return origin_; }

    // Appends a new entity (not in any database) at the end of the record, which must be
    // open for write. On eOk the database owns the entity, `id` is its id and the entity
    // stays open for write until the caller closes it; on failure the caller still owns it.
    Acad::ErrorStatus appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity);
    Acad::ErrorStatus appendAcDbEntity(AcDbEntity* entity);

    // Iterates the record's entities in order; the caller deletes the iterator.
    Acad::ErrorStatus newIterator(AcDbBlockTableRecordIterator*& iterator, bool atBeginning = true,
                                  bool skipErased = true) const;

private:
    friend class AcDbDatabase;
    friend class AcDbBlockTableRecordIterator;
    friend class plotwright::db::detail::DatabaseAccess;
    std::wstring name_;
    AcGePoint3d origin_;
    std::vector<AcDbEntity*> entities_;
};

class AcDbBlockTableRecordIterator {
public:
    void start(bool atBeginning = true, bool skipErased = true);
    bool done() const;
    void step(bool forward = true, bool skipErased = true);
    Acad::ErrorStatus getEntityId(AcDbObjectId& id) const;
    Acad::ErrorStatus getEntity(AcDbEntity*& entity, AcDb::OpenMode mode, bool openErased = false) const;

private:
    friend class AcDbBlockTableRecord;
    AcDbBlockTableRecordIterator(const AcDbBlockTableRecord& record, bool atBeginning, bool skipErased);
    void skip(bool forward);

    const AcDbBlockTableRecord* record_;
    std::ptrdiff_t index_ = 0;
    bool skipErased_ = true;
};

class AcDbDatabase {
public:
    // With `buildDefaultDrawing`, a new empty drawing: block table, model and paper space.
    // Without, an empty shell for a reader to fill. `noDocument` is accepted and ignored.
    explicit AcDbDatabase(bool buildDefaultDrawing = true, bool noDocument = false);
    ~AcDbDatabase();
    AcDbDatabase(const AcDbDatabase&) = delete;
    AcDbDatabase& operator=(const AcDbDatabase&) = delete;

    // Opens the block table. eWasOpenedForWrite when it is open for write; for write,
    // eWasOpenedForRead when readers hold it.
    Acad::ErrorStatus getSymbolTable(AcDbBlockTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getBlockTable(AcDbBlockTable*& table, AcDb::OpenMode mode) { return getSymbolTable(table, mode); }
    AcDbObjectId blockTableId() const;

    // The id of the object with handle `handle`; eUnknownHandle when there is none.
    Acad::ErrorStatus getAcDbObjectId(AcDbObjectId& id, bool createIfNotFound, const AcDbHandle& handle) const;

    // The next handle to be given out: above every handle in use (the DXF $HANDSEED).
    AcDbHandle handseed() const { return handseed_; }

    // A seam for tests that make the calls below fail as a full disk or a locked
    // record would: while a hook is set, each call asks it first and returns what it
    // says when that is not eOk (opening nothing, taking no ownership). Not owned.
    enum class Call { getSymbolTable, getAt, appendAcDbEntity };
    class FaultHook {
    public:
        virtual ~FaultHook() = default;
        virtual Acad::ErrorStatus before(Call call) = 0;
    };
    void setFaultHook(FaultHook* hook) { faultHook_ = hook; }

    // Objects open now (each counted once, whatever its readers): 0 after every operation.
    int numOpenObjects() const { return openObjects_; }

    // Undo of appended entities: mark, then erase everything appended after the mark.
    // Entities that are open cannot be undone: undoToMark then stops and returns
    // eWasOpenedForWrite/eWasOpenedForRead with the later ones already erased.
    std::size_t undoMark() const { return appendLog_.size(); }
    Acad::ErrorStatus undoToMark(std::size_t mark);
    Acad::ErrorStatus undoLastAppend() { return undoToMark(appendLog_.empty() ? 0 : appendLog_.size() - 1); }

    // Erases (or, with false, restores) a closed entity, whether drawn here or read from
    // a file: what was read cannot be opened for write, but it can be erased, and a save
    // then drops its record. eWasOpenedForWrite/eWasOpenedForRead while it is open,
    // eUnknownHandle for an id of another database, eNotThatKindOfClass for other objects.
    Acad::ErrorStatus eraseEntity(AcDbObjectId id, bool erasing = true);
    // Moves a closed entity, drawn here or read from a file, so that it lies
    // `displacement` (XY) from where it was read or created (AcDbEntity::setDisplacement);
    // a save patches the points of a file's record. Statuses as eraseEntity, and
    // eNotApplicable (nothing moves) for kinds that cannot move.
    Acad::ErrorStatus displaceEntity(AcDbObjectId id, const AcGeVector3d& displacement);
    // Puts a closed entity, drawn here or read from a file, on `layer` in a colour (index
    // 0..256, and a 24-bit true colour or -1); a save patches a file's record. Statuses
    // as eraseEntity, eKeyNotFound for an unknown layer, eInvalidInput for a colour out of range.
    Acad::ErrorStatus setEntityAppearance(AcDbObjectId id, const std::wstring& layer, int colorIndex,
                                          std::int32_t trueColor);
    // Turns, scales or mirrors as well (AcDbEntity::setPlacement); statuses as displaceEntity.
    Acad::ErrorStatus placeEntity(AcDbObjectId id, const AcDbPlacement& placement);

    // Every change of an entity's erased state (erase(), eraseEntity(), undo), in order,
    // so that a host can take back what one command erased: a mark, then the changes
    // made after it.
    struct EraseChange {
        AcDbHandle handle;
        bool erased;
    };
    std::size_t eraseMark() const { return eraseLog_.size(); }
    std::vector<EraseChange> eraseChangesSince(std::size_t mark) const;

    // Set by appends, erases and undo; cleared when the drawing is read or saved.
    bool isModified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // Entities of the block `blockName` (default model space) in order, erased ones skipped,
    // without opening them: for display and writers, not for changing them.
    void forEachEntity(const std::function<void(const AcDbEntity&)>& visit,
                       const wchar_t* blockName = L"*Model_Space") const;

    // Colour index of a layer (7 when the layer is unknown), for showing ByLayer entities.
    int layerColorIndex(const std::wstring& layer) const { return layerAppearance(layer).colorIndex; }
    // A layer's colour and state; names compare without regard to (ASCII) case. An
    // unknown layer is shown, in colour 7.
    const AcDbLayerAppearance& layerAppearance(const std::wstring& layer) const;

    // The layers, ordered by name (without regard to case); `layer` null when unknown.
    std::vector<AcDbLayerInfo> layers() const;
    const AcDbLayerInfo* layer(const std::wstring& name) const;
    // A new layer with a new handle: eInvalidInput for a name a drawing cannot hold
    // (empty, or with one of <>/\":;?*|=`), eDuplicateKey when it exists.
    Acad::ErrorStatus addLayer(const std::wstring& name, const AcDbLayerAppearance& appearance);
    // eKeyNotFound for an unknown layer.
    Acad::ErrorStatus setLayerAppearance(const std::wstring& name, const AcDbLayerAppearance& appearance);
    // Takes back addLayer (for undo): eNotApplicable for a layer of the file or the current one.
    Acad::ErrorStatus removeLayer(const std::wstring& name);
    // The current layer, that new entities go on (the file's $CLAYER; "0" by default).
    // setClayer: eKeyNotFound for an unknown layer, eNotApplicable for a frozen one.
    const std::wstring& clayer() const { return clayer_; }
    // The unit a new drawing's header names ($INSUNITS; -1: none named) and whether it
    // measures in metric units ($MEASUREMENT). A drawing read from a file keeps its own
    // header: a writer uses these for new drawings only.
    int insunits() const { return insunits_; }
    bool metric() const { return metric_; }
    void setUnits(int insunits, bool metric)
    {
        insunits_ = insunits;
        metric_ = metric;
    }
    Acad::ErrorStatus setClayer(const std::wstring& name);

    // Entities of model space that are kept but cannot be shown (proxies, solids,
    // images, ...): how many of each kind, by the file's name for it.
    const std::map<std::wstring, std::size_t>& unshownEntities() const { return unshown_; }
    // The dash patterns lines are drawn with, as the file defines them (display only).
    const AcDbLinetypeTable& linetypes() const { return linetypes_; }
    const AcDbTextStyleTable& textStyles() const { return textStyles_; }
    const AcDbBlockClipTable& blockClips() const { return blockClips_; }

    // What this database was read from, or null for a new drawing.
    const AcDbDatabaseSource* source() const { return source_.get(); }

private:
    friend class AcDbObject;
    friend class AcDbBlockTable;
    friend class AcDbBlockTableRecord;
    friend class AcDbBlockTableRecordIterator;
    friend class plotwright::db::detail::DatabaseAccess;

    Acad::ErrorStatus open(AcDbObject& object, AcDb::OpenMode mode, bool openErased);
    Acad::ErrorStatus fault(Call call) { return faultHook_ ? faultHook_->before(call) : Acad::eOk; }
    void adopt(std::unique_ptr<AcDbObject> object, AcDbHandle handle, AcDbHandle owner);
    AcDbBlockTableRecord* addBlockRecord(const std::wstring& name, AcDbHandle handle);
    AcDbHandle nextHandle() { return handseed_++; }

    std::vector<std::unique_ptr<AcDbObject>> objects_;
    // The entity `id` names when it is closed; the status of eraseEntity otherwise.
    Acad::ErrorStatus closedEntity(AcDbObjectId id, AcDbEntity*& entity) const;

    std::unordered_map<AcDbHandle, AcDbObject*> byHandle_;
    std::vector<EraseChange> eraseLog_;
    AcDbBlockTable* blockTable_ = nullptr;
    std::vector<AcDbEntity*> appendLog_;
    // Layer names compare without regard to (ASCII) case.
    struct FoldedLess {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };
    std::map<std::wstring, AcDbLayerInfo, FoldedLess> layers_;
    std::wstring clayer_ = L"0";
    int insunits_ = -1;
    bool metric_ = true;
    std::map<std::wstring, std::size_t> unshown_;
    AcDbLinetypeTable linetypes_;
    AcDbTextStyleTable textStyles_;
    AcDbBlockClipTable blockClips_;
    std::shared_ptr<const AcDbDatabaseSource> source_;
    FaultHook* faultHook_ = nullptr;
    AcDbHandle handseed_ = 1;
    int openObjects_ = 0;
    bool modified_ = false;
};

// Opens the object `id` (eNullObjectId, eUnknownHandle, eWasErased, eWasOpenedFor...).
Acad::ErrorStatus acdbOpenObject(AcDbObject*& object, AcDbObjectId id, AcDb::OpenMode mode,
                                 bool openErased = false);
Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& entity, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased = false);

// Opens `id` as a T; eNotThatKindOfClass (nothing left open) when it is another kind.
template <class T>
Acad::ErrorStatus acdbOpenObject(T*& object, AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false)
{
    object = nullptr;
    AcDbObject* any = nullptr;
    if (Acad::ErrorStatus es = acdbOpenObject(any, id, mode, openErased); es != Acad::eOk)
        return es;
    object = dynamic_cast<T*>(any);
    if (!object) {
        any->close();
        return Acad::eNotThatKindOfClass;
    }
    return Acad::eOk;
}

// The services the host offers the database's users; the working database is the one
// that drawing commands change (the current document's, or one a tool or test sets).
class AcDbHostApplicationServices {
public:
    AcDbDatabase* workingDatabase() const { return working_; }
    void setWorkingDatabase(AcDbDatabase* database) { working_ = database; }

private:
    AcDbDatabase* working_ = nullptr;
};

AcDbHostApplicationServices* acdbHostApplicationServices();
