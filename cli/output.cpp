#include "cli/output.h"

#include "base/number_text.h"
#include "base/utf8_text.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace plotwright::cli {

using base::formatShortest;

using base::utf8FromWide;
using base::wideFromUtf8;

namespace {

void appendPrecise(std::string& out, double value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    out.append(buffer, result.ptr);
}

void appendJsonNumber(std::string& out, double value)
{
    if (std::isfinite(value))
        appendPrecise(out, value);
    else
        out += "null";
}

std::string kindText(int type)
{
    switch (type) {
    case ExplicitCartesian:
        return "explicit, y = f(x) (1)";
    case ParametricCartesian:
        return "parametric, x = f(t), y = f(t) (2)";
    case ExplicitPolar:
        return "polar, r = f(t), t in radians (3)";
    case SpaceCurve:
        return "space, x = f(t), y = f(t), z = f(t) (4)";
    case ImplicitCurve:
        return "implicit, F(x, y) = 0 (5)";
    default:
        return "unknown (" + std::to_string(type) + ")";
    }
}

// A bound pair; equal bounds mean "no bound", shown as "-".
std::pair<std::string, std::string> bounds(double lower, double upper)
{
    if (lower == upper)
        return {"-", "-"};
    return {formatShortest(lower), formatShortest(upper)};
}

std::size_t width(const std::string& utf8) { return wideFromUtf8(utf8).size(); }

std::string table(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.push_back(0);
            widths[c] = std::max(widths[c], width(row[c]));
        }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line += std::string(widths[c] - width(row[c]) + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

} // namespace

void appendCsvPoint(std::string& out, double x, double y, double z)
{
    appendPrecise(out, x);
    out += ',';
    appendPrecise(out, y);
    out += ',';
    appendPrecise(out, z);
    out += '\n';
}

void appendJsonPoint(std::string& out, double x, double y, double z)
{
    out += '[';
    appendJsonNumber(out, x);
    out += ',';
    appendJsonNumber(out, y);
    out += ',';
    appendJsonNumber(out, z);
    out += ']';
}

std::string describeCurve(const CEquation& equation)
{
    std::string out = "name: " + utf8FromWide(equation.GetName()) + "\n";
    out += "kind: " + kindText(equation.GetType()) + "\n";
    const std::string y = utf8FromWide(equation.GetEquationY());
    const std::string x = utf8FromWide(equation.GetEquationX());
    switch (equation.GetType()) {
    case ExplicitCartesian:
        out += "y = " + y + "\n";
        break;
    case ParametricCartesian:
        out += "x = " + x + "\ny = " + y + "\n";
        break;
    case ExplicitPolar:
        out += "r = " + y + "\n";
        break;
    case SpaceCurve:
        out += "x = " + x + "\ny = " + y + "\nz = " + utf8FromWide(equation.GetEquationZ()) + "\n";
        break;
    case ImplicitCurve: {
        const ImplicitWindow& w = equation.GetWindow();
        out += "F = " + y + "\nwindow: " + formatShortest(w.xMin) + ":" + formatShortest(w.xMax) + "," +
               formatShortest(w.yMin) + ":" + formatShortest(w.yMax) + "\ngrid: " +
               (w.cellSize > 0 ? "cells of " + formatShortest(w.cellSize)
                               : std::to_string(w.gridCells > 0 ? w.gridCells : kDefaultGridCells) + " cells") + "\n";
        break;
    }
    default:
        out += "equationy = " + y + "\nequationx = " + x + "\n";
        break;
    }

    std::vector<std::vector<std::string>> rows{{"NAME", "KIND", "VALUE", "FROM", "TO", "STEP", "LOWER", "UPPER"}};
    for (const CEquationParameterPtr& p : equation.GetParameters()) {
        const ParameterFields& f = p->Fields();
        if (f.type == RunningVariable) {
            auto [lower, upper] = bounds(f.minSet, f.maxSet);
            rows.push_back({utf8FromWide(f.name), "running", "-", formatShortest(f.minValue),
                            formatShortest(f.maxValue), formatShortest(f.increment), lower, upper});
        } else if (f.type == Constant) {
            auto [lower, upper] = bounds(f.min, f.max);
            rows.push_back({utf8FromWide(f.name), "constant", formatShortest(f.value), "-", "-", "-", lower, upper});
        } else {
            rows.push_back({utf8FromWide(f.name), "type " + std::to_string(f.type), formatShortest(f.value), "-", "-",
                            "-", "-", "-"});
        }
    }
    out += "parameters:\n" + table(rows);
    return out;
}

} // namespace plotwright::cli
