// Moving entities. Kinds that keep points in their own coordinate system (circles,
// arcs, texts, block references, 2-D polylines) move only while that system is the
// world's: a file keeps their points in it, and a patch of those points is only an
// XY offset when the two agree.
#include "db/entities.h"
#include "db/database.h"
#include "db/polyline.h"

#include <cmath>

namespace {

bool isWorldNormal(const AcGeVector3d& n)
{
    return n.x == 0.0 && n.y == 0.0 && n.z > 0.0;
}

// An angle in radians kept within [0, 2π).
double turned(const AcDbPlacement& by, double radians)
{
    double a = std::fmod(by.mapAngle(radians), 2.0 * M_PI);
    return a < 0.0 ? a + 2.0 * M_PI : a;
}

void shift(AcGePoint3d& p, double dx, double dy)
{
    p.x += dx;
    p.y += dy;
}

} // namespace

bool AcDbEntity::isMovable() const { return canMove(); }

namespace {

bool sameLinear(const AcDbPlacement& a, const AcDbPlacement& b)
{
    return a.xx == b.xx && a.xy == b.xy && a.yx == b.yx && a.yy == b.yy && a.zz == b.zz;
}

} // namespace

Acad::ErrorStatus AcDbEntity::moveBy(const AcGeVector3d& offset)
{
    return setDisplacement({placement_.dx + offset.x, placement_.dy + offset.y, 0.0});
}

Acad::ErrorStatus AcDbEntity::setDisplacement(const AcGeVector3d& displacement)
{
    AcDbPlacement moved = placement_;
    moved.dx = displacement.x;
    moved.dy = displacement.y;
    return setPlacement(moved);
}

bool AcDbEntity::canPlace(const AcDbPlacement& placement) const
{
    return canMove() && (sameLinear(placement, placement_) || canTransform());
}

Acad::ErrorStatus AcDbEntity::setPlacement(const AcDbPlacement& placement)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    if (!canPlace(placement))
        return Acad::eNotApplicable;
    // A move keeps to the plain shift, so that moving and moving back is exact.
    if (sameLinear(placement, placement_))
        moveGeometry(placement.dx - placement_.dx, placement.dy - placement_.dy);
    else
        transformGeometry(placement_.inverse().then(placement));
    placement_ = placement;
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

// Turning, scaling and mirroring. Angles follow the turn; a mirror reverses the sense
// in which arcs and bulges run, so their ends swap.
void AcDbLine::transformGeometry(const AcDbPlacement& by)
{
    start_ = by.apply(start_);
    end_ = by.apply(end_);
}

void AcDbPoint::transformGeometry(const AcDbPlacement& by) { position_ = by.apply(position_); }

void AcDb3dPolyline::transformGeometry(const AcDbPlacement& by)
{
    for (AcGePoint3d& p : vertices_)
        p = by.apply(p);
}

void AcDbCircle::transformGeometry(const AcDbPlacement& by)
{
    center_ = by.apply(center_);
    radius_ *= by.scale();
}

void AcDbArc::transformGeometry(const AcDbPlacement& by)
{
    center_ = by.apply(center_);
    radius_ *= by.scale();
    const double start = turned(by, startAngle_), end = turned(by, endAngle_);
    startAngle_ = by.mirrors() ? end : start;
    endAngle_ = by.mirrors() ? start : end;
}

bool AcDbEllipse::canTransform() const { return isWorldNormal(normal_); }
void AcDbEllipse::transformGeometry(const AcDbPlacement& by)
{
    center_ = by.apply(center_);
    majorAxis_ = by.applyLinear(majorAxis_);
    // Mirrored, the point at parameter t lies at -t.
    if (by.mirrors()) {
        const double start = 2.0 * M_PI - end_;
        end_ = 2.0 * M_PI - start_;
        start_ = start;
    }
}

void AcDbSpline::transformGeometry(const AcDbPlacement& by)
{
    for (AcGePoint3d& p : data_.controlPoints)
        p = by.apply(p);
    for (AcGePoint3d& p : data_.fitPoints)
        p = by.apply(p);
    data_.startTangent = by.applyLinear(data_.startTangent);
    data_.endTangent = by.applyLinear(data_.endTangent);
}

void AcDbPolyline::transformGeometry(const AcDbPlacement& by)
{
    for (AcGePoint2d& p : points_)
        p = by.apply(p);
    if (by.mirrors())
        for (double& b : bulges_)
            b = -b;
    for (Widths& w : widths_) {
        w.start *= by.scale();
        w.end *= by.scale();
    }
    constantWidth_ *= by.scale();
    elevation_ *= by.scale();
}
