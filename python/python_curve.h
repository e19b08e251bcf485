#pragma once
// Curves and libraries as the Python module shows them: values with Python's names,
// over the core's curve definitions.

#include "plotwright/curve.h"

#include <pybind11/pybind11.h>

#include <string>
#include <tuple>
#include <vector>

namespace plotwright::python {

// "polyline", "arcs" or "spline"; anything else raises plotwright.Error.
OutputKind outputKind(const std::string& name);

class PyCurve {
public:
    explicit PyCurve(CurveDefinition definition) : definition_(std::move(definition)) {}

    static PyCurve explicitCurve(const std::string& y);
    static PyCurve parametricCurve(const std::string& x, const std::string& y);
    static PyCurve polarCurve(const std::string& r);
    static PyCurve spaceCurve(const std::string& x, const std::string& y, const std::string& z);
    static PyCurve implicitCurve(const std::string& f, const std::tuple<double, double, double, double>& window,
                                 int grid);

    std::string name() const;
    std::string kind() const;
    pybind11::tuple expressions() const;
    pybind11::dict constants() const;
    std::tuple<double, double, double> range() const;
    PyCurve withConstants(const pybind11::kwargs& values) const;
    PyCurve withRange(double min, double max, double step) const;
    // An implicit curve's window (xmin, xmax, ymin, ymax) and grid cells; None for others.
    pybind11::object window() const;
    PyCurve withWindow(const std::tuple<double, double, double, double>& window, std::optional<int> grid) const;
    std::string repr() const;

    // Called without the GIL.
    Samples sample(std::optional<double> tolerance, bool literalSteps, Progress& progress) const;
    Shape shape(std::optional<double> tolerance, OutputKind output, Point origin, Progress& progress) const;

    const CurveDefinition& definition() const { return definition_; }

private:
    CurveDefinition definition_;
};

class PyLibrary {
public:
    // "default", "gallery" or a library file's path.
    static PyLibrary open(const std::string& source);

    std::vector<std::string> names() const;
    PyCurve at(const std::string& name) const;
    bool contains(const std::string& name) const;
    std::size_t size() const { return library_.curves.size(); }
    std::string warning() const;

private:
    Library library_;
};

} // namespace plotwright::python
