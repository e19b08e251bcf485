#include "python/python_curve.h"

#include "python/python_errors.h"

#include "base/number_text.h"
#include "base/utf8_text.h"
#include "curve/expression_parser.h"

#include <algorithm>
#include <cmath>

namespace py = pybind11;

namespace plotwright::python {

namespace {

using base::utf8FromWide;
using base::wideFromUtf8;

// As the curve dialog and the command line make a curve written by hand: createdBy 2,
// one running variable ("x" for y = f(x), "t" otherwise) from 0 to 10 in steps of 0.1.
CurveDefinition handWritten(CurveKind kind, const std::string& y, const std::string& x)
{
    CurveDefinition curve;
    curve.kind = kind;
    curve.expressionY = wideFromUtf8(y);
    curve.expressionX = wideFromUtf8(x);
    curve.createdBy = 2;
    Parameter running;
    running.name = kind == CurveKind::explicitCartesian ? L"x" : L"t";
    running.role = ParameterRole::runningVariable;
    running.minValue = 0;
    running.maxValue = 10;
    running.increment = 0.1;
    curve.parameters.push_back(running);
    return curve;
}

std::string number(double value) { return base::formatShortest(value); }

bool usedByExpressions(const CurveDefinition& curve, const std::wstring& name)
{
    if (curve.kind == CurveKind::implicit && (name == L"x" || name == L"y"))
        return false;   // its variables
    for (const std::wstring* text : {&curve.expressionY, &curve.expressionX, &curve.expressionZ}) {
        const std::vector<std::wstring> used = curve::ExpressionParser::namesUsed(*text);
        if (std::find(used.begin(), used.end(), name) != used.end())
            return true;
    }
    return false;
}

// A constant's bounds hold unless they are equal (then it has none).
void checkBounds(const Parameter& constant, double value)
{
    if (constant.min == constant.max)
        return;
    if (!(value >= constant.min && value <= constant.max))
        throw Failure{"Invalid parameter(s) provided!\n" + utf8FromWide(constant.name) + " = " + number(value) +
                          " lies outside its bounds " + number(constant.min) + " to " + number(constant.max),
                      std::nullopt};
}

} // namespace

OutputKind outputKind(const std::string& name)
{
    if (name == "polyline")
        return OutputKind::polyline;
    if (name == "arcs")
        return OutputKind::arcs;
    if (name == "spline")
        return OutputKind::spline;
    throw Failure{"output \"" + name + "\" is none of polyline, arcs, spline", std::nullopt};
}

PyCurve PyCurve::explicitCurve(const std::string& y) { return PyCurve(handWritten(CurveKind::explicitCartesian, y, "")); }
PyCurve PyCurve::parametricCurve(const std::string& x, const std::string& y)
{
    return PyCurve(handWritten(CurveKind::parametric, y, x));
}
PyCurve PyCurve::polarCurve(const std::string& r) { return PyCurve(handWritten(CurveKind::polar, r, "")); }

PyCurve PyCurve::spaceCurve(const std::string& x, const std::string& y, const std::string& z)
{
    CurveDefinition curve = handWritten(CurveKind::space, y, x);
    curve.expressionZ = wideFromUtf8(z);
    return PyCurve(std::move(curve));
}

PyCurve PyCurve::implicitCurve(const std::string& f, const std::tuple<double, double, double, double>& window,
                               int grid)
{
    CurveDefinition curve = handWritten(CurveKind::implicit, f, "");
    curve.parameters.clear();   // x and y are its variables: no running variable
    const auto [xMin, xMax, yMin, yMax] = window;
    curve.window = {xMin, xMax, yMin, yMax, grid, 0};
    return PyCurve(std::move(curve));
}

py::object PyCurve::window() const
{
    if (definition_.kind != CurveKind::implicit)
        return py::none();
    const ImplicitWindow& w = definition_.window;
    return py::make_tuple(w.xMin, w.xMax, w.yMin, w.yMax, w.gridCells);
}

PyCurve PyCurve::withWindow(const std::tuple<double, double, double, double>& window, std::optional<int> grid) const
{
    if (definition_.kind != CurveKind::implicit)
        throw Failure{"only an implicit curve has a window", std::nullopt};
    CurveDefinition changed = definition_;
    const auto [xMin, xMax, yMin, yMax] = window;
    changed.window.xMin = xMin;
    changed.window.xMax = xMax;
    changed.window.yMin = yMin;
    changed.window.yMax = yMax;
    if (grid) {
        changed.window.gridCells = *grid;
        changed.window.cellSize = 0;
    }
    return PyCurve(std::move(changed));
}

std::string PyCurve::name() const { return utf8FromWide(definition_.name); }

std::string PyCurve::kind() const
{
    switch (definition_.kind) {
    case CurveKind::explicitCartesian: return "explicit";
    case CurveKind::parametric: return "parametric";
    case CurveKind::polar: return "polar";
    case CurveKind::space: return "space";
    case CurveKind::implicit: return "implicit";
    }
    return "unknown";
}

py::tuple PyCurve::expressions() const
{
    if (definition_.kind == CurveKind::parametric)
        return py::make_tuple(utf8FromWide(definition_.expressionX), utf8FromWide(definition_.expressionY));
    if (definition_.kind == CurveKind::space)
        return py::make_tuple(utf8FromWide(definition_.expressionX), utf8FromWide(definition_.expressionY),
                              utf8FromWide(definition_.expressionZ));
    return py::make_tuple(utf8FromWide(definition_.expressionY));
}

py::dict PyCurve::constants() const
{
    py::dict out;
    for (const Parameter& p : definition_.parameters)
        if (p.role == ParameterRole::constant)
            out[py::str(utf8FromWide(p.name))] = p.value;
    return out;
}

std::tuple<double, double, double> PyCurve::range() const
{
    const Parameter* running = definition_.runningVariable();
    if (!running)
        return {0.0, 0.0, 0.0};
    return {running->minValue, running->maxValue, running->increment};
}

PyCurve PyCurve::withConstants(const py::kwargs& values) const
{
    CurveDefinition changed = definition_;
    for (auto [key, value] : values) {
        const std::wstring name = wideFromUtf8(key.cast<std::string>());
        const double number = value.cast<double>();
        Parameter* constant = changed.parameter(name);
        if (constant && constant->role == ParameterRole::runningVariable)
            throw Failure{"\"" + utf8FromWide(name) + "\" is the running variable; set its range with with_range",
                          std::nullopt};
        if (!constant) {
            // A curve written by hand takes any name its expressions use as a new constant.
            if (changed.createdBy != 2 || !usedByExpressions(changed, name))
                throw Failure{"\"" + utf8FromWide(name) + "\" is no constant of the curve", std::nullopt};
            Parameter added;
            added.name = name;
            added.role = ParameterRole::constant;
            added.defaultValue = number;
            added.value = number;
            // Appended, as the command line does, so that both store the same definition.
            changed.parameters.push_back(added);
            continue;
        }
        checkBounds(*constant, number);
        constant->value = number;
    }
    return PyCurve(std::move(changed));
}

PyCurve PyCurve::withRange(double min, double max, double step) const
{
    CurveDefinition changed = definition_;
    if (!changed.setRange(min, max, step))
        throw Failure{"the curve has no running variable", std::nullopt};
    return PyCurve(std::move(changed));
}

std::string PyCurve::repr() const
{
    std::string text = "Curve(";
    if (!definition_.name.empty())
        text += "name=" + py::repr(py::str(name())).cast<std::string>() + ", ";
    text += "kind='" + kind() + "', expressions=" + py::repr(expressions()).cast<std::string>() + ")";
    return text;
}

Samples PyCurve::sample(std::optional<double> tolerance, bool literalSteps, Progress& progress) const
{
    CurveDefinition curve = definition_;
    curve.options.tolerance = tolerance;
    curve.options.literalSteps = literalSteps;
    ShapeOptions options;
    options.progress = &progress;
    return plotwright::sample(curve, options);
}

Shape PyCurve::shape(std::optional<double> tolerance, OutputKind output, Point origin, Progress& progress) const
{
    CurveDefinition curve = definition_;
    curve.options.tolerance = tolerance;
    curve.options.output = output;
    ShapeOptions options;
    options.origin = origin;
    options.progress = &progress;
    return plotwright::shape(curve, options);
}

PyLibrary PyLibrary::open(const std::string& source)
{
    PyLibrary out;
    if (source == "default")
        out.library_ = builtInLibrary();
    else if (source == "gallery")
        out.library_ = galleryLibrary();
    else
        out.library_ = readLibrary(std::filesystem::path(source));
    if (!out.library_.result.ok()) {
        std::optional<long> line;
        if (out.library_.result.where.line >= 0)
            line = out.library_.result.where.line;
        throw Failure{utf8FromWide(out.library_.result.message), line};
    }
    return out;
}

std::vector<std::string> PyLibrary::names() const
{
    std::vector<std::string> out;
    for (const CurveDefinition& curve : library_.curves)
        out.push_back(utf8FromWide(curve.name));
    return out;
}

PyCurve PyLibrary::at(const std::string& name) const
{
    const CurveDefinition* found = library_.find(wideFromUtf8(name));
    if (!found)
        throw py::key_error(name);
    return PyCurve(*found);
}

bool PyLibrary::contains(const std::string& name) const { return library_.find(wideFromUtf8(name)) != nullptr; }

std::string PyLibrary::warning() const { return utf8FromWide(library_.warning); }

} // namespace plotwright::python
