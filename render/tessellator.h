#pragma once
// Internal to the entity services: the tessellator that turns entities into the
// vertices of strokes, fills and text items, for shapes or for extents.

#include <cstddef>
#include <functional>
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
    // False where only the reach of the shapes counts (extents): pattern lines and
    // dashes, which lie within their outlines, are left out.
    virtual bool wantsDetail() const { return true; }
};

// What an entity inherits from the block references it is drawn through.
struct Context {
    Xform xf;
    double tolerance = 0.0;          // in the entity's own units
    ShownColor byBlock;              // colour of ByBlock entities
    const std::vector<double>* byBlockPattern = nullptr;  // dash pattern of ByBlock entities
    const std::wstring* layer = nullptr;  // layer of entities on layer "0" (null at the top)
    int depth = 0;
};

constexpr int kMaxDepth = 16;

// True for the layer of dimensions' definition points (any case), which no display shows.
bool isDefpoints(const std::wstring& layer);
// Lines and curves, which a linetype's dashes apply to (not text, fills or hatches).
bool isDashable(AcDbEntity::Kind kind);
// Block references expand to at most this many entities in all, so that a drawing of
// nested arrays cannot make the display unbounded. Fuzz builds, instrumented and many
// times slower, stop sooner so that one input stays within the fuzzer's time limit.
#ifdef PLOTWRIGHT_FUZZ_LIMITS
constexpr std::size_t kMaxExpanded = 20'000;
#else
constexpr std::size_t kMaxExpanded = 20'000'000;
#endif

// The arc from `a` to `b` bulging by `bulge` (tan of a quarter of the included angle,
// positive counter-clockwise) as centre, radius, start angle and sweep.
struct BulgeArc {
    bool isArc = false;
    double cx = 0, cy = 0, r = 0, start = 0, sweep = 0;
};
BulgeArc bulgeArc(const AcGePoint2d& a, const AcGePoint2d& b, double bulge);

// A hatch boundary as closed rings of points (the last not repeating the first), in
// the hatch's own coordinates: edges joined where their ends meet, whatever the
// direction each is stored in.
std::vector<std::vector<AcGePoint2d>> hatchRings(const AcDbHatchLoop& loop, double tolerance);

// Calls `dash` for each dash (a dot: both ends equal) of one family of pattern lines
// inside `rings` (even-odd). False, having drawn at most part of it, when the family
// would need more than `budget` lines or dashes on a line.
bool patternLines(const std::vector<std::vector<AcGePoint2d>>& rings, const AcDbHatchPatternLine& line,
                  std::size_t budget, const std::function<void(const AcGePoint2d&, const AcGePoint2d&)>& dash);

// Pattern lines and dashes of one hatch at most, beyond which its outline is drawn.
constexpr std::size_t kMaxPatternDashes = 200'000;

// The dash pattern (AcDbLinetypeTable::patterns) an entity of `linetype` on `layer` is
// drawn with; null for a solid line.
const std::vector<double>* linetypePattern(const AcDbLinetypeTable& table, const std::wstring& linetype,
                                           const std::wstring& layer, const std::vector<double>* byBlock);

// Dashes of one line at most, beyond which it is drawn solid (it would look so).
constexpr std::size_t kMaxLineDashes = 20'000;

// Passes shapes on to `target`, strokes cut into the dashes of `pattern` (times
// `scale`): the pattern runs on from one segment to the next, from the stroke's start.
class DashedOutput : public Output {
public:
    DashedOutput(Output& target, const std::vector<double>& pattern, double scale);
    void begin(Type type, ShownColor color) override;
    void vertex(const AcGePoint3d& p) override;
    void ring() override;
    void end(bool closed) override;
    void text(const AcGePoint3d& anchor, std::shared_ptr<const DisplayText> text, ShownColor color) override
    {
        target_.text(anchor, std::move(text), color);
    }

private:
    Output& target_;
    const std::vector<double>& pattern_;
    double scale_;
    Type type_ = Type::kStroke;
    ShownColor color_;
    std::vector<AcGePoint3d> points_;
};

// Passes on to `target` only what lies inside `boundary` (a closed polygon in world
// x, y, even-odd): strokes cut where they cross it, fills cut to it, markers and
// texts kept by their anchor. Endless lines are left out.
class ClippedOutput : public Output {
public:
    ClippedOutput(Output& target, std::vector<AcGePoint2d> boundary);
    void begin(Type type, ShownColor color) override;
    void vertex(const AcGePoint3d& p) override;
    void ring() override;
    void end(bool closed) override;
    void text(const AcGePoint3d& anchor, std::shared_ptr<const DisplayText> text, ShownColor color) override;
    bool wantsDetail() const override { return target_.wantsDetail(); }

private:
    bool inside(double x, double y) const;
    void stroke(bool closed);
    void fill();

    Output& target_;
    std::vector<AcGePoint2d> boundary_;
    Type type_ = Type::kStroke;
    ShownColor color_;
    std::vector<AcGePoint3d> points_;
    std::vector<std::size_t> rings_;  // where each ring after the first starts
};

class Tessellator {
public:
    Tessellator(const AcDbDatabase& db, Output& out, bool checkLayers, double tolerance)
        : db_(db), out_(&out), checkLayers_(checkLayers), worldTolerance_(tolerance) {}

    void entity(const AcDbEntity& e, const Context& ctx);

private:
    void drawKind(const AcDbEntity& e, const Context& ctx, const std::wstring& layer, ShownColor color,
                  const std::vector<double>* pattern);
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
        const AcDbLayerAppearance& la = appearanceOf(layer);
        return la.trueColor >= 0 ? trueColor(static_cast<std::uint32_t>(la.trueColor)) : paletteColor(la.colorIndex);
    }
    // The layer's state and colour, and the dash pattern of an entity, looked up by
    // name: entities next to each other mostly share their layer and linetype, so the
    // last answer is kept (the drawing does not change while it is drawn).
    const AcDbLayerAppearance& appearanceOf(const std::wstring& layer) const
    {
        if (!lastAppearance_ || layer != lastLayer_) {
            lastAppearance_ = &db_.layerAppearance(layer);
            lastLayer_ = layer;
        }
        return *lastAppearance_;
    }
    const std::vector<double>* patternOf(const std::wstring& linetype, const std::wstring& layer,
                                         const std::vector<double>* byBlock);

    void put(const Xform& xf, const AcGePoint3d& p) { out_->vertex(xf.apply(p)); }
    void arc(const Xform& xf, const AcGePoint3d& c, double r, double start, double sweep, double tolerance, bool first);
    void polyline(const AcDbPolyline& pl, const Context& ctx, ShownColor color);
    void wideSegments(const AcDbPolyline& pl, const Xform& xf, double tolerance, ShownColor color);
    void text(const AcDbTextProps& t, const Xform& xf, ShownColor color);
    void mtext(const AcDbMTextProps& t, const Xform& xf, ShownColor color, const std::wstring& layer,
               const Context& ctx);
    // The font of a text style (an empty name is STANDARD) with the family to draw it
    // in; the display's default (no family) for a style the drawing does not have.
    AcDbTextStyleFont styleFont(const std::wstring& style) const;
    void blockReference(const AcDbBlockReference& ref, const Context& ctx, const std::wstring& layer, ShownColor color,
                        const std::vector<double>* pattern);
    void hatch(const AcDbHatch& h, const Context& ctx, ShownColor color);
    void stroke(const std::vector<AcGePoint3d>& points, const Xform& xf, ShownColor color, bool closed)
    {
        out_->begin(Type::kStroke, color);
        for (const AcGePoint3d& p : points)
            put(xf, p);
        out_->end(closed);
    }

    const AcDbDatabase& db_;
    Output* out_;  // a DashedOutput over the caller's while a dashed entity is drawn
    bool checkLayers_;
    double worldTolerance_;
    std::size_t expanded_ = 0;
    mutable std::wstring lastLayer_;
    mutable const AcDbLayerAppearance* lastAppearance_ = nullptr;
    struct LastPattern {
        bool valid = false;
        std::wstring linetype, layer;
        const std::vector<double>* byBlock = nullptr;
        const std::vector<double>* pattern = nullptr;
    } lastPattern_;
};

} // namespace plotwright::db::detail
