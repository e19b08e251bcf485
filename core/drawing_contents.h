#pragma once
// What a drawing holds, in the programs' own words: entities reached by their handles,
// model space, layers and the appearance of entities. The database underneath keeps
// the module's open-and-close discipline and status codes; the programs' own code (the
// editor) works through these names and calls instead, which answer yes or no and
// never leave anything open. Not installed.

#include "core/drawing_names.h"
#include "db/database.h"
#include "db/entities.h"
#include "db/object.h"
#include "db/placement.h"
#include "db/polyline.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plotwright::core {

using EntityKind = AcDbEntity::Kind;
// Layer, colour index and true colour of an entity.
using EntityAppearance = AcDbEntity::Appearance;
// A turn, scale, mirror and shift in the XY plane.
using Placement = AcDbPlacement;
using Point2 = AcGePoint2d;
using Point3 = AcGePoint3d;
using Vector3 = AcGeVector3d;
// A layer: its name, how it shows its entities, where it came from.
using Layer = AcDbLayerInfo;

// The kinds of entity the programs look into.
using LineEntity = AcDbLine;
using CircleEntity = AcDbCircle;
using ArcEntity = AcDbArc;
using PolylineEntity = AcDbPolyline;
using Polyline3dEntity = AcDb3dPolyline;
using StrokesEntity = AcDbStrokes;

// The entity `handle` names, open for reading while this lives; empty when the drawing
// has no such entity, it is erased, or it is open for writing elsewhere.
class EntityReader {
public:
    EntityReader(const DrawingData& drawing, Handle handle);
    ~EntityReader();
    EntityReader(const EntityReader&) = delete;
    EntityReader& operator=(const EntityReader&) = delete;

    explicit operator bool() const { return entity_ != nullptr; }
    const Entity& operator*() const { return *entity_; }
    const Entity* operator->() const { return entity_; }
    const Entity* get() const { return entity_; }
    // The entity as a T; null when it is another kind (or there is none).
    template <class T>
    const T* as() const
    {
        return dynamic_cast<const T*>(entity_);
    }

private:
    Entity* entity_ = nullptr;
};

// Whether the drawing holds a shown (not erased) entity with this handle.
bool hasEntity(const DrawingData& drawing, Handle handle);

// Each of these changes one closed entity, drawn here or read from a file, and answers
// false (nothing changed) when the drawing has no such entity, it is open elsewhere,
// or the change does not apply to it.
// Erases it, or with `erasing` false, brings it back.
bool eraseEntity(DrawingData& drawing, Handle handle, bool erasing = true);
// Puts it where `placement`, applied to it as read or created, puts it.
bool placeEntity(DrawingData& drawing, Handle handle, const Placement& placement);
// Gives it a layer (which the drawing must have) and a colour.
bool setEntityAppearance(DrawingData& drawing, Handle handle, const EntityAppearance& appearance);

// Puts a new entity, not yet in a drawing, where `placement` puts it as created; false
// (nothing changed) when its kind cannot be placed so.
bool placeNewEntity(Entity& entity, const Placement& placement);

// Appends new entities to the end of model space as they are (their layer and colour
// kept), for as long as it lives: model space stays open for writing meanwhile.
class ModelSpaceAppender {
public:
    explicit ModelSpaceAppender(DrawingData& drawing);
    ~ModelSpaceAppender();
    ModelSpaceAppender(const ModelSpaceAppender&) = delete;
    ModelSpaceAppender& operator=(const ModelSpaceAppender&) = delete;

    // False when model space could not be opened for writing (it is open elsewhere).
    bool isOpen() const { return space_ != nullptr; }
    // The new entity's handle; 0 (and `entity` untouched, still the caller's) when the
    // drawing refuses it.
    Handle append(std::unique_ptr<Entity>& entity);

private:
    AcDbBlockTableRecord* space_ = nullptr;
};

// Layers. Each answers false, with nothing changed, where the drawing refuses.
// A new layer; `duplicate`, when given, says whether one of that name existed already
// (otherwise the name is one a drawing cannot hold).
bool addLayer(DrawingData& drawing, const std::wstring& name, const LayerAppearance& appearance,
              bool* duplicate = nullptr);
bool setLayerAppearance(DrawingData& drawing, const std::wstring& name, const LayerAppearance& appearance);
// Takes back addLayer: not for a layer of the file or the current one.
bool removeLayer(DrawingData& drawing, const std::wstring& name);
// Not for an unknown or frozen layer; `frozen`, when given, says whether it was frozen.
bool setCurrentLayer(DrawingData& drawing, const std::wstring& name, bool* frozen = nullptr);

} // namespace plotwright::core
