#include "curve/offset_curve.h"

#include "curve/curve_distance.h"
#include "curve/offset_trim.h"
#include "curve/plane_vector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <numbers>
#include <optional>

namespace plotwright::curve {
namespace {

using namespace plane;

constexpr double kPi = std::numbers::pi;
// A turn of the offset's direction larger than this between two samples is a cusp: the
// curve came to a stop and went back. The offset on the side the tip points to passes
// round it.
constexpr double kCuspTurn = 0.97 * kPi;
const double kCuspCos = std::cos(kCuspTurn);
// At a sample whose derivative leans more than 60° from a chord beside it the curve has a
// corner (or a cusp) there rather than a tangent.
constexpr double kCornerCos = 0.5;
// Chords beside a sample that turn by more than about 6° leave its tangent to the curve.
constexpr double kResolvedCos = 0.995;
// One-sided tangents within about 1° of each other: no corner.
constexpr double kSmoothCos = 0.99985;
// Joins round a cusp's tip take chords of this share of the angle the tolerance allows.
constexpr double kCuspJoinShare = 0.1;
// Round joins have at most this many points each (a tolerance far below the distance).
constexpr int kMostJoinSteps = 4096;
// Frames handed on at a time.
constexpr std::size_t kFrameBatch = 256;

// The direction of the derivative at points[k] (k one of i0, i1, i2) of the parabola
// through the three points at their parameters (z), at some positive length; zero when
// the parameters do not tell them apart.
Vec derivative(const CurvePoints& p, std::size_t i0, std::size_t i1, std::size_t i2, std::size_t k)
{
    const double t0 = p[i0].z, t1 = p[i1].z, t2 = p[i2].z, t = p[k].z;
    const double h0 = t1 - t0, h1 = t2 - t1;
    if (k == i1 && ((h0 > 0 && h1 > 0) || (h0 < 0 && h1 < 0))) {
        // At the middle point, times h0 h1 (h0 + h1): h0² (p2 − p1) + h1² (p1 − p0),
        // without a division (this runs for every sample).
        const double s = h0 > 0 ? 1.0 : -1.0, a = s * h0 * h0, b = s * h1 * h1;
        const Vec v{a * (p[i2].x - p[i1].x) + b * (p[i1].x - p[i0].x), a * (p[i2].y - p[i1].y) + b * (p[i1].y - p[i0].y)};
        if (std::isfinite(v.x) && std::isfinite(v.y) && !(v.x == 0 && v.y == 0))
            return v;
    }
    const double d0 = (t0 - t1) * (t0 - t2), d1 = (t1 - t0) * (t1 - t2), d2 = (t2 - t0) * (t2 - t1);
    if (d0 == 0 || d1 == 0 || d2 == 0 || !std::isfinite(d0 * d1 * d2))
        return {};
    const double w0 = (2 * t - t1 - t2) / d0, w1 = (2 * t - t0 - t2) / d1, w2 = (2 * t - t0 - t1) / d2;
    return {w0 * p[i0].x + w1 * p[i1].x + w2 * p[i2].x, w0 * p[i0].y + w1 * p[i1].y + w2 * p[i2].y};
}

// Where the offset passes: the curve's point (one of the run's samples, which outlive
// the frames: a frame is copied for every sample, kept small), and the unit vector from
// it to the offset.
struct Frame {
    const CurvePoint* centre;
    Vec direction;
};

// The squared length of a chord, or 0 for one without a direction (zero, or too long to
// measure). The chords of every sample are compared by their squares: no square root.
double squaredLength(Vec chord)
{
    const double l2 = dot(chord, chord);
    return l2 > 0 && std::isfinite(l2) ? l2 : 0;
}

// Whether `tangent` (of squared length `lt`, not 0) agrees with `chord` of squared length
// `l2` (a chord without a direction agrees with anything). Neither is made a unit vector:
// the decision does not wait for a square root.
bool agrees(Vec tangent, double lt, Vec chord, double l2)
{
    const double c = dot(tangent, chord);
    return l2 == 0 || (c >= 0 && c * c >= kCornerCos * kCornerCos * lt * l2);
}

// The tangents at sample i where the samples do not give one: its chords turn sharply
// or lean away from the samples' derivative (`tangent`, of squared length `lt`; `agreeing`
// when it agrees with both chords). One tangent, two one-sided ones at a corner, or none
// where the curve stands still.
struct SampleTangents {
    Vec along[2];
    int count = 0;
};
SampleTangents sharpTangents(const CurvePoints& p, std::size_t i, const CurveAt& at, bool agreeing, Vec tangent,
                             Vec cin, double lin, Vec cout, double lout)
{
    const std::size_t n = p.size();
    if (at) {
        // One-sided differences a small share of the samples' spacing apart.
        const double t = p[i].z;
        double spacing = 0;
        if (i > 0)
            spacing = std::fabs(t - p[i - 1].z);
        if (i + 1 < n)
            spacing = spacing > 0 ? std::min(spacing, std::fabs(p[i + 1].z - t)) : std::fabs(p[i + 1].z - t);
        const double h = std::max(1e-4 * spacing, 1e-13 * std::max(1.0, std::fabs(t)));
        const Vec before = unit(sub(p[i], at(t - h)));
        const Vec after = unit(sub(at(t + h), p[i]));
        if (!isZero(before) && !isZero(after)) {
            if (dot(before, after) >= kSmoothCos)
                return {{unit({before.x + after.x, before.y + after.y}), {}}, 1};
            return {{before, after}, 2};
        }
    }
    if (agreeing)
        return {{unit(tangent), {}}, 1};
    SampleTangents out;
    if (lin > 0)
        out.along[out.count++] = unit(cin);
    if (lout > 0)
        out.along[out.count++] = unit(cout);
    return out;
}

// The frames of one run: one per sample with a tangent, two (the one-sided tangents'
// normals) at a corner, so that a round join turns about it. Where the chords beside a
// sample turn sharply (near a cusp, a corner, a tight bend) the tangent comes from the
// curve itself, `at`, on either side of the sample, rather than from the samples.
// The frames go to `take` (a pointer and a count) a batch at a time as they are found: a
// million samples need not be held twice, and the sides that take them keep their state
// in registers through a batch. Every sample goes to `boxes` too.
template <class Take>
void framesOf(const CurvePiece& run, double side, const CurveAt& at, BlockBoxes& boxes, Take&& take)
{
    std::array<Frame, kFrameBatch> batch;
    std::size_t held = 0;
    const CurvePoints& p = run.points;
    const std::size_t n = p.size();
    // A closed run's chords go round: its seam may be a corner like any other vertex.
    const bool wraps = run.closed && n >= 3;
    // The chord into a sample is the one out of the sample before: it is carried over.
    Vec cout = wraps ? sub(p[0], p[n - 1]) : Vec{};
    double lout = squaredLength(cout);
    for (std::size_t i = 0; i < n; ++i) {
        boxes.take(i, p[i]);
        const Vec cin = cout;
        const double lin = lout;
        cout = i + 1 < n ? sub(p[i + 1], p[i]) : wraps ? sub(p[0], p[n - 1]) : Vec{};
        lout = squaredLength(cout);
        Vec tangent;
        double lt = 0;
        if (n >= 3) {
            const std::size_t a = i == 0 ? 0 : (i + 1 == n ? n - 3 : i - 1);
            tangent = derivative(p, a, a + 1, a + 2, i);
            lt = squaredLength(tangent);
        }
        const double turn = dot(cin, cout);
        const bool sharp = lin > 0 && lout > 0 && (turn < 0 || turn * turn < kResolvedCos * kResolvedCos * lin * lout);
        // Between samples whose parameter grows, the derivative at the middle one is a
        // blend of its two chords with positive weights: where they turn by less than
        // the resolved angle it agrees with both, unchecked (the common case).
        const bool blended = !sharp && lt > 0 && i > 0 && i + 1 < n && p[i].z > p[i - 1].z && p[i + 1].z > p[i].z;
        const bool agreeing =
            blended || (lt > 0 && agrees(tangent, lt, cin, lin) && agrees(tangent, lt, cout, lout));
        SampleTangents tangents;
        if (agreeing && !sharp) {
            tangents.along[0] = unit(tangent);
            tangents.count = 1;
        } else {
            tangents = sharpTangents(p, i, at, agreeing, tangent, cin, lin, cout, lout);
            // An open run's end has one side: the curve beyond it is not drawn. Where
            // the end sample lies just past a cusp, the curve's own tangent there turns
            // back: the chord to it says where the run ends.
            if (!wraps && (i == 0 || i + 1 == n) && tangents.count > 0) {
                const Vec chord = i == 0 ? cout : cin;
                const Vec along = tangents.along[tangents.count == 2 && i == 0 ? 1 : 0];
                tangents.along[0] = dot(along, chord) < 0 ? unit(chord) : along;
                tangents.count = 1;
            }
        }
        for (int k = 0; k < tangents.count; ++k) {
            const Vec left = leftOf(tangents.along[k]);
            batch[held++] = Frame{&p[i], {side * left.x, side * left.y}};
            if (held == batch.size()) {
                take(batch.data(), held);
                held = 0;
            }
        }
    }
    if (held > 0)
        take(batch.data(), held);
}

void push(CurvePoints& out, const Frame& f, double d)
{
    out.push_back({f.centre->x + d * f.direction.x, f.centre->y + d * f.direction.y, 0});
}

// Whether the round join about a cusp's tip belongs to this side's offset (frame `a`
// arrives at the tip, `b` leaves it; both point into this side). The two branches
// meet at the tip and the notch between them is outside the band's edge there: the
// arc about the tip joins the offsets on the branches' far sides. Where the branch
// that leaves lies on this side of the one that arrives, this side's offsets face
// the notch and meet each other inside it instead.
bool ownsTip(const CurvePiece& run, const Frame& a, const Frame& b, double d)
{
    const CurvePoints& p = run.points;
    const std::size_t n = p.size();
    const CurvePoint tip{(a.centre->x + b.centre->x) / 2, (a.centre->y + b.centre->y) / 2, 0};
    // The branches a little away from the tip, where they have parted: within the
    // distance (beyond it the curve may be something else) and a few hundred samples.
    const auto away = [&](std::size_t from, bool forward) {
        std::size_t i = from;
        for (int k = 0; k < 256; ++k) {
            const bool atEnd = forward ? (i + 1 == n && !run.closed) : (i == 0 && !run.closed);
            if (atEnd)
                break;
            const std::size_t next = forward ? (i + 1) % n : (i + n - 1) % n;
            if (length(sub(p[next], tip)) > d / 4)
                break;
            i = next;
        }
        return p[i];
    };
    const std::size_t ia = static_cast<std::size_t>(a.centre - p.data());
    const std::size_t ib = static_cast<std::size_t>(b.centre - p.data());
    const Vec across = sub(away(ib, true), away(ia, false));
    return dot(across, a.direction) <= 0;
}

// Arc points between frames `a` and `b` where their directions turn by more than a
// chord of radius `d` may follow within `tolerance`: a round join about the curve.
void join(CurvePoints& out, const CurvePiece& run, const Frame& a, const Frame& b, double d, double side,
          double cosStep, double step)
{
    const double c = dot(a.direction, b.direction);
    if (c >= cosStep)
        return;
    double turn = std::atan2(cross(a.direction, b.direction), c);
    bool outside = false;
    if (std::fabs(turn) > kCuspTurn) {
        // At a cusp the join goes forward, round the tip, on the side it belongs to;
        // the other side goes straight across, inside the band, to be cut out.
        if (!ownsTip(run, a, b, d))
            return;
        if ((turn > 0) != (side < 0))
            turn -= std::copysign(2 * kPi, turn);
        // The offsets beside the tip leave its circle at a shallow angle, and the one
        // beside the tip runs just inside it: chords well within the tolerance, about
        // the circle rather than inside it, cross the first and not the second.
        step *= kCuspJoinShare;
        outside = true;
    }
    const int steps = std::min(kMostJoinSteps, static_cast<int>(std::ceil(std::fabs(turn) / step)));
    if (outside)
        d /= std::cos(std::fabs(turn) / steps / 2);
    const double a0 = std::atan2(a.direction.y, a.direction.x);
    for (int k = 1; k < steps; ++k) {
        const double f = static_cast<double>(k) / steps;
        const double angle = a0 + turn * f;
        const double cx = a.centre->x + (b.centre->x - a.centre->x) * f;
        const double cy = a.centre->y + (b.centre->y - a.centre->y) * f;
        out.push_back({cx + d * std::cos(angle), cy + d * std::sin(angle), 0});
    }
}

// Whether the offset turns back between two frames (unit directions): the curve has a
// cusp there.
bool isCusp(const Frame& a, const Frame& b) { return dot(a.direction, b.direction) < kCuspCos; }

// One side's raw offset, built from the frames as they come. With `brokenAtCusps` it is
// not joined round a cusp's tip but broken there: the pieces before the last cusp go
// there, open, and finish() returns the rest (empty when a closed run's last piece ran
// on into its first). Such an offset only cuts the other side's, so it keeps only the
// vertices its chords need to stay within a quarter of the tolerance: dense samples
// are not written, nor searched for crossings, twice.
class RawSide {
public:
    RawSide(const CurvePiece& run, double d, double side, double tolerance, std::vector<CurvePiece>* brokenAtCusps)
        : run_(&run), closed_(run.closed), d_(d), side_(side), tolerance_(tolerance), brokenAtCusps_(brokenAtCusps),
          head_(brokenAtCusps ? brokenAtCusps->size() : 0)
    {
        // The angle a chord of the circle of radius d may span within the tolerance.
        step_ = tolerance >= 2 * d ? kPi : 2 * std::acos(1 - tolerance / d);
        cosStep_ = std::cos(step_);
        out_.closed = run.closed;
        room_ = run.points.size() + run.points.size() / 16 + 16;
        out_.points.reserve(room_);
    }

    // Adds the next `count` frames (their directions turned back with `mirrored`: the
    // other side's frames are this side's).
    void add(const Frame* frames, std::size_t count, bool mirrored)
    {
        const double sign = mirrored ? -1.0 : 1.0;
        if (brokenAtCusps_)
            addThinned(frames, count, sign);
        else
            addEvery(frames, count, sign);
    }

    CurvePiece finish()
    {
        flush();
        if (!closed_ || !first_ || out_.points.size() <= 1)
            return std::move(out_);
        if (!broken_) {
            join(out_.points, *run_, last_, *first_, d_, side_, cosStep_, step_);
        } else if (!isCusp(last_, *first_)) {
            join(out_.points, *run_, last_, *first_, d_, side_, cosStep_, step_);
            CurvePoints& front = (*brokenAtCusps_)[head_].points;
            out_.points.insert(out_.points.end(), front.begin(), front.end());
            out_.closed = false;
            (*brokenAtCusps_)[head_] = std::move(out_);
            return {};
        }
        return std::move(out_);
    }

private:
    // Every frame's point, with round joins where the direction turns. The state the
    // common case needs lives in locals through the batch: the points written could
    // otherwise be taken to change it, and it would be read from memory for every sample.
    void addEvery(const Frame* frames, std::size_t count, double sign)
    {
        const double d = d_, cosStep = cosStep_;
        Frame last = last_;
        bool any = hasLast_;
        for (std::size_t k = 0; k < count; ++k) {
            const Frame frame{frames[k].centre, {sign * frames[k].direction.x, sign * frames[k].direction.y}};
            if (any && dot(last.direction, frame.direction) >= cosStep) {
                push(out_.points, frame, d);
            } else {
                last_ = last;
                addTurning(frame);
                any = true;
            }
            last = frame;
        }
        last_ = last;
    }

    // The points the chords need: a vertex is left out while the chord from the last
    // kept one bends away from the offset by less than its length times its turn over 8
    // (a quarter of the tolerance). |dx| + |dy| bounds the chord's length from above (at
    // most √2 times it) without a square root per sample. Joins and cusps as addTurning.
    void addThinned(const Frame* frames, std::size_t count, double sign)
    {
        const double d = d_, cosStep = cosStep_, most = 2 * tolerance_;
        Frame last = last_;
        bool any = hasLast_;
        double travelled = travelled_, turned = turned_;
        bool pending = lastPending_;
        for (std::size_t k = 0; k < count; ++k) {
            const Frame frame{frames[k].centre, {sign * frames[k].direction.x, sign * frames[k].direction.y}};
            const double c = any ? dot(last.direction, frame.direction) : -2.0;
            if (c >= cosStep && c >= kCuspCos) {
                const double dx = frame.centre->x + d * frame.direction.x - last.centre->x - d * last.direction.x;
                const double dy = frame.centre->y + d * frame.direction.y - last.centre->y - d * last.direction.y;
                const double l = std::fabs(dx) + std::fabs(dy), turn = std::fabs(cross(last.direction, frame.direction));
                travelled += l;
                turned += turn;
                if (travelled * turned > most) {
                    if (pending)
                        push(out_.points, last, d);
                    travelled = l;
                    turned = turn;
                }
                pending = true;
            } else {
                last_ = last;
                lastPending_ = pending;
                addTurning(frame);
                any = true;
                travelled = turned = 0;
                pending = false;
            }
            last = frame;
        }
        last_ = last;
        travelled_ = travelled;
        turned_ = turned;
        lastPending_ = pending;
    }

    // A frame that turns from the last by more than a chord may (or the first): the
    // round join between them, or the break at a cusp.
    void addTurning(const Frame& frame)
    {
        flush();
        travelled_ = turned_ = 0;
        if (hasLast_ && brokenAtCusps_ && isCusp(last_, frame)) {
            out_.closed = false;
            room_ -= std::min(room_, out_.points.size());
            brokenAtCusps_->push_back(std::move(out_));
            out_ = CurvePiece{};
            // Room for the rest and for the first piece, which a closed run's last
            // piece may take in: a hundred thousand points are not moved as they grow.
            out_.points.reserve(room_ + brokenAtCusps_->at(head_).points.size());
            broken_ = true;
        } else if (hasLast_) {
            join(out_.points, *run_, last_, frame, d_, side_, cosStep_, step_);
        } else {
            first_ = frame;
        }
        push(out_.points, frame, d_);
        last_ = frame;
        hasLast_ = true;
    }

    void flush()
    {
        if (lastPending_)
            push(out_.points, last_, d_);
        lastPending_ = false;
    }

    CurvePiece out_;
    const CurvePiece* run_;
    bool closed_;
    double d_;
    double side_;
    double tolerance_;
    double travelled_ = 0;
    double turned_ = 0;
    double step_ = 0;
    double cosStep_ = 0;
    std::vector<CurvePiece>* brokenAtCusps_;
    std::size_t head_;
    std::size_t room_ = 0;
    bool broken_ = false;
    std::optional<Frame> first_;
    // The last frame as plain members: the checks run for every sample. Its point is
    // pending while it has been left out so far.
    Frame last_{};
    bool hasLast_ = false;
    bool lastPending_ = false;
};

// The raw offset of one run: every frame's point and the joins between them, loops and
// swallowtails still in. With `otherSide`, the offset on the other side too, from the
// same frames, broken at cusps (see RawSide).
CurvePiece rawOffset(const CurvePiece& run, double distance, double tolerance, const CurveAt& at,
                     BlockBoxes& boxes, std::vector<CurvePiece>* otherSide = nullptr)
{
    const double side = distance < 0 ? -1.0 : 1.0;
    const double d = std::fabs(distance);
    RawSide own(run, d, side, tolerance, nullptr);
    std::optional<RawSide> other;
    if (otherSide)
        other.emplace(run, d, -side, tolerance, otherSide);
    framesOf(run, side, at, boxes, [&](const Frame* frames, std::size_t count) {
        own.add(frames, count, false);
        if (other)
            other->add(frames, count, true);
    });
    if (other) {
        CurvePiece rest = other->finish();
        if (rest.points.size() >= 2)
            otherSide->push_back(std::move(rest));
    }
    return own.finish();
}

// A half circle of radius `d` about `end`, on the side `outward` points to: the band's
// edge beyond an open end.
CurvePiece endCap(const CurvePoint& end, Vec outward, double d, double tolerance)
{
    const double step = tolerance >= 2 * d ? kPi : 2 * std::acos(1 - tolerance / d);
    const int steps = std::clamp(static_cast<int>(std::ceil(kPi / step)), 2, kMostJoinSteps);
    const Vec left = leftOf(outward);
    CurvePiece cap;
    for (int k = 0; k <= steps; ++k) {
        const double phi = -kPi / 2 + kPi * k / steps;
        const double c = std::cos(phi), s = std::sin(phi);
        cap.points.push_back({end.x + d * (c * outward.x + s * left.x), end.y + d * (c * outward.y + s * left.y), 0});
    }
    return cap;
}

// Appends to `out` round caps about an open run's ends: the edge of the band about it
// there.
void addEndCaps(const CurvePiece& run, double distance, double tolerance, std::vector<CurvePiece>& out)
{
    if (run.closed)
        return;
    const CurvePoints& p = run.points;
    const double d = std::fabs(distance);
    // The direction out of each end: its last chord of non-zero length.
    std::size_t i = 1;
    while (i + 1 < p.size() && isZero(sub(p[0], p[i])))
        ++i;
    std::size_t j = p.size() - 2;
    while (j > 0 && isZero(sub(p.back(), p[j])))
        --j;
    const Vec outStart = unit(sub(p[0], p[i])), outEnd = unit(sub(p.back(), p[j]));
    if (!isZero(outStart))
        out.push_back(endCap(p[0], outStart, d, tolerance));
    if (!isZero(outEnd))
        out.push_back(endCap(p.back(), outEnd, d, tolerance));
}


} // namespace

std::vector<CurvePiece> splitAtCorners(std::vector<CurvePiece> pieces)
{
    constexpr double kCornerTurnCos = 0.7071;
    std::vector<CurvePiece> out;
    for (CurvePiece& piece : pieces) {
        CurvePoints& p = piece.points;
        const std::size_t n = p.size();
        const auto corner = [&](std::size_t i) {
            if (!piece.closed && (i == 0 || i + 1 == n))
                return false;
            const Vec before = unit(sub(p[i], p[(i + n - 1) % n])), after = unit(sub(p[(i + 1) % n], p[i]));
            return !isZero(before) && !isZero(after) && dot(before, after) < kCornerTurnCos;
        };
        std::size_t first = n;
        for (std::size_t i = 0; i < n && first == n; ++i)
            if (corner(i))
                first = i;
        if (n < 3 || first == n) {
            out.push_back(std::move(piece));
            continue;
        }
        // Closed: from the first corner round to it again; open: from the start.
        const std::size_t start = piece.closed ? first : 0;
        const std::size_t count = piece.closed ? n + 1 : n;
        CurvePiece current;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t i = (start + k) % n;
            current.points.push_back(p[i]);
            if (k > 0 && k + 1 < count && corner(i)) {
                out.push_back(current);
                current.points = {p[i]};
            }
        }
        out.push_back(std::move(current));
    }
    return out;
}

std::vector<CurvePiece> offsetRuns(const std::vector<CurvePiece>& runs, double distance, double tolerance,
                                   const CurveAt& at)
{
    // The points nearer to the curve than the distance fill a band about it. The offset
    // of one part of the curve may enter the band of another part (where the curve
    // crosses itself or comes back near itself) through the band's other edge, which the
    // offset on this side does not cross: without that edge the stretch inside would be
    // kept whole with the stretch outside. The other side's offset and round caps at open
    // ends close the band; they only cut. The other side is broken at cusps: its
    // offsets end where this side's round join about the tip starts and ends (or go
    // round the tip where this side's meet in the notch), and would cut them there.
    std::vector<CurvePiece> raw, edges;
    raw.reserve(runs.size());
    std::vector<std::vector<Box>> boxes(runs.size());
    for (std::size_t r = 0; r < runs.size(); ++r)
        if (runs[r].points.size() >= 2) {
            BlockBoxes runBoxes(runs[r]);
            raw.push_back(rawOffset(runs[r], distance, tolerance, at, runBoxes, &edges));
            boxes[r] = std::move(runBoxes).done();
            addEndCaps(runs[r], distance, tolerance, edges);
        }
    const std::size_t own = raw.size();
    raw.insert(raw.end(), std::make_move_iterator(edges.begin()), std::make_move_iterator(edges.end()));
    edges = {};
    const std::vector<std::vector<Crossing>> cuts = crossings(raw, own);
    const CurveDistance curve(runs, std::move(boxes));
    // Points of the true offset lie at the distance from the curve; the samples' chords
    // may come nearer to them than the curve itself does, within the tolerance.
    const double r = std::fabs(distance) - tolerance;
    std::vector<CurvePiece> out;
    for (std::size_t k = 0; k < own; ++k)
        if (raw[k].points.size() >= 2)
            trimOffset(std::move(raw[k]), cuts[k], curve, r, tolerance, out);
    return out;
}

} // namespace plotwright::curve
