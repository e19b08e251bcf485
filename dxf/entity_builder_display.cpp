// The entity kinds read for display only: their records are kept for the writer, so
// these builders need only what is drawn.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "db/entities.h"
#include "dxf/entity_builder.h"
#include "dxf/scan.h"

namespace plotwright::dxf::detail {

namespace {

constexpr double kToRadians = std::numbers::pi / 180.0;

// Reads a record's pairs in order; numbers that cannot be read mark it bad.
class Cursor {
public:
    explicit Cursor(const Record& record) : r_(record) {}
    bool done() const { return i_ >= r_.size(); }
    int code() const { return r_[i_].code; }
    std::string_view value() const { return r_[i_].value; }
    void next() { ++i_; }
    double real()
    {
        double v = 0;
        if (!parseDouble(value(), v))
            bad = true;
        return v;
    }
    long long integer()
    {
        long long v = 0;
        if (!parseInt(value(), v))
            bad = true;
        return v;
    }
    // The value of `code` when it is the next pair (and steps over it), else `fallback`.
    double realIf(int wanted, double fallback)
    {
        if (done() || code() != wanted)
            return fallback;
        const double v = real();
        next();
        return v;
    }
    bool bad = false;

private:
    const Record& r_;
    std::size_t i_ = 0;
};

// Text of a text entity: UTF-8 or single bytes (dxfText), with the \U+XXXX escapes that
// files before R2007 use for characters outside their code page.
std::wstring textValue(std::string_view bytes, base::CodePage page)
{
    std::wstring in = dxfText(bytes, page);
    std::wstring out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == L'\\' && i + 6 < in.size() + 0 && (in[i + 1] == L'U' || in[i + 1] == L'u') && in[i + 2] == L'+') {
            unsigned value = 0;
            std::size_t j = i + 3;
            for (; j < in.size() && j < i + 7; ++j) {
                const wchar_t c = in[j];
                const int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                                  : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                  : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                                           : -1;
                if (digit < 0)
                    break;
                value = value * 16 + unsigned(digit);
            }
            if (j == i + 7) {
                out.push_back(static_cast<wchar_t>(value));
                i = j - 1;
                continue;
            }
        }
        out.push_back(in[i]);
    }
    return out;
}

AcGeVector3d normalOr(const AcGeVector3d& n)
{
    return (n.x == 0 && n.y == 0 && n.z == 0) ? AcGeVector3d::kZAxis() : n;
}

AcDbTextProps textProps(const Record& record, base::CodePage page, bool attribute, bool& invisible, bool& bad)
{
    AcDbTextProps t;
    Cursor c(record);
    AcGeVector3d n{0, 0, 1};
    for (; !c.done(); c.next()) {
        switch (c.code()) {
        case 1: t.text = textValue(c.value(), page); break;
        case 10: t.position.x = c.real(); break;
        case 20: t.position.y = c.real(); break;
        case 30: t.position.z = c.real(); break;
        case 11: t.alignmentPoint.x = c.real(); break;
        case 21: t.alignmentPoint.y = c.real(); break;
        case 31: t.alignmentPoint.z = c.real(); break;
        case 40: t.height = c.real(); break;
        case 41: t.widthFactor = c.real(); break;
        case 50: t.rotation = c.real() * kToRadians; break;
        case 70: if (attribute) invisible = (c.integer() & 1) != 0; break;
        case 71: {
            const long long flags = c.integer();
            t.mirroredX = (flags & 2) != 0;
            t.mirroredY = (flags & 4) != 0;
            break;
        }
        case 72: t.hAlign = static_cast<int>(c.integer()); break;
        case 73: if (!attribute) t.vAlign = static_cast<int>(c.integer()); break;
        case 74: if (attribute) t.vAlign = static_cast<int>(c.integer()); break;
        case 210: n.x = c.real(); break;
        case 220: n.y = c.real(); break;
        case 230: n.z = c.real(); break;
        default: break;
        }
    }
    t.normal = normalOr(n);
    if (t.hAlign < 0 || t.hAlign > 5)
        t.hAlign = 0;
    if (t.vAlign < 0 || t.vAlign > 3)
        t.vAlign = 0;
    bad = c.bad;
    return t;
}

std::unique_ptr<AcDbEntity> buildMText(const Record& record, base::CodePage page)
{
    AcDbMTextProps t;
    Cursor c(record);
    std::string bytes;  // 3: leading chunks of 250 bytes, 1: the last
    AcGeVector3d n{0, 0, 1};
    for (; !c.done(); c.next()) {
        switch (c.code()) {
        case 1:
        case 3: bytes += c.value(); break;
        case 10: t.location.x = c.real(); break;
        case 20: t.location.y = c.real(); break;
        case 30: t.location.z = c.real(); break;
        case 11: t.direction.x = c.real(); t.hasDirection = true; break;
        case 21: t.direction.y = c.real(); t.hasDirection = true; break;
        case 31: t.direction.z = c.real(); t.hasDirection = true; break;
        case 40: t.height = c.real(); break;
        case 41: t.width = c.real(); break;
        case 44: t.lineSpacing = c.real(); break;
        case 50: t.rotation = c.real() * kToRadians; break;
        case 71: t.attachment = static_cast<int>(c.integer()); break;
        case 210: n.x = c.real(); break;
        case 220: n.y = c.real(); break;
        case 230: n.z = c.real(); break;
        default: break;
        }
    }
    if (c.bad)
        return nullptr;
    t.normal = normalOr(n);
    t.contents = textValue(bytes, page);
    return std::make_unique<AcDbMText>(std::move(t));
}

std::unique_ptr<AcDbEntity> buildEllipse(const Record& record)
{
    AcGePoint3d center;
    AcGeVector3d major{1, 0, 0}, n{0, 0, 1};
    double ratio = 1, start = 0, end = 2 * std::numbers::pi;
    Cursor c(record);
    for (; !c.done(); c.next()) {
        switch (c.code()) {
        case 10: center.x = c.real(); break;
        case 20: center.y = c.real(); break;
        case 30: center.z = c.real(); break;
        case 11: major.x = c.real(); break;
        case 21: major.y = c.real(); break;
        case 31: major.z = c.real(); break;
        case 40: ratio = c.real(); break;
        case 41: start = c.real(); break;
        case 42: end = c.real(); break;
        case 210: n.x = c.real(); break;
        case 220: n.y = c.real(); break;
        case 230: n.z = c.real(); break;
        default: break;
        }
    }
    if (c.bad)
        return nullptr;
    return std::make_unique<AcDbEllipse>(center, normalOr(n), major, ratio, start, end);
}

std::unique_ptr<AcDbEntity> buildSpline(const Record& record)
{
    AcDbSplineData s;
    Cursor c(record);
    for (; !c.done(); c.next()) {
        switch (c.code()) {
        case 70: {
            const long long flags = c.integer();
            s.closed = (flags & 1) != 0;
            s.periodic = (flags & 2) != 0;
            s.rational = (flags & 4) != 0;
            break;
        }
        case 71: s.degree = static_cast<int>(c.integer()); break;
        case 40: s.knots.push_back(c.real()); break;
        case 41: s.weights.push_back(c.real()); break;
        case 10: s.controlPoints.push_back({c.real(), 0, 0}); break;
        case 20: if (!s.controlPoints.empty()) s.controlPoints.back().y = c.real(); break;
        case 30: if (!s.controlPoints.empty()) s.controlPoints.back().z = c.real(); break;
        case 11: s.fitPoints.push_back({c.real(), 0, 0}); break;
        case 21: if (!s.fitPoints.empty()) s.fitPoints.back().y = c.real(); break;
        case 31: if (!s.fitPoints.empty()) s.fitPoints.back().z = c.real(); break;
        case 12: s.startTangent.x = c.real(); break;
        case 22: s.startTangent.y = c.real(); break;
        case 32: s.startTangent.z = c.real(); break;
        case 13: s.endTangent.x = c.real(); break;
        case 23: s.endTangent.y = c.real(); break;
        case 33: s.endTangent.z = c.real(); break;
        default: break;
        }
    }
    if (c.bad)
        return nullptr;
    // Weights count only for a rational curve with one per control point.
    if (s.weights.size() != s.controlPoints.size())
        s.weights.clear();
    return std::make_unique<AcDbSpline>(std::move(s));
}

// One boundary path of a HATCH, the cursor on its 92 (path type flags).
AcDbHatchLoop hatchLoop(Cursor& c)
{
    AcDbHatchLoop loop;
    const long long flags = c.integer();
    c.next();
    loop.isPolyline = (flags & 2) != 0;
    if (loop.isPolyline) {
        bool bulges = false;
        long long count = 0;
        for (; !c.done() && (c.code() == 72 || c.code() == 73 || c.code() == 93); c.next()) {
            if (c.code() == 72)
                bulges = c.integer() != 0;
            else if (c.code() == 93)
                count = c.integer();
        }
        for (long long k = 0; k < count && !c.done() && c.code() == 10; ++k) {
            AcGePoint2d p{c.real(), 0};
            c.next();
            p.y = c.realIf(20, 0);
            const double bulge = bulges ? c.realIf(42, 0) : 0.0;
            loop.points.push_back(p);
            loop.bulges.push_back(bulge);
        }
        return loop;
    }
    long long edges = 0;
    if (!c.done() && c.code() == 93) {
        edges = c.integer();
        c.next();
    }
    for (long long k = 0; k < edges && !c.done() && c.code() == 72; ++k) {
        const long long type = c.integer();
        c.next();
        AcDbHatchEdge e;
        const auto point = [&](int code) {
            AcGePoint2d p{c.realIf(code, 0), 0};
            p.y = c.realIf(code + 10, 0);
            return p;
        };
        if (type == 1) {
            e.type = AcDbHatchEdge::Type::kLine;
            e.start = point(10);
            e.end = point(11);
        } else if (type == 2 || type == 3) {
            e.type = type == 2 ? AcDbHatchEdge::Type::kArc : AcDbHatchEdge::Type::kEllipse;
            e.center = point(10);
            if (type == 3)
                e.majorAxis = point(11);
            const double r = c.realIf(40, 1);
            (type == 2 ? e.radius : e.ratio) = r;
            e.startAngle = c.realIf(50, 0) * kToRadians;
            e.endAngle = c.realIf(51, 360) * kToRadians;
            if (!c.done() && c.code() == 73) {
                e.counterClockwise = c.integer() != 0;
                c.next();
            }
        } else if (type == 4) {
            e.type = AcDbHatchEdge::Type::kSpline;
            for (; !c.done() && c.code() != 72 && c.code() != 97 && c.code() != 92; c.next()) {
                switch (c.code()) {
                case 94: e.degree = static_cast<int>(c.integer()); break;
                case 40: e.knots.push_back(c.real()); break;
                case 42: e.weights.push_back(c.real()); break;
                case 10: e.controlPoints.push_back({c.real(), 0}); break;
                case 20: if (!e.controlPoints.empty()) e.controlPoints.back().y = c.real(); break;
                default: break;
                }
            }
            if (e.weights.size() != e.controlPoints.size())
                e.weights.clear();
        } else {
            break;
        }
        loop.edges.push_back(std::move(e));
    }
    return loop;
}

std::unique_ptr<AcDbEntity> buildHatch(const Record& record)
{
    std::vector<AcDbHatchLoop> loops;
    bool solid = false;
    double elevation = 0;
    AcGeVector3d n{0, 0, 1};
    Cursor c(record);
    bool loopsDone = false;
    while (!c.done()) {
        switch (c.code()) {
        case 30: if (!loopsDone && loops.empty()) elevation = c.real(); break;
        case 210: n.x = c.real(); break;
        case 220: n.y = c.real(); break;
        case 230: n.z = c.real(); break;
        case 70: if (!loopsDone) solid = c.integer() == 1; break;
        case 92:
            if (!loopsDone) {
                loops.push_back(hatchLoop(c));
                continue;
            }
            break;
        case 75: loopsDone = true; break;  // the style: the paths are over
        default: break;
        }
        c.next();
    }
    if (c.bad)
        return nullptr;
    return std::make_unique<AcDbHatch>(std::move(loops), solid, elevation, normalOr(n));
}

std::unique_ptr<AcDbEntity> buildFace(const Record& record, bool filled)
{
    AcGePoint3d corners[4];
    AcGeVector3d n{0, 0, 1};
    bool seen[4] = {};
    Cursor c(record);
    for (; !c.done(); c.next()) {
        const int code = c.code();
        if (code >= 10 && code <= 33 && code % 10 <= 3) {
            const int corner = code % 10;
            double& v = code < 20 ? corners[corner].x : code < 30 ? corners[corner].y : corners[corner].z;
            v = c.real();
            seen[corner] = true;
        } else if (code == 210) {
            n.x = c.real();
        } else if (code == 220) {
            n.y = c.real();
        } else if (code == 230) {
            n.z = c.real();
        }
    }
    if (c.bad)
        return nullptr;
    if (!seen[3])
        corners[3] = corners[2];
    return std::make_unique<AcDbFace>(corners, filled, normalOr(n));
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// The arrowhead size of a leader: DIMASZ times DIMSCALE, each from the leader's own
// overrides (ACAD application data "DSTYLE": pairs of 1070 variable number and value),
// else from its dimension style (3), else from the header. A DIMSCALE of 0 asks for
// the scale of a paper space viewport, which a model space display does not have: 1.
double leaderArrowSize(const Record& record, const DrawingSettings& settings)
{
    double size = settings.arrowSize, scale = settings.dimScale;
    for (const RecordPair& p : record) {
        if (p.code != 3)
            continue;
        for (const DrawingSettings::DimStyle& style : settings.dimStyles) {
            if (sameName(style.name, trimmed(p.value))) {
                size = style.arrowSize;
                scale = style.dimScale;
            }
        }
    }
    bool acad = false, dstyle = false;
    long long variable = -1;
    for (const RecordPair& p : record) {
        if (p.code == 1001) {
            acad = trimmed(p.value) == "ACAD";
            dstyle = false;
        } else if (acad && p.code == 1000) {
            dstyle = trimmed(p.value) == "DSTYLE";
        } else if (dstyle && p.code == 1070 && variable < 0) {
            if (!parseInt(p.value, variable))
                variable = -1;
        } else if (dstyle && variable >= 0 && (p.code == 1040 || p.code == 1070)) {
            double v = 0;
            if (parseDouble(p.value, v)) {
                if (variable == 41)
                    size = v;
                else if (variable == 40)
                    scale = v;
            }
            variable = -1;
        } else if (dstyle && variable >= 0) {
            variable = -1;  // a value of another kind (a handle, a name)
        }
    }
    if (!(scale > 0) || !std::isfinite(scale))
        scale = 1.0;
    const double arrow = size * scale;
    return arrow > 0 && std::isfinite(arrow) ? arrow : 0.0;
}

std::unique_ptr<AcDbEntity> buildLeader(const Record& record, const DrawingSettings& settings)
{
    std::vector<AcGePoint3d> vertices;
    bool arrowhead = true;
    Cursor c(record);
    for (; !c.done(); c.next()) {
        switch (c.code()) {
        case 10: vertices.push_back({c.real(), 0, 0}); break;
        case 20: if (!vertices.empty()) vertices.back().y = c.real(); break;
        case 30: if (!vertices.empty()) vertices.back().z = c.real(); break;
        case 71: arrowhead = c.integer() != 0; break;
        default: break;
        }
        if (c.code() >= 1000)
            break;  // application data: its 1010-style points are not vertices
    }
    if (c.bad)
        return nullptr;
    return std::make_unique<AcDbLeader>(std::move(vertices), arrowhead, leaderArrowSize(record, settings));
}

std::unique_ptr<AcDbEntity> buildXline(const Record& record, bool ray)
{
    AcGePoint3d base;
    AcGeVector3d direction{1, 0, 0};
    Cursor c(record);
    for (; !c.done(); c.next()) {
        switch (c.code()) {
        case 10: base.x = c.real(); break;
        case 20: base.y = c.real(); break;
        case 30: base.z = c.real(); break;
        case 11: direction.x = c.real(); break;
        case 21: direction.y = c.real(); break;
        case 31: direction.z = c.real(); break;
        default: break;
        }
    }
    if (c.bad)
        return nullptr;
    return std::make_unique<AcDbXline>(base, direction, ray);
}

std::unique_ptr<AcDbEntity> buildWipeout(const Record& record)
{
    AcGePoint3d origin;
    AcGeVector3d u{1, 0, 0}, v{0, 1, 0};
    double height = 1;
    std::vector<AcGePoint2d> boundary;
    Cursor c(record);
    for (; !c.done(); c.next()) {
        switch (c.code()) {
        case 10: origin.x = c.real(); break;
        case 20: origin.y = c.real(); break;
        case 30: origin.z = c.real(); break;
        case 11: u.x = c.real(); break;
        case 21: u.y = c.real(); break;
        case 31: u.z = c.real(); break;
        case 12: v.x = c.real(); break;
        case 22: v.y = c.real(); break;
        case 32: v.z = c.real(); break;
        case 23: height = c.real(); break;
        case 14: boundary.push_back({c.real(), 0}); break;
        case 24: if (!boundary.empty()) boundary.back().y = c.real(); break;
        default: break;
        }
    }
    if (c.bad)
        return nullptr;
    // Two points are the corners of a rectangle.
    if (boundary.size() == 2)
        boundary = {boundary[0], {boundary[1].x, boundary[0].y}, boundary[1], {boundary[0].x, boundary[1].y}};
    // Boundary points are in pixels from the image's upper left corner; the image's
    // lower left pixel centre is at `origin`.
    std::vector<AcGePoint3d> outline;
    for (const AcGePoint2d& p : boundary) {
        const double a = p.x + 0.5, b = height - p.y - 0.5;
        outline.push_back({origin.x + u.x * a + v.x * b, origin.y + u.y * a + v.y * b, origin.z + u.z * a + v.z * b});
    }
    return std::make_unique<AcDbWipeout>(std::move(outline));
}

} // namespace

bool isDisplayType(std::string_view type)
{
    static constexpr std::string_view kTypes[] = {"TEXT", "MTEXT", "ELLIPSE", "SPLINE", "HATCH", "SOLID", "TRACE",
                                                  "3DFACE", "LEADER", "XLINE", "RAY", "WIPEOUT", "DIMENSION"};
    for (std::string_view t : kTypes) {
        if (t == type)
            return true;
    }
    return false;
}

std::unique_ptr<AcDbEntity> buildDisplayEntity(std::string_view type, const Record& record,
                                               const DrawingSettings& settings)
{
    if (type == "TEXT") {
        bool invisible = false, bad = false;
        AcDbTextProps t = textProps(record, settings.codePage, false, invisible, bad);
        return bad ? nullptr : std::make_unique<AcDbText>(std::move(t));
    }
    if (type == "MTEXT")
        return buildMText(record, settings.codePage);
    if (type == "ELLIPSE")
        return buildEllipse(record);
    if (type == "SPLINE")
        return buildSpline(record);
    if (type == "HATCH")
        return buildHatch(record);
    if (type == "SOLID" || type == "TRACE" || type == "3DFACE")
        return buildFace(record, type != "3DFACE");
    if (type == "LEADER")
        return buildLeader(record, settings);
    if (type == "XLINE" || type == "RAY")
        return buildXline(record, type == "RAY");
    if (type == "WIPEOUT")
        return buildWipeout(record);
    if (type == "DIMENSION") {
        // A dimension is drawn by its anonymous block, which holds the geometry in place.
        AcDbBlockReferenceProps ref;
        for (const RecordPair& p : record) {
            if (p.code == 2)
                ref.blockName = dxfText(trimmed(p.value), settings.codePage);
        }
        if (ref.blockName.empty())
            return nullptr;
        return std::make_unique<AcDbBlockReference>(std::move(ref));
    }
    return nullptr;
}

std::unique_ptr<AcDbEntity> buildBlockReference(const Record& insert, const std::vector<Record>& attributes,
                                                const DrawingSettings& settings)
{
    AcDbBlockReferenceProps ref;
    AcGeVector3d n{0, 0, 1};
    Cursor c(insert);
    for (; !c.done(); c.next()) {
        switch (c.code()) {
        case 2: ref.blockName = dxfText(trimmed(c.value()), settings.codePage); break;
        case 10: ref.position.x = c.real(); break;
        case 20: ref.position.y = c.real(); break;
        case 30: ref.position.z = c.real(); break;
        case 41: ref.scale.x = c.real(); break;
        case 42: ref.scale.y = c.real(); break;
        case 43: ref.scale.z = c.real(); break;
        case 50: ref.rotation = c.real() * kToRadians; break;
        case 70: ref.columns = static_cast<int>(std::clamp(c.integer(), 1LL, 32767LL)); break;
        case 71: ref.rows = static_cast<int>(std::clamp(c.integer(), 1LL, 32767LL)); break;
        case 44: ref.columnSpacing = c.real(); break;
        case 45: ref.rowSpacing = c.real(); break;
        case 210: n.x = c.real(); break;
        case 220: n.y = c.real(); break;
        case 230: n.z = c.real(); break;
        default: break;
        }
    }
    if (c.bad)
        return nullptr;
    ref.normal = normalOr(n);
    for (const Record& a : attributes) {
        bool invisible = false, bad = false;
        AcDbAttributeShown shown;
        shown.text = textProps(a, settings.codePage, true, invisible, bad);
        if (bad || invisible)
            continue;
        for (const RecordPair& p : a) {
            long long v = 0;
            if (p.code == 8)
                shown.layer = dxfText(p.value, settings.codePage);
            else if (p.code == 62 && parseInt(p.value, v) && v >= 0 && v <= 256)
                shown.colorIndex = static_cast<int>(v);
            else if (p.code == 420 && parseInt(p.value, v) && v >= 0 && v <= 0xFFFFFFFFLL)
                shown.trueColor = static_cast<std::int32_t>(v & 0xFFFFFF);
        }
        ref.attributes.push_back(std::move(shown));
    }
    return std::make_unique<AcDbBlockReference>(std::move(ref));
}

} // namespace plotwright::dxf::detail
