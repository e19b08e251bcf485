#pragma once
// Object snaps, grid snap and ortho for point input, as plain geometry without
// widgets: the snappable parts of a drawing (segments and circular arcs), a grid index
// over them, and the search for the snap point nearest the cursor.

#include "core/drawing_names.h"

#include <cstdint>
#include <optional>
#include <vector>


namespace plotwright::editor::snap {

struct Point {
    double x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Segment {
    Point a, b;
};

// A circle (|sweep| >= 2π) or an arc from angle `start` sweeping `sweep` radians
// (positive counter-clockwise).
struct Arc {
    Point c;
    double r = 0, start = 0, sweep = 0;
    bool isCircle() const;
};

struct Geometry {
    std::vector<Segment> segments;
    std::vector<Arc> arcs;
};

// What can be snapped to in model space, seen from above: lines, the segments and
// bulge arcs of polylines, 3D polylines, circles and arcs, on layers that are shown.
// Planar entities count only when they face up (normal +z), where the view shows
// them true to shape; block contents are not snapped to.
Geometry collectGeometry(const core::DrawingData& database);

enum class Kind : std::uint8_t { Endpoint, Midpoint, Center, Quadrant, Intersection, Nearest };
constexpr unsigned kAllKinds = 0x3F;
constexpr unsigned bit(Kind k) { return 1u << static_cast<unsigned>(k); }
// The name shown with the marker ("Endpoint", ...).
const char* kindName(Kind kind);

struct Snap {
    Point point;
    Kind kind = Kind::Nearest;
};

class Index {
public:
    Index() = default;
    explicit Index(Geometry geometry);

    // The snap within `aperture` (drawing units) of `cursor`: the nearest of the
    // endpoints, midpoints, centres, quadrants and intersections of the kinds in `kinds`,
    // or else the nearest point on a part; none when nothing is that close.
    std::optional<Snap> find(Point cursor, double aperture, unsigned kinds = kAllKinds) const;

    const Geometry& geometry() const { return geometry_; }

private:
    struct Part {
        bool arc;
        std::uint32_t index;
    };
    void parts(Point lo, Point hi, std::vector<Part>& out) const;

    Geometry geometry_;
    double x0_ = 0, y0_ = 0, cell_ = 1;
    int columns_ = 0, rows_ = 0;
    std::vector<std::vector<Part>> cells_;
    std::vector<Part> everywhere_;  // parts that would fill many cells (long lines, big circles)
    mutable std::vector<std::uint32_t> seen_;
    mutable std::uint32_t stamp_ = 0;
};

// The grid point nearest `p` (spacing > 0; otherwise `p`).
Point gridPoint(Point p, double spacing);
// `cursor` moved onto the horizontal or vertical through `base`, whichever is nearer.
Point orthoPoint(Point base, Point cursor);

} // namespace plotwright::editor::snap
