#include "curve/adaptive_sampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plotwright::curve {
namespace {

bool finite(const CurvePoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

double distance(const CurvePoint& a, const CurvePoint& b) { return std::hypot(a.x - b.x, a.y - b.y); }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A chord that keeps at least this share of its parent's length over several halvings
// does not shrink: the interval holds a jump, not a steep stretch.
constexpr double kNoShrink = 0.9;
constexpr int kNoShrinkLevels = 6;
// Most bisections of one edge or jump search: far below any double's resolution.
constexpr int kMaxBisections = 200;

struct Sample {
    double t;
    CurvePoint p;
};

class Refiner {
public:
    Refiner(CurveFunction& curve, const AdaptiveLimits& limits, CurvePoints& out)
        : curve_(curve), limits_(limits), tol_(limits.tolerance), out_(out) {}

    Sample eval(double t)
    {
        ++outcome.evaluations;
        return {t, curve_.at(t)};
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
            const Sample edge = edgeFrom(a, b);
            refine(a, edge, depth);
            breakRun();
        } else if (fb) {
            const Sample edge = edgeFrom(b, a);
            breakRun();
            emit(edge.p);
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
        double deviation = 0;
        for (int i = 1; i < 4; ++i)
            deviation = std::max(deviation, distanceToSegment(q[i].p, a.p, b.p));
        if (deviation <= tol_) {
            emit(b.p);
            return;
        }

        const double chord = distance(a.p, b.p);
        double longest = 0;
        for (int i = 0; i < 4; ++i)
            longest = std::max(longest, distance(q[i].p, q[i + 1].p));
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

    // Follows the half with the longer chord. Returns false when the chord shrinks as a
    // continuous curve's does; otherwise draws the curve on both sides of the jump (or of
    // an undefined sample met on the way), broken between them, and returns true.
    bool jumpOrHole(const Sample& a, const Sample& b, int depth)
    {
        Sample lo = a;
        Sample hi = b;
        double chord = distance(a.p, b.p);
        int steady = 0;
        double confirmed = 0;
        for (int i = 0; i < kMaxBisections && canSplit(lo.t, hi.t); ++i) {
            const Sample m = eval(midpoint(lo.t, hi.t));
            if (!finite(m.p)) {
                segment(a, m, depth + 1);
                segment(m, b, depth + 1);
                return true;
            }
            const double left = distance(lo.p, m.p);
            const double right = distance(m.p, hi.p);
            const double longer = std::max(left, right);
            if (confirmed > 0 && longer > 2 * confirmed)
                break;   // growing without bound: a pole, stop short of it
            (left >= right ? hi : lo) = m;
            if (confirmed == 0) {
                if (longer <= tol_)
                    return false;
                steady = longer >= kNoShrink * chord ? steady + 1 : 0;
                if (steady >= kNoShrinkLevels)
                    confirmed = longer;
            }
            chord = longer;
        }
        if (confirmed == 0 && chord <= tol_)
            return false;
        refine(a, lo, depth + 1);
        breakRun();
        emit(hi.p);
        refine(hi, b, depth + 1);
        return true;
    }

    // Bisects between a finite sample and an undefined one for the last finite point.
    // Stops when the point moves by under a hundredth of the tolerance (an edge such as
    // sqrt's: the rest of the way is shorter than the tolerance) or when its moves grow
    // (a pole: the curve runs off to infinity and no edge exists).
    Sample edgeFrom(Sample good, Sample bad)
    {
        double lastMove = std::numeric_limits<double>::infinity();
        for (int i = 0; i < kMaxBisections && canSplit(std::min(good.t, bad.t), std::max(good.t, bad.t)); ++i) {
            const Sample m = eval(midpoint(good.t, bad.t));
            if (!finite(m.p)) {
                bad = m;
                continue;
            }
            const double move = distance(m.p, good.p);
            if (move > lastMove && move > tol_)
                break;
            good = m;
            if (move < 0.01 * tol_)
                break;
            lastMove = move;
        }
        return good;
    }

    CurveFunction& curve_;
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
    const double length2 = dx * dx + dy * dy;
    double s = 0;
    if (length2 > 0)
        s = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
    return std::hypot(p.x - (a.x + s * dx), p.y - (a.y + s * dy));
}

AdaptiveOutcome sampleAdaptively(CurveFunction& curve, const std::vector<double>& grid, const AdaptiveLimits& limits,
                                 CurvePoints& out, SampleProgress& progress)
{
    Refiner refiner(curve, limits, out);
    if (grid.empty())
        return refiner.outcome;
    progress.step(0);
    Sample previous = refiner.eval(grid[0]);
    refiner.start(previous);
    for (std::size_t k = 1; k < grid.size(); ++k) {
        progress.step(static_cast<int>(k));
        const Sample next = refiner.eval(grid[k]);
        refiner.segment(previous, next, 0);
        previous = next;
    }
    return refiner.outcome;
}

} // namespace plotwright::curve
