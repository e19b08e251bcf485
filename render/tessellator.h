#pragma once
// Internal to the entity services: the tessellator that turns entities into the
// vertices of strokes, fills and text items, for shapes or for extents.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "render/display_shapes.h"
#include "db/entities.h"
#include "db/geometry.h"

class AcDbPolyline;

namespace plotwright::db::detail {

using Type = DisplayShape::Type;

// Where the tessellator's vertices go: shapes for a display, or extents.
class Output {
public:
    virtual ~Output() = default;
    virtual void begin(Type type, ShownColor color) = 0;
    virtual void vertex(const AcGePoint3d& p) = 0;
    // Fills: the next vertices start a new ring.
    virtual void ring() = 0;
    virtual void end(bool closed) = 0;
    virtual void text(const AcGePoint3d& anchor, std::shared_ptr<const DisplayText> text, ShownColor color) = 0;
};

// What an entity inherits from the block references it is drawn through.
struct Context {
    Xform xf;
    double tolerance = 0.0;          // in the entity's own units
    ShownColor byBlock;              // colour of ByBlock entities
    const std::wstring* layer = nullptr;  // layer of entities on layer "0" (null at the top)
    int depth = 0;
};

constexpr int kMaxDepth = 16;
// Block references expand to at most this many entities in all, so that a drawing of
// nested arrays cannot make the display unbounded.
constexpr std::size_t kMaxExpanded = 20'000'000;

// The arc from `a` to `b` bulging by `bulge` (tan of a quarter of the included angle,
// positive counter-clockwise) as centre, radius, start angle and sweep.
struct BulgeArc {
    bool isArc = false;
    double cx = 0, cy = 0, r = 0, start = 0, sweep = 0;
};
BulgeArc bulgeArc(const AcGePoint2d& a, const AcGePoint2d& b, double bulge);

class Tessellator {
public:
    Tessellator(const AcDbDatabase& db, Output& out, bool checkLayers, double tolerance)
        : db_(db), out_(out), checkLayers_(checkLayers), worldTolerance_(tolerance) {}

    void entity(const AcDbEntity& e, const Context& ctx);

private:
    const std::wstring& layerOf(const AcDbEntity& e, const Context& ctx) const
    {
        return (ctx.layer && e.layer() == L"0") ? *ctx.layer : e.layer();
    }
    ShownColor colorOf(int index, std::int32_t rgb, const std::wstring& layer, const Context& ctx) const
    {
        if (rgb >= 0)
            return trueColor(static_cast<std::uint32_t>(rgb));
        if (index == kColorByBlock)
            return ctx.byBlock;
        if (isPaletteIndex(index))
            return paletteColor(index);
        const AcDbLayerAppearance& la = db_.layerAppearance(layer);
        return la.trueColor >= 0 ? trueColor(static_cast<std::uint32_t>(la.trueColor)) : paletteColor(la.colorIndex);
    }

    void put(const Xform& xf, const AcGePoint3d& p) { out_.vertex(xf.apply(p)); }
    void arc(const Xform& xf, const AcGePoint3d& c, double r, double start, double sweep, double tolerance, bool first);
    void polyline(const AcDbPolyline& pl, const Context& ctx, ShownColor color);
    void wideSegments(const AcDbPolyline& pl, const Xform& xf, double tolerance, ShownColor color);
    void text(const AcDbTextProps& t, const Xform& xf, ShownColor color);
    void mtext(const AcDbMTextProps& t, const Xform& xf, ShownColor color);
    void blockReference(const AcDbBlockReference& ref, const Context& ctx, const std::wstring& layer, ShownColor color);
    void hatch(const AcDbHatch& h, const Context& ctx, ShownColor color);
    void hatchLoop(const AcDbHatchLoop& loop, const Xform& xf, double tolerance);
    void stroke(const std::vector<AcGePoint3d>& points, const Xform& xf, ShownColor color, bool closed)
    {
        out_.begin(Type::kStroke, color);
        for (const AcGePoint3d& p : points)
            put(xf, p);
        out_.end(closed);
    }

    const AcDbDatabase& db_;
    Output& out_;
    bool checkLayers_;
    double worldTolerance_;
    std::size_t expanded_ = 0;
};

} // namespace plotwright::db::detail
