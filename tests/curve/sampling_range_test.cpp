// The sample count against the accumulation it stands for: every field of the result
// equal to what adding the step one sample at a time gives, across binades, ties, zero,
// subnormals and the limit.
#include "curve/sampling_range.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

using plotwright::curve::countSamples;
using plotwright::curve::SampleCount;
using plotwright::curve::SamplingRange;

namespace {

// One addition per sample, as the sampler steps: the reference.
SampleCount stepped(const SamplingRange& r, std::size_t limit)
{
    if (!(r.start <= r.end))
        return {SampleCount::Ok, 0, 0};
    if (std::isnan(r.step))  // the first addition ends the loop
        return {SampleCount::Ok, 1, 1, r.start};
    if (!(r.start + r.step > r.start) || !(r.end + r.step > r.end))
        return {SampleCount::Stalls, 0, 0};
    const long double estimate = std::floor((static_cast<long double>(r.end) - r.start) / r.step) + 1;
    if (estimate > 4.0L * static_cast<long double>(limit))
        return {SampleCount::TooMany, 0, estimate};
    std::size_t count = 0;
    double last = r.start;
    for (double t = r.start; t <= r.end;) {
        last = t;
        if (++count > limit)
            return {SampleCount::TooMany, count, std::max(estimate, static_cast<long double>(count))};
        const double next = t + r.step;
        if (!(next > t))
            return {SampleCount::Stalls, 0, 0};
        t = next;
    }
    return {SampleCount::Ok, count, estimate, last};
}

void expectSame(const SamplingRange& r, std::size_t limit)
{
    const SampleCount want = stepped(r, limit);
    const SampleCount got = countSamples(r, limit);
    EXPECT_EQ(got.status, want.status);
    EXPECT_EQ(got.count, want.count);
    EXPECT_EQ(got.estimate, want.estimate);
    EXPECT_EQ(got.last, want.last);
}

std::string describe(const SamplingRange& r, std::size_t limit)
{
    char text[160];
    std::snprintf(text, sizeof text, "start %a end %a step %a limit %zu", r.start, r.end, r.step, limit);
    return text;
}

struct Row {
    const char* name;
    SamplingRange range;
    std::size_t limit = 10'000'000;
    SampleCount::Status status;  // what the reference gives: the row covers that case
};

// ulp-sized steps: u is the gap between doubles in [1, 2).
constexpr double u = 0x1p-52;
constexpr double tiny = 0x1p-1074;

const Row rows[] = {
    {"tenths over [0, 1] miss the end", {0, 1, 0.1}, 100, SampleCount::Ok},
    {"thousandths across six binades", {1e-3, 1e3, 1e-3}, 10'000'000, SampleCount::Ok},
    {"a million whole steps", {0, 999'999, 1}, 10'000'000, SampleCount::Ok},
    {"the range crossing zero", {-1, 1, 1e-5}, 10'000'000, SampleCount::Ok},
    {"negative values towards zero", {-1000, -1e-3, 1e-3}, 10'000'000, SampleCount::Ok},
    {"the end hit exactly by a power-of-two step", {0, 64, 0x1p-10}, 10'000'000, SampleCount::Ok},
    {"a tie rounding to the even neighbour, odd start", {1 + u, 1 + 4001 * u, 1.5 * u}, 10'000'000, SampleCount::Ok},
    {"a tie rounding down from an even value", {1 + u, 1 + 4001 * u, 2.5 * u}, 10'000'000, SampleCount::Ok},
    {"half-gap step stalls after an odd start", {1 + u, 1 + 8191 * u, 0.5 * u}, 10'000'000, SampleCount::Stalls},
    {"steps across 2^53 where the gap doubles", {0x1p53 - 30001, 0x1p53 + 40001, 1.5}, 10'000'000, SampleCount::Ok},
    {"a step lost at the far end", {0x1p52 - 40000, 0x1p53 + 1e6, 0.75}, 10'000'000, SampleCount::Stalls},
    {"ties across a power of two", {2 - 3000 * u, 2 + 3000 * u, 1.5 * u}, 10'000'000, SampleCount::Ok},
    {"ties across a negative power of two", {-2 - 3000 * u, -2 + 3000 * u, 3 * u}, 10'000'000, SampleCount::Ok},
    {"subnormals across zero", {-5000 * tiny, 5000 * tiny, 3 * tiny}, 10'000'000, SampleCount::Ok},
    {"ties past the lowest binades", {0x1p-1021 - 5000 * tiny, 0x1p-1021 + 9000 * tiny, 3 * tiny}, 10'000'000,
     SampleCount::Ok},
    {"limit reached inside a run", {0, 1e6, 1}, 12'345, SampleCount::TooMany},
    {"limit met exactly", {0, 12'344, 1}, 12'345, SampleCount::Ok},
    {"limit passed by one at the last value", {0, 12'345, 1}, 12'345, SampleCount::TooMany},
    {"count past the limit, estimate below four times it", {-1e6, 1e6, 0.1}, 10'000'000, SampleCount::TooMany},
    {"estimate far past the limit", {0, 1e9, 1}, 10'000'000, SampleCount::TooMany},
    {"a step longer than the range", {0, 1, 5}, 10, SampleCount::Ok},
    {"an infinite step", {-3, 7, INFINITY}, 10, SampleCount::Ok},
    {"one sample", {2.5, 2.5, 1}, 10, SampleCount::Ok},
    {"reversed range", {3, 2, 1}, 10, SampleCount::Ok},
    {"zero step", {0, 1, 0}, 10, SampleCount::Stalls},
    {"NaN step ends after the start", {0, 1, NAN}, 10, SampleCount::Ok},
};

class CountRows : public testing::TestWithParam<Row> {};

TEST_P(CountRows, count_equals_accumulation)
{
    const Row& row = GetParam();
    SCOPED_TRACE(describe(row.range, row.limit));
    EXPECT_EQ(stepped(row.range, row.limit).status, row.status);
    expectSame(row.range, row.limit);
}

INSTANTIATE_TEST_SUITE_P(SamplingRange, CountRows, testing::ValuesIn(rows), rowName<Row>);

// Random ranges of every magnitude and sign, with steps chosen from the spacing of the
// start so that ties and near-ties come up often.
TEST(SamplingRange, count_equals_accumulation_for_random_ranges)
{
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> exponent(-12, 12);
    std::uniform_int_distribution<int> samples(1, 30'000);
    std::uniform_int_distribution<int> halves(1, 41);
    std::bernoulli_distribution coin(0.5);
    for (int i = 0; i < 3000; ++i) {
        const double start = (coin(random) ? -1 : 1) * std::pow(10.0, exponent(random));
        const int n = samples(random);
        double step;
        if (i % 3 == 0) {
            // (k / 2) gaps of the start's binade.
            const double gap = std::ldexp(1.0, std::ilogb(start) - 52);
            step = gap * halves(random) / 2;
        } else {
            step = std::fabs(start) * std::pow(10.0, exponent(random) / 3) / n;
        }
        const double end = start + step * n * (coin(random) ? 1 : 0.999999);
        const std::size_t limit = coin(random) ? 10'000'000 : static_cast<std::size_t>(n / 2 + 1);
        const SamplingRange r{start, end, step};
        SCOPED_TRACE(describe(r, limit));
        expectSame(r, limit);
        if (HasFailure())
            return;
    }
}

// Even samples: how many, and whether the end follows the last whole step.
TEST(SamplingRange, even_samples_count_once)
{
    using plotwright::curve::EvenSamples;
    using plotwright::curve::evenSamples;
    struct EvenRow {
        const char* name;
        SamplingRange range;
        std::size_t limit;
        SampleCount::Status status;
        std::size_t count;
        bool endAfter;
    };
    const EvenRow rows[] = {
        {"1000 / 0.01 just below 100000 counts as it", {0, 1000, 0.01}, 10'000'000, SampleCount::Ok, 100'001, false},
        {"0..99999 by 0.01", {0, 99'999, 0.01}, 10'000'000, SampleCount::Ok, 9'999'901, false},
        {"end between steps follows", {0, 1, 0.3}, 10, SampleCount::Ok, 5, true},
        {"step longer than the range", {0, 1, 5}, 10, SampleCount::Ok, 2, true},
        {"one sample", {2.5, 2.5, 1}, 10, SampleCount::Ok, 1, false},
        {"reversed range", {3, 2, 1}, 10, SampleCount::Ok, 0, false},
        {"NaN step: the start only", {0, 1, NAN}, 10, SampleCount::Ok, 1, false},
        {"zero step", {0, 1, 0}, 10, SampleCount::Stalls, 0, false},
        {"step lost at the far end", {0, 1e17, 1}, 10, SampleCount::Stalls, 0, false},
        {"step below the gap at the wider end", {0x1p53 + 2, 0x1p53 + 6, 1}, 10, SampleCount::Stalls, 0, false},
        {"limit met exactly", {0, 9, 1}, 10, SampleCount::Ok, 10, false},
        {"limit passed by the end", {0, 9.5, 1}, 10, SampleCount::TooMany, 0, false},
    };
    for (const EvenRow& row : rows) {
        SCOPED_TRACE(row.name);
        const EvenSamples got = evenSamples(row.range, row.limit);
        EXPECT_EQ(got.status, row.status);
        EXPECT_EQ(got.count, row.count);
        EXPECT_EQ(got.endAfter, row.endAfter);
    }
}

} // namespace
