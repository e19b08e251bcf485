#include "curve/curve_options.h"

#include "base/number_text.h"

#include <cmath>
#include <string>

namespace plotwright::curve {
namespace {

std::wstring numberText(double value)
{
    const std::string text = base::formatShortest(value);
    return std::wstring(text.begin(), text.end());
}

std::optional<double> parseNumber(std::wstring_view text)
{
    std::string narrow;
    for (wchar_t c : text) {
        if (c > 0x7F)
            return std::nullopt;
        narrow += static_cast<char>(c);
    }
    return base::parseNumber(narrow);
}

} // namespace

std::wstring_view curveOutputName(CurveOutput output)
{
    switch (output) {
    case CurveOutput::Arcs:
        return L"arcs";
    case CurveOutput::Spline:
        return L"spline";
    case CurveOutput::Polyline:
        break;
    }
    return L"polyline";
}

std::optional<CurveOutput> parseCurveOutput(std::wstring_view name)
{
    for (CurveOutput output : {CurveOutput::Polyline, CurveOutput::Arcs, CurveOutput::Spline})
        if (name == curveOutputName(output))
            return output;
    return std::nullopt;
}

std::wstring curveOptionsText(const CurveOptions& options)
{
    return L"output=" + std::wstring(curveOutputName(options.output)) + L";tolerance="
        + (options.tolerance ? numberText(*options.tolerance) : L"none") + L";literal-steps="
        + (options.literalSteps ? L"1" : L"0");
}

std::optional<CurveOptions> parseCurveOptions(std::wstring_view text)
{
    CurveOptions options;
    while (!text.empty()) {
        const std::size_t semicolon = text.find(L';');
        const std::wstring_view field = text.substr(0, semicolon);
        text = semicolon == std::wstring_view::npos ? std::wstring_view{} : text.substr(semicolon + 1);
        const std::size_t equals = field.find(L'=');
        if (equals == std::wstring_view::npos)
            return std::nullopt;
        const std::wstring_view key = field.substr(0, equals);
        const std::wstring_view value = field.substr(equals + 1);
        if (key == L"output") {
            const std::optional<CurveOutput> output = parseCurveOutput(value);
            if (!output)
                return std::nullopt;
            options.output = *output;
        } else if (key == L"tolerance") {
            if (value == L"none") {
                options.tolerance.reset();
                continue;
            }
            const std::optional<double> tolerance = parseNumber(value);
            if (!tolerance || !std::isfinite(*tolerance) || !(*tolerance > 0))
                return std::nullopt;
            options.tolerance = *tolerance;
        } else if (key == L"literal-steps") {
            if (value != L"0" && value != L"1")
                return std::nullopt;
            options.literalSteps = value == L"1";
        } else {
            return std::nullopt;
        }
    }
    return options;
}

} // namespace plotwright::curve
