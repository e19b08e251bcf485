#include "curve/sampling_range.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace plotwright::curve {

SampleCount countSamples(const SamplingRange& range, std::size_t limit)
{
    const double start = range.start;
    const double end = range.end;
    const double step = range.step;
    if (!(start <= end))
        return {SampleCount::Ok, 0, 0};

    // The widest gap between neighbouring doubles in [start, end] lies at one of its
    // ends, so these two tests catch a step that is 0, negative, NaN, or lost to
    // rounding in much of the range.
    if (!(start + step > start) || !(end + step > end))
        return {SampleCount::Stalls, 0, 0};

    // Long double: the quotient of two doubles cannot overflow it.
    const long double estimate = std::floor((static_cast<long double>(end) - start) / step) + 1;
    // The tests above make the step at least half the gap between doubles anywhere in the
    // range, so one addition advances t by at most twice the step and the true count is at
    // least about half the estimate: far beyond the limit, no need to count.
    if (estimate > 4.0L * static_cast<long double>(limit))
        return {SampleCount::TooMany, 0, estimate};

    std::size_t count = 0;
    double last = start;
    for (double t = start; t <= end;) {
        last = t;
        if (++count > limit)
            return {SampleCount::TooMany, count, std::max(estimate, static_cast<long double>(count))};
        const double next = t + step;
        // A step of exactly half the gap rounds back to t at every even neighbour.
        if (!(next > t))
            return {SampleCount::Stalls, 0, 0};
        t = next;
    }
    return {SampleCount::Ok, count, estimate, last};
}

int meterMaximum(const SamplingRange& range)
{
    const double quotient = (range.end - range.start) / range.step;
    if (std::isnan(quotient))
        return 0;
    if (quotient >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (quotient <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(quotient);
}

namespace {

std::wstring wide(const char* first, const char* last) { return std::wstring(first, last); }

} // namespace

std::wstring tooManySamplesMessage(long double samples, std::size_t limit)
{
    char count[64];
    char most[32];
    const auto countEnd = std::to_chars(count, count + sizeof count, samples).ptr;
    const auto mostEnd = std::to_chars(most, most + sizeof most, limit).ptr;
    return L"Too many points: the range and increment give " + wide(count, countEnd)
        + L" samples; at most " + wide(most, mostEnd) + L" can be drawn.";
}

} // namespace plotwright::curve
