#include <algorithm>
#include <cmath>
#include <cwctype>
#include <numbers>

#include "db/database.h"
#include "db/polyline.h"
#include "render/tessellator.h"
#include "render/mtext_layout.h"
#include "render/text_codes.h"
#include "render/text_layout.h"

namespace plotwright::db::detail {

namespace {
constexpr double kPi = std::numbers::pi;
} // namespace

BulgeArc bulgeArc(const AcGePoint2d& a, const AcGePoint2d& b, double bulge)
{
    BulgeArc arc;
    if (bulge == 0)
        return arc;  // a straight segment: nothing to compute for each of a million
    const double sweep = 4 * std::atan(bulge);
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double chord = std::hypot(dx, dy);
    if (!(chord > 0) || !std::isfinite(sweep) || !std::isfinite(chord))
        return arc;
    const double signedRadius = chord / (2 * std::sin(sweep / 2));
    const double offset = signedRadius * std::cos(sweep / 2);
    arc.cx = (a.x + b.x) / 2 - dy / chord * offset;
    arc.cy = (a.y + b.y) / 2 + dx / chord * offset;
    arc.r = std::abs(signedRadius);
    arc.start = std::atan2(a.y - arc.cy, a.x - arc.cx);
    arc.sweep = sweep;
    arc.isArc = std::isfinite(arc.r) && std::isfinite(arc.cx) && std::isfinite(arc.cy);
    return arc;
}

namespace {

// Where the line through p0, p1 meets the line through q0, q1; false when they are
// (nearly) parallel.
bool meet(const AcGePoint2d& p0, const AcGePoint2d& p1, const AcGePoint2d& q0, const AcGePoint2d& q1, AcGePoint2d& at)
{
    const double dx = p1.x - p0.x, dy = p1.y - p0.y, ex = q1.x - q0.x, ey = q1.y - q0.y;
    const double den = dx * ey - dy * ex;
    const double scale = std::hypot(dx, dy) * std::hypot(ex, ey);
    if (!(std::abs(den) > 1e-9 * scale))
        return false;
    const double t = ((q0.x - p0.x) * ey - (q0.y - p0.y) * ex) / den;
    at = {p0.x + dx * t, p0.y + dy * t};
    return std::isfinite(at.x) && std::isfinite(at.y);
}

} // namespace

// Each segment of a polyline with widths as a filled band: its centre line offset by
// half the width on both sides, the width changing evenly from start to end. Where two
// straight bands meet, their sides are carried on to where they cross (a mitre), as
// CAD programs join them: lettering drawn with wide polylines keeps its points.
void Tessellator::wideSegments(const AcDbPolyline& pl, const Xform& xf, double tolerance, ShownColor color)
{
    const auto points = pl.points();
    const std::size_t n = points.size();
    const double z = pl.elevation();
    double constantWidth = 0;
    pl.getConstantWidth(constantWidth);
    const std::size_t segments = pl.isClosed() ? n : n - 1;
    // Centre points of each segment with their unit normals, and its widths.
    struct Band {
        std::vector<std::pair<AcGePoint2d, AcGePoint2d>> centre;
        double w0 = 0, w1 = 0;
        bool straight = false;
        AcGePoint2d left[2], right[2];  // a straight band's corners, start and end
    };
    std::vector<Band> bands(segments);
    for (std::size_t i = 0; i < segments; ++i) {
        Band& band = bands[i];
        const AcGePoint2d& a = points[i];
        const AcGePoint2d& b = points[(i + 1) % n];
        double bulge = 0, w0 = -1, w1 = -1;
        pl.getBulgeAt(static_cast<unsigned>(i), bulge);
        pl.getWidthsAt(static_cast<unsigned>(i), w0, w1);
        band.w0 = w0 < 0 ? constantWidth : w0;
        band.w1 = w1 < 0 ? constantWidth : w1;
        const BulgeArc arcOf = bulgeArc(a, b, bulge);
        if (arcOf.isArc) {
            const int chords = detail::arcChords(arcOf.r, arcOf.sweep, tolerance);
            for (int k = 0; k <= chords; ++k) {
                const double t = arcOf.start + arcOf.sweep * k / chords;
                const AcGePoint2d radial{std::cos(t), std::sin(t)};
                band.centre.push_back({{arcOf.cx + arcOf.r * radial.x, arcOf.cy + arcOf.r * radial.y}, radial});
            }
            continue;
        }
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        const AcGePoint2d normal = len > 0 ? AcGePoint2d{-(b.y - a.y) / len, (b.x - a.x) / len} : AcGePoint2d{};
        band.centre = {{a, normal}, {b, normal}};
        band.straight = len > 0;
        band.left[0] = {a.x + normal.x * band.w0 / 2, a.y + normal.y * band.w0 / 2};
        band.left[1] = {b.x + normal.x * band.w1 / 2, b.y + normal.y * band.w1 / 2};
        band.right[0] = {a.x - normal.x * band.w0 / 2, a.y - normal.y * band.w0 / 2};
        band.right[1] = {b.x - normal.x * band.w1 / 2, b.y - normal.y * band.w1 / 2};
    }
    // Mitres at the vertices between straight bands, unless the sides cross far out
    // (a turn of nearly half a circle), where the bands keep their square ends.
    for (std::size_t i = 0; i < segments; ++i) {
        const std::size_t j = i + 1 < segments ? i + 1 : 0;
        if ((j == 0 && !pl.isClosed()) || j == i || !bands[i].straight || !bands[j].straight)
            continue;
        Band& p = bands[i];
        Band& q = bands[j];
        const AcGePoint2d& vertex = p.centre[1].first;
        const double reach = 10 * std::max({p.w1, q.w0, 1e-300});
        AcGePoint2d l, r;
        if (meet(p.left[0], p.left[1], q.left[0], q.left[1], l) && meet(p.right[0], p.right[1], q.right[0], q.right[1], r) &&
            std::hypot(l.x - vertex.x, l.y - vertex.y) < reach && std::hypot(r.x - vertex.x, r.y - vertex.y) < reach) {
            p.left[1] = q.left[0] = l;
            p.right[1] = q.right[0] = r;
        }
    }
    for (const Band& band : bands) {
        out_->begin(Type::kFill, color);
        if (band.straight) {
            for (const AcGePoint2d& c : {band.left[0], band.left[1], band.right[1], band.right[0]})
                put(xf, {c.x, c.y, z});
            out_->end(true);
            continue;
        }
        const std::size_t m = band.centre.size();
        for (std::size_t k = 0; k < m; ++k) {
            const double w = (band.w0 + (band.w1 - band.w0) * double(k) / double(m - 1)) / 2;
            put(xf, {band.centre[k].first.x + band.centre[k].second.x * w, band.centre[k].first.y + band.centre[k].second.y * w, z});
        }
        for (std::size_t k = m; k-- > 0;) {
            const double w = (band.w0 + (band.w1 - band.w0) * double(k) / double(m - 1)) / 2;
            put(xf, {band.centre[k].first.x - band.centre[k].second.x * w, band.centre[k].first.y - band.centre[k].second.y * w, z});
        }
        out_->end(true);
    }
}

void Tessellator::text(const AcDbTextProps& t, const Xform& xf, ShownColor color)
{
    auto shown = std::make_shared<DisplayText>();
    shown->text = detail::plainText(t.text);
    shown->widthFactor = t.widthFactor > 0 && std::isfinite(t.widthFactor) ? t.widthFactor : 1.0;
    shown->backwards = t.mirroredX;
    shown->upsideDown = t.mirroredY;
    shown->oblique = std::isfinite(t.oblique) && std::abs(t.oblique) < 1.4 ? t.oblique : 0.0;
    const AcDbTextStyleFont font = styleFont(t.style);
    shown->family = font.family;
    shown->bold = font.bold;
    shown->italic = font.italic;
    AcGePoint3d anchor = t.position;
    double rotation = t.rotation;
    double height = t.height;
    const bool leftBaseline = t.hAlign == AcDbTextProps::kLeft && t.vAlign == AcDbTextProps::kBaseline;
    const Xform full = xf * Xform::ocs(t.normal);
    const double between = std::hypot(t.alignmentPoint.x - t.position.x, t.alignmentPoint.y - t.position.y);
    const bool spans = (t.hAlign == AcDbTextProps::kAligned || t.hAlign == AcDbTextProps::kFit) &&
                       between > 0 && std::isfinite(between) && !shown->text.empty();
    if (spans) {
        // The baseline runs from the first point to the second. Aligned text keeps its
        // proportions, so its height follows from the width; fit text keeps its height
        // and is stretched.
        rotation = std::atan2(t.alignmentPoint.y - t.position.y, t.alignmentPoint.x - t.position.x);
        if (t.hAlign == AcDbTextProps::kAligned)
            height = between / estimatedTextWidth(shown->text, 1.0, shown->widthFactor);
        const AcGePoint3d a = full.apply(t.position);
        const AcGePoint3d b = full.apply({t.alignmentPoint.x, t.alignmentPoint.y, t.position.z});
        shown->span = std::hypot(b.x - a.x, b.y - a.y);
    } else if (!leftBaseline && t.hAlign != AcDbTextProps::kAligned && t.hAlign != AcDbTextProps::kFit) {
        anchor = t.alignmentPoint;
        shown->hAlign = t.hAlign == AcDbTextProps::kMiddle ? DisplayText::kCenter : std::clamp(t.hAlign, 0, 2);
        shown->vAlign = t.hAlign == AcDbTextProps::kMiddle ? DisplayText::kMiddle : std::clamp(t.vAlign, 0, 3);
    }
    const AcGeVector3d along = full.applyVector({std::cos(rotation), std::sin(rotation), 0});
    const AcGeVector3d up = full.applyVector({-std::sin(rotation) * height, std::cos(rotation) * height, 0});
    shown->rotation = std::atan2(along.y, along.x);
    shown->height = std::hypot(up.x, up.y);
    if (!(shown->height > 0) || !std::isfinite(shown->height) || !std::isfinite(shown->rotation))
        return;
    // Seen through a mirror (a normal of 0,0,-1, a block reference with a negative
    // scale), the text runs on along its baseline with its glyphs flipped over it.
    if (along.x * up.y - along.y * up.x < 0)
        shown->upsideDown = !shown->upsideDown;
    if (shown->span > 0)
        shown->widthFactor = shown->span / estimatedTextWidth(shown->text, shown->height);
    out_->text(full.apply(anchor), std::move(shown), color);
}

void Tessellator::mtext(const AcDbMTextProps& t, const Xform& xf, ShownColor color, const std::wstring& layer,
                        const Context& ctx)
{
    MTextFormat base;
    base.height = t.height;
    const AcDbTextStyleFont font = styleFont(t.style);
    base.family = font.family;
    base.bold = font.bold;
    base.italic = font.italic;
    const MTextPlacement placed = placeMText(t, base);
    // The text's x direction lies in its plane; y is the normal turned a quarter.
    const Xform ocs = Xform::ocs(t.normal);
    AcGeVector3d xdir = t.hasDirection ? t.direction
                                       : ocs.applyVector({std::cos(t.rotation), std::sin(t.rotation), 0});
    AcGeVector3d n = t.normal;
    const double nlen = detail::length(n);
    n = nlen > 0 && std::isfinite(nlen) ? AcGeVector3d{n.x / nlen, n.y / nlen, n.z / nlen} : AcGeVector3d::kZAxis();
    // A direction given off the text's plane is taken as its shadow on the plane.
    const double off = xdir.x * n.x + xdir.y * n.y + xdir.z * n.z;
    xdir = {xdir.x - off * n.x, xdir.y - off * n.y, xdir.z - off * n.z};
    const double xlen = detail::length(xdir);
    xdir = xlen > 1e-9 && std::isfinite(xlen) ? AcGeVector3d{xdir.x / xlen, xdir.y / xlen, xdir.z / xlen}
                                               : ocs.applyVector({1, 0, 0});
    const AcGeVector3d ydir = detail::cross(n, xdir);
    const AcGeVector3d along = xf.applyVector(xdir);
    const AcGeVector3d up = xf.applyVector(ydir);
    const double scale = std::hypot(up.x, up.y);
    const double rotation = std::atan2(along.y, along.x);
    if (!(scale > 0) || !std::isfinite(scale) || !std::isfinite(rotation))
        return;
    const bool mirrored = along.x * up.y - along.y * up.x < 0;
    const auto at = [&](DisplayPoint p) {
        return AcGePoint3d{t.location.x + xdir.x * p.x + ydir.x * p.y, t.location.y + xdir.y * p.x + ydir.y * p.y,
                           t.location.z + xdir.z * p.x + ydir.z * p.y};
    };
    const auto colourOf = [&](const MTextFormat& f) {
        if (f.rgb < 0 && f.colorIndex < 0)
            return color;
        ShownColor c = colorOf(f.colorIndex < 0 ? kColorByLayer : f.colorIndex, f.rgb, layer, ctx);
        c.alpha = color.alpha;
        return c;
    };
    for (const PlacedRule& rule : placed.rules) {
        out_->begin(Type::kStroke, colourOf(rule.format));
        put(xf, at(rule.from));
        put(xf, at(rule.to));
        out_->end(false);
    }
    for (const PlacedText& piece : placed.texts) {
        auto shown = std::make_shared<DisplayText>();
        shown->text = piece.text;
        shown->height = piece.format.height * scale;
        shown->rotation = rotation;
        shown->hAlign = piece.hAlign;
        shown->vAlign = DisplayText::kTop;
        shown->upsideDown = mirrored;
        shown->widthFactor = piece.format.widthFactor;
        shown->oblique = std::abs(piece.format.oblique) < 1.4 ? piece.format.oblique : 0.0;
        shown->family = piece.format.family;
        shown->bold = piece.format.bold;
        shown->italic = piece.format.italic;
        shown->span = piece.span * scale;  // tracked text spread over its advance
        if (!(shown->height > 0) || !std::isfinite(shown->height))
            continue;
        out_->text(xf.apply(at(piece.at)), std::move(shown), colourOf(piece.format));
    }
}

AcDbTextStyleFont Tessellator::styleFont(const std::wstring& style) const
{
    if (db_.textStyles().empty())
        return {};
    std::wstring key = style.empty() ? std::wstring(L"STANDARD") : style;
    for (wchar_t& c : key)
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    const auto found = db_.textStyles().find(key);
    if (found == db_.textStyles().end())
        return {};
    AcDbTextStyleFont font = found->second;
    // The family the style names wins over its file's.
    if (font.family.empty())
        font.family = fontFamilyOfFile(font.file);
    return font;
}

void Tessellator::hatch(const AcDbHatch& h, const Context& ctx, ShownColor color)
{
    const Xform xf = ctx.xf * Xform::ocs(h.normal()) * Xform::translation(0, 0, h.elevation());
    std::vector<std::vector<AcGePoint2d>> rings;
    for (const AcDbHatchLoop& loop : h.loops())
        for (auto& ring : hatchRings(loop, ctx.tolerance))
            rings.push_back(std::move(ring));
    if (h.isSolidFill()) {
        out_->begin(Type::kFill, color);
        for (const auto& ring : rings) {
            out_->ring();
            for (const AcGePoint2d& p : ring)
                put(xf, {p.x, p.y, 0});
        }
        out_->end(true);
        return;
    }
    // A pattern is drawn by its lines alone; without them (a file that leaves them out,
    // or more than can be drawn) the outline stands for it.
    bool drawn = !h.patternLines().empty() && out_->wantsDetail();
    std::size_t budget = kMaxPatternDashes;
    const auto dash = [&](const AcGePoint2d& a, const AcGePoint2d& b) {
        if (budget == 0)
            return;
        --budget;
        out_->begin(Type::kStroke, color);
        put(xf, {a.x, a.y, 0});
        put(xf, {b.x, b.y, 0});
        out_->end(false);
    };
    for (const AcDbHatchPatternLine& line : h.patternLines()) {
        if (!drawn)
            break;
        drawn = patternLines(rings, line, budget, dash) && budget > 0;
    }
    if (drawn)
        return;
    for (const auto& ring : rings) {
        out_->begin(Type::kStroke, color);
        for (const AcGePoint2d& p : ring)
            put(xf, {p.x, p.y, 0});
        out_->end(true);
    }
}

} // namespace plotwright::db::detail
