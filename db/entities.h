#pragma once
// The other entities a drawing file may hold in model space, read for display.
// They are created by the DXF reader and are not edited.

#include <vector>

#include "db/object.h"
#include "db/ge_point.h"

class AcDbLine : public AcDbEntity {
public:
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end) : start_(start), end_(end) {}
    Kind kind() const override { return Kind::kLine; }
    AcGePoint3d startPoint() const { return start_; }
    AcGePoint3d endPoint() const { return end_; }

private:
    AcGePoint3d start_;
    AcGePoint3d end_;
};

// Centre in the entity's own coordinate system (see normal()); for the usual normal
// (0, 0, 1) that is the world system.
class AcDbCircle : public AcDbEntity {
public:
    AcDbCircle(const AcGePoint3d& center, double radius, const AcGeVector3d& normal)
        : center_(center), radius_(radius), normal_(normal) {}
    Kind kind() const override { return Kind::kCircle; }
    AcGePoint3d center() const { return center_; }
    double radius() const { return radius_; }
    AcGeVector3d normal() const { return normal_; }

private:
    AcGePoint3d center_;
    double radius_;
    AcGeVector3d normal_;
};

// Counter-clockwise from startAngle to endAngle, in radians, about the normal.
class AcDbArc : public AcDbEntity {
public:
    AcDbArc(const AcGePoint3d& center, double radius, double startAngle, double endAngle,
            const AcGeVector3d& normal)
        : center_(center), radius_(radius), startAngle_(startAngle), endAngle_(endAngle), normal_(normal) {}
    Kind kind() const override { return Kind::kArc; }
    AcGePoint3d center() const { return center_; }
    double radius() const { return radius_; }
    double startAngle() const { return startAngle_; }
    double endAngle() const { return endAngle_; }
    AcGeVector3d normal() const { return normal_; }

private:
    AcGePoint3d center_;
    double radius_;
    double startAngle_;
    double endAngle_;
    AcGeVector3d normal_;
};

class AcDbPoint : public AcDbEntity {
public:
    explicit AcDbPoint(const AcGePoint3d& position) : position_(position) {}
    Kind kind() const override { return Kind::kPoint; }
    AcGePoint3d position() const { return position_; }

private:
    AcGePoint3d position_;
};

// A polyline with 3-D vertices in world coordinates (straight segments).
class AcDb3dPolyline : public AcDbEntity {
public:
    AcDb3dPolyline(std::vector<AcGePoint3d> vertices, bool closed)
        : vertices_(std::move(vertices)), closed_(closed) {}
    Kind kind() const override { return Kind::k3dPolyline; }
    const std::vector<AcGePoint3d>& vertices() const { return vertices_; }
    bool isClosed() const { return closed_; }

private:
    std::vector<AcGePoint3d> vertices_;
    bool closed_;
};

// A non-rational B-spline in world coordinates: degree, clamped knots (one more than the
// control points plus the degree), control points, and the points it was fitted through
// (kept for the file; may be empty). Closed: the curve ends where it starts.
class AcDbSpline : public AcDbEntity {
public:
    AcDbSpline(int degree, std::vector<double> knots, std::vector<AcGePoint3d> controlPoints,
               std::vector<AcGePoint3d> fitPoints, bool closed)
        : degree_(degree), knots_(std::move(knots)), controlPoints_(std::move(controlPoints)),
          fitPoints_(std::move(fitPoints)), closed_(closed) {}
    Kind kind() const override { return Kind::kSpline; }
    int degree() const { return degree_; }
    const std::vector<double>& knots() const { return knots_; }
    const std::vector<AcGePoint3d>& controlPoints() const { return controlPoints_; }
    const std::vector<AcGePoint3d>& fitPoints() const { return fitPoints_; }
    bool isClosed() const { return closed_; }

    // Points along the curve, `perSpan` to each knot span plus the start: for display.
    // Nothing when the knots do not fit the control points and degree.
    std::vector<AcGePoint3d> samplePoints(int perSpan) const;

private:
    int degree_;
    std::vector<double> knots_;
    std::vector<AcGePoint3d> controlPoints_;
    std::vector<AcGePoint3d> fitPoints_;
    bool closed_;
};
