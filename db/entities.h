#pragma once
// The other entities a drawing file may hold in model space, read for display.
// They are created by the DXF reader and are not edited.

#include <memory>
#include <string>
#include <vector>

#include "db/object.h"
#include "db/ge_point.h"

class AcDbLine : public AcDbEntity {
public:
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end) : start_(start), end_(end) {}
    Kind kind() const override { return Kind::kLine; }
    AcGePoint3d startPoint() const { return start_; }
    AcGePoint3d endPoint() const { return end_; }


protected:
    bool canMove() const override { return true; }
    void moveGeometry(double dx, double dy) override;
    bool canTransform() const override { return true; }
    void transformGeometry(const AcDbPlacement& by) override;

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


protected:
    bool canMove() const override;
    void moveGeometry(double dx, double dy) override;
    bool canTransform() const override { return true; }
    void transformGeometry(const AcDbPlacement& by) override;

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


protected:
    bool canMove() const override;
    void moveGeometry(double dx, double dy) override;
    bool canTransform() const override { return true; }
    void transformGeometry(const AcDbPlacement& by) override;

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


protected:
    bool canMove() const override { return true; }
    void moveGeometry(double dx, double dy) override;
    bool canTransform() const override { return true; }
    void transformGeometry(const AcDbPlacement& by) override;

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


protected:
    bool canMove() const override { return true; }
    void moveGeometry(double dx, double dy) override;
    bool canTransform() const override { return true; }
    void transformGeometry(const AcDbPlacement& by) override;

private:
    std::vector<AcGePoint3d> vertices_;
    bool closed_;
};

// ---- Entities read for display only --------------------------------------------
// Created by the DXF reader from what another program drew; the file keeps their
// records, so they are shown but never written.

// Where a text sits: `position` is the insertion (left end of the baseline); with any
// alignment but left/baseline, `alignmentPoint` is the point the alignment refers to.
// Coordinates in the entity's own system (normal); rotation in radians.
struct AcDbTextProps {
    enum HAlign { kLeft = 0, kCenter = 1, kRight = 2, kAligned = 3, kMiddle = 4, kFit = 5 };
    enum VAlign { kBaseline = 0, kBottom = 1, kVMiddle = 2, kTop = 3 };
    std::wstring text;  // as stored, with %%-codes
    AcGePoint3d position;
    AcGePoint3d alignmentPoint;
    AcGeVector3d normal = AcGeVector3d::kZAxis();
    double height = 1.0;
    double rotation = 0.0;
    double widthFactor = 1.0;
    int hAlign = kLeft;
    int vAlign = kBaseline;
    bool mirroredX = false;
    bool mirroredY = false;
    double oblique = 0.0;  // slant of the letters from upright, radians clockwise
    std::wstring style;    // text style name, as stored
};

class AcDbText : public AcDbEntity {
public:
    explicit AcDbText(AcDbTextProps props, bool definition = false) : props_(std::move(props)), definition_(definition) {}
    Kind kind() const override { return Kind::kText; }
    const AcDbTextProps& props() const { return props_; }
    // An attribute definition showing its tag: drawn in model space only, not through
    // the block references that carry it.
    bool isAttributeDefinition() const { return definition_; }


protected:
    bool canMove() const override;
    void moveGeometry(double dx, double dy) override;

private:
    AcDbTextProps props_;
    bool definition_ = false;
};

// Multi-line text. `contents` keeps the formatting codes (\P, {\H2x;...}). The text's
// x direction is `direction` (world) when `hasDirection`, else `rotation` (radians) in
// the entity's own system. Attachment 1..9: top left, top centre, ..., bottom right.
struct AcDbMTextProps {
    std::wstring contents;
    AcGePoint3d location;
    AcGeVector3d direction{1.0, 0.0, 0.0};
    bool hasDirection = false;
    double rotation = 0.0;
    AcGeVector3d normal = AcGeVector3d::kZAxis();
    double height = 1.0;
    double width = 0.0;       // of the reference rectangle; 0 when there is none
    double lineSpacing = 1.0; // factor of the usual 5/3 of the height
    int attachment = 1;
    std::wstring style;       // text style name, as stored
    int columnCount = 0;      // 0 or 1: one column
    double columnWidth = 0.0;
    double columnGutter = 0.0;
    double columnHeight = 0.0; // 0: columns break at column breaks only
    std::vector<double> columnHeights;  // each column's own, where they differ (0: columnHeight)
};

class AcDbMText : public AcDbEntity {
public:
    explicit AcDbMText(AcDbMTextProps props) : props_(std::move(props)) {}
    Kind kind() const override { return Kind::kMText; }
    const AcDbMTextProps& props() const { return props_; }


protected:
    bool canMove() const override { return true; }
    void moveGeometry(double dx, double dy) override;

private:
    AcDbMTextProps props_;
};

// An attribute shown with a block reference: its text at its own place.
struct AcDbAttributeShown {
    AcDbTextProps text;
    std::wstring layer = L"0";
    int colorIndex = 256;
    std::int32_t trueColor = -1;
};

// An insertion of the block `blockName`: the block's entities, moved so that its base
// point lands on `position`, scaled, rotated (radians) about the normal, optionally
// repeated in `columns` x `rows` with the spacings along the rotated axes.
struct AcDbBlockReferenceProps {
    std::wstring blockName;
    AcGePoint3d position;
    AcGeVector3d scale{1.0, 1.0, 1.0};
    AcGeVector3d normal = AcGeVector3d::kZAxis();
    double rotation = 0.0;
    int columns = 1;
    int rows = 1;
    double columnSpacing = 0.0;
    double rowSpacing = 0.0;
    std::vector<AcDbAttributeShown> attributes;
    // Drawn in place of the block when the drawing lacks it (a dimension's lines from
    // its definition points), in world coordinates.
    std::shared_ptr<const AcDbEntity> standIn;
    // The reference's extension dictionary, where a clipping boundary may be kept
    // (AcDbDatabase::blockClips); 0 when it has none.
    std::uint64_t extensionDictionary = 0;
};

class AcDbBlockReference : public AcDbEntity {
public:
    explicit AcDbBlockReference(AcDbBlockReferenceProps props) : props_(std::move(props)) {}
    Kind kind() const override { return Kind::kBlockReference; }
    const AcDbBlockReferenceProps& props() const { return props_; }


protected:
    bool canMove() const override;
    void moveGeometry(double dx, double dy) override;

private:
    AcDbBlockReferenceProps props_;
};

// Centre and major axis in world coordinates; the minor axis is ratio times the major
// one, turned a quarter counter-clockwise about the normal. Parameters in radians.
class AcDbEllipse : public AcDbEntity {
public:
    AcDbEllipse(const AcGePoint3d& center, const AcGeVector3d& normal, const AcGeVector3d& majorAxis,
                double radiusRatio, double startParam, double endParam)
        : center_(center), normal_(normal), majorAxis_(majorAxis), ratio_(radiusRatio),
          start_(startParam), end_(endParam) {}
    Kind kind() const override { return Kind::kEllipse; }
    AcGePoint3d center() const { return center_; }
    AcGeVector3d normal() const { return normal_; }
    AcGeVector3d majorAxis() const { return majorAxis_; }
    double radiusRatio() const { return ratio_; }
    double startParam() const { return start_; }
    double endParam() const { return end_; }


protected:
    bool canMove() const override { return true; }
    void moveGeometry(double dx, double dy) override;
    bool canTransform() const override;
    void transformGeometry(const AcDbPlacement& by) override;

private:
    AcGePoint3d center_;
    AcGeVector3d normal_;
    AcGeVector3d majorAxis_;
    double ratio_;
    double start_;
    double end_;
};

// A NURBS curve in world coordinates. Control points with knots (count = control points
// + degree + 1) and, when rational, one weight per control point; fit points are what
// the curve was made to pass through (used when there are no control points).
struct AcDbSplineData {
    int degree = 3;
    bool closed = false;
    bool periodic = false;
    bool rational = false;
    std::vector<double> knots;
    std::vector<AcGePoint3d> controlPoints;
    std::vector<double> weights;  // empty, or one per control point
    std::vector<AcGePoint3d> fitPoints;
    // Directions at the ends of a curve given by fit points (null vectors when not given).
    AcGeVector3d startTangent{0, 0, 0};
    AcGeVector3d endTangent{0, 0, 0};
};

class AcDbSpline : public AcDbEntity {
public:
    explicit AcDbSpline(AcDbSplineData data) : data_(std::move(data)) {}
    // A non-rational spline, as this program draws them: clamped knots, the control
    // points, and the points it was fitted through (kept for the file; may be empty).
    AcDbSpline(int degree, std::vector<double> knots, std::vector<AcGePoint3d> controlPoints,
               std::vector<AcGePoint3d> fitPoints, bool closed);
    Kind kind() const override { return Kind::kSpline; }
    const AcDbSplineData& data() const { return data_; }
    int degree() const { return data_.degree; }
    bool isClosed() const { return data_.closed; }
    bool isPeriodic() const { return data_.periodic; }
    bool isRational() const { return data_.rational; }
    const std::vector<double>& knots() const { return data_.knots; }
    const std::vector<AcGePoint3d>& controlPoints() const { return data_.controlPoints; }
    const std::vector<AcGePoint3d>& fitPoints() const { return data_.fitPoints; }

    // Points along a non-rational curve, `perSpan` to each knot span plus the start:
    // for writers of formats without splines. Nothing when the knots do not fit the
    // control points and degree.
    std::vector<AcGePoint3d> samplePoints(int perSpan) const;


protected:
    bool canMove() const override { return true; }
    void moveGeometry(double dx, double dy) override;
    bool canTransform() const override { return true; }
    void transformGeometry(const AcDbPlacement& by) override;

private:
    AcDbSplineData data_;
};

// One boundary edge of a hatch, in the hatch's own coordinate system. Angles and
// parameters in radians; arcs and elliptic arcs run counter-clockwise unless
// `counterClockwise` is false (then the angles are measured clockwise).
struct AcDbHatchEdge {
    enum class Type { kLine, kArc, kEllipse, kSpline };
    Type type = Type::kLine;
    AcGePoint2d start, end;             // line
    AcGePoint2d center;                 // arc, ellipse
    double radius = 0.0;                // arc
    AcGePoint2d majorAxis;              // ellipse (end of the major axis from the centre)
    double ratio = 1.0;                 // ellipse
    double startAngle = 0.0, endAngle = 0.0;
    bool counterClockwise = true;
    int degree = 3;                     // spline
    std::vector<double> knots;
    std::vector<AcGePoint2d> controlPoints;
    std::vector<double> weights;
};

// A closed boundary: either a polyline (points with a bulge each) or a chain of edges.
struct AcDbHatchLoop {
    bool isPolyline = false;
    std::vector<AcGePoint2d> points;
    std::vector<double> bulges;         // empty, or one per point
    std::vector<AcDbHatchEdge> edges;
};

// One family of parallel lines of a hatch pattern, as the hatch stores it: already
// scaled and turned. Lines pass through `base` + k `offset` in direction `angle`
// (radians); dashes > 0 are drawn, < 0 are gaps, 0 a dot; none: a solid line.
struct AcDbHatchPatternLine {
    double angle = 0.0;
    AcGePoint2d base, offset;
    std::vector<double> dashes;
};

class AcDbHatch : public AcDbEntity {
public:
    AcDbHatch(std::vector<AcDbHatchLoop> loops, bool solidFill, double elevation, const AcGeVector3d& normal,
              std::vector<AcDbHatchPatternLine> pattern = {})
        : loops_(std::move(loops)), pattern_(std::move(pattern)), solid_(solidFill), elevation_(elevation),
          normal_(normal) {}
    Kind kind() const override { return Kind::kHatch; }
    const std::vector<AcDbHatchLoop>& loops() const { return loops_; }
    // Empty for a solid fill, and for a pattern a file does not describe.
    const std::vector<AcDbHatchPatternLine>& patternLines() const { return pattern_; }
    bool isSolidFill() const { return solid_; }
    double elevation() const { return elevation_; }
    AcGeVector3d normal() const { return normal_; }

private:
    std::vector<AcDbHatchLoop> loops_;
    std::vector<AcDbHatchPatternLine> pattern_;
    bool solid_;
    double elevation_;
    AcGeVector3d normal_;
};

// A three- or four-sided plane figure: the corners in drawing order (a triangle repeats
// its third corner). Solids and traces are filled and lie in their own coordinate
// system (normal); 3-D faces are outlines in world coordinates.
class AcDbFace : public AcDbEntity {
public:
    AcDbFace(const AcGePoint3d (&corners)[4], bool filled, const AcGeVector3d& normal)
        : corners_{corners[0], corners[1], corners[2], corners[3]}, filled_(filled), normal_(normal) {}
    Kind kind() const override { return Kind::kFace; }
    const AcGePoint3d& corner(int i) const { return corners_[i]; }
    bool isFilled() const { return filled_; }
    AcGeVector3d normal() const { return normal_; }
    // A 3-D face's hidden edges: bit k set hides the edge from corner k to the next.
    int hiddenEdges() const { return hidden_; }
    void setHiddenEdges(int bits) { hidden_ = bits & 15; }

private:
    AcGePoint3d corners_[4];
    bool filled_;
    AcGeVector3d normal_;
    int hidden_ = 0;
};

// A leader's path in world coordinates, arrowhead at the first vertex when `arrowhead`.
class AcDbLeader : public AcDbEntity {
public:
    AcDbLeader(std::vector<AcGePoint3d> vertices, bool arrowhead, double arrowSize)
        : vertices_(std::move(vertices)), arrowhead_(arrowhead), arrowSize_(arrowSize) {}
    Kind kind() const override { return Kind::kLeader; }
    const std::vector<AcGePoint3d>& vertices() const { return vertices_; }
    bool hasArrowhead() const { return arrowhead_; }
    double arrowSize() const { return arrowSize_; }

private:
    std::vector<AcGePoint3d> vertices_;
    bool arrowhead_;
    double arrowSize_;
};

// An endless line through `basePoint` (both ways, or from it only for a ray).
class AcDbXline : public AcDbEntity {
public:
    AcDbXline(const AcGePoint3d& basePoint, const AcGeVector3d& direction, bool ray)
        : base_(basePoint), direction_(direction), ray_(ray) {}
    Kind kind() const override { return Kind::kXline; }
    AcGePoint3d basePoint() const { return base_; }
    AcGeVector3d direction() const { return direction_; }
    bool isRay() const { return ray_; }

private:
    AcGePoint3d base_;
    AcGeVector3d direction_;
    bool ray_;
};

// A wipeout's outline: boundary points in world coordinates, closed.
class AcDbWipeout : public AcDbEntity {
public:
    explicit AcDbWipeout(std::vector<AcGePoint3d> outline) : outline_(std::move(outline)) {}
    Kind kind() const override { return Kind::kWipeout; }
    const std::vector<AcGePoint3d>& outline() const { return outline_; }

private:
    std::vector<AcGePoint3d> outline_;
};

// Kinds drawn as read, as lines in world coordinates with at most one text: the edges
// of meshes (POLYLINE polyface meshes, MESH), the lines of multilines, multileaders'
// leader lines with their text, dimensions that come without their picture.
class AcDbStrokes : public AcDbEntity {
public:
    struct Stroke {
        std::vector<AcGePoint3d> points;
        bool closed = false;
    };
    // `name` says what it is ("Polyface mesh", "Multiline", ...).
    AcDbStrokes(std::wstring name, std::vector<Stroke> strokes) : name_(std::move(name)), strokes_(std::move(strokes)) {}
    Kind kind() const override { return Kind::kStrokes; }
    const std::wstring& name() const { return name_; }
    const std::vector<Stroke>& strokes() const { return strokes_; }
    // Filled triangles (arrowheads), three corners each.
    const std::vector<AcGePoint3d>& arrowheads() const { return arrowheads_; }
    void setArrowheads(std::vector<AcGePoint3d> corners) { arrowheads_ = std::move(corners); }
    const AcDbMTextProps* text() const { return hasText_ ? &text_ : nullptr; }
    void setText(AcDbMTextProps text)
    {
        text_ = std::move(text);
        hasText_ = true;
    }

private:
    std::wstring name_;
    std::vector<Stroke> strokes_;
    std::vector<AcGePoint3d> arrowheads_;
    AcDbMTextProps text_;
    bool hasText_ = false;
};
