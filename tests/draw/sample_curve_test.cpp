// SampleCurve as the editor sees it: the points, the messages and the order of the
// editor calls, the accumulated stepping, and the refusal of ranges that cannot be drawn.
#include "draw/sample_curve.h"
#include "curve/sampling_range.h"
#include "support/recording_backend.h"
#include "model/equation.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <ostream>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace plotwright::host {
// Lets a failed comparison of call lists show the calls.
void PrintTo(const RecordingBackend::Call& c, std::ostream* out)
{
    *out << '{' << static_cast<int>(c.kind) << ", \"";
    for (wchar_t ch : c.text)
        *out << (ch < 0x80 ? static_cast<char>(ch) : '?');
    *out << "\", " << c.a << ", " << c.b << '}';
}
} // namespace plotwright::host

using plotwright::host::RecordingBackend;
using plotwright::host::ScopedBackend;
using Call = RecordingBackend::Call;
using Kind = RecordingBackend::Kind;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double k2p53 = 9007199254740992.0;   // from here on, doubles are 2 apart

CEquationParameterPtr running(const std::wstring& name, double start, double end, double step, int minSet = 0,
                              int maxSet = 0)
{
    return std::make_shared<CEquationParameter>(ParameterFields{.name = name, .type = RunningVariable,
        .increment = step, .minSet = minSet, .maxSet = maxSet, .minValue = start, .maxValue = end});
}

CEquationParameterPtr constant(const std::wstring& name, double value, double min = 0, double max = 0)
{
    return std::make_shared<CEquationParameter>(
        ParameterFields{.name = name, .type = Constant, .min = min, .max = max, .value = value});
}

CEquation curve(int type, const std::wstring& y, const std::wstring& x, std::vector<CEquationParameterPtr> parameters)
{
    CEquation e;
    e.SetType(type);
    e.SetEquationY(y);
    e.SetEquationX(x);
    for (const CEquationParameterPtr& p : parameters)
        e.AddParameter(p);
    return e;
}

CEquation explicitCurve(const std::wstring& y, std::vector<CEquationParameterPtr> parameters)
{
    return curve(ExplicitCartesian, y, L"", std::move(parameters));
}

Call meter(int maximum) { return {Kind::ProgressMeter, L"Draw...", 0, maximum}; }
Call pos(int position) { return {Kind::ProgressPos, {}, position}; }
Call restore() { return {Kind::RestoreStatusBar, {}}; }
Call errorAlert() { return {Kind::Alert, L"Error in equation"}; }
Call box(const std::wstring& text, unsigned type = MB_OK) { return {Kind::MessageBox, text, static_cast<int>(type)}; }
// An OK button, no icon, no help topic.
Call invalidBox() { return box(L"Invalid parameter(s) provided!", MB_OK); }

class SampleCurveTest : public testing::Test {
protected:
    CurvePoints sample(const CEquation& e, double ox = 0, double oy = 0, double oz = 0)
    {
        const ads_point origin = {ox, oy, oz};
        return SampleCurve(e, origin);
    }
    CurvePoints sampleLiterally(const CEquation& e)
    {
        const ads_point origin = {0, 0, 0};
        plotwright::curve::SampleOptions literal;
        literal.literalSteps = true;
        return sampleCurveShowing(e, origin, literal).points;
    }

    RecordingBackend backend;
    ScopedBackend scope{backend};
};

// The accumulated stepping, sampled literally and by default (the end exactly): how
// many samples, the last value, the meter's maximum.
struct SteppingRow {
    std::string name;
    double start, end, step;
    int minSet, maxSet;
    std::size_t samples;
    double last;
    int meterMaximum;
    std::size_t exactSamples;   // by default
    double exactLast;
    int exactMeterMaximum;
};

class SteppingTest : public SampleCurveTest, public testing::WithParamInterface<SteppingRow> {};

TEST_P(SteppingTest, sample_stepping)
{
    const SteppingRow& row = GetParam();
    const CEquation line = explicitCurve(L"x", {running(L"x", row.start, row.end, row.step, row.minSet, row.maxSet)});
    const CurvePoints points = sampleLiterally(line);

    ASSERT_EQ(points.size(), row.samples);
    if (!points.empty()) {
        EXPECT_EQ(points.back().x, row.last);
        EXPECT_EQ(points.back().y, row.last);
    }
    ASSERT_FALSE(backend.calls.empty());
    EXPECT_EQ(backend.calls.front(), meter(row.meterMaximum));
    EXPECT_EQ(backend.calls.back(), restore());
    EXPECT_EQ(backend.positionCount, row.samples);
    EXPECT_EQ(backend.lastPosition, static_cast<int>(row.samples) - 1);
    EXPECT_TRUE(backend.messages().empty());

    backend.clear();
    const CurvePoints exact = sample(line);
    ASSERT_EQ(exact.size(), row.exactSamples);
    if (!exact.empty()) {
        EXPECT_EQ(exact.back().x, row.exactLast);
    }
    ASSERT_FALSE(backend.calls.empty());
    EXPECT_EQ(backend.calls.front(), meter(row.exactMeterMaximum));
    EXPECT_EQ(backend.positionCount, row.exactSamples);
    EXPECT_EQ(backend.lastPosition, static_cast<int>(row.exactSamples) - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SteppingTest,
    testing::Values(
        // Accumulated 0.1 steps fall short of 10; start + 100 * 0.1 would be exactly 10.
        // Accumulated 0.1 steps fall short of 10 by rounding only: the last becomes 10.
        SteppingRow{"0 to 10 by 0.1", 0, 10, 0.1, 0, 0, 101, 9.99999999999998, 100, 101, 10, 100},
        // The default library's range: 6.2 is followed by the end itself.
        SteppingRow{"0 to 6.28319 by 0.1", 0, 6.28319, 0.1, 0, 0, 63, 6.199999999999994, 62, 64, 6.28319, 63},
        SteppingRow{"end between samples", 0, 2.5, 1, 0, 0, 3, 2, 2, 4, 2.5, 3},
        SteppingRow{"negative range", -3, -1, 0.5, 0, 0, 5, -1, 4, 5, -1, 4},
        SteppingRow{"infinite step", 0, 1, kInf, 0, 0, 1, 0, 0, 2, 1, 1},
        SteppingRow{"bounded single value", 5, 5, 1, 0, 10, 1, 5, 0, 1, 5, 0},
        SteppingRow{"bounded reversed range", 5, 2, 1, 0, 10, 0, 0, -3, 0, 0, -3},
        SteppingRow{"bounded reversed range with NaN step", 5, 2, kNaN, 0, 10, 0, 0, 0, 0, 0, 0},
        SteppingRow{"bounded reversed range with zero step", 5, 2, 0, 0, 10, 0, 0, INT_MIN, 0, 0, INT_MIN}),
    rowName<SteppingRow>);

struct Point {
    double x, y;
};

// Each kind's coordinates against closed forms, offset by the origin, z always 0.
TEST_F(SampleCurveTest, sample_kinds_coordinates)
{
    struct Row {
        const char* name;
        CEquation equation;
        double ox, oy, oz;
        std::vector<Point> points;
    };
    const double half = 3.14159265;
    const Row rows[] = {
        {"explicit parabola", explicitCurve(L"x^2", {running(L"x", 0, 2, 1)}), 10, 20, 5,
         {{10, 20}, {11, 21}, {12, 24}}},
        {"parametric cycloid",
         curve(ParametricCartesian, L"a*(1-cos(t))", L"a*(t-sin(t))", {constant(L"a", 10), running(L"t", 0, half, half)}),
         0, 0, 0, {{0, 0}, {10 * (half - std::sin(half)), 10 * (1 - std::cos(half))}}},
        {"polar unit circle", curve(ExplicitPolar, L"1", L"", {running(L"t", 0, 3.1416, 1.5708)}), 1, 2, 3,
         {{2, 2}, {1 + std::cos(1.5708), 2 + std::sin(1.5708)}, {1 + std::cos(3.1416), 2 + std::sin(3.1416)}}},
        {"polar radius and angle", curve(ExplicitPolar, L"2*t", L"", {running(L"t", 0, 1, 0.5)}), 0, 0, 0,
         {{0, 0}, {std::cos(0.5), std::sin(0.5)}, {2 * std::cos(1.0), 2 * std::sin(1.0)}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        backend.clear();
        const CurvePoints points = sample(row.equation, row.ox, row.oy, row.oz);
        ASSERT_EQ(points.size(), row.points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(points[i].x, row.points[i].x, 1e-12) << "point " << i;
            EXPECT_NEAR(points[i].y, row.points[i].y, 1e-12) << "point " << i;
            EXPECT_EQ(points[i].z, 0) << "point " << i;
        }
        EXPECT_TRUE(backend.messages().empty());
    }
}

// What the editor sees, in order, and how many points come back.
struct OutcomeRow {
    std::string name;
    CEquation equation;
    std::vector<Call> calls;
    std::size_t points;
};

class OutcomeTest : public SampleCurveTest, public testing::WithParamInterface<OutcomeRow> {};

TEST_P(OutcomeTest, sample_outcome)
{
    const CurvePoints points = sample(GetParam().equation);
    EXPECT_EQ(backend.calls, GetParam().calls);
    EXPECT_EQ(points.size(), GetParam().points);
}

const std::vector<Call> kFailsAtFirstSample = {meter(2), pos(0), restore(), errorAlert()};

OutcomeRow constantNamed(const std::wstring& name, const std::string& rowName)
{
    return {rowName, explicitCurve(L"x", {running(L"x", 0, 2, 1), constant(name, 1)}), {errorAlert()}, 0};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutcomeTest,
    testing::Values(
        OutcomeRow{"every sample evaluates", explicitCurve(L"x", {running(L"x", 0, 2, 1)}),
                   {meter(2), pos(0), pos(1), pos(2), restore()}, 3},
        OutcomeRow{"constant outside its bounds", explicitCurve(L"a*x", {constant(L"a", 7, 1, 5), running(L"x", 0, 2, 1)}),
                   {invalidBox()}, 0},
        OutcomeRow{"type 6", curve(6, L"x", L"x", {running(L"x", 0, 2, 1)}), {}, 0},
        OutcomeRow{"type 6 with bad constant", curve(6, L"x", L"", {running(L"x", 0, 2, 1), constant(L"e", 1)}), {}, 0},
        OutcomeRow{"space curve without z", curve(SpaceCurve, L"t", L"t", {running(L"t", 0, 2, 1)}),
                   kFailsAtFirstSample, 0},
        OutcomeRow{"implicit curve with an empty window", curve(ImplicitCurve, L"x^2+y^2-1", L"", {}), {invalidBox()}, 0},
        OutcomeRow{"syntax error", explicitCurve(L"x+", {running(L"x", 0, 2, 1)}), kFailsAtFirstSample, 0},
        OutcomeRow{"unknown name", explicitCurve(L"x+q", {running(L"x", 0, 2, 1)}), kFailsAtFirstSample, 0},
        OutcomeRow{"non-ASCII expression", explicitCurve(L"x+\u00e9", {running(L"x", 0, 2, 1)}), kFailsAtFirstSample, 0},
        constantNamed(L"e", "constant named e"),
        constantNamed(L"PI", "constant named PI"),
        constantNamed(L"sin", "constant named sin"),
        constantNamed(L"2a", "constant named 2a"),
        constantNamed(L"\u00e9", "constant with non-ASCII name"),
        OutcomeRow{"running variable named sin", explicitCurve(L"1", {running(L"sin", 0, 2, 1)}), kFailsAtFirstSample, 0},
        OutcomeRow{"two running variables, the last used",
                   explicitCurve(L"t", {running(L"x", 0, 1, 1), running(L"t", 0, 2, 1)}),
                   {meter(2), pos(0), pos(1), pos(2), restore()}, 3},
        OutcomeRow{"two running variables, the first used",
                   explicitCurve(L"x", {running(L"x", 0, 1, 1), running(L"t", 0, 2, 1)}), kFailsAtFirstSample, 0},
        OutcomeRow{"no running variable", explicitCurve(L"a", {constant(L"a", 1)}),
                   {meter(0), pos(0), restore(), errorAlert()}, 0},
        // A evaluates at the first sample, B fails before that sample's point is kept.
        OutcomeRow{"parametric x expression in error",
                   curve(ParametricCartesian, L"t", L"t+", {running(L"t", 0, 2, 1)}), kFailsAtFirstSample, 0},
        OutcomeRow{"empty reversed range", explicitCurve(L"x+", {running(L"x", 5, 2, 1, 0, 10)}),
                   {meter(-3), restore()}, 0},
        OutcomeRow{"zero step", explicitCurve(L"x", {running(L"x", 0, 2, 0)}), {invalidBox()}, 0},
        OutcomeRow{"negative step", explicitCurve(L"x", {running(L"x", 0, 2, -1)}), {invalidBox()}, 0},
        // The first addition gives NaN, which ends the loop after the first sample.
        OutcomeRow{"NaN step", explicitCurve(L"x", {running(L"x", 0, 2, kNaN)}), {meter(0), pos(0), restore()}, 1},
        OutcomeRow{"step lost at the start", explicitCurve(L"x", {running(L"x", -1e17, 1e17, 1)}), {invalidBox()}, 0},
        OutcomeRow{"step lost at the end", explicitCurve(L"x", {running(L"x", 0, 1e17, 1)}), {invalidBox()}, 0},
        // Half the gap between doubles: a tie that rounds up at both ends but back
        // down at 2^53 + 4, where the loop would stall.
        OutcomeRow{"step lost inside the range", explicitCurve(L"x", {running(L"x", k2p53 + 2, k2p53 + 6, 1)}),
                   {invalidBox()}, 0},
        OutcomeRow{"bad constant before zero step", explicitCurve(L"x", {running(L"x", 0, 2, 0), constant(L"PI", 1)}),
                   {errorAlert()}, 0},
        OutcomeRow{"too many samples", explicitCurve(L"x", {running(L"x", 0, 1e10, 1)}),
                   {box(L"Too many points: the range and increment give 10000000001 samples; at most 10000000 can "
                        L"be drawn.",
                        MB_OK | MB_ICONEXCLAMATION)},
                   0}),
    rowName<OutcomeRow>);

TEST_F(SampleCurveTest, sample_non_finite_results_kept)
{
    const CurvePoints points = sample(explicitCurve(L"1/x + sqrt(x-1)", {running(L"x", 0, 2, 1)}));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_TRUE(std::isnan(points[0].y));   // 1/0 + sqrt(-1)
    EXPECT_TRUE(std::isfinite(points[2].y));
    const CurvePoints polar = sample(curve(ExplicitPolar, L"1/t", L"", {running(L"t", 0, 1, 1)}));
    ASSERT_EQ(polar.size(), 2u);
    EXPECT_TRUE(std::isinf(polar[0].x));
    EXPECT_TRUE(backend.messages().empty());
}

// Constants are bound in parameter order, so a later one of the same name wins, and the
// running variable, bound last, wins over a constant of its name; both parsers see them.
TEST_F(SampleCurveTest, sample_bindings_last_wins)
{
    const CurvePoints points = sample(curve(ParametricCartesian, L"a + t", L"10 * a",
        {constant(L"a", 1), constant(L"t", 100), running(L"t", 0, 1, 1), constant(L"a", 2)}));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].x, 20);
    EXPECT_EQ(points[0].y, 2);
    EXPECT_EQ(points[1].y, 3);
}

TEST(SamplingRange, range_count_limit)
{
    using plotwright::curve::countSamples;
    using plotwright::curve::kMaxSamples;
    using plotwright::curve::SampleCount;

    const SampleCount atLimit = countSamples({0, 9'999'999, 1}, kMaxSamples);
    EXPECT_EQ(atLimit.status, SampleCount::Ok);
    EXPECT_EQ(atLimit.count, kMaxSamples);

    const SampleCount justOver = countSamples({0, 10'000'000, 1}, kMaxSamples);
    EXPECT_EQ(justOver.status, SampleCount::TooMany);
    EXPECT_EQ(justOver.estimate, 10'000'001.0L);

    const SampleCount counted = countSamples({0, 30'000'000, 1}, kMaxSamples);
    EXPECT_EQ(counted.status, SampleCount::TooMany);
    EXPECT_EQ(counted.estimate, 30'000'001.0L);

    // Accumulated 0.1 steps reach 0.9999999999999999, one sample more than the limit 10.
    EXPECT_EQ(countSamples({0, 1, 0.1}, 10).status, SampleCount::TooMany);
    EXPECT_EQ(countSamples({0, 1, 0.1}, 11).count, 11u);

    EXPECT_EQ(plotwright::curve::tooManySamplesMessage(1e300L, kMaxSamples),
              L"Too many points: the range and increment give 1e+300 samples; at most 10000000 can be drawn.");
}

} // namespace
