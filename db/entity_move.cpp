// Moving entities. Kinds that keep points in their own coordinate system (circles,
// arcs, texts, block references, 2-D polylines) move only while that system is the
// world's: a file keeps their points in it, and a patch of those points is only an
// XY offset when the two agree.
#include "db/entities.h"
#include "db/database.h"
#include "db/polyline.h"

namespace {

bool isWorldNormal(const AcGeVector3d& n)
{
    return n.x == 0.0 && n.y == 0.0 && n.z > 0.0;
}

void shift(AcGePoint3d& p, double dx, double dy)
{
    p.x += dx;
    p.y += dy;
}

} // namespace

bool AcDbEntity::isMovable() const { return canMove(); }

Acad::ErrorStatus AcDbEntity::moveBy(const AcGeVector3d& offset)
{
    return setDisplacement({displacement_.x + offset.x, displacement_.y + offset.y, 0.0});
}

Acad::ErrorStatus AcDbEntity::setDisplacement(const AcGeVector3d& displacement)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    if (!canMove())
        return Acad::eNotApplicable;
    moveGeometry(displacement.x - displacement_.x, displacement.y - displacement_.y);
    displacement_ = {displacement.x, displacement.y, 0.0};
    if (database())
        database()->setModified(true);
    return Acad::eOk;
}

void AcDbLine::moveGeometry(double dx, double dy)
{
    shift(start_, dx, dy);
    shift(end_, dx, dy);
}

bool AcDbCircle::canMove() const { return isWorldNormal(normal_); }
void AcDbCircle::moveGeometry(double dx, double dy) { shift(center_, dx, dy); }

bool AcDbArc::canMove() const { return isWorldNormal(normal_); }
void AcDbArc::moveGeometry(double dx, double dy) { shift(center_, dx, dy); }

void AcDbPoint::moveGeometry(double dx, double dy) { shift(position_, dx, dy); }

void AcDb3dPolyline::moveGeometry(double dx, double dy)
{
    for (AcGePoint3d& p : vertices_)
        shift(p, dx, dy);
}

bool AcDbText::canMove() const { return isWorldNormal(props_.normal); }
void AcDbText::moveGeometry(double dx, double dy)
{
    shift(props_.position, dx, dy);
    shift(props_.alignmentPoint, dx, dy);
}

void AcDbMText::moveGeometry(double dx, double dy) { shift(props_.location, dx, dy); }

bool AcDbBlockReference::canMove() const
{
    if (!isWorldNormal(props_.normal))
        return false;
    for (const AcDbAttributeShown& a : props_.attributes)
        if (!isWorldNormal(a.text.normal))
            return false;
    return true;
}
void AcDbBlockReference::moveGeometry(double dx, double dy)
{
    shift(props_.position, dx, dy);
    for (AcDbAttributeShown& a : props_.attributes) {
        shift(a.text.position, dx, dy);
        shift(a.text.alignmentPoint, dx, dy);
    }
}

void AcDbEllipse::moveGeometry(double dx, double dy) { shift(center_, dx, dy); }

void AcDbSpline::moveGeometry(double dx, double dy)
{
    for (AcGePoint3d& p : data_.controlPoints)
        shift(p, dx, dy);
    for (AcGePoint3d& p : data_.fitPoints)
        shift(p, dx, dy);
}

bool AcDbPolyline::canMove() const { return isWorldNormal(normal_); }
void AcDbPolyline::moveGeometry(double dx, double dy)
{
    for (AcGePoint2d& p : points_) {
        p.x += dx;
        p.y += dy;
    }
}
