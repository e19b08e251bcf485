#include "curve/adaptive_sampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plotwright::curve {
namespace {

bool finite(const CurvePoint& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// In space for a space curve; in x and y otherwise, where z may hold the running variable.
double distance(const CurvePoint& a, const CurvePoint& b, bool spatial)
{
    return spatial ? std::hypot(std::hypot(a.x - b.x, a.y - b.y), a.z - b.z) : std::hypot(a.x - b.x, a.y - b.y);
}

double planeDistanceToSegment(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double s = 0;
    if (length2 > 0)
        s = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
    return std::hypot(p.x - (a.x + s * dx), p.y - (a.y + s * dy));
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The share of the tolerance a chord's estimated deviation may take: the estimate can
// fall a little short of the curve's farthest point, near a cusp especially.
constexpr double kMargin = 0.95;

// How far, in multiples of the grid samples' reach, a curve is followed beside a jump
// or an undefined stretch.
constexpr double kChaseReach = 10;
// A grid sample whose chords to both neighbours are kSpike times longer than the chord
// between them, farther out than kSpikeReach times the reach, is a lone spike beside a
// pole (a narrow peak of a continuous curve is rarely that far out).
constexpr double kSpike = 10;
constexpr double kSpikeReach = 1000;

// A chord that grows by this factor over several halvings straddles a pole.
constexpr double kGrowth = 1.5;
constexpr int kGrowthLevels = 6;
// A chord that keeps this share of its length down to the resolution of doubles spans a
// jump.
constexpr double kJumpShare = 0.5;
// Most bisections of one edge or jump search: far below any double's resolution.
constexpr int kMaxBisections = 200;

// The largest of five deviations at equal spacing (the ends 0), raised to the top of the
// parabola through the largest and its neighbours: the curve's farthest point from the
// chord often lies between two samples.
double peak(const double d[5])
{
    const int k = static_cast<int>(std::max_element(d + 1, d + 4) - d);
    const double bend = 2 * d[k] - d[k - 1] - d[k + 1];
    if (bend <= 0)
        return d[k];
    const double slope = d[k + 1] - d[k - 1];
    return d[k] + slope * slope / (8 * bend);
}

struct Sample {
    double t;
    CurvePoint p;
};

class Refiner {
public:
    Refiner(CurveFunction& curve, const AdaptiveLimits& limits, CurvePoints& out)
        : curve_(curve), limits_(limits), tol_(limits.tolerance), out_(out) {}

    double measure(const CurvePoint& a, const CurvePoint& b) const { return distance(a, b, limits_.spatial); }
    double segmentDistance(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b) const
    {
        return limits_.spatial ? distanceToSegment(p, a, b) : planeDistanceToSegment(p, a, b);
    }

    Sample eval(double t)
    {
        ++outcome.evaluations;
        return {t, curve_.at(t)};
    }

    // Beside a jump or an undefined stretch the curve is followed only as far as
    // `bound` from `centre` (in x and y): towards a pole it would run off without end. A
    // continuous curve is followed wherever it goes.
    void setBound(CurvePoint centre, double bound)
    {
        centre_ = centre;
        bound_ = bound;
    }

    void start(const Sample& s)
    {
        if (finite(s.p))
            emit(s.p);
    }

    // The curve from `a` (already emitted when finite) to `b`, whatever is finite.
    void segment(const Sample& a, const Sample& b, int depth)
    {
        const bool fa = finite(a.p);
        const bool fb = finite(b.p);
        if (fa && fb) {
            refine(a, b, depth);
        } else if (fa) {
            // A sample on the edge itself (sqrt(x) at 0) is the edge: emitting it again
            // would give the run a zero-length chord, on which a spline fit breaks.
            const Sample edge = edgeFrom(a, b);
            if (edge.t != a.t)
                refine(a, edge, depth);
            breakRun();
        } else if (fb) {
            const Sample edge = edgeFrom(b, a);
            breakRun();
            emit(edge.p);
            if (edge.t != b.t)
                refine(edge, b, depth);
        } else if (depth < 4 && canSplit(a.t, b.t)) {
            // Look for a finite stretch between two undefined samples, not far.
            const Sample m = eval(midpoint(a.t, b.t));
            segment(a, m, depth + 1);
            segment(m, b, depth + 1);
        }
    }

    AdaptiveOutcome outcome;

private:
    static double midpoint(double a, double b) { return a + (b - a) / 2; }
    static bool canSplit(double a, double b)
    {
        const double m = midpoint(a, b);
        return m > a && m < b;
    }

    void emit(const CurvePoint& p)
    {
        if (breakPending_ && !out_.empty())
            out_.push_back({kNaN, kNaN, 0});
        breakPending_ = false;
        out_.push_back(p);
    }
    void breakRun() { breakPending_ = true; }

    bool capped()
    {
        if (outcome.evaluations < limits_.maxSamples)
            return false;
        outcome.capped = true;
        return true;
    }

    // Both ends finite; `a` is emitted already, emits the rest up to and including `b`.
    void refine(const Sample& a, const Sample& b, int depth)
    {
        const double h = b.t - a.t;
        if (depth >= limits_.maxDepth || capped() || !canSplit(a.t, b.t)) {
            emit(b.p);
            return;
        }
        // Three inner samples, not the midpoint alone, so that an S-bend or a wiggle whose
        // middle happens to lie on the chord is still seen.
        const Sample q[5] = {a, eval(a.t + h / 4), eval(a.t + h / 2), eval(b.t - h / 4), b};
        if (!finite(q[1].p) || !finite(q[2].p) || !finite(q[3].p)) {
            for (int i = 0; i < 4; ++i)
                segment(q[i], q[i + 1], depth + 1);
            return;
        }
        double d[5] = {0, 0, 0, 0, 0};
        for (int i = 1; i < 4; ++i)
            d[i] = segmentDistance(q[i].p, a.p, b.p);
        const double deviation = peak(d);
        if (deviation <= kMargin * tol_) {
            emit(b.p);
            return;
        }

        const double chord = measure(a.p, b.p);
        double longest = 0;
        for (int i = 0; i < 4; ++i)
            longest = std::max(longest, measure(q[i].p, q[i + 1].p));
        if (chord > tol_ && longest > 0.6 * chord && jumpOrHole(a, b, depth))
            return;

        // Chord deviation falls with the square of the interval on a smooth stretch, so
        // split into as many parts as that predicts, each checked again.
        const double wanted = std::ceil(std::sqrt(deviation / tol_) * 1.1);
        const int parts = static_cast<int>(std::clamp(wanted, 2.0, 64.0));
        if (parts <= 4) {
            for (int i = 0; i < 4; ++i)
                refine(q[i], q[i + 1], depth + 1);
            return;
        }
        Sample left = a;
        for (int i = 1; i <= parts; ++i) {
            const Sample right = i == parts ? b : eval(a.t + h * i / parts);
            segment(left, right, depth + 1);
            left = right;
        }
    }

    // Follows the half with the longer chord down to the resolution of doubles. A
    // continuous curve's chord shrinks on the way; a jump's keeps its length, and one
    // across a pole grows (then the search stops early, short of the pole). Returns false
    // for a continuous curve; otherwise draws the curve on both sides of the jump (or of
    // an undefined sample met on the way), broken between them, and returns true.
    bool jumpOrHole(const Sample& a, const Sample& b, int depth)
    {
        Sample lo = a;
        Sample hi = b;
        const double initial = measure(a.p, b.p);
        double chord = initial;
        int growing = 0;
        for (int i = 0; i < kMaxBisections && canSplit(lo.t, hi.t); ++i) {
            const Sample m = eval(midpoint(lo.t, hi.t));
            if (!finite(m.p)) {
                segment(a, m, depth + 1);
                segment(m, b, depth + 1);
                return true;
            }
            const double left = measure(lo.p, m.p);
            const double right = measure(m.p, hi.p);
            const double longer = std::max(left, right);
            (left >= right ? hi : lo) = m;
            if (longer <= tol_)
                return false;
            growing = longer >= kGrowth * chord ? growing + 1 : 0;
            chord = longer;
            if (growing >= kGrowthLevels)
                break;
        }
        // Steep beyond the resolution of doubles is still continuous when the chord has
        // shrunk to a fraction of where it started.
        if (growing < kGrowthLevels && !(chord > tol_ && chord >= kJumpShare * initial))
            return false;
        // Beside a pole, end the branches at the bound.
        if (within(a.p) && !within(lo.p))
            lo = edgeFrom(a, lo);
        if (within(b.p) && !within(hi.p))
            hi = edgeFrom(b, hi);
        refine(a, lo, depth + 1);
        breakRun();
        emit(hi.p);
        refine(hi, b, depth + 1);
        return true;
    }

    // Bisects between a finite sample and an undefined one (or, when `good` lies within
    // the bound, one beyond it) for the last good point. Stops when the point moves by
    // under a hundredth of the tolerance: then, as the moves shrink geometrically, the
    // rest of the way to the edge is within it.
    Sample edgeFrom(Sample good, Sample bad)
    {
        const bool bounded = within(good.p);
        for (int i = 0; i < kMaxBisections && canSplit(std::min(good.t, bad.t), std::max(good.t, bad.t)); ++i) {
            const Sample m = eval(midpoint(good.t, bad.t));
            if (bounded ? !within(m.p) : !finite(m.p)) {
                bad = m;
                continue;
            }
            const double move = measure(m.p, good.p);
            good = m;
            if (move < 0.01 * tol_)
                break;
        }
        return good;
    }

    bool within(const CurvePoint& p) const
    {
        return finite(p) && std::fabs(p.x - centre_.x) <= bound_ && std::fabs(p.y - centre_.y) <= bound_;
    }

    CurveFunction& curve_;
    CurvePoint centre_;
    double bound_ = std::numeric_limits<double>::infinity();
    const AdaptiveLimits& limits_;
    double tol_;
    CurvePoints& out_;
    bool breakPending_ = false;
};

} // namespace

double distanceToSegment(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double dz = b.z - a.z;
    const double length2 = dx * dx + dy * dy + dz * dz;
    double s = 0;
    if (length2 > 0)
        s = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy + (p.z - a.z) * dz) / length2, 0.0, 1.0);
    return std::hypot(std::hypot(p.x - (a.x + s * dx), p.y - (a.y + s * dy)), p.z - (a.z + s * dz));
}

AdaptiveOutcome sampleAdaptively(CurveFunction& curve, const std::vector<double>& grid, const AdaptiveLimits& limits,
                                 CurvePoints& out, SampleProgress& progress)
{
    Refiner refiner(curve, limits, out);
    if (grid.empty())
        return refiner.outcome;
    std::vector<Sample> samples;
    samples.reserve(grid.size());
    std::vector<double> xs, ys;
    for (std::size_t k = 0; k < grid.size(); ++k) {
        samples.push_back(refiner.eval(grid[k]));
        const CurvePoint& p = samples.back().p;
        if (finite(p)) {
            xs.push_back(p.x);
            ys.push_back(p.y);
        }
    }
    if (!xs.empty()) {
        // The reach of the grid samples around their median, leaving out the farthest
        // twentieth: a sample that happens to fall next to a pole does not count.
        const auto median = [](std::vector<double> v) {
            std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
            return v[v.size() / 2];
        };
        const CurvePoint centre{median(xs), median(ys), 0};
        std::vector<double> reach(xs.size());
        for (std::size_t i = 0; i < xs.size(); ++i)
            reach[i] = std::max(std::fabs(xs[i] - centre.x), std::fabs(ys[i] - centre.y));
        const auto at = reach.begin() + static_cast<std::ptrdiff_t>((reach.size() - 1) * 19 / 20);
        std::nth_element(reach.begin(), at, reach.end());
        const double reachOf = *at + limits.tolerance;
        refiner.setBound(centre, kChaseReach * reachOf);
        // A grid sample that lands next to a pole stands alone far outside: both its
        // chords are much longer than the one between its neighbours. It is dropped.
        const double far = kSpikeReach * reachOf;
        for (std::size_t k = 1; k + 1 < samples.size(); ++k) {
            const CurvePoint& p = samples[k].p;
            const CurvePoint& before = samples[k - 1].p;
            const CurvePoint& after = samples[k + 1].p;
            const bool outside = std::fabs(p.x - centre.x) > far || std::fabs(p.y - centre.y) > far;
            const double between = distance(before, after, limits.spatial);
            if (outside && finite(before) && finite(after) && distance(p, before, limits.spatial) > kSpike * between
                && distance(p, after, limits.spatial) > kSpike * between)
                samples[k].p = {kNaN, kNaN, 0};
        }
    }
    // Progress follows the refinement, which takes the time, one position per grid value.
    progress.step(0);
    refiner.start(samples[0]);
    for (std::size_t k = 1; k < samples.size(); ++k) {
        progress.step(static_cast<int>(k));
        refiner.segment(samples[k - 1], samples[k], 0);
    }
    return refiner.outcome;
}

} // namespace plotwright::curve
