#include "render/display_shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "db/access.h"
#include "db/database.h"
#include "db/entities.h"
#include "db/geometry.h"
#include "db/polyline.h"
#include "render/tessellator.h"

namespace plotwright::db {

void Extents3d::add(double x, double y, double z)
{
    if (empty) {
        *this = {false, x, y, z, x, y, z};
        return;
    }
    minX = std::min(minX, x), minY = std::min(minY, y), minZ = std::min(minZ, z);
    maxX = std::max(maxX, x), maxY = std::max(maxY, y), maxZ = std::max(maxZ, z);
}

namespace {

using detail::Context;
using detail::Output;
using detail::Tessellator;
using detail::Xform;
using detail::bulgeArc;
using detail::BulgeArc;
using Type = DisplayShape::Type;
constexpr double kPi = std::numbers::pi;


class ShapeOutput : public Output {
public:
    explicit ShapeOutput(std::vector<DisplayShape>& out) : out_(out) {}

    void begin(Type type, ShownColor color) override
    {
        current_.type = type;
        current_.color = color;
        current_.closed = false;
        current_.points.clear();
        current_.ringStarts.clear();
    }
    void vertex(const AcGePoint3d& p) override
    {
        if (std::isfinite(p.x) && std::isfinite(p.y)) {
            current_.points.push_back({p.x, p.y});
            return;
        }
        // A stroke breaks at a point that is not finite; an area just leaves it out.
        if (current_.type == Type::kStroke && !current_.points.empty()) {
            broken_ = true;
            flush(false);
            current_.points.clear();
            current_.ringStarts.clear();
        }
    }
    void ring() override
    {
        if (!current_.points.empty() && (current_.ringStarts.empty() || current_.ringStarts.back() != current_.points.size()))
            current_.ringStarts.push_back(static_cast<std::uint32_t>(current_.points.size()));
    }
    void end(bool closed) override
    {
        flush(closed && !broken_);
        broken_ = false;
    }
    void text(const AcGePoint3d& anchor, std::shared_ptr<const DisplayText> text, ShownColor color) override
    {
        if (!std::isfinite(anchor.x) || !std::isfinite(anchor.y) || text->text.empty())
            return;
        DisplayShape shape;
        shape.type = Type::kText;
        shape.color = color;
        shape.points.push_back({anchor.x, anchor.y});
        shape.text = std::move(text);
        out_.push_back(std::move(shape));
    }

private:
    void flush(bool closed)
    {
        const std::size_t need = current_.type == Type::kXline || current_.type == Type::kRay ? 2 : 1;
        if (current_.points.size() < need)
            return;
        if (!current_.ringStarts.empty() && current_.ringStarts.back() >= current_.points.size())
            current_.ringStarts.pop_back();
        // The shape gets vectors of its exact size: `current_` keeps its capacity from
        // one shape to the next, so that growing a shape vertex by vertex reallocates
        // only while the largest shape so far grows.
        DisplayShape& shape = out_.emplace_back();
        shape.type = current_.type;
        shape.closed = closed;
        shape.color = current_.color;
        shape.points.assign(current_.points.begin(), current_.points.end());
        shape.ringStarts.assign(current_.ringStarts.begin(), current_.ringStarts.end());
        current_.points.clear();
        current_.ringStarts.clear();
    }

    std::vector<DisplayShape>& out_;
    DisplayShape current_;  // the shape being drawn; its text stays empty
    bool broken_ = false;
};

class ExtentsOutput : public Output {
public:
    explicit ExtentsOutput(Extents3d& extents) : extents_(extents) {}
    void begin(Type type, ShownColor) override { endless_ = type == Type::kXline || type == Type::kRay; }
    void vertex(const AcGePoint3d& p) override
    {
        if (!endless_ && detail::finite(p))
            extents_.add(p.x, p.y, p.z);
    }
    void ring() override {}
    void end(bool) override {}
    bool wantsDetail() const override { return false; }
    void text(const AcGePoint3d& anchor, std::shared_ptr<const DisplayText> text, ShownColor) override
    {
        if (!detail::finite(anchor))
            return;
        extents_.add(anchor.x, anchor.y, anchor.z);
        for (const DisplayPoint& p : textCorners({anchor.x, anchor.y}, *text))
            if (std::isfinite(p.x) && std::isfinite(p.y))
                extents_.add(p.x, p.y, anchor.z);
    }

private:
    Extents3d& extents_;
    bool endless_ = false;
};




} // namespace

namespace detail {

bool isDashable(AcDbEntity::Kind kind)
{
    switch (kind) {
    case AcDbEntity::Kind::kLine:
    case AcDbEntity::Kind::kCircle:
    case AcDbEntity::Kind::kArc:
    case AcDbEntity::Kind::kPolyline:
    case AcDbEntity::Kind::k3dPolyline:
    case AcDbEntity::Kind::kEllipse:
    case AcDbEntity::Kind::kSpline:
        return true;
    default:
        return false;
    }
}

bool isDefpoints(const std::wstring& layer)
{
    static constexpr std::wstring_view kName = L"DEFPOINTS";
    if (layer.size() != kName.size())
        return false;
    for (std::size_t i = 0; i < layer.size(); ++i)
        if ((layer[i] >= L'a' && layer[i] <= L'z' ? layer[i] - L'a' + L'A' : layer[i]) != kName[i])
            return false;
    return true;
}

void Tessellator::arc(const Xform& xf, const AcGePoint3d& c, double r, double start, double sweep, double tolerance,
                      bool first)
{
    if (!std::isfinite(sweep) || !std::isfinite(start) || !(r >= 0))
        return;
    const int n = detail::arcChords(r, sweep, tolerance);
    for (int i = first ? 0 : 1; i <= n; ++i) {
        const double a = start + sweep * i / n;
        put(xf, {c.x + r * std::cos(a), c.y + r * std::sin(a), c.z});
    }
}


void Tessellator::polyline(const AcDbPolyline& pl, const Context& ctx, ShownColor color)
{
    const Xform xf = ctx.xf * Xform::ocs(pl.normal());
    const auto points = pl.points();
    const std::size_t n = points.size();
    const double z = pl.elevation();
    if (n == 0)
        return;
    if (n == 1) {
        out_->begin(Type::kMarker, color);
        put(xf, {points[0].x, points[0].y, z});
        out_->end(false);
        return;
    }
    double constantWidth = 0;
    pl.getConstantWidth(constantWidth);
    bool wide = constantWidth > 0;
    for (unsigned i = 0; !wide && pl.hasWidths() && i < n; ++i) {
        double s = 0, e = 0;
        pl.getWidthsAt(i, s, e);
        wide = s > 0 || e > 0;
    }
    if (wide) {
        wideSegments(pl, xf, ctx.tolerance, color);
        return;
    }
    out_->begin(Type::kStroke, color);
    put(xf, {points[0].x, points[0].y, z});
    const std::size_t segments = pl.isClosed() ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const AcGePoint2d& to = points[(i + 1) % n];
        double bulge = 0;
        if (pl.hasBulges())
            pl.getBulgeAt(static_cast<unsigned>(i), bulge);
        const BulgeArc a = bulgeArc(points[i], to, bulge);
        if (a.isArc)
            arc(xf, {a.cx, a.cy, z}, a.r, a.start, a.sweep, ctx.tolerance, false);
        // The arc's last point is computed; the vertex itself ends the segment exactly.
        if (i + 1 < segments || !pl.isClosed())
            put(xf, {to.x, to.y, z});
    }
    out_->end(pl.isClosed());
}




void Tessellator::blockReference(const AcDbBlockReference& ref, const Context& ctx, const std::wstring& layer,
                                 ShownColor color, const std::vector<double>* pattern)
{
    const AcDbBlockReferenceProps& p = ref.props();
    const AcDbBlockTableRecord* block = detail::DatabaseAccess::record(db_, p.blockName.c_str());
    if (!block && p.standIn) {
        Context inner = ctx;
        inner.byBlock = color;
        inner.byBlockPattern = pattern;
        drawKind(*p.standIn, inner, layer, color, nullptr);
    }
    if (block && ctx.depth < kMaxDepth) {
        // The insertion point lies in the reference's own coordinate system, like the
        // rotation: a mirrored reference (normal 0,0,-1) has its x reversed.
        const Xform place = ctx.xf * Xform::ocs(p.normal) *
                            Xform::translation(p.position.x, p.position.y, p.position.z) *
                            Xform::rotationZ(p.rotation);
        const Xform inner = Xform::scaling(p.scale.x, p.scale.y, p.scale.z) *
                            Xform::translation(-block->origin().x, -block->origin().y, -block->origin().z);
        const int columns = std::clamp(p.columns, 1, 32767), rows = std::clamp(p.rows, 1, 32767);
        const auto& entities = detail::DatabaseAccess::entities(*block);
        const std::vector<AcGePoint2d>* clip = nullptr;
        if (p.extensionDictionary != 0) {
            const auto found = db_.blockClips().find(p.extensionDictionary);
            if (found != db_.blockClips().end() && found->second.size() >= 3)
                clip = &found->second;
        }
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                Context child;
                child.xf = place * Xform::translation(c * p.columnSpacing, r * p.rowSpacing, 0) * inner;
                const double s = child.xf.maxScale();
                child.tolerance = worldTolerance_ > 0 && s > 0 ? worldTolerance_ / s : 0.0;
                child.byBlock = color;
                child.byBlockPattern = pattern;
                child.layer = &layer;
                child.depth = ctx.depth + 1;
                // A clipped reference shows only what lies inside its boundary, which
                // moves with the reference.
                std::optional<ClippedOutput> clipped;
                Output* const unclipped = out_;
                if (clip) {
                    std::vector<AcGePoint2d> world;
                    for (const AcGePoint2d& q : *clip) {
                        const AcGePoint3d w = child.xf.apply({q.x, q.y, 0});
                        world.push_back({w.x, w.y});
                    }
                    clipped.emplace(*out_, std::move(world));
                    out_ = &*clipped;
                }
                for (const AcDbEntity* e : entities) {
                    if (e->isErased())
                        continue;
                    if (++expanded_ > kMaxExpanded) {
                        out_ = unclipped;
                        return;
                    }
                    entity(*e, child);
                }
                out_ = unclipped;
            }
        }
    }
    for (const AcDbAttributeShown& a : p.attributes) {
        const std::wstring& attributeLayer = (ctx.layer && a.layer == L"0") ? *ctx.layer : a.layer;
        if (checkLayers_) {
            const AcDbLayerAppearance& la = appearanceOf(attributeLayer);
            if (la.off || la.frozen)
                continue;
        }
        text(a.text, ctx.xf, colorOf(a.colorIndex, a.trueColor, attributeLayer, ctx));
    }
}



const std::vector<double>* Tessellator::patternOf(const std::wstring& linetype, const std::wstring& layer,
                                                  const std::vector<double>* byBlock)
{
    const AcDbLinetypeTable& table = db_.linetypes();
    if (table.patterns.empty())
        return nullptr;
    LastPattern& last = lastPattern_;
    if (!last.valid || last.byBlock != byBlock || linetype != last.linetype || layer != last.layer) {
        last.pattern = linetypePattern(table, linetype, layer, byBlock);
        last.linetype = linetype;
        last.layer = layer;
        last.byBlock = byBlock;
        last.valid = true;
    }
    return last.pattern;
}

void Tessellator::entity(const AcDbEntity& e, const Context& ctx)
{
    const AcDbEntityStyle& style = e.style();
    const std::wstring& layer = layerOf(e, ctx);
    // Invisible entities and the definition points of dimensions (layer DEFPOINTS)
    // are never drawn, nor counted in the extents.
    if (style.invisible || isDefpoints(layer))
        return;
    if (checkLayers_) {
        // A block reference on a layer that is off still shows its contents on other
        // layers: only those on layer 0 take its layer. A frozen layer hides them all.
        const AcDbLayerAppearance& la = appearanceOf(layer);
        if (la.frozen || (la.off && e.kind() != AcDbEntity::Kind::kBlockReference))
            return;
    }
    ShownColor color = colorOf(e.colorIndex(), e.trueColor(), layer, ctx);
    color.alpha = static_cast<std::uint8_t>(std::clamp(style.alpha, 0, 255));
    // Lines and curves take their linetype's dashes, in world units: the pattern grows
    // with the block references it is drawn through.
    const std::vector<double>* pattern =
        out_->wantsDetail() ? patternOf(style.linetype, layer, ctx.byBlockPattern) : nullptr;
    std::optional<DashedOutput> dashed;
    Output* const plain = out_;
    if (pattern && isDashable(e.kind())) {
        const double scale = db_.linetypes().scale * style.linetypeScale * (ctx.depth > 0 ? ctx.xf.maxScale() : 1.0);
        dashed.emplace(*out_, *pattern, scale);
        out_ = &*dashed;
    }
    drawKind(e, ctx, layer, color, pattern);
    out_ = plain;
}

void Tessellator::drawKind(const AcDbEntity& e, const Context& ctx, const std::wstring& layer, ShownColor color,
                           const std::vector<double>* pattern)
{
    const Xform& xf = ctx.xf;
    switch (e.kind()) {
    case AcDbEntity::Kind::kPolyline:
        polyline(static_cast<const AcDbPolyline&>(e), ctx, color);
        break;
    case AcDbEntity::Kind::kLine: {
        const auto& line = static_cast<const AcDbLine&>(e);
        stroke({line.startPoint(), line.endPoint()}, xf, color, false);
        break;
    }
    case AcDbEntity::Kind::kCircle:
    case AcDbEntity::Kind::kArc: {
        const bool circle = e.kind() == AcDbEntity::Kind::kCircle;
        const auto* c = circle ? &static_cast<const AcDbCircle&>(e) : nullptr;
        const auto* a = circle ? nullptr : &static_cast<const AcDbArc&>(e);
        double start = 0, sweep = 2 * kPi;
        if (a) {
            start = a->startAngle();
            sweep = std::fmod(a->endAngle() - a->startAngle(), 2 * kPi);
            if (sweep <= 0)
                sweep += 2 * kPi;
        }
        out_->begin(Type::kStroke, color);
        arc(xf * Xform::ocs(circle ? c->normal() : a->normal()), circle ? c->center() : a->center(),
            circle ? c->radius() : a->radius(), start, sweep, ctx.tolerance, true);
        out_->end(circle);
        break;
    }
    case AcDbEntity::Kind::kPoint:
        out_->begin(Type::kMarker, color);
        put(xf, static_cast<const AcDbPoint&>(e).position());
        out_->end(false);
        break;
    case AcDbEntity::Kind::k3dPolyline: {
        const auto& pl = static_cast<const AcDb3dPolyline&>(e);
        if (pl.vertices().size() == 1) {
            out_->begin(Type::kMarker, color);
            put(xf, pl.vertices().front());
            out_->end(false);
        } else {
            stroke(pl.vertices(), xf, color, pl.isClosed());
        }
        break;
    }
    case AcDbEntity::Kind::kText:
        if (ctx.depth == 0 || !static_cast<const AcDbText&>(e).isAttributeDefinition())
            text(static_cast<const AcDbText&>(e).props(), xf, color);
        break;
    case AcDbEntity::Kind::kMText:
        mtext(static_cast<const AcDbMText&>(e).props(), xf, color, layer, ctx);
        break;
    case AcDbEntity::Kind::kBlockReference:
        blockReference(static_cast<const AcDbBlockReference&>(e), ctx, layer, color, pattern);
        break;
    case AcDbEntity::Kind::kEllipse: {
        const auto& el = static_cast<const AcDbEllipse&>(e);
        AcGeVector3d n = el.normal();
        const double nlen = detail::length(n);
        if (!(nlen > 0) || !std::isfinite(nlen))
            break;
        n = {n.x / nlen, n.y / nlen, n.z / nlen};
        const AcGeVector3d major = el.majorAxis();
        const AcGeVector3d minor0 = detail::cross(n, major);
        const AcGeVector3d minor{minor0.x * el.radiusRatio(), minor0.y * el.radiusRatio(), minor0.z * el.radiusRatio()};
        double sweep = el.endParam() - el.startParam();
        if (!std::isfinite(sweep))
            break;
        const bool full = std::abs(sweep) >= 2 * kPi - 1e-12 || sweep == 0;
        sweep = full ? 2 * kPi : std::fmod(sweep, 2 * kPi);
        if (sweep <= 0)
            sweep += 2 * kPi;
        const int chords = detail::arcChords(detail::length(major), sweep, ctx.tolerance);
        const AcGePoint3d c = el.center();
        out_->begin(Type::kStroke, color);
        for (int k = 0; k <= chords; ++k) {
            const double t = el.startParam() + sweep * k / chords;
            const double ct = std::cos(t), st = std::sin(t);
            put(xf, {c.x + major.x * ct + minor.x * st, c.y + major.y * ct + minor.y * st,
                     c.z + major.z * ct + minor.z * st});
        }
        out_->end(full);
        break;
    }
    case AcDbEntity::Kind::kSpline: {
        const AcDbSplineData& s = static_cast<const AcDbSpline&>(e).data();
        std::vector<AcGePoint3d> points;
        if (!s.controlPoints.empty()) {
            // Files may leave the knots out: they are then uniform, clamped at both ends.
            std::vector<double> clamped;
            const std::size_t n = s.controlPoints.size();
            const std::size_t order = static_cast<std::size_t>(std::max(s.degree, 1)) + 1;
            if (s.knots.empty() && n >= order) {
                clamped.assign(order, 0.0);
                for (std::size_t k = 1; k + order <= n; ++k)
                    clamped.push_back(double(k));
                clamped.insert(clamped.end(), order, double(n - order + 1));
            }
            points = detail::flattenNurbs(s.degree, s.knots.empty() ? clamped : s.knots, s.controlPoints,
                                          s.rational ? s.weights : std::vector<double>{}, ctx.tolerance);
        }
        if (points.empty() && s.controlPoints.empty())
            points = detail::throughPoints(s.fitPoints, s.closed, &s.startTangent, &s.endTangent, ctx.tolerance);
        else if (points.empty())
            points = s.controlPoints;  // data that describe no curve: its frame at least
        stroke(points, xf, color, false);
        break;
    }
    case AcDbEntity::Kind::kHatch:
        hatch(static_cast<const AcDbHatch&>(e), ctx, color);
        break;
    case AcDbEntity::Kind::kFace: {
        const auto& f = static_cast<const AcDbFace&>(e);
        const Xform fx = f.isFilled() ? xf * Xform::ocs(f.normal()) : xf;
        // Solids and traces list their corners crosswise: 1, 2, 4, 3 go round. A
        // triangle repeats its third corner.
        std::vector<AcGePoint3d> ring;
        if (f.corner(3) == f.corner(2))
            ring = {f.corner(0), f.corner(1), f.corner(2)};
        else if (f.isFilled())
            ring = {f.corner(0), f.corner(1), f.corner(3), f.corner(2)};
        else
            ring = {f.corner(0), f.corner(1), f.corner(2), f.corner(3)};
        if (f.isFilled()) {
            out_->begin(Type::kFill, color);
            for (const AcGePoint3d& p : ring)
                put(fx, p);
            out_->end(true);
        }
        if (f.hiddenEdges() == 0) {
            stroke(ring, fx, color, true);
            break;
        }
        // Visible edges only, each run of them as one stroke.
        const std::size_t n = ring.size();
        for (std::size_t k = 0; k < n; ++k) {
            const int edge = ring.size() == 3 && k == 2 ? 3 : static_cast<int>(k);  // a triangle's third edge is 4th
            if (f.hiddenEdges() & (1 << edge))
                continue;
            stroke({ring[k], ring[(k + 1) % n]}, fx, color, false);
        }
        break;
    }
    case AcDbEntity::Kind::kLeader: {
        const auto& l = static_cast<const AcDbLeader&>(e);
        stroke(l.vertices(), xf, color, false);
        if (l.hasArrowhead() && l.vertices().size() >= 2 && l.arrowSize() > 0) {
            const AcGePoint3d tip = l.vertices()[0], from = l.vertices()[1];
            const double dx = from.x - tip.x, dy = from.y - tip.y, len = std::hypot(dx, dy);
            if (len > 0) {
                const double ux = dx / len, uy = dy / len, s = l.arrowSize();
                out_->begin(Type::kFill, color);
                put(xf, tip);
                put(xf, {tip.x + ux * s - uy * s / 6, tip.y + uy * s + ux * s / 6, tip.z});
                put(xf, {tip.x + ux * s + uy * s / 6, tip.y + uy * s - ux * s / 6, tip.z});
                out_->end(true);
            }
        }
        break;
    }
    case AcDbEntity::Kind::kXline: {
        const auto& x = static_cast<const AcDbXline&>(e);
        const AcGePoint3d b = x.basePoint();
        const AcGeVector3d d = x.direction();
        out_->begin(x.isRay() ? Type::kRay : Type::kXline, color);
        put(xf, b);
        put(xf, {b.x + d.x, b.y + d.y, b.z + d.z});
        out_->end(false);
        break;
    }
    case AcDbEntity::Kind::kStrokes: {
        const auto& st = static_cast<const AcDbStrokes&>(e);
        for (const AcDbStrokes::Stroke& line : st.strokes())
            stroke(line.points, xf, color, line.closed);
        const auto& heads = st.arrowheads();
        for (std::size_t i = 0; i + 2 < heads.size(); i += 3) {
            out_->begin(Type::kFill, color);
            put(xf, heads[i]);
            put(xf, heads[i + 1]);
            put(xf, heads[i + 2]);
            out_->end(true);
        }
        if (st.text())
            mtext(*st.text(), xf, color, layer, ctx);
        break;
    }
    case AcDbEntity::Kind::kWipeout: {
        // A mask: filled with the background, it hides what was drawn before it.
        (void)color;
        out_->begin(Type::kFill, backgroundColor());
        for (const AcGePoint3d& p : static_cast<const AcDbWipeout&>(e).outline())
            put(xf, p);
        out_->end(true);
        break;
    }
    }
}

} // namespace detail

void tessellateEntity(const AcDbDatabase& database, const AcDbEntity& entity, const TessellationOptions& options,
                      std::vector<DisplayShape>& out)
{
    ShapeOutput output(out);
    Tessellator t(database, output, true, options.tolerance);
    Context ctx;
    ctx.tolerance = options.tolerance;
    t.entity(entity, ctx);
}

std::vector<DisplayShape> tessellateModelSpace(const AcDbDatabase& database, const TessellationOptions& options,
                                               std::vector<std::size_t>* source)
{
    std::vector<DisplayShape> shapes;
    tessellateModelSpace(database, options, [&](DisplayShape&& shape, std::size_t entity) {
        shapes.push_back(std::move(shape));
        if (source)
            source->push_back(entity);
    });
    return shapes;
}

void tessellateModelSpace(const AcDbDatabase& database, const TessellationOptions& options,
                          const std::function<void(DisplayShape&& shape, std::size_t entity)>& take)
{
    // The shapes of one entity at a time: the list's room serves entity after entity.
    std::vector<DisplayShape> shapes;
    ShapeOutput output(shapes);
    Tessellator t(database, output, true, options.tolerance);
    Context ctx;
    ctx.tolerance = options.tolerance;
    std::size_t index = 0;
    database.forEachEntity([&](const AcDbEntity& e) {
        t.entity(e, ctx);
        for (DisplayShape& shape : shapes)
            take(std::move(shape), index);
        shapes.clear();
        ++index;
    });
}

void addExtents(const AcDbDatabase& database, const AcDbEntity& entity, Extents3d& extents)
{
    ExtentsOutput output(extents);
    Tessellator t(database, output, false, 0.0);
    t.entity(entity, Context{});
}

std::wstring unshownSummary(const AcDbDatabase& database)
{
    std::wstring text;
    for (const auto& [kind, count] : database.unshownEntities()) {
        text += text.empty() ? L"" : L", ";
        text += std::to_wstring(count) + L" " + kind;
    }
    return text.empty() ? text : text + L" not shown";
}

} // namespace plotwright::db
