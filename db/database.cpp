#include "db/database.h"

#include "db/access.h"

#include <algorithm>

namespace plotwright::db::detail {

namespace {
wchar_t folded(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; }
} // namespace

bool sameBlockName(const std::wstring& a, const wchar_t* b)
{
    std::size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == L'\0' || folded(a[i]) != folded(b[i]))
            return false;
    }
    return b[i] == L'\0';
}

bool sameBlockName(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return folded(x) == folded(y); });
}

void DatabaseAccess::setLayer(AcDbDatabase& db, const std::wstring& layer, const AcDbLayerAppearance& appearance,
                              AcDbHandle handle)
{
    db.layers_[layer] = {layer, appearance, appearance, handle, true};
}

AcDbBlockTable* DatabaseAccess::createBlockTable(AcDbDatabase& db, AcDbHandle handle)
{
    auto table = std::make_unique<AcDbBlockTable>();
    AcDbBlockTable* raw = table.get();
    db.adopt(std::move(table), handle ? handle : db.nextHandle(), 0);
    raw->writer_ = false;
    db.blockTable_ = raw;
    return raw;
}

AcDbBlockTableRecord* DatabaseAccess::addBlockRecord(AcDbDatabase& db, const std::wstring& name, AcDbHandle handle)
{
    if (db.byHandle_.count(handle) != 0)
        handle = 0;
    return db.addBlockRecord(name, handle);
}

AcDbEntity* DatabaseAccess::addFileEntity(AcDbDatabase& db, AcDbBlockTableRecord& record,
                                          std::unique_ptr<AcDbEntity> entity, AcDbHandle handle)
{
    if (handle == 0 || db.byHandle_.count(handle) != 0)
        handle = db.nextHandle();
    AcDbEntity* raw = entity.get();
    raw->writer_ = false;
    raw->fromFile_ = true;
    db.adopt(std::move(entity), handle, record.handle_);
    record.entities_.push_back(raw);
    return raw;
}

Acad::ErrorStatus DatabaseAccess::openById(AcDbDatabase& db, AcDbHandle handle, AcDb::OpenMode mode,
                                           bool openErased, AcDbObject*& object)
{
    object = nullptr;
    auto it = db.byHandle_.find(handle);
    if (it == db.byHandle_.end())
        return Acad::eUnknownHandle;
    if (Acad::ErrorStatus es = db.open(*it->second, mode, openErased); es != Acad::eOk)
        return es;
    object = it->second;
    return Acad::eOk;
}

AcDbBlockTableRecord* DatabaseAccess::record(const AcDbDatabase& db, const wchar_t* name)
{
    if (!db.blockTable_)
        return nullptr;
    for (AcDbBlockTableRecord* r : db.blockTable_->records_) {
        if (sameBlockName(r->name(), name))
            return r;
    }
    return nullptr;
}

} // namespace plotwright::db::detail

using plotwright::db::detail::DatabaseAccess;
using plotwright::db::detail::sameBlockName;
namespace newdrawing = plotwright::db::detail::newdrawing;

// ---- block table -----------------------------------------------------------

Acad::ErrorStatus AcDbBlockTable::getAt(const wchar_t* name, AcDbBlockTableRecord*& record, AcDb::OpenMode mode,
                                        bool openErased) const
{
    record = nullptr;
    AcDbDatabase* db = database();
    if (!db)
        return Acad::eNotInDatabase;
    if (Acad::ErrorStatus es = db->fault(AcDbDatabase::Call::getAt); es != Acad::eOk)
        return es;
    if (!isReadEnabled())
        return Acad::eNotOpenForRead;
    if (!name)
        return Acad::eInvalidInput;
    for (AcDbBlockTableRecord* r : records_) {
        if (!sameBlockName(r->name(), name))
            continue;
        if (r->isErased() && !openErased)
            return Acad::eKeyNotFound;
        if (Acad::ErrorStatus es = db->open(*r, mode, openErased); es != Acad::eOk)
            return es;
        record = r;
        return Acad::eOk;
    }
    return Acad::eKeyNotFound;
}

Acad::ErrorStatus AcDbBlockTable::getAt(const wchar_t* name, AcDbObjectId& id, bool getErased) const
{
    id = AcDbObjectId::kNull;
    if (!isReadEnabled())
        return Acad::eNotOpenForRead;
    if (!name)
        return Acad::eInvalidInput;
    for (AcDbBlockTableRecord* r : records_) {
        if (sameBlockName(r->name(), name) && (getErased || !r->isErased())) {
            id = r->objectId();
            return Acad::eOk;
        }
    }
    return Acad::eKeyNotFound;
}

bool AcDbBlockTable::has(const wchar_t* name) const
{
    AcDbObjectId id;
    return name && getAt(name, id) == Acad::eOk;
}

// ---- block table record ----------------------------------------------------

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity)
{
    id = AcDbObjectId::kNull;
    AcDbDatabase* db = database();
    if (!db)
        return Acad::eNotInDatabase;
    if (Acad::ErrorStatus es = db->fault(AcDbDatabase::Call::appendAcDbEntity); es != Acad::eOk)
        return es;
    if (!entity)
        return Acad::eNullEntityPointer;
    if (entity->database())
        return Acad::eAlreadyInDb;
    if (!isWriteEnabled())
        return Acad::eNotOpenForWrite;
    db->adopt(std::unique_ptr<AcDbObject>(entity), db->nextHandle(), handle());
    // The entity was open for write as a new object and stays so until the caller closes it.
    ++db->openObjects_;
    entities_.push_back(entity);
    db->appendLog_.push_back(entity);
    db->modified_ = true;
    id = entity->objectId();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbEntity* entity)
{
    AcDbObjectId id;
    return appendAcDbEntity(id, entity);
}

Acad::ErrorStatus AcDbBlockTableRecord::newIterator(AcDbBlockTableRecordIterator*& iterator, bool atBeginning,
                                                    bool skipErased) const
{
    iterator = new AcDbBlockTableRecordIterator(*this, atBeginning, skipErased);
    return Acad::eOk;
}

// ---- iterator --------------------------------------------------------------

AcDbBlockTableRecordIterator::AcDbBlockTableRecordIterator(const AcDbBlockTableRecord& record, bool atBeginning,
                                                           bool skipErased)
    : record_(&record)
{
    start(atBeginning, skipErased);
}

void AcDbBlockTableRecordIterator::start(bool atBeginning, bool skipErased)
{
    skipErased_ = skipErased;
    index_ = atBeginning ? 0 : static_cast<std::ptrdiff_t>(record_->entities_.size()) - 1;
    skip(atBeginning);
}

bool AcDbBlockTableRecordIterator::done() const
{
    return index_ < 0 || index_ >= static_cast<std::ptrdiff_t>(record_->entities_.size());
}

void AcDbBlockTableRecordIterator::step(bool forward, bool skipErased)
{
    if (done())
        return;
    skipErased_ = skipErased;
    index_ += forward ? 1 : -1;
    skip(forward);
}

void AcDbBlockTableRecordIterator::skip(bool forward)
{
    while (skipErased_ && !done() && record_->entities_[static_cast<std::size_t>(index_)]->isErased())
        index_ += forward ? 1 : -1;
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntityId(AcDbObjectId& id) const
{
    if (done())
        return Acad::eInvalidIndex;
    id = record_->entities_[static_cast<std::size_t>(index_)]->objectId();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntity(AcDbEntity*& entity, AcDb::OpenMode mode,
                                                          bool openErased) const
{
    entity = nullptr;
    if (done())
        return Acad::eInvalidIndex;
    AcDbEntity* e = record_->entities_[static_cast<std::size_t>(index_)];
    if (Acad::ErrorStatus es = e->database()->open(*e, mode, openErased); es != Acad::eOk)
        return es;
    entity = e;
    return Acad::eOk;
}

// ---- database --------------------------------------------------------------

AcDbDatabase::AcDbDatabase(bool buildDefaultDrawing, bool /*noDocument*/)
{
    if (!buildDefaultDrawing)
        return;
    DatabaseAccess::createBlockTable(*this, newdrawing::kBlockRecordTable);
    addBlockRecord(L"*Model_Space", newdrawing::kModelSpaceRecord);
    addBlockRecord(L"*Paper_Space", newdrawing::kPaperSpaceRecord);
    // Layer 0 is among the fixed records of a new drawing.
    layers_[L"0"] = {L"0", {}, {}, newdrawing::kLayerZero, false};
    handseed_ = newdrawing::kFirstEntityHandle;
}

AcDbDatabase::~AcDbDatabase()
{
    if (acdbHostApplicationServices()->workingDatabase() == this)
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
}

Acad::ErrorStatus AcDbDatabase::getSymbolTable(AcDbBlockTable*& table, AcDb::OpenMode mode)
{
    table = nullptr;
    if (Acad::ErrorStatus es = fault(Call::getSymbolTable); es != Acad::eOk)
        return es;
    if (!blockTable_)
        return Acad::eKeyNotFound;
    if (Acad::ErrorStatus es = open(*blockTable_, mode, false); es != Acad::eOk)
        return es;
    table = blockTable_;
    return Acad::eOk;
}

AcDbObjectId AcDbDatabase::blockTableId() const
{
    return blockTable_ ? blockTable_->objectId() : AcDbObjectId::kNull;
}

Acad::ErrorStatus AcDbDatabase::getAcDbObjectId(AcDbObjectId& id, bool /*createIfNotFound*/,
                                                const AcDbHandle& handle) const
{
    id = AcDbObjectId::kNull;
    auto it = byHandle_.find(handle);
    if (it == byHandle_.end())
        return Acad::eUnknownHandle;
    id = it->second->objectId();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::undoToMark(std::size_t mark)
{
    while (appendLog_.size() > mark) {
        AcDbEntity* e = appendLog_.back();
        if (e->isWriteEnabled())
            return Acad::eWasOpenedForWrite;
        if (e->isReadEnabled() || e->isNotifyEnabled())
            return Acad::eWasOpenedForRead;
        if (!e->erased_) {
            modified_ = true;
            eraseLog_.push_back({e->handle(), true});
        }
        e->erased_ = true;
        appendLog_.pop_back();
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::closedEntity(AcDbObjectId id, AcDbEntity*& entity) const
{
    entity = nullptr;
    const auto it = byHandle_.find(id.handle());
    if (id.isNull() || it == byHandle_.end() || it->second->objectId() != id)
        return Acad::eUnknownHandle;
    auto* found = dynamic_cast<AcDbEntity*>(it->second);
    if (!found)
        return Acad::eNotThatKindOfClass;
    if (found->writer_)
        return Acad::eWasOpenedForWrite;
    if (found->readers_ > 0 || found->notifiers_ > 0)
        return Acad::eWasOpenedForRead;
    entity = found;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::eraseEntity(AcDbObjectId id, bool erasing)
{
    AcDbEntity* entity = nullptr;
    if (const Acad::ErrorStatus es = closedEntity(id, entity); es != Acad::eOk)
        return es;
    if (entity->erased_ != erasing) {
        entity->erased_ = erasing;
        modified_ = true;
        eraseLog_.push_back({entity->handle(), erasing});
    }
    return Acad::eOk;
}

std::vector<AcDbDatabase::EraseChange> AcDbDatabase::eraseChangesSince(std::size_t mark) const
{
    if (mark >= eraseLog_.size())
        return {};
    return {eraseLog_.begin() + static_cast<std::ptrdiff_t>(mark), eraseLog_.end()};
}

Acad::ErrorStatus AcDbDatabase::displaceEntity(AcDbObjectId id, const AcGeVector3d& displacement)
{
    AcDbEntity* entity = nullptr;
    if (const Acad::ErrorStatus es = closedEntity(id, entity); es != Acad::eOk)
        return es;
    entity->writer_ = true;
    const Acad::ErrorStatus es = entity->setDisplacement(displacement);
    entity->writer_ = false;
    return es;
}

Acad::ErrorStatus AcDbDatabase::setEntityAppearance(AcDbObjectId id, const std::wstring& layer, int colorIndex,
                                                    std::int32_t trueColor)
{
    AcDbEntity* entity = nullptr;
    if (const Acad::ErrorStatus es = closedEntity(id, entity); es != Acad::eOk)
        return es;
    const AcDbLayerInfo* known = this->layer(layer);
    if (!known)
        return Acad::eKeyNotFound;
    if (colorIndex < 0 || colorIndex > 256 || trueColor < -1 || trueColor > 0xFFFFFF)
        return Acad::eInvalidInput;
    // The layer as the table spells it, so that the record names it as the table does.
    entity->changeAppearance({known->name, colorIndex, trueColor});
    setModified(true);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::placeEntity(AcDbObjectId id, const AcDbPlacement& placement)
{
    AcDbEntity* entity = nullptr;
    if (const Acad::ErrorStatus es = closedEntity(id, entity); es != Acad::eOk)
        return es;
    entity->writer_ = true;
    const Acad::ErrorStatus es = entity->setPlacement(placement);
    entity->writer_ = false;
    return es;
}

void AcDbDatabase::forEachEntity(const std::function<void(const AcDbEntity&)>& visit, const wchar_t* blockName) const
{
    const AcDbBlockTableRecord* record = DatabaseAccess::record(*this, blockName);
    if (!record)
        return;
    for (const AcDbEntity* e : record->entities_) {
        if (!e->isErased())
            visit(*e);
    }
}

const AcDbLayerAppearance& AcDbDatabase::layerAppearance(const std::wstring& layer) const
{
    static const AcDbLayerAppearance unknown;
    auto it = layers_.find(layer);
    return it == layers_.end() ? unknown : it->second.appearance;
}

std::vector<AcDbLayerInfo> AcDbDatabase::layers() const
{
    std::vector<AcDbLayerInfo> out;
    for (const auto& [key, info] : layers_)
        out.push_back(info);
    return out;
}

const AcDbLayerInfo* AcDbDatabase::layer(const std::wstring& name) const
{
    auto it = layers_.find(name);
    return it == layers_.end() ? nullptr : &it->second;
}

Acad::ErrorStatus AcDbDatabase::addLayer(const std::wstring& name, const AcDbLayerAppearance& appearance)
{
    // Readers trim the values of a file's lines: a name with a space at either end would
    // come back as another name.
    if (name.empty() || name.find_first_of(L"<>/\\\":;?*|=`") != std::wstring::npos || name.front() == L' ' ||
        name.back() == L' ')
        return Acad::eInvalidInput;
    if (layers_.count(name) != 0)
        return Acad::eDuplicateKey;
    layers_[name] = {name, appearance, appearance, nextHandle(), false};
    modified_ = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::setLayerAppearance(const std::wstring& name, const AcDbLayerAppearance& appearance)
{
    auto it = layers_.find(name);
    if (it == layers_.end())
        return Acad::eKeyNotFound;
    it->second.appearance = appearance;
    modified_ = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::removeLayer(const std::wstring& name)
{
    auto it = layers_.find(name);
    if (it == layers_.end())
        return Acad::eKeyNotFound;
    const bool current = !FoldedLess()(clayer_, name) && !FoldedLess()(name, clayer_);
    if (it->second.fromFile || it->second.handle == newdrawing::kLayerZero || current)
        return Acad::eNotApplicable;
    layers_.erase(it);
    modified_ = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::setClayer(const std::wstring& name)
{
    auto it = layers_.find(name);
    if (it == layers_.end())
        return Acad::eKeyNotFound;
    if (it->second.appearance.frozen)
        return Acad::eNotApplicable;
    clayer_ = it->second.name;
    return Acad::eOk;
}

bool AcDbDatabase::FoldedLess::operator()(const std::wstring& a, const std::wstring& b) const
{
    const auto fold = [](wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](wchar_t x, wchar_t y) { return fold(x) < fold(y); });
}

Acad::ErrorStatus AcDbDatabase::open(AcDbObject& object, AcDb::OpenMode mode, bool openErased)
{
    if (object.erased_ && !openErased)
        return Acad::eWasErased;
    const bool wasClosed = !object.writer_ && object.readers_ == 0 && object.notifiers_ == 0;
    switch (mode) {
    case AcDb::kForRead:
        if (object.writer_)
            return Acad::eWasOpenedForWrite;
        ++object.readers_;
        break;
    case AcDb::kForWrite:
        if (object.writer_)
            return Acad::eWasOpenedForWrite;
        if (object.readers_ > 0)
            return Acad::eWasOpenedForRead;
        if (object.notifiers_ > 0)
            return Acad::eWasOpenedForNotify;
        // What was read from the file is written back as the file had it; it changes only
        // through eraseEntity and displaceEntity, which a save knows how to write.
        if (object.fromFile_)
            return Acad::eNotImplemented;
        object.writer_ = true;
        break;
    case AcDb::kForNotify:
        ++object.notifiers_;
        break;
    default:
        return Acad::eInvalidInput;
    }
    if (wasClosed)
        ++openObjects_;
    return Acad::eOk;
}

void AcDbDatabase::adopt(std::unique_ptr<AcDbObject> object, AcDbHandle handle, AcDbHandle owner)
{
    object->database_ = this;
    object->handle_ = handle;
    object->ownerHandle_ = owner;
    if (handle >= handseed_)
        handseed_ = handle + 1;
    byHandle_[handle] = object.get();
    objects_.push_back(std::move(object));
}

AcDbBlockTableRecord* AcDbDatabase::addBlockRecord(const std::wstring& name, AcDbHandle handle)
{
    auto record = std::make_unique<AcDbBlockTableRecord>(name);
    AcDbBlockTableRecord* raw = record.get();
    adopt(std::move(record), handle ? handle : nextHandle(), blockTable_ ? blockTable_->handle() : 0);
    raw->writer_ = false;
    if (blockTable_)
        blockTable_->records_.push_back(raw);
    return raw;
}

// ---- opening by id and the host services -------------------------------------

Acad::ErrorStatus acdbOpenObject(AcDbObject*& object, AcDbObjectId id, AcDb::OpenMode mode, bool openErased)
{
    object = nullptr;
    if (id.isNull() || !id.database())
        return Acad::eNullObjectId;
    return plotwright::db::detail::DatabaseAccess::openById(*id.database(), id.handle(), mode, openErased, object);
}

Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& entity, AcDbObjectId id, AcDb::OpenMode mode, bool openErased)
{
    return acdbOpenObject(entity, id, mode, openErased);
}

AcDbHostApplicationServices* acdbHostApplicationServices()
{
    // Never destroyed: databases that outlive it at process end still ask it.
    static auto* services = new AcDbHostApplicationServices;
    return services;
}
