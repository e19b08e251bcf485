// Space curves and implicit curves against closed forms: helix points and pitch, conics
// and Cassini ovals within the tolerance (vertices and chord midpoints), the number of
// loops, crossings passed without a gap or a wrong join, branches cut at the window.
#include "curve/curve_shape.h"
#include "curve/implicit_tracer.h"
#include "model/equation.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

using namespace plotwright::curve;

namespace {

constexpr double kPi = std::numbers::pi;

void addConstant(CEquation& e, const std::wstring& name, double value)
{
    e.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = name, .type = Constant, .value = value}));
}

CEquation spaceCurve(const std::wstring& x, const std::wstring& y, const std::wstring& z, double start, double end,
                     double step)
{
    CEquation e;
    e.SetType(SpaceCurve);
    e.SetEquationX(x);
    e.SetEquationY(y);
    e.SetEquationZ(z);
    e.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"t", .type = RunningVariable, .increment = step, .minValue = start, .maxValue = end}));
    return e;
}

CEquation implicitCurve(const std::wstring& f, ImplicitWindow window)
{
    CEquation e;
    e.SetType(ImplicitCurve);
    e.SetEquationY(f);
    e.SetWindow(window);
    return e;
}

ShapedCurve shapeWithin(const CEquation& e, double tolerance, CurvePoint origin = {})
{
    CurveOptions options;
    options.tolerance = tolerance;
    return shapeCurve(e, origin, options);
}

// The distance from (x, y) to the true curve, by its signed distance function.
using Distance = std::function<double(double, double)>;

double ellipseDistance(double a, double b, double x, double y)
{
    // Nearest point by Newton on the angle, from the point's own angle; exact enough here.
    double t = std::atan2(a * y, b * x);
    for (int i = 0; i < 50; ++i) {
        const double dx = a * std::cos(t) - x, dy = b * std::sin(t) - y;
        const double g = -dx * a * std::sin(t) + dy * b * std::cos(t);
        const double h = a * a * std::sin(t) * std::sin(t) + b * b * std::cos(t) * std::cos(t) - dx * a * std::cos(t) -
                         dy * b * std::sin(t);
        t -= g / h;
    }
    return std::hypot(a * std::cos(t) - x, b * std::sin(t) - y);
}

// |F| / |grad F|, a first-order distance, for curves without a closed-form one.
Distance firstOrder(std::function<double(double, double)> f)
{
    return [f](double x, double y) {
        const double h = 1e-7;
        const double gx = (f(x + h, y) - f(x - h, y)) / (2 * h);
        const double gy = (f(x, y + h) - f(x, y - h)) / (2 * h);
        return std::fabs(f(x, y)) / std::hypot(gx, gy);
    };
}

// Every vertex and every chord midpoint of every piece within `tolerance` of the curve.
void expectWithin(const ShapedCurve& shaped, const Distance& distance, double tolerance)
{
    for (const CurvePiece& piece : shaped.pieces) {
        const CurvePoints& p = piece.points;
        for (std::size_t i = 0; i < p.size(); ++i) {
            ASSERT_LE(distance(p[i].x, p[i].y), tolerance / 10 * 1.01) << "vertex " << p[i].x << ", " << p[i].y;
            const std::size_t k = i + 1 < p.size() ? i + 1 : 0;
            if (k == 0 && !piece.closed)
                break;
            const double mx = (p[i].x + p[k].x) / 2, my = (p[i].y + p[k].y) / 2;
            ASSERT_LE(distance(mx, my), tolerance) << "chord midpoint " << mx << ", " << my;
        }
    }
}

// The distance from (x, y) to the nearest chord of the pieces.
double nearestChord(const std::vector<CurvePiece>& pieces, double x, double y)
{
    double nearest = INFINITY;
    for (const CurvePiece& piece : pieces)
        for (std::size_t i = 0; i + 1 < piece.points.size(); ++i) {
            const CurvePoint& a = piece.points[i];
            const CurvePoint& b = piece.points[i + 1];
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double s = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            nearest = std::min(nearest, std::hypot(a.x + s * dx - x, a.y + s * dy - y));
        }
    return nearest;
}

} // namespace

TEST(space_curve, helix_points_pitch_and_origin_z)
{
    CEquation helix = spaceCurve(L"r*cos(t)", L"r*sin(t)", L"c*t", 0, 6 * kPi, kPi / 8);
    addConstant(helix, L"r", 3);
    addConstant(helix, L"c", 0.5);
    const double tolerance = 1e-3;
    const ShapedCurve shaped = shapeWithin(helix, tolerance, {10, 20, 5});
    ASSERT_EQ(shaped.sampled.status, SampleStatus::Done);
    ASSERT_EQ(shaped.pieces.size(), 1u);
    const CurvePiece& piece = shaped.pieces.front();
    EXPECT_FALSE(piece.closed);  // three turns end a pitch of 2*pi*c above the start
    const CurvePoints& p = piece.points;
    EXPECT_DOUBLE_EQ(p.front().z, 5);
    EXPECT_NEAR(p.back().z - p.front().z, 3 * 2 * kPi * 0.5, 1e-12);
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        // Each vertex on the helix: radius 3 about (10, 20), height c * angle above 5.
        const double angle = (p[i].z - 5) / 0.5;
        ASSERT_NEAR(std::hypot(p[i].x - 10, p[i].y - 20), 3, 1e-9);
        ASSERT_NEAR(std::remainder(std::atan2(p[i].y - 20, p[i].x - 10) - angle, 2 * kPi), 0, 1e-9);
        // The chord's middle lies inside the cylinder by its sagitta, in 3-D within the tolerance.
        const double mx = (p[i].x + p[i + 1].x) / 2 - 10, my = (p[i].y + p[i + 1].y) / 2 - 20;
        ASSERT_LE(3 - std::hypot(mx, my), tolerance);
    }
}

TEST(space_curve, closure_and_faults)
{
    struct Row {
        const char* name;
        std::wstring x, y, z;
        double end;
        SampleStatus status;
        bool closed;
        std::wstring message;
    };
    const std::vector<Row> rows = {
        // Viviani's curve returns to its start in 3-D.
        {"viviani closes", L"1+cos(t)", L"sin(t)", L"2*sin(t/2)", 4 * kPi, SampleStatus::Done, true, L""},
        // A circle in plan view that climbs is not closed, though its plan is.
        {"climbing circle stays open", L"cos(t)", L"sin(t)", L"t/10", 2 * kPi, SampleStatus::Done, false, L""},
        {"z nowhere finite", L"cos(t)", L"sin(t)", L"sqrt(-1-t)", 2 * kPi, SampleStatus::ErrorInEquation, false,
         L"z is not finite anywhere in the range"},
        {"unknown name in z", L"cos(t)", L"sin(t)", L"q*t", 2 * kPi, SampleStatus::ErrorInEquation, false,
         L"unknown name \"q\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ShapedCurve shaped = shapeWithin(spaceCurve(row.x, row.y, row.z, 0, row.end, kPi / 16), 1e-3);
        ASSERT_EQ(shaped.sampled.status, row.status);
        if (row.status != SampleStatus::Done) {
            EXPECT_EQ(shaped.sampled.message, row.message);
            EXPECT_EQ(shaped.sampled.expression, 'Z');
            continue;
        }
        ASSERT_EQ(shaped.pieces.size(), 1u);
        EXPECT_EQ(shaped.pieces[0].closed, row.closed);
    }
}

TEST(space_curve, arcs_refused_spline_keeps_z)
{
    const CEquation helix = spaceCurve(L"cos(t)", L"sin(t)", L"t", 0, 4 * kPi, kPi / 8);
    CurveOptions options;
    options.output = CurveOutput::Arcs;
    EXPECT_EQ(shapeCurve(helix, {}, options).sampled.status, SampleStatus::InvalidParameters);
    options.output = CurveOutput::Spline;
    options.tolerance = 1e-3;
    const ShapedCurve shaped = shapeCurve(helix, {}, options);
    ASSERT_EQ(shaped.pieces.size(), 1u);
    const SplineData& spline = shaped.pieces[0].spline;
    ASSERT_FALSE(spline.controlPoints.empty());
    EXPECT_NEAR(spline.controlPoints.back().z, 4 * kPi, 1e-12);
    for (const CurvePoint& p : spline.fitPoints)
        ASSERT_NEAR(std::remainder(std::atan2(p.y, p.x) - p.z, 2 * kPi), 0, 1e-9);
}

TEST(implicit_curve, conics_within_tolerance_and_closed)
{
    struct Row {
        const char* name;
        std::wstring f;
        double a, b;  // semi-axes
        double tolerance;
    };
    const std::vector<Row> rows = {
        {"circle", L"x^2+y^2-4", 2, 2, 1e-3},
        {"ellipse", L"x^2/9+y^2/(b*b)-1", 3, 1, 1e-4},
        {"tight tolerance", L"x^2+y^2-4", 2, 2, 1e-7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CEquation e = implicitCurve(row.f, {-4, 4, -3, 3, 50, 0});
        addConstant(e, L"b", 1);
        const ShapedCurve shaped = shapeWithin(e, row.tolerance, {100, 0, 7});
        ASSERT_EQ(shaped.sampled.status, SampleStatus::Done) << std::string(shaped.sampled.message.begin(),
                                                                            shaped.sampled.message.end());
        ASSERT_EQ(shaped.pieces.size(), 1u);
        EXPECT_TRUE(shaped.pieces[0].closed);
        EXPECT_EQ(shaped.pieces[0].points.front().z, 0);  // implicit curves lie at elevation 0
        expectWithin(shaped, [&](double x, double y) { return ellipseDistance(row.a, row.b, x - 100, y); },
                     row.tolerance);
    }
}

TEST(implicit_curve, cassini_ovals_one_or_two_loops)
{
    // (x^2+y^2)^2 - 2c^2(x^2-y^2) = a^4 - c^4 with foci at +-c: two loops for a < c.
    struct Row {
        const char* name;
        double a;
        std::size_t loops;
    };
    const std::vector<Row> rows = {{"a well below c", 0.8, 2}, {"a just below c", 0.98, 2},
                                   {"a just above c", 1.02, 1}, {"a well above c", 1.3, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CEquation e = implicitCurve(L"(x^2+y^2)^2-2*c^2*(x^2-y^2)-(a^4-c^4)", {-2, 2, -1.5, 1.5, 200, 0});
        addConstant(e, L"a", row.a);
        addConstant(e, L"c", 1);
        const double tolerance = 1e-4;
        const ShapedCurve shaped = shapeWithin(e, tolerance);
        ASSERT_EQ(shaped.pieces.size(), row.loops);
        for (const CurvePiece& piece : shaped.pieces)
            EXPECT_TRUE(piece.closed);
        expectWithin(shaped, firstOrder([&](double x, double y) {
                         const double r2 = x * x + y * y;
                         return r2 * r2 - 2 * (x * x - y * y) - (std::pow(row.a, 4) - 1);
                     }),
                     tolerance);
    }
}

TEST(implicit_curve, crossings_passed_without_gap_or_wrong_join)
{
    struct Row {
        const char* name;
        std::wstring f;
        std::function<double(double, double)> exact;
        ImplicitWindow window;
        double nodeX, nodeY;
    };
    const auto lemniscate = [](double x, double y) {
        const double r2 = x * x + y * y;
        return r2 * r2 - 2 * (x * x - y * y);
    };
    const auto devil = [](double x, double y) { return y * y * (y * y - 1) - x * x * (x * x - 1.44); };
    const std::vector<Row> rows = {
        // Grid nodes right on the crossing, and off it.
        {"lemniscate, node on the grid", L"(x^2+y^2)^2-2*(x^2-y^2)", lemniscate, {-2, 2, -1, 1, 80, 0}, 0, 0},
        {"lemniscate, node inside a cell", L"(x^2+y^2)^2-2*(x^2-y^2)", lemniscate, {-2, 2.03, -1.01, 1, 77, 0}, 0, 0},
        {"devil's curve", L"y^2*(y^2-1)-x^2*(x^2-1.44)", devil, {-2, 2, -2, 2, 100, 0}, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const double tolerance = 1e-4;
        const ShapedCurve shaped = shapeWithin(implicitCurve(row.f, row.window), tolerance);
        ASSERT_EQ(shaped.sampled.status, SampleStatus::Done);
        ASSERT_FALSE(shaped.pieces.empty());
        expectWithin(shaped, firstOrder(row.exact), tolerance);
        // The crossing is on the drawing: some chord passes within the tolerance of it.
        const double nearest = nearestChord(shaped.pieces, row.nodeX, row.nodeY);
        EXPECT_LE(nearest, tolerance);
    }
}

TEST(implicit_curve, lemniscate_is_one_closed_figure_eight)
{
    const ShapedCurve shaped = shapeWithin(implicitCurve(L"(x^2+y^2)^2-2*(x^2-y^2)", {-2, 2, -1, 1, 100, 0}), 1e-4);
    ASSERT_EQ(shaped.pieces.size(), 1u);
    EXPECT_TRUE(shaped.pieces[0].closed);
    // Both lobes: the piece reaches both tips at x = +-sqrt(2).
    EXPECT_LE(nearestChord(shaped.pieces, -std::sqrt(2.0), 0), 1e-4);
    EXPECT_LE(nearestChord(shaped.pieces, std::sqrt(2.0), 0), 1e-4);
}

TEST(implicit_curve, folium_loop_closed_branch_ends_at_window)
{
    const double tolerance = 1e-4;
    const ImplicitWindow window{-3, 3, -3, 3, 120, 0};
    const ShapedCurve shaped = shapeWithin(implicitCurve(L"x^3+y^3-3*x*y", window), tolerance);
    ASSERT_EQ(shaped.sampled.status, SampleStatus::Done);
    ASSERT_EQ(shaped.pieces.size(), 1u);
    const CurvePiece& piece = shaped.pieces[0];
    EXPECT_FALSE(piece.closed);
    expectWithin(shaped, firstOrder([](double x, double y) { return x * x * x + y * y * y - 3 * x * y; }), tolerance);
    // The asymptotic branch runs from one side of the window to another: both ends on
    // its edge, on the curve.
    for (const CurvePoint& end : {piece.points.front(), piece.points.back()}) {
        const bool onEdge = end.x == window.xMin || end.x == window.xMax || end.y == window.yMin || end.y == window.yMax;
        EXPECT_TRUE(onEdge) << end.x << ", " << end.y;
    }
    // The loop is closed: the path passes the node twice, and reaches the loop's tip (1.5, 1.5).
    int nodeVisits = 0;
    bool wasNear = false;
    for (const CurvePoint& p : piece.points) {
        const bool isNear = std::hypot(p.x, p.y) < 0.05;
        nodeVisits += isNear && !wasNear;
        wasNear = isNear;
    }
    EXPECT_EQ(nodeVisits, 2);
    EXPECT_LE(nearestChord(shaped.pieces, 0, 0), tolerance);
    EXPECT_LE(nearestChord(shaped.pieces, 1.5, 1.5), tolerance);
}

TEST(implicit_curve, faults_refused_before_sampling)
{
    struct Row {
        const char* name;
        std::wstring f;
        ImplicitWindow window;
        SampleStatus status;
        std::wstring message;
    };
    const std::vector<Row> rows = {
        {"neither x nor y", L"a^2-1", {-1, 1, -1, 1, 10, 0}, SampleStatus::ErrorInEquation, L"F uses neither x nor y"},
        {"x min equals max", L"x-y", {1, 1, -1, 1, 10, 0}, SampleStatus::InvalidParameters,
         L"the window's xmin 1 is not below its xmax 1"},
        {"y min above max", L"x-y", {-1, 1, 2, 1, 10, 0}, SampleStatus::InvalidParameters,
         L"the window's ymin 2 is not below its ymax 1"},
        {"too many cells", L"x-y", {0, 1, 0, 1, 4000, 0}, SampleStatus::TooManySamples, L""},
        {"too small a cell", L"x-y", {0, 1, 0, 1, 0, 1e-4}, SampleStatus::TooManySamples, L""},
        {"negative cell size", L"x-y", {0, 1, 0, 1, 0, -1}, SampleStatus::InvalidParameters,
         L"the grid's cell size -1 is not a number of 0 or above"},
        {"syntax", L"x^2+*y", {0, 1, 0, 1, 10, 0}, SampleStatus::ErrorInEquation, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CEquation e = implicitCurve(row.f, row.window);
        addConstant(e, L"a", 1);
        const ShapedCurve shaped = shapeWithin(e, 1e-3);
        EXPECT_EQ(shaped.sampled.status, row.status);
        EXPECT_TRUE(shaped.pieces.empty());
        if (!row.message.empty()) {
            EXPECT_EQ(shaped.sampled.message, row.message);
        }
    }
}

TEST(implicit_curve, branches_found_and_cut)
{
    struct Row {
        const char* name;
        std::wstring f;
        ImplicitWindow window;
        std::size_t pieces;
        std::size_t closed;
    };
    const std::vector<Row> rows = {
        // A circle half outside the window: one open arc cut at the edge.
        {"circle cut by the window", L"x^2+y^2-1", {0, 2, -2, 2, 40, 0}, 1, 0},
        // Touching zero without changing sign: found at the grid's minima of |F|.
        {"double root circle", L"(x^2+y^2-1)^2", {-2, 2, -2, 2, 40, 0}, 1, 1},
        // Ten separate islands, none missed or traced twice.
        {"ten islands", L"sin(x)*sin(y)-0.5", {0, 5 * kPi, 0, 4 * kPi, 200, 0}, 10, 10},
        {"no zero at all", L"x^2+y^2+1", {-1, 1, -1, 1, 20, 0}, 0, 0},
        // A heart: two cusps on the axis, traced into one closed outline.
        {"heart", L"(x^2+y^2-1)^3-x^2*y^3", {-1.5, 1.5, -1.5, 1.5, 120, 0}, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ShapedCurve shaped = shapeWithin(implicitCurve(row.f, row.window), 1e-3);
        ASSERT_EQ(shaped.sampled.status, SampleStatus::Done);
        EXPECT_EQ(shaped.pieces.size(), row.pieces);
        std::size_t closed = 0;
        for (const CurvePiece& piece : shaped.pieces)
            closed += piece.closed;
        EXPECT_EQ(closed, row.closed);
    }
}

TEST(curve_kinds, gallery_curves_draw_with_their_defaults)
{
    struct Row {
        const char* name;
        std::size_t pieces;
        std::size_t closed;
    };
    const std::vector<Row> rows = {
        {"Helix", 1, 0}, {"Conical spiral", 1, 0}, {"Viviani's curve", 1, 1},
        {"Trefoil knot", 1, 1}, {"Torus knot", 1, 1}, {"Loxodrome", 1, 0},
        {"Circle (implicit)", 1, 1}, {"Cassini oval, one loop", 1, 1}, {"Cassini ovals, two loops", 2, 2},
        {"Lemniscate of Bernoulli (implicit)", 1, 1}, {"Folium of Descartes (implicit)", 1, 0},
        // Two branches to the window's edges, and the figure eight between them.
        {"Devil's curve", 3, 1}, {"Bicorn", 1, 1}, {"Heart (implicit)", 1, 1},
    };
    CEquationList gallery;
    std::wstring text;
    ASSERT_TRUE(ReadLibraryFile(L"" PLOTWRIGHT_GALLERY_FILE, text));
    gallery.LoadFromXml(text);
    std::size_t kinds = 0;
    for (const CEquationPtr& e : gallery.GetEquations())
        kinds += e->GetType() == SpaceCurve || e->GetType() == ImplicitCurve;
    EXPECT_EQ(kinds, rows.size());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CEquationPtr e = gallery.FindEquation(std::wstring(row.name, row.name + std::strlen(row.name)));
        ASSERT_TRUE(e);
        EXPECT_TRUE(ValidateParameters(*e));
        const ShapedCurve shaped = shapeCurve(*e, {}, CurveOptions{});
        ASSERT_EQ(shaped.sampled.status, SampleStatus::Done);
        ASSERT_EQ(shaped.pieces.size(), row.pieces);
        std::size_t closed = 0;
        for (const CurvePiece& piece : shaped.pieces) {
            closed += piece.closed;
            EXPECT_EQ(piece.space, e->GetType() == SpaceCurve);
        }
        EXPECT_EQ(closed, row.closed);
    }
}
