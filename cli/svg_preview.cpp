#include "cli/svg_preview.h"

#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace plotwright::cli {

namespace {

constexpr double kLongSide = 1000;  // pixels for the longer side of the drawing's extents
constexpr double kMargin = 20;
constexpr int kChordsPerCircle = 128;

struct Pt {
    double x, y;
};

// One stroke (or, for a point entity, a dot) in drawing coordinates.
struct Shape {
    std::vector<Pt> points;
    bool closed = false;  // the last point joins the first
    bool dot = false;
    unsigned colour = 0x000000;
};

// A few colours of the usual 255-colour index; the rest are shown in grey. Index 7
// (white on a dark screen) is black on the white page.
unsigned indexColour(int index)
{
    switch (index) {
    case 1: return 0xE00000;
    case 2: return 0xC0A000;
    case 3: return 0x00A000;
    case 4: return 0x00A0C0;
    case 5: return 0x0000E0;
    case 6: return 0xC000C0;
    case 8: return 0x808080;
    case 9: return 0xC0C0C0;
    case 0: case 7: case 256: return 0x000000;
    default: return 0x606060;
    }
}

unsigned colourOf(const AcDbDatabase& database, const AcDbEntity& entity)
{
    if (entity.trueColor() >= 0)
        return static_cast<unsigned>(entity.trueColor()) & 0xFFFFFF;
    int index = entity.colorIndex();
    if (index == 256)
        index = database.layerColorIndex(entity.layer());
    return indexColour(std::abs(index));
}

// Entities whose normal points down the z axis are seen mirrored from above. Other
// tilted planes are shown as if flat: a preview, not a projection.
double mirror(const AcGeVector3d& normal) { return normal.z < 0 ? -1.0 : 1.0; }

void appendArc(std::vector<Pt>& out, Pt centre, double radius, double start, double sweep, double sx)
{
    const int chords = std::max(2, static_cast<int>(std::ceil(std::abs(sweep) / (2 * std::numbers::pi) * kChordsPerCircle)));
    for (int i = 0; i <= chords; ++i) {
        const double a = start + sweep * i / chords;
        out.push_back({sx * (centre.x + radius * std::cos(a)), centre.y + radius * std::sin(a)});
    }
}

// The segment from a to b bulging by `bulge` (tan of a quarter of the included angle).
void appendBulge(std::vector<Pt>& out, Pt a, Pt b, double bulge)
{
    const double sweep = 4 * std::atan(bulge);
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double chord = std::hypot(dx, dy);
    if (chord == 0 || !std::isfinite(sweep)) {
        out.push_back(b);
        return;
    }
    const double radius = chord / (2 * std::sin(std::abs(sweep) / 2));
    // Centre: from the chord's middle along its normal, on the side the bulge turns to.
    const double h = radius * std::cos(sweep / 2) * (bulge > 0 ? 1 : -1);
    const Pt centre{(a.x + b.x) / 2 - h * dy / chord, (a.y + b.y) / 2 + h * dx / chord};
    const double start = std::atan2(a.y - centre.y, a.x - centre.x);
    std::vector<Pt> arc;
    appendArc(arc, centre, radius, start, sweep, 1.0);
    out.insert(out.end(), arc.begin() + 1, arc.end());
}

Shape shapeOf(const AcDbEntity& entity)
{
    Shape shape;
    switch (entity.kind()) {
    case AcDbEntity::Kind::kPolyline: {
        const auto& polyline = static_cast<const AcDbPolyline&>(entity);
        const double sx = mirror(polyline.normal());
        const auto points = polyline.points();
        const std::size_t n = points.size();
        auto at = [&](std::size_t i) { return Pt{sx * points[i].x, points[i].y}; };
        shape.points.reserve(n + 1);
        for (std::size_t i = 0; i < n; ++i) {
            if (i == 0)
                shape.points.push_back(at(0));
            if (i + 1 == n && !polyline.isClosed())
                break;
            const Pt next = at(i + 1 == n ? 0 : i + 1);
            double bulge = 0;
            if (polyline.hasBulges())
                polyline.getBulgeAt(static_cast<unsigned>(i), bulge);
            // Seen mirrored, an arc turns the other way.
            if (bulge != 0)
                appendBulge(shape.points, at(i), next, sx * bulge);
            else
                shape.points.push_back(next);
        }
        shape.dot = n == 1;
        break;
    }
    case AcDbEntity::Kind::kLine: {
        const auto& line = static_cast<const AcDbLine&>(entity);
        shape.points = {{line.startPoint().x, line.startPoint().y}, {line.endPoint().x, line.endPoint().y}};
        break;
    }
    case AcDbEntity::Kind::kCircle: {
        const auto& circle = static_cast<const AcDbCircle&>(entity);
        appendArc(shape.points, {circle.center().x, circle.center().y}, circle.radius(), 0, 2 * std::numbers::pi,
                  mirror(circle.normal()));
        break;
    }
    case AcDbEntity::Kind::kArc: {
        const auto& arc = static_cast<const AcDbArc&>(entity);
        double sweep = std::fmod(arc.endAngle() - arc.startAngle(), 2 * std::numbers::pi);
        if (sweep <= 0)
            sweep += 2 * std::numbers::pi;
        appendArc(shape.points, {arc.center().x, arc.center().y}, arc.radius(), arc.startAngle(), sweep,
                  mirror(arc.normal()));
        break;
    }
    case AcDbEntity::Kind::kPoint: {
        const auto& point = static_cast<const AcDbPoint&>(entity);
        shape.points = {{point.position().x, point.position().y}};
        shape.dot = true;
        break;
    }
    case AcDbEntity::Kind::kSpline: {
        for (const AcGePoint3d& v : static_cast<const AcDbSpline&>(entity).samplePoints(16))
            shape.points.push_back({v.x, v.y});
        shape.dot = shape.points.size() == 1;
        break;
    }
    case AcDbEntity::Kind::k3dPolyline: {
        const auto& polyline = static_cast<const AcDb3dPolyline&>(entity);
        for (const AcGePoint3d& v : polyline.vertices())
            shape.points.push_back({v.x, v.y});
        shape.closed = polyline.isClosed();
        shape.dot = shape.points.size() == 1;
        break;
    }
    }
    return shape;
}

void appendNumber(std::string& out, double value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    out.append(buffer, result.ptr);
}

void appendColour(std::string& out, unsigned colour)
{
    static constexpr char digits[] = "0123456789abcdef";
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4)
        out += digits[(colour >> shift) & 0xF];
}

} // namespace

std::string svgPreview(const AcDbDatabase& database)
{
    std::vector<Shape> shapes;
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -minX, maxY = -minX;
    database.forEachEntity([&](const AcDbEntity& entity) {
        Shape shape = shapeOf(entity);
        // A drawing never holds non-finite numbers, but a preview must not break on one.
        std::erase_if(shape.points, [](const Pt& p) { return !std::isfinite(p.x) || !std::isfinite(p.y); });
        if (shape.points.empty())
            return;
        shape.colour = colourOf(database, entity);
        for (const Pt& p : shape.points) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        shapes.push_back(std::move(shape));
    });

    double spanX = shapes.empty() ? 1 : maxX - minX;
    double spanY = shapes.empty() ? 1 : maxY - minY;
    if (shapes.empty())
        minX = minY = 0, maxY = 1;
    // A drawing without extent in one direction (a point, a horizontal line) still gets
    // a picture: the other direction sets the scale.
    double longest = std::max(spanX, spanY);
    if (!(longest > 0) || !std::isfinite(longest))
        longest = 1;
    const double scale = kLongSide / longest;
    const double width = spanX * scale + 2 * kMargin;
    const double height = spanY * scale + 2 * kMargin;
    auto toX = [&](double x) { return (x - minX) * scale + kMargin; };
    auto toY = [&](double y) { return (maxY - y) * scale + kMargin; };

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    appendNumber(svg, width);
    svg += "\" height=\"";
    appendNumber(svg, height);
    svg += "\" viewBox=\"0 0 ";
    appendNumber(svg, width);
    svg += ' ';
    appendNumber(svg, height);
    svg += "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
           "<g fill=\"none\" stroke-width=\"1.5\" stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";

    for (const Shape& shape : shapes) {
        if (shape.dot) {
            svg += "<circle cx=\"";
            appendNumber(svg, toX(shape.points.front().x));
            svg += "\" cy=\"";
            appendNumber(svg, toY(shape.points.front().y));
            svg += "\" r=\"2\" fill=\"";
            appendColour(svg, shape.colour);
            svg += "\"/>\n";
            continue;
        }
        svg += shape.closed ? "<polygon" : "<polyline";
        svg += " stroke=\"";
        appendColour(svg, shape.colour);
        svg += "\" points=\"";
        double lastX = std::numeric_limits<double>::quiet_NaN(), lastY = lastX;
        for (std::size_t i = 0; i < shape.points.size(); ++i) {
            const double x = toX(shape.points[i].x), y = toY(shape.points[i].y);
            // Points within a tenth of a pixel of the last one add nothing to the picture.
            const bool keep = i == 0 || i + 1 == shape.points.size() || std::abs(x - lastX) >= 0.1
                              || std::abs(y - lastY) >= 0.1;
            if (!keep)
                continue;
            if (i)
                svg += ' ';
            appendNumber(svg, x);
            svg += ',';
            appendNumber(svg, y);
            lastX = x, lastY = y;
        }
        svg += "\"/>\n";
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

} // namespace plotwright::cli
