#include "db/placement.h"

#include <cmath>

AcDbPlacement AcDbPlacement::translation(double dx, double dy)
{
    AcDbPlacement p;
    p.dx = dx;
    p.dy = dy;
    return p;
}

AcDbPlacement AcDbPlacement::rotation(const AcGePoint3d& base, double degrees)
{
    // A quarter turn typed by the user must give exact coordinates, not cos(90°) ≈ 6e-17.
    double turns = std::fmod(degrees, 360.0);
    if (turns < 0.0)
        turns += 360.0;
    double c = 0.0, s = 0.0;
    if (turns == 0.0)
        c = 1.0;
    else if (turns == 90.0)
        s = 1.0;
    else if (turns == 180.0)
        c = -1.0;
    else if (turns == 270.0)
        s = -1.0;
    else {
        const double radians = turns * (M_PI / 180.0);
        c = std::cos(radians);
        s = std::sin(radians);
    }
    AcDbPlacement p;
    p.xx = c;
    p.xy = -s;
    p.yx = s;
    p.yy = c;
    p.dx = base.x - (c * base.x - s * base.y);
    p.dy = base.y - (s * base.x + c * base.y);
    return p;
}

AcDbPlacement AcDbPlacement::scaling(const AcGePoint3d& base, double factor)
{
    AcDbPlacement p;
    p.xx = p.yy = p.zz = factor;
    p.dx = base.x - factor * base.x;
    p.dy = base.y - factor * base.y;
    return p;
}

AcDbPlacement AcDbPlacement::mirror(const AcGePoint3d& a, const AcGePoint3d& b)
{
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    const double ux = (b.x - a.x) / length, uy = (b.y - a.y) / length;
    AcDbPlacement p;
    // Horizontal and vertical lines mirror exactly.
    p.xx = ux == 0.0 || uy == 0.0 ? (ux == 0.0 ? -1.0 : 1.0) : ux * ux - uy * uy;
    p.yy = -p.xx;
    p.xy = p.yx = ux == 0.0 || uy == 0.0 ? 0.0 : 2.0 * ux * uy;
    p.dx = a.x - (p.xx * a.x + p.xy * a.y);
    p.dy = a.y - (p.yx * a.x + p.yy * a.y);
    return p;
}

AcDbPlacement AcDbPlacement::then(const AcDbPlacement& n) const
{
    AcDbPlacement p;
    p.xx = n.xx * xx + n.xy * yx;
    p.xy = n.xx * xy + n.xy * yy;
    p.yx = n.yx * xx + n.yy * yx;
    p.yy = n.yx * xy + n.yy * yy;
    p.zz = n.zz * zz;
    p.dx = n.xx * dx + n.xy * dy + n.dx;
    p.dy = n.yx * dx + n.yy * dy + n.dy;
    return p;
}

AcDbPlacement AcDbPlacement::inverse() const
{
    const double det = xx * yy - xy * yx;
    AcDbPlacement p;
    p.xx = yy / det;
    p.xy = -xy / det;
    p.yx = -yx / det;
    p.yy = xx / det;
    p.zz = 1.0 / zz;
    p.dx = -(p.xx * dx + p.xy * dy);
    p.dy = -(p.yx * dx + p.yy * dy);
    return p;
}

AcGePoint3d AcDbPlacement::apply(const AcGePoint3d& p) const
{
    return {xx * p.x + xy * p.y + dx, yx * p.x + yy * p.y + dy, zz * p.z};
}

AcGePoint2d AcDbPlacement::apply(const AcGePoint2d& p) const
{
    return {xx * p.x + xy * p.y + dx, yx * p.x + yy * p.y + dy};
}

AcGeVector3d AcDbPlacement::applyLinear(const AcGeVector3d& v) const
{
    return {xx * v.x + xy * v.y, yx * v.x + yy * v.y, zz * v.z};
}

double AcDbPlacement::angle() const { return std::atan2(yx, xx); }
