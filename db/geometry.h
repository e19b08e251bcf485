#pragma once
// Internal to the entity services: affine transforms, the entity coordinate system
// of planar entities and NURBS evaluation.

#include <vector>

#include "db/ge_point.h"

namespace plotwright::db::detail {

// A 3-D affine transform: x' = M x + t.
struct Xform {
    double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};

    AcGePoint3d apply(const AcGePoint3d& p) const
    {
        return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
                m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
                m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
    }
    AcGeVector3d applyVector(const AcGeVector3d& v) const
    {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    // This transform after `inner`: (this * inner)(p) = this(inner(p)).
    Xform operator*(const Xform& inner) const;
    // The largest factor by which the transform stretches a length.
    double maxScale() const;

    static Xform translation(double x, double y, double z);
    static Xform scaling(double x, double y, double z);
    static Xform rotationZ(double angle);
    // From the coordinate system of a planar entity with normal `normal` to the world
    // (the drawing format's arbitrary-axis rule); the identity for +z or a null normal.
    static Xform ocs(const AcGeVector3d& normal);
};

AcGeVector3d cross(const AcGeVector3d& a, const AcGeVector3d& b);
double length(const AcGeVector3d& v);
bool finite(const AcGePoint3d& p);

// Points of a NURBS curve of degree `degree` over its whole parameter range, each
// chord within `tolerance` of the curve (0: a thousandth of the control polygon's
// size). Empty when the data do not describe a curve (knot count, order, weights).
std::vector<AcGePoint3d> flattenNurbs(int degree, const std::vector<double>& knots,
                                      const std::vector<AcGePoint3d>& controlPoints,
                                      const std::vector<double>& weights, double tolerance);

// The curve of a spline given by fit points only: the cubic B-spline through them at
// chord-length parameters (global interpolation), flattened like flattenNurbs. End
// tangents: the given directions (null or zero: from the parabola through the three
// points at that end); closed without tangents, one tangent where the ends meet.
// Repeated points count once; fewer than two come back as they are.
std::vector<AcGePoint3d> throughPoints(const std::vector<AcGePoint3d>& points, bool closed,
                                       const AcGeVector3d* startTangent, const AcGeVector3d* endTangent,
                                       double tolerance);

// Number of chords for a sweep of `sweep` radians of a circle of `radius` so that each
// stays within `tolerance` (0: a thousandth of the radius); at least 2, at most 4096.
int arcChords(double radius, double sweep, double tolerance);

} // namespace plotwright::db::detail
