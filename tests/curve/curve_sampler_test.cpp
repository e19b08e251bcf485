// The pure sampler: its status, the parser's reason and position for a faulty
// expression, and the progress it reports, with nothing shown.
#include "curve/curve_sampler.h"
#include "model/equation.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using plotwright::curve::SampleOptions;
using plotwright::curve::SampleProgress;
using plotwright::curve::SampleResult;
using plotwright::curve::SampleStatus;
using plotwright::curve::sampleCurve;

namespace {

CEquationParameterPtr running(const std::wstring& name, double start, double end, double step, int low = 0,
                              int high = 0)
{
    return std::make_shared<CEquationParameter>(ParameterFields{.name = name, .type = RunningVariable, .increment = step,
                                                                .minSet = low, .maxSet = high, .minValue = start,
                                                                .maxValue = end});
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

struct StatusRow {
    std::string name;
    CEquation equation;
    SampleStatus status;
    std::wstring message;
    int position;
    char expression;
    std::size_t points;
};

class SamplerStatusTest : public testing::TestWithParam<StatusRow> {};

TEST_P(SamplerStatusTest, sampler_status_reason)
{
    const StatusRow& row = GetParam();
    const SampleResult result = sampleCurve(row.equation, {});
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.message, row.message);
    EXPECT_EQ(result.position, row.position);
    EXPECT_EQ(result.expression, row.expression);
    EXPECT_EQ(result.points.size(), row.points);
}

const auto x02 = [] { return running(L"x", 0, 2, 1); };

INSTANTIATE_TEST_SUITE_P(
    Rows, SamplerStatusTest,
    testing::Values(
        StatusRow{"done", curve(ExplicitCartesian, L"x", L"", {x02()}), SampleStatus::Done, L"", -1, 0, 3},
        StatusRow{"unknown name", curve(ExplicitCartesian, L"pi*x", L"", {x02()}), SampleStatus::ErrorInEquation,
                  L"unknown name \"pi\"", 0, 'Y', 0},
        StatusRow{"unknown name later", curve(ExplicitCartesian, L"2 * q", L"", {x02()}),
                  SampleStatus::ErrorInEquation, L"unknown name \"q\"", 4, 'Y', 0},
        StatusRow{"end of expression", curve(ExplicitCartesian, L"x+", L"", {x02()}), SampleStatus::ErrorInEquation,
                  L"unexpected end of expression", 2, 'Y', 0},
        StatusRow{"stray parenthesis", curve(ExplicitCartesian, L"x)", L"", {x02()}), SampleStatus::ErrorInEquation,
                  L"unexpected parenthesis \")\"", 1, 'Y', 0},
        StatusRow{"too few arguments", curve(ExplicitCartesian, L"sin()", L"", {x02()}),
                  SampleStatus::ErrorInEquation, L"too few arguments for \"sin\"", 4, 'Y', 0},
        StatusRow{"character outside the language", curve(ExplicitCartesian, L"x+\u00e9", L"", {x02()}),
                  SampleStatus::ErrorInEquation, L"character outside the expression language", 2, 'Y', 0},
        StatusRow{"assignment", curve(ExplicitCartesian, L"x = 2", L"", {x02()}), SampleStatus::ErrorInEquation,
                  L"assignment outside the expression language", 2, 'Y', 0},
        StatusRow{"parametric x fails", curve(ParametricCartesian, L"t", L"t*", {running(L"t", 0, 2, 1)}),
                  SampleStatus::ErrorInEquation, L"unexpected end of expression", 2, 'X', 0},
        StatusRow{"no running variable", curve(ExplicitCartesian, L"a", L"", {constant(L"a", 1)}),
                  SampleStatus::ErrorInEquation, L"no running variable", -1, 0, 0},
        StatusRow{"constant named PI", curve(ExplicitCartesian, L"x", L"", {x02(), constant(L"PI", 1)}),
                  SampleStatus::ErrorInEquation, L"unacceptable variable name \"PI\"", -1, 0, 0},
        StatusRow{"unknown kind", curve(6, L"x", L"", {x02()}), SampleStatus::ErrorInEquation,
                  L"the curve's kind 6 is none of 1 (explicit), 2 (parametric), 3 (polar), 4 (space), 5 (implicit)",
                  -1, 0, 0},
        StatusRow{"constant outside its bounds", curve(ExplicitCartesian, L"a*x", L"", {constant(L"a", 7, 1, 5), x02()}),
                  SampleStatus::InvalidParameters, L"a = 7 is above its upper bound 5", -1, 0, 0},
        StatusRow{"range below its bounds", curve(ExplicitCartesian, L"x", L"", {running(L"x", -3, 2, 1, -2, 5)}),
                  SampleStatus::InvalidParameters, L"x: the range's start -3 is below its lower bound -2", -1, 0, 0},
        StatusRow{"zero step", curve(ExplicitCartesian, L"x", L"", {running(L"x", 0, 2, 0)}),
                  SampleStatus::InvalidParameters, L"x: the step 0 does not advance x from 0 to 2", -1, 0, 0},
        StatusRow{"too many samples", curve(ExplicitCartesian, L"x", L"", {running(L"x", 0, 1e10, 1)}),
                  SampleStatus::TooManySamples, L"", -1, 0, 0}),
    rowName<StatusRow>);

TEST(Sampler, sampler_too_many_counts_end)
{
    // 0, 1, ..., 9'999'999 is exactly the limit; the end 9'999'999.5 would be one more.
    const SampleResult atLimit =
        sampleCurve(curve(ExplicitCartesian, L"1", L"", {running(L"x", 0, 9'999'999, 1)}), {});
    EXPECT_EQ(atLimit.status, SampleStatus::Done);
    const SampleResult over =
        sampleCurve(curve(ExplicitCartesian, L"1", L"", {running(L"x", 0, 9'999'999.5, 1)}), {});
    EXPECT_EQ(over.status, SampleStatus::TooManySamples);
    EXPECT_EQ(over.requestedSamples, 10'000'001.0L);
}

SampleOptions literalSteps()
{
    SampleOptions options;
    options.literalSteps = true;
    return options;
}

SampleOptions adaptive()
{
    SampleOptions options;
    options.tolerance = 1e-4;
    return options;
}

class RecordingProgress : public SampleProgress {
public:
    void start(int maximum) override { events.push_back("start " + std::to_string(maximum)); }
    void step(int position) override { events.push_back(std::to_string(position)); }
    void finish() override { events.push_back("finish"); }
    std::vector<std::string> events;
};

TEST(Sampler, sampler_progress_order)
{
    struct Row {
        const char* name;
        CEquation equation;
        SampleOptions options;
        std::vector<std::string> events;
    };
    const Row rows[] = {
        {"exact end counted", curve(ExplicitCartesian, L"x", L"", {running(L"x", 0, 2.5, 1)}), {},
         {"start 3", "0", "1", "2", "3", "finish"}},
        {"literal steps", curve(ExplicitCartesian, L"x", L"", {running(L"x", 0, 2.5, 1)}), literalSteps(),
         {"start 2", "0", "1", "2", "finish"}},
        {"fails at the second sample", curve(ExplicitCartesian, L"if(x == 1, q, 0)", L"", {x02()}), {},
         {"start 2", "0", "finish"}},
        {"adaptive: one position per grid value", curve(ExplicitCartesian, L"sin(x)", L"", {x02()}), adaptive(),
         {"start 2", "0", "1", "2", "finish"}},
        {"invalid parameters: no progress", curve(ExplicitCartesian, L"x", L"", {running(L"x", 0, 2, 0)}), {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingProgress progress;
        sampleCurve(row.equation, {}, row.options, &progress);
        EXPECT_EQ(progress.events, row.events);
    }
}

// Outside literal steps sample i is min + i * step and the last one is exactly the
// maximum, so no rounding adds up over a long range; literal steps keep the additions.
TEST(Sampler, sampler_even_steps_end_exactly)
{
    struct Row {
        const char* name;
        double start, end, step;
        SampleOptions options;
        std::size_t points;
        double last;
        bool even;   // every sample but the last is start + i * step
    };
    const Row rows[] = {
        {"measured: 0..1000 by 0.01", 0, 1000, 0.01, {}, 100'001, 1000, true},
        {"adaptive grid alike", 0, 1000, 0.01, adaptive(), 100'001, 1000, false},
        {"0..10 by 0.1", 0, 10, 0.1, {}, 101, 10, true},
        {"end between steps follows", 0, 1, 0.3, {}, 5, 1, true},
        {"negative start", -3.3, 3.3, 0.11, {}, 61, 3.3, true},
        {"step longer than the range", 0, 1, 10, {}, 2, 1, true},
        {"literal steps: accumulated", 0, 10, 0.1, literalSteps(), 101, 9.99999999999998, false},
        {"literal steps: no end added", 0, 6.28319, 0.1, literalSteps(), 63, 6.199999999999994, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const SampleResult result =
            sampleCurve(curve(ExplicitCartesian, L"sin(x)", L"", {running(L"x", row.start, row.end, row.step)}), {},
                        row.options);
        ASSERT_EQ(result.status, SampleStatus::Done);
        std::size_t finite = 0;
        for (const auto& p : result.points)
            finite += std::isfinite(p.x) ? 1 : 0;
        EXPECT_EQ(finite, row.points);
        if (row.options.tolerance)
            continue;
        ASSERT_EQ(result.points.size(), row.points);
        if (row.options.literalSteps)
            EXPECT_DOUBLE_EQ(result.points.back().x, row.last);
        else
            EXPECT_EQ(result.points.back().x, row.last);
        for (std::size_t i = 0; row.even && i + 1 < result.points.size(); ++i)
            ASSERT_EQ(result.points[i].x, row.start + static_cast<double>(i) * row.step) << "sample " << i;
    }
}

// A grid sample exactly on the edge of where the curve is defined is emitted once.
TEST(Sampler, sampler_adaptive_edge_on_a_grid_sample_once)
{
    const SampleResult result =
        sampleCurve(curve(ExplicitCartesian, L"sqrt(x)", L"", {running(L"x", -2, 2, 0.1)}), {}, adaptive());
    ASSERT_EQ(result.status, SampleStatus::Done);
    ASSERT_GE(result.points.size(), 2u);
    EXPECT_EQ(result.points[0].x, 0.0);
    EXPECT_GT(result.points[1].x, 0.0);
}

TEST(Sampler, sampler_adaptive_grid_ends_at_maximum)
{
    const SampleResult result =
        sampleCurve(curve(ExplicitCartesian, L"x", L"", {running(L"x", 0, 1000, 0.01)}), {}, adaptive());
    ASSERT_EQ(result.status, SampleStatus::Done);
    EXPECT_EQ(result.points.back().x, 1000.0);
    EXPECT_LT(result.points[result.points.size() - 2].x, 1000 - 0.005);
}

} // namespace
