// The drawn curves of a drawing as text for people and as JSON for scripts: what
// `plotwright list` prints and the Python module's list_curves reads.
#include "core/curve_listing.h"

#include "base/number_text.h"
#include "base/utf8_text.h"

#include <cmath>

namespace plotwright::core {

namespace {


using base::utf8FromWide;

std::string kindName(CurveKind kind)
{
    switch (kind) {
    case CurveKind::explicitCartesian: return "explicit";
    case CurveKind::parametric: return "parametric";
    case CurveKind::polar: return "polar";
    case CurveKind::space: return "space";
    case CurveKind::implicit: return "implicit";
    }
    return "unknown";
}

// Shortest text that reads back as the same double; "nan", "inf", "-inf" otherwise.
std::string number(double v)
{
    if (std::isnan(v))
        return std::signbit(v) ? "-nan" : "nan";
    if (std::isinf(v))
        return v > 0 ? "inf" : "-inf";
    return base::formatShortest(v);
}

std::string jsonNumber(double v) { return std::isfinite(v) ? number(v) : "\"" + number(v) + "\""; }

std::string jsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            static const char digits[] = "0123456789abcdef";
            out += "\\u00";
            out += digits[c >> 4];
            out += digits[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string jsonString(const std::wstring& text) { return jsonString(utf8FromWide(text)); }

std::string outputName(OutputKind output)
{
    switch (output) {
    case OutputKind::arcs: return "arcs";
    case OutputKind::spline: return "spline";
    case OutputKind::polyline: break;
    }
    return "polyline";
}

std::string pointText(const Point& p, const char* separator)
{
    return number(p.x) + separator + number(p.y) + separator + number(p.z);
}

bool placed(const DrawingOptions& o)
{
    return o.rotation != 0 || o.scale != 1 || o.mirror || o.offset != 0;
}

// The turn, scale, mirror and offset, for curves drawn with any of them.
std::string placementJson(const DrawingOptions& o)
{
    if (!placed(o))
        return {};
    return ", \"rotation\": " + jsonNumber(o.rotation) + ", \"scale\": " + jsonNumber(o.scale) +
           ", \"mirror\": " + (o.mirror ? "true" : "false") + ", \"offset\": " + jsonNumber(o.offset) +
           ", \"offsetBothSides\": " + (o.offsetBothSides ? "true" : "false");
}

std::string placementText(const DrawingOptions& o)
{
    if (!placed(o))
        return {};
    std::string out = "  rotate " + number(o.rotation) + ", scale " + number(o.scale) + ", mirror " +
                      (o.mirror ? "yes" : "no");
    if (o.offset != 0)
        out += std::string(", offset ") + (o.offsetBothSides ? "both sides " : "") + number(o.offset);
    return out + "\n";
}

std::string jsonCurve(const DrawnCurve& c)
{
    const CurveDefinition& d = c.definition;
    std::string out = "  {\"id\": " + jsonString(c.id) + ", \"handles\": [";
    for (std::size_t i = 0; i < c.handles.size(); ++i)
        out += (i ? ", " : "") + jsonString(c.handles[i]);
    out += "], \"pieceCount\": " + std::to_string(c.pieceCount);
    out += ",\n   \"name\": " + jsonString(d.name) + ", \"kind\": " + std::to_string(static_cast<int>(d.kind)) +
           ", \"kindName\": " + jsonString(kindName(d.kind)) + ", \"createdBy\": " + std::to_string(d.createdBy);
    out += ",\n   \"equationX\": " + jsonString(d.expressionX) + ", \"equationY\": " + jsonString(d.expressionY);
    // Only the kinds that have them, so that the other kinds' listing stays as it was.
    if (d.kind == CurveKind::space)
        out += ", \"equationZ\": " + jsonString(d.expressionZ);
    if (d.kind == CurveKind::implicit) {
        const ImplicitWindow& w = d.window;
        out += ",\n   \"window\": {\"xMin\": " + jsonNumber(w.xMin) + ", \"xMax\": " + jsonNumber(w.xMax) +
               ", \"yMin\": " + jsonNumber(w.yMin) + ", \"yMax\": " + jsonNumber(w.yMax) +
               ", \"gridCells\": " + std::to_string(w.gridCells) + ", \"cellSize\": " + jsonNumber(w.cellSize) + "}";
    }
    out += ",\n   \"parameters\": [";
    for (std::size_t i = 0; i < d.parameters.size(); ++i) {
        const Parameter& p = d.parameters[i];
        out += std::string(i ? "," : "") + "\n    {\"name\": " + jsonString(p.name) +
               ", \"type\": " + std::to_string(static_cast<int>(p.role)) + ", \"value\": " + jsonNumber(p.value) +
               ", \"min\": " + jsonNumber(p.min) + ", \"max\": " + jsonNumber(p.max) +
               ", \"minValue\": " + jsonNumber(p.minValue) + ", \"maxValue\": " + jsonNumber(p.maxValue) +
               ", \"increment\": " + jsonNumber(p.increment) + ", \"minSet\": " + std::to_string(p.minSet) +
               ", \"maxSet\": " + std::to_string(p.maxSet) + ", \"default\": " + jsonNumber(p.defaultValue) +
               ", \"defaultMin\": " + jsonNumber(p.defaultMin) + ", \"defaultMax\": " + jsonNumber(p.defaultMax) +
               ", \"defaultIncrement\": " + jsonNumber(p.defaultIncrement) + "}";
    }
    out += "],\n   \"range\": ";
    if (const Parameter* r = d.runningVariable())
        out += "{\"variable\": " + jsonString(r->name) + ", \"min\": " + jsonNumber(r->minValue) +
               ", \"max\": " + jsonNumber(r->maxValue) + ", \"step\": " + jsonNumber(r->increment) + "}";
    else
        out += "null";
    out += ",\n   \"origin\": [" + jsonNumber(c.origin.x) + ", " + jsonNumber(c.origin.y) + ", " +
           jsonNumber(c.origin.z) + "]";
    out += ",\n   \"options\": {\"output\": " + jsonString(outputName(d.options.output)) +
           ", \"tolerance\": " + (d.options.tolerance ? jsonNumber(*d.options.tolerance) : std::string("null")) +
           ", \"literalSteps\": " + (d.options.literalSteps ? "true" : "false") + placementJson(d.options) + "}}";
    return out;
}

std::string textCurve(const DrawnCurve& c)
{
    const CurveDefinition& d = c.definition;
    std::string out = c.id + "  " + (d.name.empty() ? std::string("(own curve)") : utf8FromWide(d.name)) + ", " +
                      kindName(d.kind) + ", pieces";
    for (const std::string& handle : c.handles)
        out += " " + handle;
    if (c.handles.size() != c.pieceCount)
        out += " (of " + std::to_string(c.pieceCount) + ")";
    out += "\n";
    if (d.kind == CurveKind::parametric || d.kind == CurveKind::space)
        out += "  x = " + utf8FromWide(d.expressionX) + "\n";
    const char* y = d.kind == CurveKind::polar ? "r" : d.kind == CurveKind::implicit ? "F" : "y";
    out += std::string("  ") + y + " = " + utf8FromWide(d.expressionY) + "\n";
    if (d.kind == CurveKind::space)
        out += "  z = " + utf8FromWide(d.expressionZ) + "\n";
    if (d.kind == CurveKind::implicit) {
        const ImplicitWindow& w = d.window;
        out += "  window " + number(w.xMin) + ":" + number(w.xMax) + "," + number(w.yMin) + ":" + number(w.yMax) +
               (w.cellSize > 0 ? ", cells of " + number(w.cellSize)
                               : ", grid " + std::to_string(w.gridCells > 0 ? w.gridCells : 200)) + "\n";
    }
    for (const Parameter& p : d.parameters)
        if (p.role == ParameterRole::constant)
            out += "  " + utf8FromWide(p.name) + " = " + number(p.value) + "\n";
    if (const Parameter* r = d.runningVariable())
        out += "  " + utf8FromWide(r->name) + " from " + number(r->minValue) + " to " + number(r->maxValue) +
               " step " + number(r->increment) + "\n";
    out += "  origin " + pointText(c.origin, ",") + "\n";
    out += "  output " + outputName(d.options.output) + ", tolerance " +
           (d.options.tolerance ? number(*d.options.tolerance) : std::string("none")) + ", literal steps " +
           (d.options.literalSteps ? "yes" : "no") + "\n";
    out += placementText(d.options);
    return out;
}

} // namespace

std::string curvesJson(const std::vector<DrawnCurve>& curves)
{
    std::string out = "[";
    for (std::size_t i = 0; i < curves.size(); ++i)
        out += (i ? ",\n" : "\n") + jsonCurve(curves[i]);
    out += curves.empty() ? "]\n" : "\n]\n";
    return out;
}

std::string curvesText(const std::vector<DrawnCurve>& curves)
{
    std::string out;
    for (const DrawnCurve& c : curves)
        out += textCurve(c);
    return out;
}

} // namespace plotwright::core
