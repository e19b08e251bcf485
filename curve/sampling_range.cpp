#include "curve/sampling_range.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace plotwright::curve {

namespace {

// A stretch of doubles evenly spaced by 2^exponent, up to `high`.
struct EvenStretch {
    double high = 0;
    int exponent = 0;
    bool operator==(const EvenStretch&) const = default;
};

// The stretch holding the finite `v`, seen upwards: a positive v's binade up to the next
// power of two; a negative v's up to and including the power of two nearer zero; around
// zero the subnormals and both lowest binades, all spaced by 2^-1074.
EvenStretch stretchOf(double v)
{
    constexpr double kLowest = 0x1p-1021;
    if (std::fabs(v) < kLowest)
        return {kLowest, -1074};
    const int e = std::ilogb(v);
    return {v > 0 ? std::ldexp(1.0, e + 1) : -std::ldexp(1.0, e), e - 52};
}

// Values stepping would reach by adding one and the same gap: `count` of them, the first
// being the `next` given to uniformRun, then `last` and the value after it, `following`.
struct UniformRun {
    std::size_t count = 0;
    double last = 0;
    double following = 0;
};

// previous, t and next are consecutive stepped values. When all three lie in one even
// stretch, the sum t + step rounds to that spacing, so the gap added depends only on the
// step and, at an exact tie, on the parity of t's last digit, which a rounded addition
// inside the stretch leaves even: every later addition whose sum stays inside adds the
// same gap. The run ends a step's length twice short of the stretch's end (so the sums
// stay inside), at `end`, and after `most` values.
UniformRun uniformRun(double previous, double t, double next, double step, double end, std::size_t most)
{
    const EvenStretch stretch = stretchOf(previous);
    if (!(stretchOf(next) == stretch) || next - t != t - previous)
        return {};
    const double bound = std::min(end, stretch.high - 2 * step);
    if (!(bound > next))
        return {};
    // In units of the spacing, values of the stretch are integers below 2^54: exact.
    const auto units = [&](double v) { return static_cast<long long>(std::floor(std::ldexp(v, -stretch.exponent))); };
    const long long first = units(next);
    const long long gap = units(next - t);
    const long long room = (units(bound) - first) / gap + 1;  // first + (room - 1) * gap <= bound
    const long long count = static_cast<long long>(std::min<std::size_t>(most, static_cast<std::size_t>(room)));
    const auto value = [&](long long u) { return std::ldexp(static_cast<double>(u), stretch.exponent); };
    return {static_cast<std::size_t>(count), value(first + (count - 1) * gap), value(first + count * gap)};
}

} // namespace

SampleCount countSamples(const SamplingRange& range, std::size_t limit)
{
    const double start = range.start;
    const double end = range.end;
    const double step = range.step;
    if (!(start <= end))
        return {SampleCount::Ok, 0, 0};
    // The first addition of a NaN step gives NaN, which ends the loop.
    if (std::isnan(step))
        return {SampleCount::Ok, 1, 1, start};

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

    // The values of repeated addition, but a run that adds one and the same gap is counted
    // in one go: a few additions per binade instead of one per sample, so that the count
    // is cheap enough for every keystroke.
    std::size_t count = 0;
    double last = start;
    double previous = std::nan("");
    for (double t = start; t <= end;) {
        last = t;
        if (++count > limit)
            return {SampleCount::TooMany, count, std::max(estimate, static_cast<long double>(count))};
        const double next = t + step;
        // A step of exactly half the gap rounds back to t at every even neighbour.
        if (!(next > t))
            return {SampleCount::Stalls, 0, 0};
        // Stopping short of `end` and of the limit, the run leaves both tests to the loop.
        if (next <= end && !std::isnan(previous)) {
            const UniformRun run = uniformRun(previous, t, next, step, end, limit - count);
            if (run.count > 0) {
                count += run.count;
                last = run.last;
                previous = run.last;
                t = run.following;
                continue;
            }
        }
        previous = t;
        t = next;
    }
    return {SampleCount::Ok, count, estimate, last};
}

EvenSamples evenSamples(const SamplingRange& range, std::size_t limit)
{
    const double start = range.start;
    const double end = range.end;
    const double step = range.step;
    if (!(start <= end))
        return {};
    if (std::isnan(step))
        return {SampleCount::Ok, 1, false, 1};
    if (!(start + step > start) || !(end + step > end))
        return {SampleCount::Stalls, 0, false, 0};
    // A step below the gap between doubles at the range's wider end would give the same
    // sample twice there: refused as the accumulation refuses it.
    const double wider = std::max(std::fabs(start), std::fabs(end));
    if (!(step >= std::nextafter(wider, INFINITY) - wider))
        return {SampleCount::Stalls, 0, false, 0};
    // Long double: the quotient of two doubles cannot overflow it, and a quotient just
    // below a whole number (1000 / 0.01) is told apart from one that reaches it.
    const long double quotient = (static_cast<long double>(end) - start) / step;
    long double steps = std::floor(quotient);
    if (quotient - steps > 1 - static_cast<long double>(kEndRounding))
        steps += 1;
    if (steps + 1 > static_cast<long double>(limit))
        return {SampleCount::TooMany, 0, false, steps + 1};
    const auto n = static_cast<std::size_t>(steps);
    const double last = n == 0 ? start : start + static_cast<double>(n) * step;
    const bool endAfter = endFollows(range, last);
    const std::size_t count = n + 1 + (endAfter ? 1 : 0);
    if (count > limit)
        return {SampleCount::TooMany, 0, false, static_cast<long double>(count)};
    return {SampleCount::Ok, count, endAfter, static_cast<long double>(count)};
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
