// Curves placed turned, scaled and mirrored, and offset curves: placement must equal the
// similarity applied to the curve shaped at its own origin; offsets are measured against
// the true curve, computed here densely from its closed form.
#include "curve/curve_shape.h"
#include "curve/offset_curve.h"
#include "curve/spline_fit.h"
#include "model/equation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

using namespace plotwright::curve;

namespace {

constexpr double kPi = std::numbers::pi;

CEquation parametric(const std::wstring& x, const std::wstring& y, double start, double end, double step)
{
    CEquation e;
    e.SetType(ParametricCartesian);
    e.SetEquationX(x);
    e.SetEquationY(y);
    e.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"t", .type = RunningVariable, .increment = step, .minValue = start, .maxValue = end}));
    return e;
}

using Curve = std::function<CurvePoint(double)>;

// The epicycloid of the default library with a = 10, b = 2.5: four cusps.
CurvePoint epicycloid(double t)
{
    const double a = 10, b = 2.5;
    return {(a + b) * std::cos(t) - b * std::cos((a + b) / b * t), (a + b) * std::sin(t) - b * std::sin((a + b) / b * t), 0};
}
CEquation epicycloidEquation(double step)
{
    return parametric(L"12.5*cos(t)-2.5*cos(5*t)", L"12.5*sin(t)-2.5*sin(5*t)", 0, 2 * kPi, step);
}
CurvePoint ellipse(double t) { return {10 * std::cos(t), 4 * std::sin(t), 0}; }
CurvePoint circle(double t) { return {5 * std::cos(t), 5 * std::sin(t), 0}; }
// The limaçon r = 2 + 4 cos t: an inner loop whose offsets cross those of the outer one.
CurvePoint limacon(double t)
{
    const double r = 2 + 4 * std::cos(t);
    return {r * std::cos(t), r * std::sin(t), 0};
}
CEquation limaconEquation()
{
    CEquation e;
    e.SetType(ExplicitPolar);
    e.SetEquationY(L"2+4*cos(t)");
    e.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"t", .type = RunningVariable, .increment = 0.01, .minValue = 0, .maxValue = 2 * kPi}));
    return e;
}

// The written pieces as fine polylines (arcs cut finely, splines evaluated densely).
std::vector<CurvePoints> fine(const std::vector<CurvePiece>& pieces)
{
    std::vector<CurvePoints> out;
    for (const CurvePiece& piece : pieces) {
        CurvePoints line;
        if (!piece.spline.controlPoints.empty()) {
            const double u0 = piece.spline.knots.front(), u1 = piece.spline.knots.back();
            for (int i = 0; i <= 20000; ++i)
                line.push_back(splinePoint(piece.spline, u0 + (u1 - u0) * i / 20000));
            out.push_back(std::move(line));
            continue;
        }
        const std::size_t n = piece.points.size();
        const std::size_t segments = piece.closed ? n : n - 1;
        line.push_back(piece.points[0]);
        for (std::size_t i = 0; i < segments; ++i) {
            const CurvePoint a = piece.points[i], b = piece.points[(i + 1) % n];
            const double bulge = piece.bulges.empty() ? 0.0 : piece.bulges[i];
            const int steps = bulge == 0 ? 1 : 32;
            const double theta = 4 * std::atan(bulge);
            for (int k = 1; k <= steps; ++k) {
                if (bulge == 0) {
                    line.push_back(b);
                    continue;
                }
                // A point of the arc: the chord's point bent out by the arc's sagitta there.
                const double chord = std::hypot(b.x - a.x, b.y - a.y);
                const double radius = chord / (2 * std::sin(theta / 2));
                const double h = radius * std::cos(theta / 2);
                const double nx = -(b.y - a.y) / chord, ny = (b.x - a.x) / chord;
                const double cx = (a.x + b.x) / 2 + h * nx, cy = (a.y + b.y) / 2 + h * ny;
                const double angle = std::atan2(a.y - cy, a.x - cx) + theta * k / steps;
                line.push_back({cx + std::fabs(radius) * std::cos(angle), cy + std::fabs(radius) * std::sin(angle), 0});
            }
        }
        out.push_back(std::move(line));
    }
    return out;
}

double segmentDistance(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double l2 = dx * dx + dy * dy;
    const double s = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - a.x - s * dx, p.y - a.y - s * dy);
}

double distanceTo(const CurvePoint& p, const std::vector<CurvePoints>& lines)
{
    double best = 1e300;
    for (const CurvePoints& line : lines)
        for (std::size_t i = 0; i + 1 < line.size(); ++i)
            best = std::min(best, segmentDistance(p, line[i], line[i + 1]));
    return best;
}

CurvePoints dense(const Curve& f, int count)
{
    CurvePoints out;
    for (int i = 0; i <= count; ++i)
        out.push_back(f(2 * kPi * i / count));
    return out;
}

// ---- placement -----------------------------------------------------------------------

struct PlacementRow {
    const char* name;
    CurveOutput output;
    double rotation;
    double scale;
    bool mirror;
};

// x' = origin + scale R(rotation) (x, ±y), written out independently of the code.
CurvePoint placed(const CurvePoint& p, const PlacementRow& row, CurvePoint origin)
{
    const double y = row.mirror ? -p.y : p.y;
    const double c = std::cos(row.rotation * kPi / 180), s = std::sin(row.rotation * kPi / 180);
    return {origin.x + row.scale * (c * p.x - s * y), origin.y + row.scale * (s * p.x + c * y), 0};
}

void expectNear(const CurvePoints& got, const CurvePoints& own, const PlacementRow& row, CurvePoint origin)
{
    ASSERT_EQ(got.size(), own.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const CurvePoint want = placed(own[i], row, origin);
        ASSERT_NEAR(got[i].x, want.x, 1e-9) << i;
        ASSERT_NEAR(got[i].y, want.y, 1e-9) << i;
    }
}

TEST(Placement, TurnedScaledMirroredPiecesAreTheSimilarityOfTheCurveAtItsOrigin)
{
    const PlacementRow rows[] = {
        {"polyline turned 30°", CurveOutput::Polyline, 30, 1, false},
        {"arcs a quarter turn", CurveOutput::Arcs, 90, 1, false},
        {"arcs mirrored", CurveOutput::Arcs, 0, 1, true},
        {"arcs mirrored, scaled, turned back", CurveOutput::Arcs, -135, 2.5, true},
        {"spline scaled down", CurveOutput::Spline, 0, 0.01, false},
        {"spline mirrored and turned", CurveOutput::Spline, 200, 3, true},
    };
    const CurvePoint origin{100, -40, 0};
    const CEquation curve = epicycloidEquation(0.05);
    for (const PlacementRow& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions options;
        options.output = row.output;
        options.tolerance = 0.02;
        options.rotation = row.rotation;
        options.scale = row.scale;
        options.mirror = row.mirror;
        const ShapedCurve got = shapeCurve(curve, origin, options);
        CurveOptions own;
        own.output = row.output;
        own.tolerance = 0.02 / row.scale;
        const ShapedCurve ref = shapeCurve(curve, {}, own);
        ASSERT_EQ(got.sampled.status, SampleStatus::Done);
        EXPECT_NEAR(got.tolerance, 0.02, 1e-15);
        ASSERT_EQ(got.pieces.size(), ref.pieces.size());
        for (std::size_t k = 0; k < got.pieces.size(); ++k) {
            const CurvePiece& g = got.pieces[k];
            const CurvePiece& r = ref.pieces[k];
            EXPECT_EQ(g.closed, r.closed);
            expectNear(g.points, r.points, row, origin);
            expectNear(g.spline.controlPoints, r.spline.controlPoints, row, origin);
            EXPECT_EQ(g.spline.knots, r.spline.knots);
            ASSERT_EQ(g.bulges.size(), r.bulges.size());
            for (std::size_t i = 0; i < g.bulges.size(); ++i)
                ASSERT_EQ(g.bulges[i], row.mirror ? -r.bulges[i] : r.bulges[i]);
        }
    }
}

TEST(Placement, QuarterTurnsAreExactAndFaultyValuesAreRefused)
{
    const CEquation line = parametric(L"t", L"0", 0, 3, 1);
    CurveOptions options;
    options.rotation = -270;  // the same as 90
    const ShapedCurve turned = shapeCurve(line, {1, 1, 0}, options);
    ASSERT_EQ(turned.pieces.size(), 1u);
    EXPECT_EQ(turned.pieces[0].points[3].x, 1.0);
    EXPECT_EQ(turned.pieces[0].points[3].y, 4.0);

    struct Row {
        const char* name;
        double rotation, scale, offset;
        bool both;
        const wchar_t* says;
    };
    const Row rows[] = {
        {"scale 0", 0, 0, 0, false, L"scale 0"},
        {"negative scale", 0, -2, 0, false, L"scale -2"},
        {"scale not a number", 0, NAN, 0, false, L"scale"},
        {"infinite rotation", INFINITY, 1, 0, false, L"rotation"},
        {"infinite offset", 0, 1, INFINITY, false, L"offset"},
        {"both sides by a negative distance", 0, 1, -1, true, L"both sides"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions bad;
        bad.rotation = row.rotation;
        bad.scale = row.scale;
        bad.offset = row.offset;
        bad.offsetBothSides = row.both;
        const ShapedCurve shaped = shapeCurve(line, {}, bad);
        EXPECT_EQ(shaped.sampled.status, SampleStatus::InvalidParameters);
        EXPECT_NE(shaped.sampled.message.find(row.says), std::wstring::npos) << std::string(shaped.sampled.message.begin(), shaped.sampled.message.end());
        EXPECT_TRUE(shaped.pieces.empty());
    }
}

// ---- offsets ---------------------------------------------------------------------------

TEST(Offset, CircleGivesTheConcentricCircles)
{
    struct Row {
        const char* name;
        double offset;
        bool both;
        bool mirror;
        double scale;
        CurveOutput output;
        std::vector<double> radii;  // of the pieces, in order
    };
    // The circle runs counter-clockwise: its left is inside.
    const Row rows[] = {
        {"left: inside", 1, false, false, 1, CurveOutput::Polyline, {4}},
        {"right: outside", -1, false, false, 1, CurveOutput::Polyline, {6}},
        {"mirrored: clockwise, left is outside", 1, false, true, 1, CurveOutput::Polyline, {6}},
        {"both sides, left first", 1.5, true, false, 1, CurveOutput::Arcs, {3.5, 6.5}},
        {"scaled before the offset", 1, false, false, 2, CurveOutput::Arcs, {9}},
        {"spline", -2, false, false, 1, CurveOutput::Spline, {7}},
        {"down to almost a point", 4.9, false, false, 1, CurveOutput::Polyline, {0.1}},
    };
    const CEquation curve = parametric(L"5*cos(t)", L"5*sin(t)", 0, 2 * kPi, 0.1);
    const double tolerance = 1e-3;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions options;
        options.tolerance = tolerance;
        options.offset = row.offset;
        options.offsetBothSides = row.both;
        options.mirror = row.mirror;
        options.scale = row.scale;
        options.output = row.output;
        const ShapedCurve shaped = shapeCurve(curve, {3, 4, 0}, options);
        ASSERT_EQ(shaped.sampled.status, SampleStatus::Done);
        ASSERT_EQ(shaped.pieces.size(), row.radii.size());
        const std::vector<CurvePoints> lines = fine(shaped.pieces);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            EXPECT_TRUE(shaped.pieces[k].closed);
            for (const CurvePoint& p : lines[k])
                ASSERT_NEAR(std::hypot(p.x - 3, p.y - 4), row.radii[k], tolerance);
        }
    }
}

TEST(Offset, InsideByMoreThanTheRadiusLeavesNothingAndSaysWhy)
{
    const CEquation curve = parametric(L"5*cos(t)", L"5*sin(t)", 0, 2 * kPi, 0.1);
    for (double offset : {5.5, 10.0, 12.0}) {
        CurveOptions options;
        options.offset = offset;
        const ShapedCurve shaped = shapeCurve(curve, {}, options);
        EXPECT_TRUE(shaped.pieces.empty()) << offset;
        EXPECT_EQ(shaped.sampled.status, SampleStatus::InvalidParameters);
        EXPECT_NE(shaped.sampled.message.find(L"leaves nothing"), std::wstring::npos);
    }
}

struct TrueOffsetRow {
    const char* name;
    Curve curve;
    CEquation equation;
    double offset;
    CurveOutput output;
};

// Checks that every point of the drawn offset lies at the distance from the curve (no
// swallowtail is left: those come nearer), that the offset does not cross itself, and
// that every point of the true offset that a tool could reach is drawn.
void checkTrueOffset(const TrueOffsetRow& row, double tolerance)
{
    SCOPED_TRACE(row.name);
    CurveOptions options;
    options.tolerance = tolerance;
    options.offset = row.offset;
    options.output = row.output;
    const ShapedCurve shaped = shapeCurve(row.equation, {}, options);
    ASSERT_EQ(shaped.sampled.status, SampleStatus::Done);
    ASSERT_FALSE(shaped.pieces.empty());
    const std::vector<CurvePoints> truth{dense(row.curve, 6000)};
    const std::vector<CurvePoints> drawn = fine(shaped.pieces);
    const double d = std::fabs(row.offset);
    for (const CurvePoints& line : drawn)
        for (std::size_t i = 0; i < line.size(); i += 3)
            ASSERT_NEAR(distanceTo(line[i], truth), d, tolerance) << "point " << i;
    if (row.output == CurveOutput::Polyline) {
        for (const std::vector<Crossing>& list : crossings(shaped.pieces))
            EXPECT_TRUE(list.empty());
    }

    // The true offset, from the derivative by central differences.
    std::size_t reachable = 0;
    for (int i = 0; i < 1500; ++i) {
        const double t = 2 * kPi * (i + 0.5) / 1500, h = 1e-6;
        const CurvePoint p = row.curve(t), a = row.curve(t - h), b = row.curve(t + h);
        const double tx = b.x - a.x, ty = b.y - a.y, l = std::hypot(tx, ty);
        if (l < 1e-9)
            continue;
        const CurvePoint q{p.x - row.offset * ty / l, p.y + row.offset * tx / l, 0};
        // Inside a loop (cut out); the dense chords pass within 1e-5 of the curve.
        if (distanceTo(q, truth) < d - tolerance / 10)
            continue;
        ++reachable;
        ASSERT_LT(distanceTo(q, drawn), tolerance) << "t = " << t;
    }
    EXPECT_GT(reachable, 250u);
}

TEST(Offset, EllipseAndEpicycloidLieWithinTheToleranceOfTheTrueOffset)
{
    // The ellipse's tightest radius is 1.6: inside by 2 makes swallowtails at both ends.
    const TrueOffsetRow rows[] = {
        {"ellipse inside, swallowtails", ellipse, parametric(L"10*cos(t)", L"4*sin(t)", 0, 2 * kPi, 0.1), 2,
         CurveOutput::Polyline},
        {"ellipse outside", ellipse, parametric(L"10*cos(t)", L"4*sin(t)", 0, 2 * kPi, 0.1), -2, CurveOutput::Polyline},
        {"ellipse inside as arcs", ellipse, parametric(L"10*cos(t)", L"4*sin(t)", 0, 2 * kPi, 0.1), 2, CurveOutput::Arcs},
        {"epicycloid inside, round the cusps", epicycloid, epicycloidEquation(0.05), 1, CurveOutput::Polyline},
        {"epicycloid outside, loops at the cusps", epicycloid, epicycloidEquation(0.05), -1.5, CurveOutput::Polyline},
        {"epicycloid outside as a spline", epicycloid, epicycloidEquation(0.05), -1.5, CurveOutput::Spline},
        {"circle far outside", circle, parametric(L"5*cos(t)", L"5*sin(t)", 0, 2 * kPi, 0.1), -20, CurveOutput::Polyline},
        // Each loop's offset crosses the other's: what comes nearer to the other loop goes.
        {"limaçon left of travel", limacon, limaconEquation(), 0.4, CurveOutput::Polyline},
        {"limaçon right of travel", limacon, limaconEquation(), -0.4, CurveOutput::Polyline},
    };
    for (const TrueOffsetRow& row : rows)
        checkTrueOffset(row, 0.01);
}

TEST(Offset, OpenCurvesGiveOpenOffsetsAndCornersRoundJoins)
{
    // y = |x| has a corner at 0: the offset outside (right of travel) goes round it on a
    // circle of the distance's radius; inside, the two straight offsets meet.
    CEquation vee;
    vee.SetType(ExplicitCartesian);
    vee.SetEquationY(L"abs(x)");
    vee.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"x", .type = RunningVariable, .increment = 0.5, .minValue = -2, .maxValue = 2}));
    struct Row {
        const char* name;
        double offset;
        CurvePoint lowest;
    };
    const Row rows[] = {
        {"outside: round join below the corner", -1, {0, -1, 0}},
        {"inside: the lines meet above it", 1, {0, std::sqrt(2.0), 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions options;
        options.tolerance = 1e-4;
        options.offset = row.offset;
        const ShapedCurve shaped = shapeCurve(vee, {}, options);
        ASSERT_EQ(shaped.pieces.size(), 1u);
        const CurvePiece& piece = shaped.pieces[0];
        EXPECT_FALSE(piece.closed);
        const auto lowest = std::min_element(piece.points.begin(), piece.points.end(),
                                             [](const CurvePoint& a, const CurvePoint& b) { return a.y < b.y; });
        EXPECT_NEAR(lowest->x, row.lowest.x, 1e-4);
        EXPECT_NEAR(lowest->y, row.lowest.y, 1e-4);
        for (const CurvePoint& p : piece.points)
            EXPECT_GE(std::hypot(p.x, p.y), 1 - 1e-4);  // never nearer to the corner than 1
    }
}

TEST(Offset, CrossingsOfPolylines)
{
    struct Row {
        const char* name;
        std::vector<CurvePiece> polylines;
        std::vector<std::size_t> counts;
    };
    const auto piece = [](CurvePoints points, bool closed) { return CurvePiece{std::move(points), closed, {}, {}, false}; };
    const auto saw = [&](int teeth) {
        CurvePoints points;
        for (int i = 0; i <= teeth; ++i)
            points.push_back({static_cast<double>(i), i % 2 == 0 ? 1.0 : -1.0, 0});
        return piece(points, false);
    };
    const Row rows[] = {
        {"square", {piece({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, true)}, {0}},
        {"bow tie", {piece({{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}}, true)}, {2}},
        {"open loop", {piece({{0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {1, -1, 0}}, false)}, {2}},
        {"two polylines crossing twice",
         {piece({{0, 0, 0}, {4, 0, 0}}, false), piece({{1, -1, 0}, {2, 1, 0}, {3, -1, 0}}, false)},
         {2, 2}},
        {"touching at a shared vertex is no crossing", {piece({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, false)}, {0}},
        {"vertical zig-zag", {piece({{0, 0, 0}, {0, 2, 0}, {1, 1, 0}, {-1, 1, 0}}, false)}, {2}},
        // A saw of 200 teeth along a line: x only grows along it, far longer than one
        // chain of the search; every tooth crosses the line once.
        {"long saw across a line", {saw(200), piece({{-0.5, 0, 0}, {200.5, 0, 0}}, false)}, {200, 200}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<std::vector<Crossing>> found = crossings(row.polylines);
        ASSERT_EQ(found.size(), row.counts.size());
        for (std::size_t k = 0; k < found.size(); ++k)
            EXPECT_EQ(found[k].size(), row.counts[k]) << k;
    }
}

} // namespace

TEST(Offset, AnOpenEndNearAnotherPartCutsItsOffset)
{
    // A hook whose end stops 0.613 above its first leg: the first leg's offset 0.4 above it
    // passes within 0.213 of the end, where only the round cap about the end bounds what
    // comes nearer than the distance.
    // (Off the samples' 0.01 grid: an inner corner whose offsets cross exactly at
    // vertices of both is another matter.)
    const CurvePoints corners{{0, 0, 0}, {10, 0, 0}, {10, 3, 0}, {4.503, 3, 0}, {4.503, 0.613, 0}};
    CurvePiece run;
    double along = 0;
    for (std::size_t k = 0; k + 1 < corners.size(); ++k) {
        const CurvePoint a = corners[k], b = corners[k + 1];
        const double l = std::hypot(b.x - a.x, b.y - a.y);
        const int steps = static_cast<int>(std::ceil(l / 0.01));
        for (int i = k == 0 ? 0 : 1; i <= steps; ++i)
            run.points.push_back({a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps, along + l * i / steps});
        along += l;
    }
    const double d = 0.4, tolerance = 0.01;
    // The hook's point at a length along it: its corners' one-sided tangents.
    const auto at = [&](double z) {
        for (std::size_t k = 0; k + 1 < corners.size(); ++k) {
            const CurvePoint a = corners[k], b = corners[k + 1];
            const double l = std::hypot(b.x - a.x, b.y - a.y);
            if (z <= l || k + 2 == corners.size())
                return CurvePoint{a.x + (b.x - a.x) * z / l, a.y + (b.y - a.y) * z / l, 0};
            z -= l;
        }
        return corners.back();
    };
    const std::vector<CurvePiece> pieces = offsetRuns({run}, d, tolerance, at);
    ASSERT_FALSE(pieces.empty());
    const std::vector<CurvePoints> truth{run.points};
    std::size_t points = 0;
    for (const CurvePoints& line : fine(pieces))
        for (const CurvePoint& p : line) {
            ++points;
            ASSERT_GE(distanceTo(p, truth), d - tolerance - 1e-9) << p.x << ", " << p.y;
        }
    EXPECT_GT(points, 100u);
}

TEST(Offset, ACardioidAtFixedStepsGivesOneClosedOffsetAtTheDistance)
{
    // The library's Epicycloid (a = b = 10): its cusp is where the samples start and end,
    // so the kept offset runs on across the samples' seam and is written over the raw
    // offset it is read from with its writing ahead of the reading. Without a tolerance
    // it is drawn within 1/1000 of the curve's extent.
    const CEquation curve = parametric(L"20*cos(t)-10*cos(2*t)", L"20*sin(t)-10*sin(2*t)", 0, 2 * kPi, 0.002);
    const auto cardioid = [](double t) {
        return CurvePoint{20 * std::cos(t) - 10 * std::cos(2 * t), 20 * std::sin(t) - 10 * std::sin(2 * t), 0};
    };
    for (const double d : {2.0, 0.5}) {
        SCOPED_TRACE(d);
        CurveOptions options;
        options.offset = d;
        const ShapedCurve shaped = shapeCurve(curve, {}, options);
        ASSERT_EQ(shaped.pieces.size(), 1u);
        const CurvePiece& piece = shaped.pieces.front();
        EXPECT_TRUE(piece.closed);
        EXPECT_GT(piece.points.size(), 2000u);
        const std::vector<CurvePoints> truth{dense(cardioid, 20000)};
        for (std::size_t i = 0; i < piece.points.size(); i += 7)
            ASSERT_NEAR(distanceTo(piece.points[i], truth), d, shaped.tolerance) << "point " << i;
    }
    // (Beside this inward cusp the offset still crosses itself in a loop smaller than the
    // tolerance: another matter.)
}

TEST(Offset, ALoopAtTheSamplesSeamIsCutOutLikeTheOthers)
{
    // The four-cusp epicycloid at the library's fixed steps: its samples start and end at
    // a cusp. The offset's loop round that cusp (its round join outvotes the rest of it)
    // went into the path, 0.02 from the curve, before; it goes like the other three.
    const CEquation curve = epicycloidEquation(0.1);
    const std::vector<CurvePoints> truth{dense(epicycloid, 20000)};
    for (const double d : {-1.5, 1.5}) {
        SCOPED_TRACE(d);
        CurveOptions options;
        options.offset = d;
        const ShapedCurve shaped = shapeCurve(curve, {}, options);
        ASSERT_EQ(shaped.pieces.size(), 1u);
        EXPECT_TRUE(shaped.pieces.front().closed);
        // The chords at steps of 0.1 pass within 0.15 of the curve beside the cusps.
        for (const CurvePoint& p : shaped.pieces.front().points)
            ASSERT_GT(distanceTo(p, truth), std::fabs(d) - 0.15) << p.x << ", " << p.y;
    }
}

TEST(Offset, ACuspGetsOneRoundJoinOnTheSideItPointsTo)
{
    // Beside a cusp the offsets on the side it points to have swallowtails that leave the
    // round join about its tip at a shallow angle; on the other side they meet in the
    // notch. Each row: one piece, closed as the curve is, within the tolerance of the
    // distance (or of the chords at fixed steps), never crossing itself.
    const Curve cardioid = [](double t) {
        return CurvePoint{20 * std::cos(t) - 10 * std::cos(2 * t), 20 * std::sin(t) - 10 * std::sin(2 * t), 0};
    };
    const Curve astroid = [](double t) {
        return CurvePoint{4 * std::pow(std::cos(t), 3), 4 * std::pow(std::sin(t), 3), 0};
    };
    const Curve deltoid = [](double t) {
        return CurvePoint{20 * std::cos(t) + 10 * std::cos(2 * t), 20 * std::sin(t) - 10 * std::sin(2 * t), 0};
    };
    const Curve cycloid = [](double t) { return CurvePoint{10 * (t - std::sin(t)), 10 * (1 - std::cos(t)), 0}; };
    const CEquation cardioidEquation =
        parametric(L"20*cos(t)-10*cos(2*t)", L"20*sin(t)-10*sin(2*t)", 0, 2 * kPi, 0.002);
    const CEquation astroidEquation = parametric(L"4*cos(t)^3", L"4*sin(t)^3", 0, 2 * kPi, 0.01);
    struct Row {
        const char* name;
        const CEquation& equation;
        const Curve& curve;
        double offset;
        std::optional<double> tolerance;
        double within;  // of the distance
        bool closed;
    };
    // The cycloid's last sample lies just past the cusp that ends it.
    const CEquation deltoidEquation =
        parametric(L"20*cos(t)+10*cos(2*t)", L"20*sin(t)-10*sin(2*t)", 0, 2 * kPi, 0.1);
    const CEquation cycloidEquation = parametric(L"10*(t-sin(t))", L"10*(1-cos(t))", 0, 6.28319, 0.1);
    const Row rows[] = {
        {"cardioid, inside, its cusp pointing in", cardioidEquation, cardioid, 2, 0.01, 0.01, true},
        {"cardioid, outside: the notch", cardioidEquation, cardioid, -2, 0.01, 0.01, true},
        {"cardioid, inside, fixed steps", cardioidEquation, cardioid, 0.5, {}, 0.05, true},
        {"astroid, outside: cusps pointing out", astroidEquation, astroid, -0.32, 0.0016, 0.0016, true},
        {"astroid, outside, fixed steps", astroidEquation, astroid, -0.8, {}, 0.01, true},
        {"astroid, inside: the notches", astroidEquation, astroid, 0.32, 0.0016, 0.0016, true},
        {"deltoid, outside, coarse steps between the tips", deltoidEquation, deltoid, -5.2, {}, 0.2, true},
        {"cycloid, outside, ends past a cusp", cycloidEquation, cycloid, 6.283, 0.0126, 0.0126, false},
        {"cycloid, inside", cycloidEquation, cycloid, -2.5, 0.0126, 0.0126, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions options;
        options.offset = row.offset;
        options.tolerance = row.tolerance;
        const ShapedCurve shaped = shapeCurve(row.equation, {}, options);
        ASSERT_EQ(shaped.pieces.size(), 1u);
        const CurvePiece& piece = shaped.pieces.front();
        EXPECT_EQ(piece.closed, row.closed);
        EXPECT_TRUE(crossings({piece}).front().empty());
        const std::vector<CurvePoints> truth{dense(row.curve, 20000)};
        for (const CurvePoint& p : piece.points)
            ASSERT_NEAR(distanceTo(p, truth), std::fabs(row.offset), row.within) << p.x << ", " << p.y;
    }
}
