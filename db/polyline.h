#pragma once
// The lightweight polyline: 2-D vertices in its own plane (elevation along the normal),
// each with an optional bulge (arc segment to the next vertex) and widths.
// Storage is compact: two doubles per vertex; bulges and widths take memory only once
// some vertex has a non-default value.

#include <span>
#include <vector>

#include "db/object.h"
#include "db/ge_point.h"

class AcDbPolyline : public AcDbEntity {
public:
    AcDbPolyline() = default;
    // Reserves room for `numVerts` vertices.
    explicit AcDbPolyline(unsigned int numVerts);

    Kind kind() const override { return Kind::kPolyline; }

    // Inserts a vertex before `index` (index == numVerts() appends). A width of -1 means
    // "none of its own": the polyline's constant width applies. eInvalidIndex past the end,
    // eNotOpenForWrite when the polyline is in a database and not open for write.
    Acad::ErrorStatus addVertexAt(unsigned int index, const AcGePoint2d& point, double bulge = 0.0,
                                  double startWidth = -1.0, double endWidth = -1.0);
    Acad::ErrorStatus removeVertexAt(unsigned int index);

    unsigned int numVerts() const { return static_cast<unsigned int>(points_.size()); }
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint2d& point) const;
    // The vertex in the polyline's own coordinate system, z = elevation.
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint3d& point) const;
    Acad::ErrorStatus getBulgeAt(unsigned int index, double& bulge) const;
    Acad::ErrorStatus setBulgeAt(unsigned int index, double bulge);
    Acad::ErrorStatus getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const;
    Acad::ErrorStatus setWidthsAt(unsigned int index, double startWidth, double endWidth);

    double elevation() const { return elevation_; }
    Acad::ErrorStatus setElevation(double elevation);
    bool isClosed() const { return closed_; }
    Acad::ErrorStatus setClosed(bool closed);
    AcGeVector3d normal() const { return normal_; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    Acad::ErrorStatus getConstantWidth(double& width) const;
    Acad::ErrorStatus setConstantWidth(double width);

    // Releases spare capacity once the vertices are complete.
    Acad::ErrorStatus minimizeMemory();

    // Direct read access for writers and displays.
    std::span<const AcGePoint2d> points() const { return points_; }
    bool hasBulges() const { return !bulges_.empty(); }
    bool hasWidths() const { return !widths_.empty(); }


protected:
    bool canMove() const override;
    void moveGeometry(double dx, double dy) override;
    bool canTransform() const override { return true; }
    void transformGeometry(const AcDbPlacement& by) override;

private:
    struct Widths {
        double start;
        double end;
    };

    std::vector<AcGePoint2d> points_;
    std::vector<double> bulges_;  // empty, or one per vertex
    std::vector<Widths> widths_;  // empty, or one per vertex
    double elevation_ = 0.0;
    double constantWidth_ = 0.0;
    AcGeVector3d normal_ = AcGeVector3d::kZAxis();
    bool closed_ = false;
};
