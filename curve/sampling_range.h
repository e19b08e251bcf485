#pragma once
// The running variable's range as the sampler steps it: t = start, then t = t + step
// (accumulated in double precision) while t <= end.

#include <cstddef>
#include <string>

namespace plotwright::curve {

// The most samples one curve may have: 10 million points take 240 MB and keep the
// progress meter's maximum well inside the int range.
constexpr std::size_t kMaxSamples = 10'000'000;

struct SamplingRange {
    double start = 0;
    double end = 0;
    double step = 0;
};

struct SampleCount {
    enum Status {
        Ok,        // `count` samples, 0 for an empty range (start > end or NaN)
        Stalls,    // start <= end, but some addition of the step would not advance t
                   // (a NaN step does not stall: it ends the range after the start)
        TooMany,   // more than the limit; `estimate` is (end - start) / step + 1, rounded down
    };
    Status status = Ok;
    std::size_t count = 0;
    long double estimate = 0;
    double last = 0;   // Ok with count > 0: the last stepped value
};

// Counts the samples exactly, as the sampler's accumulation makes them, but stops as
// soon as the count passes `limit`. Cheap at any count (a few additions for each binade
// the range crosses): fit for a check on every keystroke.
SampleCount countSamples(const SamplingRange& range, std::size_t limit);

// Where the stepped values stop short of the range's end by no more than rounding: a
// fraction of the step. Beyond it the end is sampled as well (unless stepping literally).
constexpr double kEndRounding = 1e-9;

// Whether the end must be sampled after the stepped values, whose last one is `last`.
// (A step longer than the range counts as the range, so that an infinite one still
// leaves room for the end.)
inline bool endFollows(const SamplingRange& range, double last)
{
    const double span = range.end - range.start;
    return range.end - last > kEndRounding * (range.step < span ? range.step : span);
}

// Outside literal steps sample i is start + i * step, the count taken once from the
// range: `count` samples, the last of them the end itself. When the last whole step
// lands within rounding of the end (either side), that sample becomes the end;
// otherwise the end follows as one more sample (`endAfter`). Stalls and TooMany as
// countSamples (a NaN step stalls); `estimate` is the count.
struct EvenSamples {
    SampleCount::Status status = SampleCount::Ok;
    std::size_t count = 0;
    bool endAfter = false;
    long double estimate = 0;
};
EvenSamples evenSamples(const SamplingRange& range, std::size_t limit);

// Sample `i` of evenSamples (`range`) giving `count` samples: start + i * step, and the
// last one after the start exactly the end.
inline double evenSample(const SamplingRange& range, std::size_t i, std::size_t count)
{
    if (i == 0)
        return range.start;
    return i + 1 >= count ? range.end : range.start + static_cast<double>(i) * range.step;
}

// The progress meter's maximum: (end - start) / step truncated toward zero, saturated to
// the int range; NaN gives 0.
int meterMaximum(const SamplingRange& range);

// The message that refuses a range with more than `limit` samples.
std::wstring tooManySamplesMessage(long double samples, std::size_t limit);

} // namespace plotwright::curve
