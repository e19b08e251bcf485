// The Python module's native half: curves, libraries, shaping and drawings of the core
// API, as the plotwright package (python/plotwright) presents them. Points travel as
// NumPy arrays; every failure a user can see becomes plotwright.Error.
#include "python/python_curve.h"
#include "python/python_drawing.h"
#include "python/python_errors.h"
#include "python/python_progress.h"

#include "plotwright/version.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cmath>

namespace py = pybind11;
using namespace plotwright;
using namespace plotwright::python;

namespace {

// (N, 3) float64 array of points.
py::array_t<double> pointArray(const std::vector<Point>& points, std::size_t from, std::size_t to)
{
    py::array_t<double> out({static_cast<py::ssize_t>(to - from), py::ssize_t{3}});
    auto view = out.mutable_unchecked<2>();
    for (std::size_t i = from; i < to; ++i) {
        view(static_cast<py::ssize_t>(i - from), 0) = points[i].x;
        view(static_cast<py::ssize_t>(i - from), 1) = points[i].y;
        view(static_cast<py::ssize_t>(i - from), 2) = points[i].z;
    }
    return out;
}

// (N, 2) float64 array of points' x and y.
py::array_t<double> planeArray(const std::vector<Point>& points)
{
    py::array_t<double> out({static_cast<py::ssize_t>(points.size()), py::ssize_t{2}});
    auto view = out.mutable_unchecked<2>();
    for (std::size_t i = 0; i < points.size(); ++i) {
        view(static_cast<py::ssize_t>(i), 0) = points[i].x;
        view(static_cast<py::ssize_t>(i), 1) = points[i].y;
    }
    return out;
}

py::array_t<double> vectorArray(const std::vector<double>& values)
{
    py::array_t<double> out(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), out.mutable_data());
    return out;
}

bool finite(const Point& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// One array per run of finite points, in order: views of one array that takes the
// points over without copying them (the separators stay out of every view).
py::list runsOf(std::vector<Point>&& sampled)
{
    static_assert(sizeof(Point) == 3 * sizeof(double));
    auto* points = new std::vector<Point>(std::move(sampled));
    py::capsule owner(points, [](void* p) { delete static_cast<std::vector<Point>*>(p); });
    const auto n = static_cast<py::ssize_t>(points->size());
    py::array_t<double> all({n, py::ssize_t{3}}, {py::ssize_t{sizeof(Point)}, py::ssize_t{sizeof(double)}},
                            reinterpret_cast<const double*>(points->data()), owner);
    py::list runs;
    std::size_t i = 0;
    while (i < points->size()) {
        while (i < points->size() && !finite((*points)[i]))
            ++i;
        std::size_t end = i;
        while (end < points->size() && finite((*points)[end]))
            ++end;
        if (end > i)
            runs.append(all[py::slice(static_cast<py::ssize_t>(i), static_cast<py::ssize_t>(end), 1)]);
        i = end;
    }
    return runs;
}

py::object pieceObject(const Piece& piece, double tolerance)
{
    py::object pieceType = py::module_::import("plotwright._pieces").attr("Piece");
    if (piece.isSpline()) {
        return pieceType("spline", piece.closed, py::none(), py::none(), piece.spline.degree,
                         pointArray(piece.spline.controlPoints, 0, piece.spline.controlPoints.size()),
                         vectorArray(piece.spline.knots), tolerance,
                         pointArray(piece.spline.fitPoints, 0, piece.spline.fitPoints.size()));
    }
    std::vector<double> bulges = piece.bulges;
    if (bulges.empty())
        bulges.assign(piece.points.size(), 0.0);
    // A space curve's polyline keeps its z: N x 3.
    if (piece.space)
        return pieceType("polyline", piece.closed, pointArray(piece.points, 0, piece.points.size()),
                         vectorArray(bulges));
    return pieceType("polyline", piece.closed, planeArray(piece.points), vectorArray(bulges));
}

Point pointFrom(const py::sequence& xy)
{
    if (xy.size() < 2 || xy.size() > 3)
        throw py::value_error("an origin is (x, y) or (x, y, z)");
    Point p;
    p.x = xy[0].cast<double>();
    p.y = xy[1].cast<double>();
    if (xy.size() == 3)
        p.z = xy[2].cast<double>();
    return p;
}

std::optional<Point> optionalPoint(const py::object& xy)
{
    if (xy.is_none())
        return std::nullopt;
    return pointFrom(xy.cast<py::sequence>());
}

} // namespace

PYBIND11_MODULE(_plotwright, m)
{
    m.doc() = "The native half of the plotwright package; use the package, not this module.";
    m.attr("__version__") = PLOTWRIGHT_VERSION;
    registerErrors(m);

    py::class_<PyCurve>(m, "Curve", R"(A curve definition: kind, expressions, constants and range.

A Curve is a value: with_constants() and with_range() return changed copies.
Make one with Curve.explicit(y), Curve.parametric(x, y), Curve.polar(r), or take
one from a library (plotwright.library()[name]).)")
        .def_static("explicit", &PyCurve::explicitCurve, py::arg("y"),
                    "y = f(x), x from 0 to 10 in steps of 0.1 (change it with with_range).")
        .def_static("parametric", &PyCurve::parametricCurve, py::arg("x"), py::arg("y"),
                    "x = f(t), y = g(t), t from 0 to 10 in steps of 0.1.")
        .def_static("polar", &PyCurve::polarCurve, py::arg("r"), "r = f(t), t from 0 to 10 in steps of 0.1.")
        .def_static("space", &PyCurve::spaceCurve, py::arg("x"), py::arg("y"), py::arg("z"),
                    "x = f(t), y = g(t), z = h(t), t from 0 to 10 in steps of 0.1; drawn as a 3-D polyline.")
        .def_static("implicit", &PyCurve::implicitCurve, py::arg("f"), py::arg("window"), py::arg("grid") = 200,
                    "F(x, y) = 0 within window (xmin, xmax, ymin, ymax), found on a grid of `grid` cells along "
                    "the window's longer side and traced within the tolerance.")
        .def_property_readonly("window", &PyCurve::window,
                               "(xmin, xmax, ymin, ymax, grid) of an implicit curve; None for the other kinds.")
        .def("with_window", &PyCurve::withWindow, py::arg("window"), py::arg("grid") = py::none(),
             "A copy of an implicit curve with another window (and grid).")
        .def_property_readonly("name", &PyCurve::name, "The library name; '' for a curve written by hand.")
        .def_property_readonly("kind", &PyCurve::kind, "'explicit', 'parametric', 'polar', 'space' or 'implicit'.")
        .def_property_readonly("expressions", &PyCurve::expressions,
                               "The expressions: (y,) explicit, (x, y) parametric, (r,) polar, (x, y, z) space, "
                               "(F,) implicit.")
        .def_property_readonly("constants", &PyCurve::constants, "dict: constant name -> value.")
        .def_property_readonly("range", &PyCurve::range, "(min, max, step) of the running variable.")
        .def("with_constants", &PyCurve::withConstants,
             R"(A copy with the constants given as keywords set.

A name the curve has no constant for raises plotwright.Error, except for a curve
written by hand, which gets a new constant for any name its expressions use.
A value outside a constant's bounds raises plotwright.Error.)")
        .def("with_range", &PyCurve::withRange, py::arg("min"), py::arg("max"), py::arg("step"),
             "A copy whose running variable goes from min to max in steps of step (checked as for drawing).")
        .def(
            "sample",
            [](const PyCurve& curve, std::optional<double> tolerance, bool literalSteps) {
                Samples samples;
                {
                    InterruptibleProgress progress;
                    py::gil_scoped_release unlocked;
                    samples = curve.sample(tolerance, literalSteps, progress);
                }
                raiseOnFailure(samples.result, curve.definition());
                return runsOf(std::move(samples.points));
            },
            py::arg("tolerance") = py::none(), py::arg("literal_steps") = false,
            R"(The curve's points as `plotwright sample` gives them.

Returns a list of NumPy arrays of shape (N, 3), float64: one per run of finite
points (the curve is broken where it is not finite). tolerance: adaptive sampling
within that distance. The GIL is released while sampling; Ctrl+C interrupts.)")
        .def(
            "shape",
            [](const PyCurve& curve, std::optional<double> tolerance, const std::string& output,
               const py::sequence& origin) {
                const Point at = pointFrom(origin);
                Shape shape;
                {
                    InterruptibleProgress progress;
                    py::gil_scoped_release unlocked;
                    shape = curve.shape(tolerance, outputKind(output), at, progress);
                }
                raiseOnFailure(shape.result, curve.definition());
                py::list pieces;
                for (const Piece& piece : shape.pieces)
                    pieces.append(pieceObject(piece, shape.tolerance));
                return pieces;
            },
            py::arg("tolerance") = py::none(), py::arg("output") = "polyline",
            py::arg("origin") = py::make_tuple(0.0, 0.0),
            R"(The pieces a drawing would hold: a list of Piece.

output: 'polyline', 'arcs' (polylines with bulges) or 'spline'. Each Piece has kind
('polyline' or 'spline'), closed, and points (N x 2) with bulges (N) for a polyline,
or degree, control_points, knots and fit_tolerance for a spline.)")
        .def("__repr__", &PyCurve::repr);

    py::class_<PyLibrary>(m, "Library", "The curves of one library file, in library order.")
        .def("names", &PyLibrary::names, "The curves' names in library order.")
        .def("__getitem__", &PyLibrary::at, "The curve named so (KeyError when there is none).")
        .def("__contains__", &PyLibrary::contains)
        .def("__len__", &PyLibrary::size)
        .def("__iter__", [](const PyLibrary& library) { return py::iter(py::cast(library.names())); })
        .def_property_readonly("warning", &PyLibrary::warning,
                               "A note when the file was not well-formed and read as far as possible; else ''.");

    m.def("library", &PyLibrary::open, py::arg("source") = "default",
          R"(A curve library: 'default' (the built-in curves), 'gallery' (the installed
gallery of classic curves) or the path of a library file.)");

    m.def(
        "draw",
        [](const std::filesystem::path& path, const PyCurve& curve, const py::sequence& origin,
           std::optional<double> tolerance, const std::string& output, std::optional<std::string> layer, double rotate,
           double scale, bool mirror, double offset, bool offsetBoth) {
            const Point at = pointFrom(origin);
            const OutputKind kind = outputKind(output);
            CurveDefinition placed = curve.definition();
            placed.options.rotation = rotate;
            placed.options.scale = scale;
            placed.options.mirror = mirror;
            placed.options.offset = offset;
            placed.options.offsetBothSides = offsetBoth;
            DrawRequest request{path, placed, at, tolerance, kind, layer};
            DrawReply reply;
            {
                InterruptibleProgress progress;
                py::gil_scoped_release unlocked;
                reply = drawInto(request, progress);
            }
            raiseOnFailure(reply.result, curve.definition());
            if (!reply.notice.empty() &&
                PyErr_WarnEx(PyExc_UserWarning, reply.notice.c_str(), 1) != 0)
                throw py::error_already_set();  // warnings made errors
            return reply.handles;
        },
        py::arg("path"), py::arg("curve"), py::arg("origin") = py::make_tuple(0.0, 0.0),
        py::arg("tolerance") = py::none(), py::arg("output") = "polyline", py::arg("layer") = py::none(),
        py::arg("rotate") = 0.0, py::arg("scale") = 1.0, py::arg("mirror") = false, py::arg("offset") = 0.0,
        py::arg("offset_both") = false,
        R"(Adds `curve` to the DXF file `path` as `plotwright draw` does: the file is
created when missing, saved carefully, and refused in the same cases. rotate (degrees),
scale, mirror, offset and offset_both place and offset the curve as --rotate, --scale,
--mirror, --offset and --offset-both do (offset_both=True: both sides by offset).
Returns the new entities' handles (list of str). A drawing with no place for the
curve's definition (an R12 file without an APPID table) gets the curve, and a
UserWarning says that list and redraw will not find it.)");

    m.def(
        "_list_curves_json", [](const std::filesystem::path& path) { return listCurvesJson(path); }, py::arg("path"));

    m.def(
        "redraw",
        [](const std::filesystem::path& path, const std::string& key, std::optional<py::dict> constants,
           std::optional<py::tuple> range, const py::object& origin, std::optional<double> tolerance,
           std::optional<std::string> output, std::optional<bool> literalSteps, bool force,
           std::optional<double> rotate, std::optional<double> scale, std::optional<bool> mirror,
           std::optional<double> offset, std::optional<bool> offsetBoth) {
            RedrawRequest request;
            request.rotation = rotate;
            request.scale = scale;
            request.mirror = mirror;
            request.offset = offset;
            request.offsetBothSides = offsetBoth;
            request.path = path;
            request.key = key;
            if (constants)
                for (auto [name, value] : *constants)
                    request.constants.emplace_back(name.cast<std::string>(), value.cast<double>());
            if (range) {
                if (range->size() != 3)
                    throw py::value_error("range is (min, max, step)");
                request.range = std::array<double, 3>{(*range)[0].cast<double>(), (*range)[1].cast<double>(),
                                                      (*range)[2].cast<double>()};
            }
            request.origin = optionalPoint(origin);
            request.tolerance = tolerance;
            if (output)
                request.output = outputKind(*output);
            request.literalSteps = literalSteps;
            request.force = force;
            DrawReply reply;
            {
                InterruptibleProgress progress;
                py::gil_scoped_release unlocked;
                reply = redrawIn(request, progress);
            }
            raiseOnFailure(reply.result, reply.curve);
            return reply.handles;
        },
        py::arg("path"), py::arg("id_or_handle"), py::arg("constants") = py::none(), py::arg("range") = py::none(),
        py::arg("origin") = py::none(), py::arg("tolerance") = py::none(), py::arg("output") = py::none(),
        py::arg("literal_steps") = py::none(), py::arg("force") = false, py::arg("rotate") = py::none(),
        py::arg("scale") = py::none(), py::arg("mirror") = py::none(), py::arg("offset") = py::none(),
        py::arg("offset_both") = py::none(),
        R"(Draws a drawn curve again with changes, as `plotwright redraw` does: all its
pieces are replaced on the same layer in the same colour with the same curve id.
rotate, scale, mirror, offset and offset_both change the placement (None keeps it).
A curve changed by hand is refused unless force=True. Returns the new handles.)");

    m.def(
        "_curve_data",
        [](const PyCurve& curve, const py::sequence& origin, std::optional<double> tolerance,
           const std::string& output, bool r2007OrLater) {
            const Point at = pointFrom(origin);
            const OutputKind kind = outputKind(output);
            CurveData data;
            {
                InterruptibleProgress progress;
                py::gil_scoped_release unlocked;
                data = curveData(curve.definition(), at, tolerance, kind, r2007OrLater, progress);
            }
            raiseOnFailure(data.shape.result, curve.definition());
            py::list pieces;
            for (const core::PlacedPiece& drawn : data.pieces) {
                py::list tags;
                for (const core::DataGroup& group : drawn.data) {
                    if (group.code == 1000)
                        tags.append(py::make_tuple(group.code, group.text));
                    else if (group.code == 1040)
                        tags.append(py::make_tuple(group.code, group.real));
                    else
                        tags.append(py::make_tuple(group.code, group.integer));
                }
                pieces.append(py::make_tuple(pieceObject(drawn.piece, data.shape.tolerance), drawn.elevation, tags));
            }
            return pieces;
        },
        py::arg("curve"), py::arg("origin"), py::arg("tolerance"), py::arg("output"), py::arg("r2007_or_later"));
}
