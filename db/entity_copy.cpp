#include "db/entity_copy.h"

#include "db/entities.h"
#include "db/polyline.h"

namespace {

std::unique_ptr<AcDbPolyline> copyOf(const AcDbPolyline& from)
{
    auto to = std::make_unique<AcDbPolyline>(from.numVerts());
    for (unsigned i = 0; i < from.numVerts(); ++i) {
        double bulge = 0.0, start = -1.0, end = -1.0;
        from.getBulgeAt(i, bulge);
        from.getWidthsAt(i, start, end);
        to->addVertexAt(i, from.points()[i], bulge, start, end);
    }
    double width = 0.0;
    from.getConstantWidth(width);
    to->setConstantWidth(width);
    to->setElevation(from.elevation());
    to->setNormal(from.normal());
    to->setClosed(from.isClosed());
    return to;
}

std::unique_ptr<AcDbEntity> geometryOf(const AcDbEntity& e)
{
    using Kind = AcDbEntity::Kind;
    switch (e.kind()) {
    case Kind::kPolyline:
        return copyOf(static_cast<const AcDbPolyline&>(e));
    case Kind::kLine: {
        const auto& l = static_cast<const AcDbLine&>(e);
        return std::make_unique<AcDbLine>(l.startPoint(), l.endPoint());
    }
    case Kind::kCircle: {
        const auto& c = static_cast<const AcDbCircle&>(e);
        return std::make_unique<AcDbCircle>(c.center(), c.radius(), c.normal());
    }
    case Kind::kArc: {
        const auto& a = static_cast<const AcDbArc&>(e);
        return std::make_unique<AcDbArc>(a.center(), a.radius(), a.startAngle(), a.endAngle(), a.normal());
    }
    case Kind::kPoint:
        return std::make_unique<AcDbPoint>(static_cast<const AcDbPoint&>(e).position());
    case Kind::k3dPolyline: {
        const auto& p = static_cast<const AcDb3dPolyline&>(e);
        return std::make_unique<AcDb3dPolyline>(p.vertices(), p.isClosed());
    }
    case Kind::kSpline:
        return std::make_unique<AcDbSpline>(static_cast<const AcDbSpline&>(e).data());
    default:
        return nullptr;
    }
}

} // namespace

std::unique_ptr<AcDbEntity> copyOfEntity(const AcDbEntity& entity)
{
    std::unique_ptr<AcDbEntity> copy = geometryOf(entity);
    if (!copy)
        return nullptr;
    copy->setAppearance(entity.layer(), entity.colorIndex(), entity.trueColor());
    copy->setStyle(entity.style());
    copy->setAppData(entity.appData());
    return copy;
}
