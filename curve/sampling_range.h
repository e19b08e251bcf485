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
        TooMany,   // more than the limit; `estimate` is (end - start) / step + 1, rounded down
    };
    Status status = Ok;
    std::size_t count = 0;
    long double estimate = 0;
};

// Counts the samples exactly, by the same accumulation the sampler uses, but stops as
// soon as the count passes `limit`. Costs at most `limit` additions.
SampleCount countSamples(const SamplingRange& range, std::size_t limit);

// The progress meter's maximum: (end - start) / step truncated toward zero, saturated to
// the int range; NaN gives 0.
int meterMaximum(const SamplingRange& range);

// The message that refuses a range with more than `limit` samples.
std::wstring tooManySamplesMessage(long double samples, std::size_t limit);

} // namespace plotwright::curve
