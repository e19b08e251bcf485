#include "render/svg_picture.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

#include "db/database.h"
#include "render/display_shapes.h"

namespace plotwright::db {

namespace {

void appendNumber(std::string& out, double value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    out.append(buffer, result.ptr);
}

void appendColour(std::string& out, ShownColor colour)
{
    static constexpr char digits[] = "0123456789abcdef";
    // The picture is paper: white under black.
    const std::uint32_t rgb = colour.background ? 0xFFFFFF : colour.foreground ? 0x000000 : colour.rgb;
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4)
        out += digits[(rgb >> shift) & 0xF];
    // Every colour attribute is followed by a quote: a see-through colour closes it and
    // opens the element's opacity instead.
    if (colour.alpha < 255) {
        out += "\" opacity=\"";
        appendNumber(out, colour.alpha / 255.0);
    }
}

// UTF-8 with the characters XML reserves escaped; control characters left out.
void appendXmlText(std::string& out, const std::wstring& text)
{
    for (wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c < 0x20 || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF || c == 0xFFFE || c == 0xFFFF)
            continue;
        else if (c < 0x80)
            out += static_cast<char>(c);
        else if (c < 0x800)
            out += static_cast<char>(0xC0 | (c >> 6)), out += static_cast<char>(0x80 | (c & 0x3F));
        else if (c < 0x10000)
            out += static_cast<char>(0xE0 | (c >> 12)), out += static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                out += static_cast<char>(0x80 | (c & 0x3F));
        else
            out += static_cast<char>(0xF0 | (c >> 18)), out += static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                out += static_cast<char>(0x80 | ((c >> 6) & 0x3F)), out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

struct Frame {
    double minX, maxY, scale, margin, width, height;
    double x(double wx) const { return (wx - minX) * scale + margin; }
    double y(double wy) const { return (maxY - wy) * scale + margin; }
};

// Clips the endless line p + t d to the rectangle [0,w]x[0,h] (picture coordinates);
// a ray only for t >= 0. False when it misses.
bool clipLine(double px, double py, double dx, double dy, bool ray, double w, double h, double& t0, double& t1)
{
    t0 = ray ? 0.0 : -std::numeric_limits<double>::infinity();
    t1 = std::numeric_limits<double>::infinity();
    const auto side = [&](double p, double d, double lo, double hi) {
        if (d == 0)
            return p >= lo && p <= hi;
        double a = (lo - p) / d, b = (hi - p) / d;
        if (a > b)
            std::swap(a, b);
        t0 = std::max(t0, a);
        t1 = std::min(t1, b);
        return t0 <= t1;
    };
    return side(px, dx, 0, w) && side(py, dy, 0, h) && std::isfinite(t0) && std::isfinite(t1);
}

void appendPoints(std::string& svg, const Frame& f, const std::vector<DisplayPoint>& points, std::size_t from,
                  std::size_t to)
{
    double lastX = std::numeric_limits<double>::quiet_NaN(), lastY = lastX;
    for (std::size_t i = from; i < to; ++i) {
        const double x = f.x(points[i].x), y = f.y(points[i].y);
        // Points within a tenth of a pixel of the last one add nothing to the picture.
        const bool keep = i == from || i + 1 == to || std::abs(x - lastX) >= 0.1 || std::abs(y - lastY) >= 0.1;
        if (!keep)
            continue;
        if (i != from)
            svg += ' ';
        appendNumber(svg, x);
        svg += ',';
        appendNumber(svg, y);
        lastX = x, lastY = y;
    }
}

} // namespace

std::string svgPicture(const AcDbDatabase& database, const SvgOptions& options)
{
    // The extents first (with a fine tolerance), then the shapes with chords of a
    // quarter of a pixel at the picture's scale.
    std::vector<DisplayShape> shapes = tessellateModelSpace(database, {});
    double minX = std::numeric_limits<double>::infinity(), minY = minX, maxX = -minX, maxY = -minX;
    for (const DisplayShape& s : shapes) {
        if (s.type == DisplayShape::Type::kXline || s.type == DisplayShape::Type::kRay)
            continue;
        if (s.type == DisplayShape::Type::kText && s.text) {
            for (const DisplayPoint& p : textCorners(s.points.front(), *s.text)) {
                if (std::isfinite(p.x) && std::isfinite(p.y)) {
                    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
                    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
                }
            }
        }
        for (const DisplayPoint& p : s.points) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
    }
    bool empty = !(minX <= maxX);
    if (options.hasArea && options.areaMinX < options.areaMaxX && options.areaMinY < options.areaMaxY) {
        minX = options.areaMinX, minY = options.areaMinY, maxX = options.areaMaxX, maxY = options.areaMaxY;
        empty = false;
    }
    if (empty)
        minX = minY = 0, maxX = maxY = 1;
    // A drawing without extent in one direction (a point, a horizontal line) still gets
    // a picture: the other direction sets the scale.
    double longest = std::max(maxX - minX, maxY - minY);
    if (!(longest > 0) || !std::isfinite(longest))
        longest = 1;
    Frame f{minX, maxY, options.longSide / longest, options.margin, 0, 0};
    f.width = (maxX - minX) * f.scale + 2 * options.margin;
    f.height = (maxY - minY) * f.scale + 2 * options.margin;
    if (options.width > 2 * options.margin && options.height > 2 * options.margin) {
        const double room = std::min((options.width - 2 * options.margin) / std::max(maxX - minX, longest * 1e-9),
                                     (options.height - 2 * options.margin) / std::max(maxY - minY, longest * 1e-9));
        f.scale = room;
        f.width = options.width;
        f.height = options.height;
        // Centred: the frame's origin moves by half the room left over.
        f.minX = minX - (options.width - (maxX - minX) * room) / 2 / room + options.margin / room;
        f.maxY = maxY + (options.height - (maxY - minY) * room) / 2 / room - options.margin / room;
    }
    if (!empty && std::isfinite(f.scale))
        shapes = tessellateModelSpace(database, {0.25 / f.scale});

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    appendNumber(svg, f.width);
    svg += "\" height=\"";
    appendNumber(svg, f.height);
    svg += "\" viewBox=\"0 0 ";
    appendNumber(svg, f.width);
    svg += ' ';
    appendNumber(svg, f.height);
    svg += "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
           "<g fill=\"none\" stroke-width=\"1.5\" stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";

    for (const DisplayShape& shape : shapes) {
        switch (shape.type) {
        case DisplayShape::Type::kMarker:
            svg += "<circle cx=\"";
            appendNumber(svg, f.x(shape.points.front().x));
            svg += "\" cy=\"";
            appendNumber(svg, f.y(shape.points.front().y));
            svg += "\" r=\"2\" fill=\"";
            appendColour(svg, shape.color);
            svg += "\"/>\n";
            break;
        case DisplayShape::Type::kStroke:
            svg += shape.closed ? "<polygon" : "<polyline";
            svg += " stroke=\"";
            appendColour(svg, shape.color);
            svg += "\" points=\"";
            appendPoints(svg, f, shape.points, 0, shape.points.size());
            svg += "\"/>\n";
            break;
        case DisplayShape::Type::kFill: {
            svg += "<path fill-rule=\"evenodd\" stroke=\"none\" fill=\"";
            appendColour(svg, shape.color);
            svg += "\" d=\"";
            std::size_t from = 0;
            for (std::size_t r = 0; r <= shape.ringStarts.size(); ++r) {
                const std::size_t to = r < shape.ringStarts.size() ? shape.ringStarts[r] : shape.points.size();
                if (to > from) {
                    svg += from ? " M" : "M";
                    appendPoints(svg, f, shape.points, from, to);
                    svg += " Z";
                }
                from = to;
            }
            svg += "\"/>\n";
            break;
        }
        case DisplayShape::Type::kText: {
            const DisplayText& t = *shape.text;
            const double x = f.x(shape.points.front().x), y = f.y(shape.points.front().y);
            // Text too small to write a size for (below a hundredth of a pixel) shows nothing.
            if (!(t.height * f.scale / 0.7 >= 0.005))
                break;
            // A font's capitals are about 0.7 of its size.
            // The style's family first, where the viewer has it; a generic one after.
            svg += "<text stroke=\"none\" font-family=\"";
            if (!t.family.empty()) {
                std::wstring family;
                for (wchar_t c : t.family)
                    if (c != L'"' && c != L'\'' && c != L',' && c != L';')
                        family.push_back(c);
                appendXmlText(svg, L"'" + family + L"', ");
            }
            svg += "sans-serif";
            if (t.bold)
                svg += "\" font-weight=\"bold";
            if (t.italic)
                svg += "\" font-style=\"italic";
            svg += "\" font-size=\"";
            appendNumber(svg, t.height * f.scale / 0.7);
            svg += "\" fill=\"";
            appendColour(svg, shape.color);
            svg += "\" text-anchor=\"";
            svg += t.hAlign == DisplayText::kCenter ? "middle" : t.hAlign == DisplayText::kRight ? "end" : "start";
            // The baseline is moved below the anchor by hand rather than by
            // dominant-baseline, which Qt's renderer ignores and which refers to the font's
            // ascent, not its capitals: top and middle align the capitals (0.7 of the font
            // size), bottom the descenders (about a quarter of it).
            const double capitals = t.height * f.scale;
            const double drop = t.vAlign == DisplayText::kTop      ? capitals
                                : t.vAlign == DisplayText::kMiddle ? capitals / 2
                                : t.vAlign == DisplayText::kBottom ? -capitals / 0.7 * 0.24
                                                                   : 0.0;
            if (drop != 0.0) {
                svg += "\" y=\"";
                appendNumber(svg, drop);
            }
            svg += "\" transform=\"translate(";
            appendNumber(svg, x);
            svg += ' ';
            appendNumber(svg, y);
            svg += ") rotate(";
            appendNumber(svg, -t.rotation * 180 / std::numbers::pi);
            svg += ')';
            // The width factor stretches by the estimate of the text's width; for fit and
            // aligned text, textLength then makes viewers that know it (browsers, not Qt's
            // renderer) meet the span exactly, in the stretched coordinates.
            if (t.oblique != 0.0) {
                svg += " skewX(";
                appendNumber(svg, -t.oblique * 180 / std::numbers::pi);  // y runs down
                svg += ')';
            }
            if (t.widthFactor != 1.0 || t.backwards || t.upsideDown) {
                svg += " scale(";
                appendNumber(svg, t.backwards ? -t.widthFactor : t.widthFactor);
                svg += t.upsideDown ? " -1)" : " 1)";
            }
            if (t.span > 0 && t.widthFactor > 0) {
                svg += "\" textLength=\"";
                appendNumber(svg, t.span * f.scale / t.widthFactor);
                svg += "\" lengthAdjust=\"spacingAndGlyphs";
            }
            svg += "\">";
            appendXmlText(svg, t.text);
            svg += "</text>\n";
            break;
        }
        case DisplayShape::Type::kXline:
        case DisplayShape::Type::kRay: {
            const double px = f.x(shape.points[0].x), py = f.y(shape.points[0].y);
            const double dx = f.x(shape.points[1].x) - px, dy = f.y(shape.points[1].y) - py;
            double t0 = 0, t1 = 0;
            if (!clipLine(px, py, dx, dy, shape.type == DisplayShape::Type::kRay, f.width, f.height, t0, t1))
                break;
            svg += "<polyline stroke=\"";
            appendColour(svg, shape.color);
            svg += "\" points=\"";
            appendNumber(svg, px + t0 * dx);
            svg += ',';
            appendNumber(svg, py + t0 * dy);
            svg += ' ';
            appendNumber(svg, px + t1 * dx);
            svg += ',';
            appendNumber(svg, py + t1 * dy);
            svg += "\"/>\n";
            break;
        }
        }
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

} // namespace plotwright::db
