#pragma once
// A change of place in the XY plane that keeps shapes: turned about the z axis, scaled
// alike in every direction (z as well, so that a solid stays a solid of the same
// proportions), perhaps mirrored in a vertical plane, then shifted in X and Y.
// x' = xx·x + xy·y + dx, y' = yx·x + yy·y + dy, z' = zz·z.

#include "db/ge_point.h"

struct AcDbPlacement {
    double xx = 1.0, xy = 0.0, yx = 0.0, yy = 1.0;
    double zz = 1.0;
    double dx = 0.0, dy = 0.0;

    static AcDbPlacement translation(double dx, double dy);
    // About `base`, counter-clockwise by `degrees`; multiples of 90 turn exactly.
    static AcDbPlacement rotation(const AcGePoint3d& base, double degrees);
    // From `base` by `factor` (> 0).
    static AcDbPlacement scaling(const AcGePoint3d& base, double factor);
    // In the line through `a` and `b` (distinct).
    static AcDbPlacement mirror(const AcGePoint3d& a, const AcGePoint3d& b);

    // This placement followed by `next`.
    AcDbPlacement then(const AcDbPlacement& next) const;
    AcDbPlacement inverse() const;

    AcGePoint3d apply(const AcGePoint3d& p) const;
    AcGePoint2d apply(const AcGePoint2d& p) const;
    // A direction or an extent: turned, scaled and mirrored, not shifted.
    AcGeVector3d applyLinear(const AcGeVector3d& v) const;

    bool isTranslation() const { return xx == 1.0 && xy == 0.0 && yx == 0.0 && yy == 1.0 && zz == 1.0; }
    bool isIdentity() const { return isTranslation() && dx == 0.0 && dy == 0.0; }
    // The factor lengths change by, and whether the sense of turning is reversed.
    double scale() const { return zz; }
    bool mirrors() const { return xx * yy - xy * yx < 0.0; }
    // Where the x axis points afterwards, in radians: an angle a becomes angle() + a, or
    // angle() - a when mirrored.
    double angle() const;
    double mapAngle(double radians) const { return mirrors() ? angle() - radians : angle() + radians; }

    friend bool operator==(const AcDbPlacement&, const AcDbPlacement&) = default;
};
