// The entity kinds read for display only: their records are kept for the writer, so
// these builders need only what is drawn.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
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
    // The code of the pair after the current one; 0 past the end.
    int nextCode() const { return i_ + 1 < r_.size() ? r_[i_ + 1].code : 0; }
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
        case 7: t.style = dxfText(trimmed(c.value()), page); break;
        case 10: t.position.x = c.real(); break;
        case 20: t.position.y = c.real(); break;
        case 30: t.position.z = c.real(); break;
        case 11: t.alignmentPoint.x = c.real(); break;
        case 21: t.alignmentPoint.y = c.real(); break;
        case 31: t.alignmentPoint.z = c.real(); break;
        case 40: t.height = c.real(); break;
        case 41: t.widthFactor = c.real(); break;
        case 50: t.rotation = c.real() * kToRadians; break;
        case 51: t.oblique = c.real() * kToRadians; break;
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
    // Columns of newer files come after "101 Embedded Object", where codes mean other things.
    bool embedded = false;
    int columnType = 0;
    bool autoHeight = false;
    double definedHeight = 0, totalWidth = 0;
    bool rotated = false;  // a rotation (50) was given
    for (; !c.done(); c.next()) {
        if (embedded) {
            switch (c.code()) {
            case 41: definedHeight = c.real(); break;
            case 42: totalWidth = c.real(); break;
            case 44: t.columnWidth = c.real(); break;
            case 45: t.columnGutter = c.real(); break;
            case 46: t.columnHeights.push_back(c.real()); break;
            case 71: columnType = static_cast<int>(c.integer()); break;
            case 72: t.columnCount = static_cast<int>(std::clamp(c.integer(), 0LL, 1000LL)); break;
            case 73: autoHeight = c.integer() != 0; break;
            default: break;
            }
            continue;
        }
        switch (c.code()) {
        case 1:
        case 3: bytes += c.value(); break;
        case 7: t.style = dxfText(trimmed(c.value()), page); break;
        case 10: t.location.x = c.real(); break;
        case 20: t.location.y = c.real(); break;
        case 30: t.location.z = c.real(); break;
        case 11: t.direction.x = c.real(); t.hasDirection = true; break;
        case 21: t.direction.y = c.real(); t.hasDirection = true; break;
        case 31: t.direction.z = c.real(); t.hasDirection = true; break;
        case 40: t.height = c.real(); break;
        case 41: t.width = c.real(); break;
        case 44: t.lineSpacing = c.real(); break;
        case 46: definedHeight = c.real(); break;
        case 50: t.rotation = c.real() * kToRadians; rotated = true; break;
        case 71: t.attachment = static_cast<int>(c.integer()); break;
        case 101: embedded = true; break;
        case 210: n.x = c.real(); break;
        case 220: n.y = c.real(); break;
        case 230: n.z = c.real(); break;
        default: break;
        }
    }
    if (c.bad)
        return nullptr;
    t.normal = normalOr(n);
    // Without a direction or a rotation the text runs along the world's x axis, also in
    // a plane seen from below, where the entity's own x axis runs the other way.
    if (!t.hasDirection && !rotated) {
        t.direction = {1.0, 0.0, 0.0};
        t.hasDirection = true;
    }
    t.contents = textValue(bytes, page);
    if (columnType == 0) {
        t.columnCount = 0;
    } else {
        const double step = t.columnWidth + t.columnGutter;
        if (t.columnCount == 0 && step > 0 && totalWidth > 0)
            t.columnCount = static_cast<int>(std::clamp(std::lround((totalWidth + t.columnGutter) / step), 1L, 1000L));
        // Static columns and dynamic ones of automatic height share one height; dynamic
        // ones of manual heights have their own.
        t.columnHeight = definedHeight;
        if (columnType == 1 || autoHeight)
            t.columnHeights.clear();
    }
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
            for (; !c.done() && c.code() != 72 && c.code() != 92; c.next()) {
                // Newer files follow the control points with the fit data: their count
                // (97), the points (11) and end tangents (12, 13). A 97 followed by
                // anything else counts the loop's source objects, after its last edge.
                if (c.code() == 97) {
                    const int after = c.nextCode();
                    if (after != 11 && after != 12 && after != 13 && after != 72 && after != 97)
                        break;
                }
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
    std::vector<AcDbHatchPatternLine> pattern;
    bool solid = false;
    double elevation = 0;
    AcGeVector3d n{0, 0, 1};
    Cursor c(record);
    bool loopsDone = false;
    bool patternDone = false;
    while (!c.done()) {
        // The pattern's lines follow their count (78) after the paths; each starts with
        // its angle (53), and its dashes (49) follow their count (79).
        if (loopsDone && !patternDone && c.code() == 78) {
            patternDone = true;
            for (c.next(); !c.done() && c.code() == 53;) {
                AcDbHatchPatternLine line;
                line.angle = c.real() * kToRadians;
                c.next();
                line.base.x = c.realIf(43, 0);
                line.base.y = c.realIf(44, 0);
                line.offset.x = c.realIf(45, 0);
                line.offset.y = c.realIf(46, 0);
                if (!c.done() && c.code() == 79)
                    c.next();
                for (; !c.done() && c.code() == 49; c.next())
                    line.dashes.push_back(c.real());
                pattern.push_back(std::move(line));
            }
            continue;
        }
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
    if (solid)
        pattern.clear();
    return std::make_unique<AcDbHatch>(std::move(loops), solid, elevation, normalOr(n), std::move(pattern));
}

std::unique_ptr<AcDbEntity> buildFace(const Record& record, bool filled)
{
    AcGePoint3d corners[4];
    AcGeVector3d n{0, 0, 1};
    bool seen[4] = {};
    long long hidden = 0;
    Cursor c(record);
    for (; !c.done(); c.next()) {
        const int code = c.code();
        if (code == 70 && !filled) {
            hidden = c.integer();
        } else if (code >= 10 && code <= 33 && code % 10 <= 3) {
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
    auto face = std::make_unique<AcDbFace>(corners, filled, normalOr(n));
    face->setHiddenEdges(static_cast<int>(hidden & 15));
    return face;
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

AcGePoint3d pointOf(Cursor& c)
{
    AcGePoint3d p{c.real(), 0, 0};
    const int code = c.code();
    c.next();
    p.y = c.realIf(code + 10, 0);
    p.z = c.realIf(code + 20, 0);
    return p;
}

// A subdivision mesh as its faces' edges: vertices (10) after their count (92), then
// the face list (93 entries of 90: a face's vertex count, then its vertex indices).
std::unique_ptr<AcDbEntity> buildMesh(const Record& record)
{
    std::vector<AcGePoint3d> vertices;
    std::vector<AcDbStrokes::Stroke> faces;
    Cursor c(record);
    while (!c.done()) {
        if (c.code() == 92) {
            const long long count = c.integer();
            c.next();
            for (long long k = 0; k < count && !c.done() && c.code() == 10; ++k)
                vertices.push_back(pointOf(c));
            continue;
        }
        if (c.code() == 93) {
            long long left = c.integer();
            c.next();
            while (left > 0 && !c.done() && c.code() == 90) {
                const long long n = c.integer();
                c.next();
                --left;
                AcDbStrokes::Stroke face;
                face.closed = true;
                for (long long k = 0; k < n && left > 0 && !c.done() && c.code() == 90; ++k, --left, c.next()) {
                    const long long index = c.integer();
                    if (index >= 0 && static_cast<std::size_t>(index) < vertices.size())
                        face.points.push_back(vertices[static_cast<std::size_t>(index)]);
                }
                faces.push_back(std::move(face));
            }
            continue;
        }
        c.next();
    }
    if (c.bad)
        return nullptr;
    return std::make_unique<AcDbStrokes>(L"Mesh", std::move(faces));
}

// A multiline as its element lines: each vertex (11) with its miter direction (13),
// and per element (74 parameters of 41) the distance along the miter first.
std::unique_ptr<AcDbEntity> buildMline(const Record& record)
{
    struct Vertex {
        AcGePoint3d at;
        AcGeVector3d miter;
        std::vector<double> offsets;
    };
    std::vector<Vertex> vertices;
    bool closed = false;
    Cursor c(record);
    while (!c.done()) {
        switch (c.code()) {
        case 71: closed = (c.integer() & 2) != 0; break;
        case 11: vertices.push_back({pointOf(c), {}, {}}); continue;
        case 13:
            if (!vertices.empty()) {
                const AcGePoint3d m = pointOf(c);
                vertices.back().miter = {m.x, m.y, m.z};
                continue;
            }
            break;
        case 74:
            if (!vertices.empty()) {
                const long long count = c.integer();
                c.next();
                vertices.back().offsets.push_back(count > 0 && !c.done() && c.code() == 41 ? c.real() : 0.0);
                continue;
            }
            break;
        default: break;
        }
        c.next();
    }
    if (c.bad || vertices.empty())
        return nullptr;
    std::vector<AcDbStrokes::Stroke> lines(vertices.front().offsets.size());
    for (std::size_t e = 0; e < lines.size(); ++e) {
        lines[e].closed = closed;
        for (const Vertex& v : vertices) {
            const double d = e < v.offsets.size() ? v.offsets[e] : 0.0;
            lines[e].points.push_back({v.at.x + v.miter.x * d, v.at.y + v.miter.y * d, v.at.z + v.miter.z * d});
        }
    }
    return std::make_unique<AcDbStrokes>(L"Multiline", std::move(lines));
}

// A dimension whose picture (its block) is missing, from its definition points: the
// extension lines and the dimension line of a linear or aligned one, the leader of a
// radius or diameter, a line between the points otherwise; its text at the text point.
std::shared_ptr<const AcDbEntity> dimensionStandIn(const Record& record, base::CodePage page)
{
    AcGePoint3d p[7];  // 10..16
    bool has[7] = {};
    double angle = 0;
    long long type = 0;
    std::string text;
    double height = 0;
    Cursor c(record);
    for (; !c.done(); c.next()) {
        const int code = c.code();
        if (code >= 10 && code <= 16) {
            p[code - 10].x = c.real(), has[code - 10] = true;
        } else if (code >= 20 && code <= 26) {
            p[code - 20].y = c.real();
        } else if (code >= 30 && code <= 36) {
            p[code - 30].z = c.real();
        } else if (code == 50) {
            angle = c.real() * kToRadians;
        } else if (code == 70) {
            type = c.integer() & 7;
        } else if (code == 1) {
            text = std::string(c.value());
        } else if (code == 140) {
            height = c.real();
        }
    }
    if (c.bad)
        return nullptr;
    std::vector<AcDbStrokes::Stroke> lines;
    double measured = 0;
    if ((type == 0 || type == 1) && has[3] && has[4]) {
        const AcGePoint3d a = p[3], b = p[4], on = p[0];
        AcGeVector3d u{std::cos(angle), std::sin(angle), 0};
        if (type == 1) {
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            u = len > 0 ? AcGeVector3d{(b.x - a.x) / len, (b.y - a.y) / len, 0} : AcGeVector3d{1, 0, 0};
        }
        const auto foot = [&](const AcGePoint3d& q) {
            const double t = (q.x - on.x) * u.x + (q.y - on.y) * u.y;
            return AcGePoint3d{on.x + u.x * t, on.y + u.y * t, on.z};
        };
        const AcGePoint3d fa = foot(a), fb = foot(b);
        lines = {{{a, fa}, false}, {{b, fb}, false}, {{fa, fb}, false}};
        measured = std::hypot(fb.x - fa.x, fb.y - fa.y);
    } else if ((type == 3 || type == 4) && has[5]) {
        lines = {{{p[0], p[5]}, false}};
        measured = std::hypot(p[5].x - p[0].x, p[5].y - p[0].y);
    } else {
        AcDbStrokes::Stroke s;
        for (int k : {3, 4, 5, 0})
            if (has[k])
                s.points.push_back(p[k]);
        lines.push_back(std::move(s));
    }
    auto standIn = std::make_shared<AcDbStrokes>(L"Dimension", std::move(lines));
    // The measurement replaces "<>" or an empty text; " " hides the text.
    if (text != " " && has[1]) {
        char number[32];
        std::snprintf(number, sizeof number, "%.4g", measured);
        const std::size_t at = text.find("<>");
        if (text.empty())
            text = number;
        else if (at != std::string::npos)
            text.replace(at, 2, number);
        AcDbMTextProps t;
        t.contents = textValue(text, page);
        t.location = p[1];
        t.height = height > 0 ? height : 2.5;
        t.attachment = 5;
        t.rotation = type == 0 ? angle : 0.0;
        standIn->setText(std::move(t));
    }
    return standIn;
}

// A multileader with text: its leader lines (each ending at its leader's last point,
// then along the dogleg), a filled arrowhead at the start of each line, and the text.
// Codes mean different things inside CONTEXT_DATA{, LEADER{ and LEADER_LINE{.
std::unique_ptr<AcDbEntity> buildMultileader(const Record& record, base::CodePage page)
{
    struct Leader {
        AcGePoint3d last;
        AcGeVector3d dogleg;
        double doglegLength = 0;
        std::vector<std::vector<AcGePoint3d>> lines;
    };
    std::vector<Leader> leaders;
    AcDbMTextProps text;
    bool hasText = false;
    double arrowSize = 0, contextArrowSize = -1;
    int depth = 0;  // 1 context, 2 leader, 3 leader line
    Cursor c(record);
    while (!c.done()) {
        const int code = c.code();
        const std::string_view v = trimmed(c.value());
        if (code == 300 && v == "CONTEXT_DATA{") {
            depth = 1;
        } else if (code == 302 && v == "LEADER{") {
            depth = 2;
            leaders.emplace_back();
        } else if (code == 304 && v == "LEADER_LINE{" && depth == 2) {
            depth = 3;
            leaders.back().lines.emplace_back();
        } else if (code == 305 && depth == 3) {
            depth = 2;
        } else if (code == 303 && depth == 2) {
            depth = 1;
        } else if (code == 301 && depth == 1) {
            depth = 0;
        } else if (depth == 3 && code == 10) {
            leaders.back().lines.back().push_back(pointOf(c));
            continue;
        } else if (depth == 2 && code == 10) {
            leaders.back().last = pointOf(c);
            continue;
        } else if (depth == 2 && code == 11) {
            const AcGePoint3d d = pointOf(c);
            leaders.back().dogleg = {d.x, d.y, d.z};
            continue;
        } else if (depth == 2 && code == 40) {
            leaders.back().doglegLength = c.real();
        } else if (depth == 1 && code == 304) {
            text.contents = textValue(c.value(), page);
            hasText = true;
        } else if (depth == 1 && code == 12) {
            text.location = pointOf(c);
            continue;
        } else if (depth == 1 && code == 13) {
            const AcGePoint3d d = pointOf(c);
            text.direction = {d.x, d.y, d.z};
            text.hasDirection = true;
            continue;
        } else if (depth == 1 && code == 41) {
            text.height = c.real();
        } else if (depth == 1 && code == 43) {
            text.width = c.real();
        } else if (depth == 1 && code == 140) {
            contextArrowSize = c.real();
        } else if (depth == 1 && code == 171) {
            text.attachment = static_cast<int>(c.integer());
        } else if (depth == 0 && code == 42) {
            arrowSize = c.real();
        }
        c.next();
    }
    if (c.bad)
        return nullptr;
    const double size = contextArrowSize >= 0 ? contextArrowSize : arrowSize;
    std::vector<AcDbStrokes::Stroke> strokes;
    std::vector<AcGePoint3d> heads;
    for (const Leader& leader : leaders) {
        for (const auto& line : leader.lines) {
            AcDbStrokes::Stroke stroke{line, false};
            stroke.points.push_back(leader.last);
            if (stroke.points.size() >= 2 && size > 0) {
                const AcGePoint3d tip = stroke.points[0], from = stroke.points[1];
                const double dx = from.x - tip.x, dy = from.y - tip.y, len = std::hypot(dx, dy);
                if (len > 0) {
                    const double ux = dx / len, uy = dy / len;
                    heads.insert(heads.end(), {tip, {tip.x + ux * size - uy * size / 6, tip.y + uy * size + ux * size / 6, tip.z},
                                               {tip.x + ux * size + uy * size / 6, tip.y + uy * size - ux * size / 6, tip.z}});
                }
            }
            strokes.push_back(std::move(stroke));
        }
        if (leader.doglegLength != 0) {
            const AcGePoint3d a = leader.last;
            const AcGeVector3d d = leader.dogleg;
            strokes.push_back({{a, {a.x + d.x * leader.doglegLength, a.y + d.y * leader.doglegLength,
                                    a.z + d.z * leader.doglegLength}},
                               false});
        }
    }
    auto entity = std::make_unique<AcDbStrokes>(L"Multileader", std::move(strokes));
    entity->setArrowheads(std::move(heads));
    if (hasText && !text.contents.empty())
        entity->setText(std::move(text));
    return entity;
}

} // namespace

bool isDisplayType(std::string_view type)
{
    static constexpr std::string_view kTypes[] = {
        "TEXT",   "MTEXT", "ELLIPSE", "SPLINE",  "HATCH",     "SOLID", "TRACE",         "3DFACE",
        "LEADER", "XLINE", "RAY",     "WIPEOUT", "DIMENSION", "MESH",  "ARC_DIMENSION", "LARGE_RADIAL_DIMENSION",
        "MLINE",  "ATTDEF", "MULTILEADER", "ACAD_TABLE"};
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
    if (type == "DIMENSION" || type == "ARC_DIMENSION" || type == "LARGE_RADIAL_DIMENSION") {
        // A dimension is drawn by its anonymous block, which holds the geometry in place;
        // without one, from its definition points.
        AcDbBlockReferenceProps ref;
        for (const RecordPair& p : record) {
            if (p.code == 2)
                ref.blockName = dxfText(trimmed(p.value), settings.codePage);
        }
        ref.standIn = dimensionStandIn(record, settings.codePage);
        return std::make_unique<AcDbBlockReference>(std::move(ref));
    }
    if (type == "ACAD_TABLE") {
        // A table is drawn by its anonymous block, placed like a block reference: at its
        // insertion point, turned to its horizontal direction.
        AcDbBlockReferenceProps ref;
        AcGeVector3d n{0, 0, 1};
        double dx = 1, dy = 0;
        Cursor c(record);
        for (; !c.done(); c.next()) {
            switch (c.code()) {
            // The block and the point come first; cells later use code 2 for text.
            case 2: if (ref.blockName.empty()) ref.blockName = dxfText(trimmed(c.value()), settings.codePage); break;
            case 10: ref.position.x = c.real(); break;
            case 20: ref.position.y = c.real(); break;
            case 30: ref.position.z = c.real(); break;
            case 11: dx = c.real(); break;
            case 21: dy = c.real(); break;
            case 210: n.x = c.real(); break;
            case 220: n.y = c.real(); break;
            case 230: n.z = c.real(); break;
            default: break;
            }
        }
        if (c.bad || ref.blockName.empty())
            return nullptr;
        ref.rotation = std::atan2(dy, dx);
        ref.normal = normalOr(n);
        return std::make_unique<AcDbBlockReference>(std::move(ref));
    }
    if (type == "ATTDEF") {
        // Shown by its tag where it stands in model space.
        bool invisible = false, bad = false;
        AcDbTextProps t = textProps(record, settings.codePage, true, invisible, bad);
        t.text.clear();
        for (const RecordPair& p : record)
            if (p.code == 2)
                t.text = textValue(p.value, settings.codePage);
        // Programs show the tag whether or not the attributes it makes are invisible.
        if (bad)
            return nullptr;
        return std::make_unique<AcDbText>(std::move(t), true);
    }
    if (type == "MESH")
        return buildMesh(record);
    if (type == "MLINE")
        return buildMline(record);
    if (type == "MULTILEADER")
        return buildMultileader(record, settings.codePage);
    return nullptr;
}

std::unique_ptr<AcDbEntity> buildBlockReference(const Record& insert, const std::vector<Record>& attributes,
                                                const DrawingSettings& settings)
{
    AcDbBlockReferenceProps ref;
    AcGeVector3d n{0, 0, 1};
    Cursor c(insert);
    bool inDictionary = false;  // within "102 {ACAD_XDICTIONARY"
    for (; !c.done(); c.next()) {
        if (c.code() == 102) {
            inDictionary = trimmed(c.value()) == "{ACAD_XDICTIONARY";
            continue;
        }
        if (c.code() == 360 && inDictionary) {
            unsigned long long handle = 0;
            if (parseHandle(c.value(), handle))
                ref.extensionDictionary = handle;
            continue;
        }
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
