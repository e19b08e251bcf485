// list: the drawn curves a drawing holds, with their definitions.
#include "cli/commands.h"

#include "draw/drawn_curves.h"
#include "cli/failure.h"
#include "base/number_text.h"
#include "base/utf8_text.h"
#include "db/database.h"
#include "dxf/file.h"

#include <cmath>
#include <memory>

namespace plotwright::cli {

using draw::DrawnCurve;
using draw::DrawnPiece;
using draw::drawnCurves;
using draw::handleText;

namespace {

using base::utf8FromWide;

std::string kindName(int kind)
{
    switch (kind) {
    case ExplicitCartesian: return "explicit";
    case ParametricCartesian: return "parametric";
    case ExplicitPolar: return "polar";
    default: return "unknown";
    }
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

// The running variable the sampler steps: the last one in parameter order.
const ParameterFields* runningVariable(const curve::CurveDefinition& d)
{
    const ParameterFields* found = nullptr;
    for (const ParameterFields& p : d.parameters)
        if (p.type == RunningVariable)
            found = &p;
    return found;
}

std::string pointText(const CurvePoint& p, const char* separator)
{
    return number(p.x) + separator + number(p.y) + separator + number(p.z);
}

std::string jsonCurve(const DrawnCurve& c)
{
    const curve::CurveDefinition& d = c.definition();
    std::string out = "  {\"id\": " + jsonString(c.id) + ", \"handles\": [";
    for (std::size_t i = 0; i < c.pieces.size(); ++i)
        out += (i ? ", " : "") + jsonString(handleText(c.pieces[i].entity->handle()));
    out += "], \"pieceCount\": " + std::to_string(d.pieceCount);
    out += ",\n   \"name\": " + jsonString(d.name) + ", \"kind\": " + std::to_string(d.kind) +
           ", \"kindName\": " + jsonString(kindName(d.kind)) + ", \"createdBy\": " + std::to_string(d.createdBy);
    out += ",\n   \"equationX\": " + jsonString(d.equationX) + ", \"equationY\": " + jsonString(d.equationY);
    out += ",\n   \"parameters\": [";
    for (std::size_t i = 0; i < d.parameters.size(); ++i) {
        const ParameterFields& p = d.parameters[i];
        out += std::string(i ? "," : "") + "\n    {\"name\": " + jsonString(p.name) +
               ", \"type\": " + std::to_string(p.type) + ", \"value\": " + jsonNumber(p.value) +
               ", \"min\": " + jsonNumber(p.min) + ", \"max\": " + jsonNumber(p.max) +
               ", \"minValue\": " + jsonNumber(p.minValue) + ", \"maxValue\": " + jsonNumber(p.maxValue) +
               ", \"increment\": " + jsonNumber(p.increment) + ", \"minSet\": " + std::to_string(p.minSet) +
               ", \"maxSet\": " + std::to_string(p.maxSet) + ", \"default\": " + jsonNumber(p.defaultValue) +
               ", \"defaultMin\": " + jsonNumber(p.defaultMin) + ", \"defaultMax\": " + jsonNumber(p.defaultMax) +
               ", \"defaultIncrement\": " + jsonNumber(p.defaultIncrement) + "}";
    }
    out += "],\n   \"range\": ";
    if (const ParameterFields* r = runningVariable(d))
        out += "{\"variable\": " + jsonString(r->name) + ", \"min\": " + jsonNumber(r->minValue) +
               ", \"max\": " + jsonNumber(r->maxValue) + ", \"step\": " + jsonNumber(r->increment) + "}";
    else
        out += "null";
    out += ",\n   \"origin\": [" + jsonNumber(d.origin.x) + ", " + jsonNumber(d.origin.y) + ", " +
           jsonNumber(d.origin.z) + "]";
    out += ",\n   \"options\": {\"output\": " + jsonString(std::wstring(curve::curveOutputName(d.options.output))) +
           ", \"tolerance\": " + (d.options.tolerance ? jsonNumber(*d.options.tolerance) : std::string("null")) +
           ", \"literalSteps\": " + (d.options.literalSteps ? "true" : "false") + "}}";
    return out;
}

std::string textCurve(const DrawnCurve& c)
{
    const curve::CurveDefinition& d = c.definition();
    std::string out = c.id + "  " + (d.name.empty() ? std::string("(own curve)") : utf8FromWide(d.name)) + ", " +
                      kindName(d.kind) + ", pieces";
    for (const DrawnPiece& p : c.pieces)
        out += " " + handleText(p.entity->handle());
    if (c.pieces.size() != d.pieceCount)
        out += " (of " + std::to_string(d.pieceCount) + ")";
    out += "\n";
    if (d.kind == ParametricCartesian)
        out += "  x = " + utf8FromWide(d.equationX) + "\n";
    out += std::string("  ") + (d.kind == ExplicitPolar ? "r" : "y") + " = " + utf8FromWide(d.equationY) + "\n";
    for (const ParameterFields& p : d.parameters)
        if (p.type == Constant)
            out += "  " + utf8FromWide(p.name) + " = " + number(p.value) + "\n";
    if (const ParameterFields* r = runningVariable(d))
        out += "  " + utf8FromWide(r->name) + " from " + number(r->minValue) + " to " + number(r->maxValue) +
               " step " + number(r->increment) + "\n";
    out += "  origin " + pointText(d.origin, ",") + "\n";
    out += "  output " + utf8FromWide(std::wstring(curve::curveOutputName(d.options.output))) + ", tolerance " +
           (d.options.tolerance ? number(*d.options.tolerance) : std::string("none")) + ", literal steps " +
           (d.options.literalSteps ? "yes" : "no") + "\n";
    return out;
}

} // namespace

int runList(const Request& request, Streams io)
{
    std::unique_ptr<AcDbDatabase> database;
    const dxf::DxfResult read = dxf::readDxf(request.in, database);
    if (!read.ok())
        throw Failure(kExitFileError, read.message);
    if (!read.notice.empty())
        emit(io.err, "plotwright: " + read.notice + "\n");
    const std::vector<DrawnCurve> curves = drawnCurves(*database);
    std::string out;
    if (request.format == Format::Json) {
        out = "[";
        for (std::size_t i = 0; i < curves.size(); ++i)
            out += (i ? ",\n" : "\n") + jsonCurve(curves[i]);
        out += curves.empty() ? "]\n" : "\n]\n";
    } else {
        for (const DrawnCurve& c : curves)
            out += textCurve(c);
    }
    emit(io.out, out);
    return kExitOk;
}

} // namespace plotwright::cli
