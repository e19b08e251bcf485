// Turning, scaling, mirroring and offsetting space and implicit curves: a placed curve is
// the curve shaped at its own origin and moved by the similarity (a space curve turns
// about the z axis through its origin, its heights scale); implicit curves are offset
// branch by branch, closed ones counter-clockwise, open ones from their end at the left.
#include "curve/curve_shape.h"
#include "model/equation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace plotwright::curve;

namespace {

constexpr double kPi = std::numbers::pi;

CEquation helix()
{
    CEquation e;
    e.SetType(SpaceCurve);
    e.SetEquationX(L"3*cos(t)");
    e.SetEquationY(L"2*sin(t)");
    e.SetEquationZ(L"t/4");
    e.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"t", .type = RunningVariable, .increment = kPi / 8, .minValue = 0, .maxValue = 3 * kPi}));
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

std::string narrow(const std::wstring& text) { return {text.begin(), text.end()}; }

std::vector<CurvePoint> allPoints(const ShapedCurve& shaped)
{
    std::vector<CurvePoint> out;
    for (const CurvePiece& piece : shaped.pieces) {
        out.insert(out.end(), piece.points.begin(), piece.points.end());
        out.insert(out.end(), piece.spline.controlPoints.begin(), piece.spline.controlPoints.end());
    }
    return out;
}

} // namespace

TEST(placed_kinds, space_and_implicit_curves_turn_scale_and_mirror_exactly)
{
    struct Row {
        const char* name;
        CEquation curve;
        CurveOutput output;
        double rotation, scale;
        bool mirror;
    };
    const CEquation ellipse = implicitCurve(L"x^2/9+y^2-1", {-4, 4, -2, 2, 60, 0});
    const std::vector<Row> rows = {
        {"helix turned about z", helix(), CurveOutput::Polyline, 30, 1, false},
        {"helix mirrored, turned and scaled as a spline", helix(), CurveOutput::Spline, -120, 0.5, true},
        {"implicit ellipse as arcs, all three", ellipse, CurveOutput::Arcs, 200, 3, true},
    };
    const CurvePoint origin{10, -20, 5};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const double tolerance = 1e-3;
        CurveOptions plain;
        plain.output = row.output;
        plain.tolerance = tolerance / row.scale;  // shaped at its own size, as the placement does
        const ShapedCurve own = shapeCurve(row.curve, {}, plain);
        ASSERT_EQ(own.sampled.status, SampleStatus::Done) << narrow(own.sampled.message);
        CurveOptions options = plain;
        options.tolerance = tolerance;
        options.rotation = row.rotation;
        options.scale = row.scale;
        options.mirror = row.mirror;
        const ShapedCurve placed = shapeCurve(row.curve, origin, options);
        ASSERT_EQ(placed.sampled.status, SampleStatus::Done) << narrow(placed.sampled.message);
        const std::vector<CurvePoint> from = allPoints(own);
        const std::vector<CurvePoint> to = allPoints(placed);
        ASSERT_EQ(from.size(), to.size());
        ASSERT_FALSE(from.empty());
        const double turn = row.rotation * kPi / 180;
        const bool space = row.curve.GetType() == SpaceCurve;
        for (std::size_t i = 0; i < from.size(); ++i) {
            const double x = row.scale * from[i].x;
            const double y = row.scale * (row.mirror ? -from[i].y : from[i].y);
            ASSERT_NEAR(to[i].x, origin.x + x * std::cos(turn) - y * std::sin(turn), 1e-9) << i;
            ASSERT_NEAR(to[i].y, origin.y + x * std::sin(turn) + y * std::cos(turn), 1e-9) << i;
            // Plane curves stay at elevation 0 whatever the origin's z.
            ASSERT_NEAR(to[i].z, space ? origin.z + row.scale * from[i].z : 0.0, 1e-9) << i;
        }
        // Bulges turn round under a mirror, as the arcs do.
        for (std::size_t k = 0; k < own.pieces.size(); ++k)
            for (std::size_t i = 0; i < own.pieces[k].bulges.size(); ++i)
                ASSERT_EQ(placed.pieces[k].bulges[i], row.mirror ? -own.pieces[k].bulges[i] : own.pieces[k].bulges[i]);
    }
}

TEST(placed_kinds, implicit_offsets_per_branch)
{
    struct Row {
        const char* name;
        std::wstring f;
        ImplicitWindow window;
        double offset;
        bool bothSides;
        double scale;
        // Each drawn point lies at this distance from the curve (the closed form below).
        std::vector<double> radii;  // circle x^2 + y^2 = 4: radius of each piece, in order
    };
    const ImplicitWindow window{-4, 4, -4, 4, 64, 0};
    const std::vector<Row> rows = {
        {"closed branch turns counter-clockwise: left is inside", L"x^2+y^2-4", window, 0.5, false, 1, {1.5}},
        {"both sides, the left first", L"x^2+y^2-4", window, 0.5, true, 1, {1.5, 2.5}},
        {"scaled curve, offset as drawn", L"x^2+y^2-4", window, -1, false, 2, {5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions options;
        options.tolerance = 1e-3;
        options.offset = row.offset;
        options.offsetBothSides = row.bothSides;
        options.scale = row.scale;
        const ShapedCurve shaped = shapeCurve(implicitCurve(row.f, row.window), {1, 2, 3}, options);
        ASSERT_EQ(shaped.sampled.status, SampleStatus::Done) << narrow(shaped.sampled.message);
        ASSERT_EQ(shaped.pieces.size(), row.radii.size());
        for (std::size_t k = 0; k < row.radii.size(); ++k) {
            EXPECT_TRUE(shaped.pieces[k].closed);
            for (const CurvePoint& p : shaped.pieces[k].points) {
                ASSERT_NEAR(std::hypot(p.x - 1, p.y - 2), row.radii[k], 1e-3);
                ASSERT_EQ(p.z, 0);
            }
        }
    }
}

TEST(placed_kinds, implicit_offset_of_open_and_separate_branches)
{
    CurveOptions options;
    options.tolerance = 1e-3;
    options.offset = 0.25;
    // The line y = x crosses the window as one open branch, run from its left end: the
    // left of travel is above it.
    const ShapedCurve line = shapeCurve(implicitCurve(L"y-x", {-2, 2, -2, 2, 40, 0}), {}, options);
    ASSERT_EQ(line.sampled.status, SampleStatus::Done) << narrow(line.sampled.message);
    ASSERT_EQ(line.pieces.size(), 1u);
    EXPECT_FALSE(line.pieces[0].closed);
    EXPECT_LT(line.pieces[0].points.front().x, line.pieces[0].points.back().x);
    for (const CurvePoint& p : line.pieces[0].points)
        ASSERT_NEAR((p.y - p.x) / std::sqrt(2.0), 0.25, 1e-3);

    // Two separate circles: each branch is offset on its own, both inward.
    options.offset = 0.2;
    const ShapedCurve two = shapeCurve(
        implicitCurve(L"((x-2)^2+y^2-1)*((x+2)^2+y^2-1)", {-4, 4, -2, 2, 80, 0}), {}, options);
    ASSERT_EQ(two.sampled.status, SampleStatus::Done) << narrow(two.sampled.message);
    ASSERT_EQ(two.pieces.size(), 2u);
    for (const CurvePiece& piece : two.pieces) {
        const double cx = piece.points.front().x > 0 ? 2 : -2;
        for (const CurvePoint& p : piece.points)
            ASSERT_NEAR(std::hypot(p.x - cx, p.y), 0.8, 1e-3);
    }

    // An inward offset past the radius leaves nothing, and says so; a space curve is refused.
    options.offset = 3;
    const ShapedCurve nothing = shapeCurve(implicitCurve(L"x^2+y^2-4", {-4, 4, -4, 4, 64, 0}), {}, options);
    EXPECT_EQ(nothing.sampled.status, SampleStatus::InvalidParameters);
    EXPECT_EQ(nothing.sampled.message,
              L"the offset 3 leaves nothing of the curve: it turns more tightly than that everywhere");
    EXPECT_TRUE(nothing.pieces.empty());
    const ShapedCurve space = shapeCurve(helix(), {}, options);
    EXPECT_EQ(space.sampled.status, SampleStatus::InvalidParameters);
    EXPECT_EQ(space.sampled.message, L"an offset is drawn of a plane curve, not of a space curve");
}
