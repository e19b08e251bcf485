// Curves as drawn, checked against the true curve computed here densely: every written
// piece (chords, arcs or spline) stays within the tolerance of the curve, no segment
// crosses an asymptote, curves end at their true edges and closed outlines are closed.
#include "curve/adaptive_sampler.h"
#include "curve/arc_fit.h"
#include "curve/curve_options.h"
#include "curve/curve_shape.h"
#include "curve/spline_fit.h"
#include "model/default_library.h"
#include "model/equation.h"
#include "model/equation_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

using namespace plotwright::curve;

namespace {

constexpr double kPi = std::numbers::pi;

CEquation makeCurve(int type, const std::wstring& y, const std::wstring& x, double start, double end, double step,
                    const std::wstring& running = L"x")
{
    CEquation e;
    e.SetType(type);
    e.SetEquationY(y);
    e.SetEquationX(x);
    e.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = running, .type = RunningVariable, .increment = step, .minValue = start, .maxValue = end}));
    return e;
}

CEquation libraryCurve(const std::wstring& name)
{
    static CEquationList library = [] {
        CEquationList list;
        list.LoadFromXml(DefaultLibraryText());
        return list;
    }();
    return *library.FindEquation(name);
}

// The written pieces as fine polylines: arcs cut into chords whose sagitta is a tiny
// share of the tolerance, splines evaluated densely.
std::vector<CurvePoints> finePolylines(const std::vector<CurvePiece>& pieces, double tolerance)
{
    std::vector<CurvePoints> out;
    for (const CurvePiece& piece : pieces) {
        CurvePoints line;
        if (!piece.spline.controlPoints.empty()) {
            // Every knot span alike, however long it is in the drawing.
            const std::vector<double>& knots = piece.spline.knots;
            line.push_back(splinePoint(piece.spline, knots.front()));
            for (std::size_t k = 0; k + 1 < knots.size(); ++k) {
                if (!(knots[k + 1] > knots[k]))
                    continue;
                for (int i = 1; i <= 400; ++i)
                    line.push_back(splinePoint(piece.spline, knots[k] + (knots[k + 1] - knots[k]) * i / 400));
            }
            out.push_back(std::move(line));
            continue;
        }
        const std::size_t count = piece.points.size();
        const std::size_t segments = piece.closed ? count : count - 1;
        line.push_back(piece.points[0]);
        for (std::size_t i = 0; i < segments; ++i) {
            const CurvePoint a = piece.points[i];
            const CurvePoint b = piece.points[(i + 1) % count];
            const double bulge = piece.bulges.empty() ? 0.0 : piece.bulges[i];
            if (bulge == 0) {
                line.push_back(b);
                continue;
            }
            // Centre and sweep from the bulge: included angle 4 atan(bulge).
            const double theta = 4 * std::atan(bulge);
            const double chord = std::hypot(b.x - a.x, b.y - a.y);
            const double radius = chord / (2 * std::sin(theta / 2));
            const double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
            const double h = radius * std::cos(theta / 2);   // centre to chord, signed
            const double nx = -(b.y - a.y) / chord, ny = (b.x - a.x) / chord;
            const double cx = mx + h * nx, cy = my + h * ny;
            const double start = std::atan2(a.y - cy, a.x - cx);
            const double r = std::fabs(radius);
            const int n = std::max(2, static_cast<int>(std::ceil(std::fabs(theta) / std::sqrt(8 * 0.01 * tolerance / r))));
            for (int k = 1; k <= n; ++k) {
                const double angle = start + theta * k / n;
                line.push_back(k == n ? b : CurvePoint{cx + r * std::cos(angle), cy + r * std::sin(angle), 0});
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

// How many of `truth` lie farther than `tolerance` from every segment of `lines`; a grid
// of cells keeps it fast.
std::size_t pointsAway(const CurvePoints& truth, const std::vector<CurvePoints>& lines, double tolerance)
{
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const CurvePoint& p : truth) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    const double cell = std::max({tolerance * 4, (maxX - minX) / 400, (maxY - minY) / 400});
    const auto key = [&](double x, double y) {
        return std::pair<long, long>{static_cast<long>(std::floor((x - minX) / cell)),
                                     static_cast<long>(std::floor((y - minY) / cell))};
    };
    std::map<std::pair<long, long>, std::vector<std::pair<CurvePoint, CurvePoint>>> grid;
    for (const CurvePoints& line : lines) {
        for (std::size_t i = 0; i + 1 < line.size(); ++i) {
            const CurvePoint a = line[i], b = line[i + 1];
            const double lx = std::max(std::min(a.x, b.x), minX - cell), hx = std::min(std::max(a.x, b.x), maxX + cell);
            const double ly = std::max(std::min(a.y, b.y), minY - cell), hy = std::min(std::max(a.y, b.y), maxY + cell);
            if (lx > hx || ly > hy)
                continue;
            const auto [x0, y0] = key(lx - tolerance, ly - tolerance);
            const auto [x1, y1] = key(hx + tolerance, hy + tolerance);
            for (long gx = x0; gx <= x1; ++gx)
                for (long gy = y0; gy <= y1; ++gy)
                    grid[{gx, gy}].push_back({a, b});
        }
        if (line.size() == 1)
            grid[key(line[0].x, line[0].y)].push_back({line[0], line[0]});
    }
    std::size_t away = 0;
    for (const CurvePoint& p : truth) {
        const auto it = grid.find(key(p.x, p.y));
        bool near = false;
        if (it != grid.end())
            for (const auto& [a, b] : it->second)
                if (segmentDistance(p, a, b) <= tolerance) {
                    near = true;
                    break;
                }
        away += near ? 0 : 1;
    }
    return away;
}

struct TruthRow {
    std::string name;
    CEquation equation;
    std::function<CurvePoint(double)> truth;
    double start, end;
    double tolerance;
    std::vector<double> poles;   // x of vertical asymptotes
    double reach = 1e300;        // only true points with |y| up to this are checked
};

std::vector<TruthRow> truthRows()
{
    const double a = 10, b = 10;
    const double end = 6.28319;
    auto cycloid = [=](double t) { return CurvePoint{a * (t - std::sin(t)), a * (1 - std::cos(t)), 0}; };
    auto deltoid = [=](double t) {
        return CurvePoint{2 * b * std::cos(t) + b * std::cos(2 * t), 2 * b * std::sin(t) - b * std::sin(2 * t), 0};
    };
    auto epicycloid = [=](double t) {
        return CurvePoint{(a + b) * std::cos(t) - b * std::cos((a + b) / b * t),
                          (a + b) * std::sin(t) - b * std::sin((a + b) / b * t), 0};
    };
    auto sextic = [=](double t) {
        const double r = 4 * a * std::pow(std::cos(t / 3), 3);
        return CurvePoint{r * std::cos(t), r * std::sin(t), 0};
    };
    auto fx = [](double (*f)(double)) { return [f](double x) { return CurvePoint{x, f(x), 0}; }; };
    return {
        {"Cycloid", libraryCurve(L"Cycloid"), cycloid, 0, end, 1e-4 * 63, {}},
        {"Deltoid", libraryCurve(L"Deltoid"), deltoid, 0, end, 1e-4 * 52, {}},
        {"Epicycloid", libraryCurve(L"Epicycloid"), epicycloid, 0, end, 1e-4 * 60, {}},
        {"Cayleys Sextic", libraryCurve(L"Cayley's Sextic"), sextic, 0, end, 1e-4 * 50, {}},
        {"sin 0..100", makeCurve(ExplicitCartesian, L"sin(x)", L"", 0, 100, 1), fx([](double x) { return std::sin(x); }),
         0, 100, 1e-3, {}},
        {"tan -5..5", makeCurve(ExplicitCartesian, L"tan(x)", L"", -5, 5, 0.1), fx([](double x) { return std::tan(x); }),
         -5, 5, 1e-3, {-3 * kPi / 2, -kPi / 2, kPi / 2, 3 * kPi / 2}, 50},
        {"1/x -1..1", makeCurve(ExplicitCartesian, L"1/x", L"", -1, 1, 0.1), fx([](double x) { return 1 / x; }), -1, 1,
         1e-3, {0}, 50},
        {"sqrt -2..2", makeCurve(ExplicitCartesian, L"sqrt(x)", L"", -2, 2, 0.1),
         fx([](double x) { return std::sqrt(x); }), 0, 2, 1e-3, {}},
        {"x^3-x", makeCurve(ExplicitCartesian, L"x^3-x", L"", -2, 2, 0.5), fx([](double x) { return x * x * x - x; }),
         -2, 2, 1e-3, {}},
        {"Lissajous 3:2", makeCurve(ParametricCartesian, L"sin(2*t)", L"sin(3*t)", 0, end, 0.1, L"t"),
         [](double t) { return CurvePoint{std::sin(3 * t), std::sin(2 * t), 0}; }, 0, end, 1e-4, {}},
        {"Archimedean spiral", makeCurve(ExplicitPolar, L"t", L"", 0, 31.4, 0.1, L"t"),
         [](double t) { return CurvePoint{t * std::cos(t), t * std::sin(t), 0}; }, 0, 31.4, 1e-3, {}},
    };
}

struct Case {
    TruthRow row;
    CurveOutput output;
};

class ShapeTruthTest : public testing::TestWithParam<Case> {};

TEST_P(ShapeTruthTest, shape_within_tolerance)
{
    const TruthRow& row = GetParam().row;
    CurveOptions options;
    options.tolerance = row.tolerance;
    options.output = GetParam().output;
    const ShapedCurve shaped = shapeCurve(row.equation, {}, options);
    ASSERT_EQ(shaped.sampled.status, SampleStatus::Done);
    ASSERT_FALSE(shaped.pieces.empty());
    EXPECT_FALSE(shaped.sampled.refinementCapped);

    CurvePoints truth;
    const int n = 200'000;
    for (int i = 0; i <= n; ++i) {
        const double t = row.start + (row.end - row.start) * i / n;
        const CurvePoint p = row.truth(t);
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.y) <= row.reach)
            truth.push_back(p);
    }
    const std::vector<CurvePoints> lines = finePolylines(shaped.pieces, row.tolerance);
    // A hair above the tolerance for the rounding of this check's own arithmetic.
    EXPECT_EQ(pointsAway(truth, lines, row.tolerance * (1 + 1e-9)), 0u);

    // Chords join samples of one branch only; an arc or a spline may stray by the
    // tolerance, so it may reach across an asymptote by that much where the curve runs
    // within it, but no further.
    const double stray = GetParam().output == CurveOutput::Polyline ? 0.0 : row.tolerance;
    for (const CurvePoints& line : lines)
        for (std::size_t i = 0; i + 1 < line.size(); ++i)
            for (double pole : row.poles) {
                const double a = line[i].x - pole, b = line[i + 1].x - pole;
                ASSERT_FALSE(a * b < 0 && std::max(std::fabs(a), std::fabs(b)) > stray)
                    << "segment " << line[i].x << ".." << line[i + 1].x << " crosses x = " << pole;
            }
}

std::vector<Case> cases()
{
    std::vector<Case> out;
    for (const TruthRow& row : truthRows())
        for (CurveOutput output : {CurveOutput::Polyline, CurveOutput::Arcs, CurveOutput::Spline})
            out.push_back({row, output});
    return out;
}

std::string caseName(const testing::TestParamInfo<Case>& info)
{
    std::string name = info.param.row.name + " " + std::string(1, "pas"[static_cast<int>(info.param.output)]);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Rows, ShapeTruthTest, testing::ValuesIn(cases()), caseName);

// sqrt(x) over -2..2: one run from the edge at (0, 0), found to within the tolerance.
TEST(Shape, shape_sqrt_starts_at_edge)
{
    CurveOptions options;
    options.tolerance = 1e-3;
    const ShapedCurve shaped = shapeCurve(makeCurve(ExplicitCartesian, L"sqrt(x)", L"", -2, 2, 0.1), {}, options);
    ASSERT_EQ(shaped.pieces.size(), 1u);
    const CurvePoint first = shaped.pieces[0].points.front();
    EXPECT_LE(std::hypot(first.x, first.y), 1e-3);
    EXPECT_EQ(shaped.pieces[0].points.back().x, 2);
}

// Jumps break the curve; a steep but continuous stretch does not.
TEST(Shape, shape_breaks_at_jumps_only)
{
    struct Row {
        const char* name;
        std::wstring y;
        double start, end, step;
        std::size_t pieces;
    };
    const Row rows[] = {
        {"step", L"if(x < 0.3, 0, 1)", 0, 1, 0.25, 2},
        {"tan over two asymptotes", L"tan(x)", -2, 2, 0.1, 3},
        {"1/x", L"1/x", -1, 1, 0.1, 2},
        {"steep x^8", L"x^8", -1, 1, 0.125, 1},
        {"steep 1/x without pole", L"1/x", 0.01, 10, 10.0 / 16, 1},
        {"cusp of abs", L"abs(x - 0.3)", 0, 1, 0.25, 1},
        {"narrow finite peak on a grid sample", L"1/(x^2+0.0001)", -1, 1, 0.1, 1},
        {"exp growing far beyond its grid", L"exp(x)", 0, 100, 6.25, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions options;
        options.tolerance = 1e-3;
        const ShapedCurve shaped = shapeCurve(makeCurve(ExplicitCartesian, row.y, L"", row.start, row.end, row.step), {},
                                              options);
        EXPECT_EQ(shaped.pieces.size(), row.pieces);
    }
}

// Beside a pole a branch ends at ten times the reach of the grid samples, however close
// a grid sample falls to the pole (1/x at x = -1.39e-16 is -7.2e15); a continuous peak
// is drawn whole.
TEST(Shape, shape_pole_branches_bounded)
{
    struct Row {
        const char* name;
        std::wstring y;
        double start, end, step;
        double lowest, highest;   // the y range every drawn point lies in
    };
    const Row rows[] = {
        {"1/x with a sample at the pole", L"1/x", -1, 1, 0.1, -120, 120},
        {"tan", L"tan(x)", -5, 5, 0.1, -200, 200},
        {"narrow peak", L"1/(x^2+0.0001)", -1, 1, 0.1, 0, 10000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions options;
        options.tolerance = 1e-3;
        const ShapedCurve shaped =
            shapeCurve(makeCurve(ExplicitCartesian, row.y, L"", row.start, row.end, row.step), {}, options);
        double lowest = 1e300, highest = -1e300;
        for (const CurvePiece& piece : shaped.pieces)
            for (const CurvePoint& p : piece.points)
                lowest = std::min(lowest, p.y), highest = std::max(highest, p.y);
        EXPECT_GE(lowest, row.lowest);
        EXPECT_LE(highest, row.highest);
        EXPECT_GE(highest - lowest, 0.5 * (row.highest - row.lowest)) << "followed most of the way";
    }
}

TEST(Shape, shape_step_ends_at_the_jump)
{
    CurveOptions options;
    options.tolerance = 1e-3;
    const ShapedCurve shaped =
        shapeCurve(makeCurve(ExplicitCartesian, L"if(x < 0.3, 0, 1)", L"", 0, 1, 0.25), {}, options);
    ASSERT_EQ(shaped.pieces.size(), 2u);
    EXPECT_NEAR(shaped.pieces[0].points.back().x, 0.3, 1e-3);
    EXPECT_NEAR(shaped.pieces[1].points.front().x, 0.3, 1e-3);
}

// The default library by default (fixed steps): closed where it returns to its start,
// the Cycloid ending exactly at t = 6.28319.
TEST(Shape, shape_default_library_ends)
{
    struct Row {
        const wchar_t* name;
        bool closed;
    };
    for (const Row& row : {Row{L"Deltoid", true}, Row{L"Epicycloid", true}, Row{L"Cycloid", false},
                           Row{L"Cayley's Sextic", false}}) {
        SCOPED_TRACE(std::string(row.name, row.name + std::wcslen(row.name)));
        for (bool adaptive : {false, true}) {
            CurveOptions options;
            if (adaptive)
                options.tolerance = 1e-3;
            const ShapedCurve shaped = shapeCurve(libraryCurve(row.name), {}, options);
            ASSERT_EQ(shaped.pieces.size(), 1u);
            EXPECT_EQ(shaped.pieces[0].closed, row.closed) << "adaptive " << adaptive;
        }
    }
    const ShapedCurve cycloid = shapeCurve(libraryCurve(L"Cycloid"), {}, {});
    const double t = 6.28319;
    EXPECT_EQ(cycloid.pieces[0].points.back().x, 10 * (t - std::sin(t)));
    EXPECT_EQ(cycloid.pieces[0].points.size(), 64u);

    // Literal steps keep the old vertex list: open, ending at t = 6.2.
    CurveOptions literal;
    literal.literalSteps = true;
    const ShapedCurve old = shapeCurve(libraryCurve(L"Deltoid"), {}, literal);
    ASSERT_EQ(old.pieces.size(), 1u);
    EXPECT_FALSE(old.pieces[0].closed);
    EXPECT_EQ(old.pieces[0].points.size(), 63u);
}

// Arcs join with one tangent along a smooth curve: the end tangent of each arc (from its
// chord and bulge) is the start tangent of the next.
TEST(Shape, shape_arcs_tangent_continuous)
{
    struct Row {
        const char* name;
        CEquation equation;
    };
    const Row rows[] = {
        {"sine", makeCurve(ExplicitCartesian, L"sin(x)", L"", 0, 100, 1)},
        {"spiral", makeCurve(ExplicitPolar, L"t", L"", 0, 31.4, 0.1, L"t")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveOptions options;
        options.tolerance = 1e-3;
        options.output = CurveOutput::Arcs;
        const ShapedCurve shaped = shapeCurve(row.equation, {}, options);
        ASSERT_EQ(shaped.pieces.size(), 1u);
        const CurvePiece& piece = shaped.pieces[0];
        ASSERT_GT(piece.points.size(), 3u);
        int kinks = 0;
        for (std::size_t i = 1; i + 1 < piece.points.size(); ++i) {
            const CurvePoint a = piece.points[i - 1], b = piece.points[i], c = piece.points[i + 1];
            const double in = std::atan2(b.y - a.y, b.x - a.x) + 2 * std::atan(piece.bulges[i - 1]);
            const double out = std::atan2(c.y - b.y, c.x - b.x) - 2 * std::atan(piece.bulges[i]);
            const double turn = std::remainder(out - in, 2 * kPi);
            kinks += std::fabs(turn) > 1e-6 ? 1 : 0;
        }
        EXPECT_EQ(kinks, 0);
    }
}

// A spline through the points of a cubic with the cubic's end derivatives is the cubic.
TEST(Shape, shape_spline_reproduces_cubic)
{
    // x(u) = u, y(u) = u^3 sampled at chord-length parameters is not polynomial in them,
    // so use a straight line, whose chord parameters are exact, with uneven spacing.
    const CurvePoints fit = {{0, 0, 0}, {1, 2, 0}, {1.5, 3, 0}, {4, 8, 0}, {5, 10, 0}};
    const double length = std::hypot(5, 10);
    const SplineData s = interpolateSpline(fit, {5, 10, 0}, {5, 10, 0});
    ASSERT_EQ(s.controlPoints.size(), fit.size() + 2);
    ASSERT_EQ(s.knots.size(), s.controlPoints.size() + 4);
    for (int i = 0; i <= 100; ++i) {
        const double u = i / 100.0;
        const CurvePoint p = splinePoint(s, u);
        EXPECT_NEAR(p.x, 5 * u, 1e-12);
        EXPECT_NEAR(p.y, 10 * u, 1e-12);
    }
    for (std::size_t k = 0; k < fit.size(); ++k) {
        const double u = std::hypot(fit[k].x, fit[k].y) / length;
        EXPECT_NEAR(splinePoint(s, u).x, fit[k].x, 1e-12);
    }
}

TEST(CurveOptions, options_text_round_trip)
{
    struct Row {
        const char* name;
        CurveOptions options;
        std::wstring text;
    };
    CurveOptions arcs;
    arcs.output = CurveOutput::Arcs;
    arcs.tolerance = 0.001;
    CurveOptions literal;
    literal.literalSteps = true;
    literal.output = CurveOutput::Spline;
    literal.tolerance = 1.5e-7;
    const Row rows[] = {
        {"defaults", CurveOptions{}, L"output=polyline;tolerance=none;literal-steps=0"},
        {"arcs", arcs, L"output=arcs;tolerance=0.001;literal-steps=0"},
        {"literal spline", literal, L"output=spline;tolerance=1.5e-07;literal-steps=1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(curveOptionsText(row.options), row.text);
        EXPECT_EQ(parseCurveOptions(row.text), row.options);
    }
    EXPECT_EQ(parseCurveOptions(L""), CurveOptions{});
    EXPECT_EQ(parseCurveOptions(L"tolerance=0.5"), (CurveOptions{false, 0.5, CurveOutput::Polyline}));
    for (const wchar_t* bad : {L"output=circles", L"tolerance=0", L"tolerance=-1", L"tolerance=inf", L"tolerance=1,5",
                               L"tolerance=", L"literal-steps=yes", L"colour=red", L"output", L"tolerance=0.5x"}) {
        EXPECT_EQ(parseCurveOptions(bad), std::nullopt) << std::string(bad, bad + std::wcslen(bad));
    }
}

} // namespace

namespace {

bool samePieces(const std::vector<CurvePiece>& a, const std::vector<CurvePiece>& b)
{
    auto same = [](const CurvePoints& p, const CurvePoints& q) {
        return std::equal(p.begin(), p.end(), q.begin(), q.end(),
                          [](const CurvePoint& u, const CurvePoint& v) { return u.x == v.x && u.y == v.y && u.z == v.z; });
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const CurvePiece& p, const CurvePiece& q) {
        return p.closed == q.closed && same(p.points, q.points) && p.bulges == q.bulges
            && same(p.spline.controlPoints, q.spline.controlPoints);
    });
}

} // namespace

// Pieces that take the samples over are the pieces shaped beside kept samples, and the
// counts of what was sampled stay: one closed run, runs broken by undefined samples (kept
// as a copy), adaptive breaks, fitted arcs and a failed expression.
TEST(Shape, shape_without_kept_samples_same_pieces)
{
    struct Row {
        const char* name;
        CEquation curve;
        CurveOptions options;
        std::size_t nonFinite;
    };
    CurveOptions adaptive;
    adaptive.tolerance = 1e-3;
    CurveOptions arcs;
    arcs.output = CurveOutput::Arcs;
    CurveOptions literal;
    literal.literalSteps = true;
    const Row rows[] = {
        {"closed circle", makeCurve(ParametricCartesian, L"sin(t)", L"cos(t)", 0, 2 * kPi, 0.01, L"t"), {}, 0},
        {"open sine, literal steps", makeCurve(ExplicitCartesian, L"sin(x)", L"", 0, 3, 0.1), literal, 0},
        {"sqrt undefined below 0", makeCurve(ExplicitCartesian, L"sqrt(x)", L"", -1, 1, 0.25), {}, 4},
        {"log with two undefined stretches", makeCurve(ExplicitCartesian, L"ln(x^2-1)", L"", -3, 3, 0.5), {}, 5},
        {"tan adaptive, two breaks", makeCurve(ExplicitCartesian, L"tan(x)", L"", -2, 2, 0.1), adaptive, 2},
        {"arcs of a circle", makeCurve(ParametricCartesian, L"sin(t)", L"cos(t)", 0, 2 * kPi, 0.1, L"t"), arcs, 0},
        {"faulty expression", makeCurve(ExplicitCartesian, L"sin(", L"", 0, 1, 0.1), {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ShapedCurve kept = shapeCurve(row.curve, {1, 2, 0}, row.options);
        const ShapedCurve taken = shapeCurve(row.curve, {1, 2, 0}, row.options, nullptr, KeepSamples::No);
        EXPECT_EQ(taken.sampled.status, kept.sampled.status);
        EXPECT_TRUE(taken.sampled.points.empty());
        EXPECT_EQ(kept.sampleCount, kept.sampled.points.size());
        EXPECT_EQ(taken.sampleCount, kept.sampleCount);
        EXPECT_EQ(kept.nonFiniteCount, row.nonFinite);
        EXPECT_EQ(taken.nonFiniteCount, row.nonFinite);
        EXPECT_TRUE(samePieces(taken.pieces, kept.pieces));
    }
}
