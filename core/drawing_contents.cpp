#include "core/drawing_contents.h"

namespace plotwright::core {

namespace {

AcDbObjectId idOf(const DrawingData& drawing, Handle handle)
{
    AcDbObjectId id;
    if (handle == 0 || drawing.getAcDbObjectId(id, false, handle) != Acad::eOk)
        return AcDbObjectId::kNull;
    return id;
}

} // namespace

EntityReader::EntityReader(const DrawingData& drawing, Handle handle)
{
    const AcDbObjectId id = idOf(drawing, handle);
    if (!id.isNull() && acdbOpenAcDbEntity(entity_, id, AcDb::kForRead) != Acad::eOk)
        entity_ = nullptr;
}

EntityReader::~EntityReader()
{
    if (entity_)
        entity_->close();
}

bool hasEntity(const DrawingData& drawing, Handle handle)
{
    return static_cast<bool>(EntityReader(drawing, handle));
}

bool eraseEntity(DrawingData& drawing, Handle handle, bool erasing)
{
    return drawing.eraseEntity(idOf(drawing, handle), erasing) == Acad::eOk;
}

bool placeEntity(DrawingData& drawing, Handle handle, const Placement& placement)
{
    return drawing.placeEntity(idOf(drawing, handle), placement) == Acad::eOk;
}

bool setEntityAppearance(DrawingData& drawing, Handle handle, const EntityAppearance& appearance)
{
    return drawing.setEntityAppearance(idOf(drawing, handle), appearance.layer, appearance.colorIndex,
                                       appearance.trueColor) == Acad::eOk;
}

bool placeNewEntity(Entity& entity, const Placement& placement)
{
    return entity.setPlacement(placement) == Acad::eOk;
}

ModelSpaceAppender::ModelSpaceAppender(DrawingData& drawing)
{
    AcDbBlockTable* table = nullptr;
    if (drawing.getBlockTable(table, AcDb::kForRead) != Acad::eOk)
        return;
    if (table->getAt(L"*Model_Space", space_, AcDb::kForWrite) != Acad::eOk)
        space_ = nullptr;
    table->close();
}

ModelSpaceAppender::~ModelSpaceAppender()
{
    if (space_)
        space_->close();
}

Handle ModelSpaceAppender::append(std::unique_ptr<Entity>& entity)
{
    AcDbObjectId id;
    if (!space_ || !entity || space_->appendAcDbEntity(id, entity.get()) != Acad::eOk)
        return 0;
    // The drawing owns it now; it stays open for writing until closed here.
    entity.release()->close();
    return id.handle();
}

bool addLayer(DrawingData& drawing, const std::wstring& name, const LayerAppearance& appearance, bool* duplicate)
{
    const Acad::ErrorStatus status = drawing.addLayer(name, appearance);
    if (duplicate)
        *duplicate = status == Acad::eDuplicateKey;
    return status == Acad::eOk;
}

bool setLayerAppearance(DrawingData& drawing, const std::wstring& name, const LayerAppearance& appearance)
{
    return drawing.setLayerAppearance(name, appearance) == Acad::eOk;
}

bool removeLayer(DrawingData& drawing, const std::wstring& name)
{
    return drawing.removeLayer(name) == Acad::eOk;
}

bool setCurrentLayer(DrawingData& drawing, const std::wstring& name, bool* frozen)
{
    const Acad::ErrorStatus status = drawing.setClayer(name);
    if (frozen)
        *frozen = status == Acad::eNotApplicable;
    return status == Acad::eOk;
}

} // namespace plotwright::core
