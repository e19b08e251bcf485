#include "core/placement.h"

#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "core/curve_data.h"

#include <cmath>
#include <memory>

namespace plotwright::core {

namespace {

// Appends `entity`; the database owns it afterwards. Null id when refused (then deleted).
template <class Entity>
AcDbObjectId append(AcDbDatabase& database, std::unique_ptr<Entity> entity)
{
    AcDbObjectId id;
    if (appendToModelSpace(database, entity.get(), id) != Acad::eOk)
        return AcDbObjectId::kNull;
    entity.release()->close();
    return id;
}

AcDbObjectId placePiece(AcDbDatabase& database, const curve::CurvePiece& piece, double elevation)
{
    // A space curve's points hold their own z; the others lie at the elevation.
    const auto world = [&](const CurvePoints& points) {
        std::vector<AcGePoint3d> out;
        out.reserve(points.size());
        for (const CurvePoint& p : points)
            out.push_back({p.x, p.y, piece.space ? p.z + elevation : elevation});
        return out;
    };
    if (!piece.spline.controlPoints.empty()) {
        return append(database, std::make_unique<AcDbSpline>(piece.spline.degree, piece.spline.knots,
                                                              world(piece.spline.controlPoints),
                                                              world(piece.spline.fitPoints), piece.closed));
    }
    if (piece.space)
        return append(database, std::make_unique<AcDb3dPolyline>(world(piece.points), piece.closed));
    const auto count = static_cast<unsigned int>(piece.points.size());
    auto polyline = std::make_unique<AcDbPolyline>(count);
    for (unsigned int i = 0; i < count; ++i) {
        const double bulge = piece.bulges.empty() ? 0.0 : piece.bulges[i];
        polyline->addVertexAt(i, AcGePoint2d{piece.points[i].x, piece.points[i].y}, bulge, -1.0, -1.0);
    }
    polyline->setElevation(elevation);
    polyline->setClosed(piece.closed);
    polyline->minimizeMemory();
    return append(database, std::move(polyline));
}

void eraseAll(AcDbDatabase& database, const std::vector<AcDbObjectId>& ids, bool erasing)
{
    for (const AcDbObjectId& id : ids)
        database.eraseEntity(id, erasing);
}

} // namespace

Acad::ErrorStatus appendToModelSpace(AcDbDatabase& database, AcDbEntity* entity, AcDbObjectId& id)
{
    if (!entity)
        return Acad::eNullEntityPointer;
    // New curves go on the drawing's current layer.
    entity->setDatabaseDefaults(&database);
    AcDbBlockTable* table = nullptr;
    Acad::ErrorStatus status = database.getSymbolTable(table, AcDb::kForRead);
    if (status != Acad::eOk)
        return status;
    AcDbBlockTableRecord* modelSpace = nullptr;
    status = table->getAt(L"*Model_Space", modelSpace, AcDb::kForWrite, false);
    if (status == Acad::eOk) {
        status = modelSpace->appendAcDbEntity(id, entity);
        modelSpace->close();
    }
    table->close();
    return status;
}

std::vector<AcDbObjectId> placePieces(AcDbDatabase& database, const std::vector<curve::CurvePiece>& pieces,
                                      double elevation)
{
    std::vector<AcDbObjectId> ids;
    if (!std::isfinite(elevation))
        return ids;
    for (const curve::CurvePiece& piece : pieces) {
        if (piece.points.empty())
            continue;
        const AcDbObjectId id = placePiece(database, piece, elevation);
        if (id.isNull())
            break;
        ids.push_back(id);
    }
    return ids;
}

void attachDefinition(const std::vector<AcDbObjectId>& ids, curve::CurveDefinition definition)
{
    definition.curveId = curve::newCurveId();
    definition.pieceCount = static_cast<std::uint32_t>(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, ids[i], AcDb::kForWrite) != Acad::eOk)
            continue;
        definition.pieceIndex = static_cast<std::uint32_t>(i);
        definition.fingerprint = core::pieceFingerprint(*entity).value_or(curve::PieceFingerprint{});
        entity->setAppData(core::encodeCurveData(definition));
        entity->close();
    }
}

void setAppearance(AcDbDatabase& database, const std::vector<AcDbObjectId>& ids, const std::optional<std::wstring>& layer,
                   std::optional<int> colorIndex)
{
    if (!layer && !colorIndex)
        return;
    if (layer && !database.layer(*layer))
        database.addLayer(*layer, AcDbLayerAppearance{});
    for (const AcDbObjectId& id : ids) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, id, AcDb::kForWrite) != Acad::eOk)
            continue;
        entity->setAppearance(layer.value_or(entity->layer()), colorIndex.value_or(entity->colorIndex()),
                              colorIndex ? -1 : entity->trueColor());
        entity->close();
    }
}

bool replacePieces(AcDbDatabase& database, const DrawnCurve& curve,
                   const std::function<bool(std::vector<AcDbObjectId>& newIds)>& place,
                   std::vector<AcDbObjectId>& newIds)
{
    newIds.clear();
    if (curve.pieces.empty())
        return false;
    const AcDbEntity& first = *curve.pieces.front().entity;
    const std::wstring layer = first.layer();
    const int color = first.colorIndex();
    const std::int32_t trueColor = first.trueColor();

    // The old pieces go first, so that nothing of them is found where the new ones go.
    std::vector<AcDbObjectId> old;
    for (const DrawnPiece& piece : curve.pieces) {
        if (database.eraseEntity(piece.entity->objectId()) != Acad::eOk) {
            eraseAll(database, old, false);
            return false;
        }
        old.push_back(piece.entity->objectId());
    }
    if (!place(newIds) || newIds.empty()) {
        eraseAll(database, newIds, true);
        eraseAll(database, old, false);
        return false;
    }
    for (const AcDbObjectId& id : newIds) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, id, AcDb::kForWrite) != Acad::eOk)
            continue;
        entity->setAppearance(layer, color, trueColor);
        if (std::optional<curve::CurveDefinition> drawn = core::curveDefinitionOf(*entity)) {
            drawn->curveId = curve.id;
            entity->setAppData(core::encodeCurveData(*drawn));
        }
        entity->close();
    }
    return true;
}

} // namespace plotwright::core
