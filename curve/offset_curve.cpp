#include "curve/offset_curve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <iterator>
#include <limits>
#include <optional>

namespace plotwright::curve {
namespace {

constexpr double kPi = std::numbers::pi;
// A turn of the offset's direction larger than this between two samples is a cusp: the
// curve came to a stop and went back. Both offsets then pass round its tip.
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
// A path that turns back by more than 120° at a vertex.
constexpr double kSpikeCos = -0.5;
// Consecutive segments of the base curve grouped under one bounding box for distances.
constexpr std::size_t kBlock = 32;
// The least share of the tolerance by which an offset's vertex must come nearer to the
// curve than the distance to be inside the band: rounding, and the samples' tangents.
constexpr double kLeastSlack = 0.05;
// Frames handed on at a time.
constexpr std::size_t kFrameBatch = 256;
// Consecutive blocks grouped under one box.
constexpr std::size_t kGroup = 32;

struct Vec {
    double x = 0;
    double y = 0;
};

Vec sub(const CurvePoint& a, const CurvePoint& b) { return {a.x - b.x, a.y - b.y}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
// Coordinates of drawings stay far from where squaring them overflows; hypot would take
// several times as long for the same result.
double length(Vec a) { return std::sqrt(a.x * a.x + a.y * a.y); }
Vec unit(Vec a)
{
    const double l = length(a);
    if (!(l > 0 && std::isfinite(l)))
        return {};
    const double inverse = 1 / l;
    return {a.x * inverse, a.y * inverse};
}
Vec leftOf(Vec a) { return {-a.y, a.x}; }
bool isZero(Vec a) { return a.x == 0 && a.y == 0; }

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

struct Box {
    double minX, minY, maxX, maxY;
    void take(const CurvePoint& p)
    {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
};

// The boxes of a run's blocks of kBlock consecutive segments (segment i runs from point i
// to the next, the last of a closed run back to the first; a lone point is a segment to
// itself), filled as the points pass by: the offset reads every sample once for its
// frames, and the distance to the curve needs them again only for these boxes.
class BlockBoxes {
public:
    explicit BlockBoxes(const CurvePiece& run)
        : n_(run.points.size()), wraps_(run.closed && n_ > 2),
          segments_(n_ == 1 ? 1 : wraps_ ? n_ : n_ - 1)
    {
        constexpr double inf = std::numeric_limits<double>::infinity();
        boxes_.assign(n_ == 0 ? 0 : (segments_ + kBlock - 1) / kBlock, Box{inf, inf, -inf, -inf});
    }

    // Point i of the run: it starts segment i and ends the one before.
    void take(std::size_t i, const CurvePoint& p)
    {
        const std::size_t block = i / kBlock;
        if (block < boxes_.size())
            boxes_[block].take(p);
        if (i % kBlock == 0 && i > 0)
            boxes_[block - 1].take(p);
        if (i == 0 && (wraps_ || n_ == 1))
            boxes_.back().take(p);
    }

    std::vector<Box> done() && { return std::move(boxes_); }

private:
    std::size_t n_;
    bool wraps_;
    std::size_t segments_;
    std::vector<Box> boxes_;
};

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
        const bool agreeing = lt > 0 && agrees(tangent, lt, cin, lin) && agrees(tangent, lt, cout, lout);
        const double turn = dot(cin, cout);
        const bool sharp = lin > 0 && lout > 0 && (turn < 0 || turn * turn < kResolvedCos * kResolvedCos * lin * lout);
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

// ---- the distance to the curve ---------------------------------------------------

// The base curve's segments in blocks of consecutive ones of one run, each with its
// bounding box. The blocks point into the runs, which outlive the measure: a million
// samples are not indexed twice.
class CurveDistance {
public:
    // `known` holds the block boxes of some runs (BlockBoxes), empty for the others.
    CurveDistance(const std::vector<CurvePiece>& runs, std::vector<std::vector<Box>> known)
    {
        std::size_t count = 0;
        for (const CurvePiece& run : runs)
            count += run.points.size();
        blocks_.reserve(count / kBlock + runs.size() + 1);
        for (std::size_t r = 0; r < runs.size(); ++r) {
            const CurvePiece& run = runs[r];
            std::vector<Box> boxes = std::move(known[r]);
            if (boxes.empty()) {
                BlockBoxes measured(run);
                for (std::size_t i = 0; i < run.points.size(); ++i)
                    measured.take(i, run.points[i]);
                boxes = std::move(measured).done();
            }
            const std::size_t n = run.points.size();
            const std::size_t segments = n == 1 ? 1 : run.closed && n > 2 ? n : n - 1;
            for (std::size_t b = 0; b < boxes.size(); ++b) {
                const std::size_t first = b * kBlock;
                blocks_.push_back({boxes[b], &run.points, first, std::min(kBlock, segments - first)});
            }
        }
        // Groups of consecutive blocks under one box: a question skips most of a long
        // curve a group at a time.
        for (std::size_t first = 0; first < blocks_.size(); first += kGroup) {
            Group group{blocks_[first].box, first, std::min(blocks_.size(), first + kGroup)};
            for (std::size_t k = first + 1; k < group.end; ++k) {
                const Box& b = blocks_[k].box;
                group.box = {std::min(group.box.minX, b.minX), std::min(group.box.minY, b.minY),
                             std::max(group.box.maxX, b.maxX), std::max(group.box.maxY, b.maxY)};
            }
            groups_.push_back(group);
        }
    }

    // Whether some point of the curve lies nearer to `q` than `r`.
    bool nearerThan(const CurvePoint& q, double r) const
    {
        const double r2 = r * r;
        return walk(q, r2, [&](const CurvePoints&, std::size_t, double d2) { return d2 < r2; });
    }

    // Whether `q` lies nearer to the curve than `d` by more than the samples' own error
    // there (how far a sample beside the nearest chord lies off the chord of its
    // neighbours: about four times the chords' sag), and at least by `least`.
    bool inside(const CurvePoint& q, double d, double least) const
    {
        const double r = d - least;
        double best = r * r;
        const CurvePoints* points = nullptr;
        std::size_t at = 0;
        walk(q, best, [&](const CurvePoints& p, std::size_t i, double d2) {
            if (d2 < best) {
                best = d2;
                points = &p;
                at = i;
            }
            return false;
        });
        if (!points)
            return false;
        const CurvePoints& p = *points;
        const std::size_t n = p.size();
        double error = 0;
        for (std::size_t i : {at, at + 1}) {
            if (i == 0 || i + 1 >= n)
                continue;
            error = std::max(error, std::sqrt(squaredDistance(p[i], p[i - 1], p[i + 1])));
        }
        const double slack = std::max(error, least);
        return std::sqrt(best) < d - slack;
    }

    static double squaredDistance(const CurvePoint& q, const CurvePoint& a, const CurvePoint& b)
    {
        const Vec ab = sub(b, a), aq = sub(q, a);
        const double len2 = dot(ab, ab);
        double s = len2 > 0 ? dot(aq, ab) / len2 : 0.0;
        s = std::clamp(s, 0.0, 1.0);
        const double dx = aq.x - s * ab.x, dy = aq.y - s * ab.y;
        return dx * dx + dy * dy;
    }

private:
    // Calls `take(points, i, squared distance)` for segment i of the blocks whose boxes
    // lie nearer to `q` than the root of `limit` (read again for each box: it may shrink),
    // until `take` says enough.
    template <class Take>
    bool walk(const CurvePoint& q, const double& limit, Take&& take) const
    {
        const auto far = [&](const Box& box) {
            const double dx = std::max({box.minX - q.x, 0.0, q.x - box.maxX});
            const double dy = std::max({box.minY - q.y, 0.0, q.y - box.maxY});
            return dx * dx + dy * dy >= limit;
        };
        for (const Group& group : groups_) {
            if (far(group.box))
                continue;
            for (std::size_t k = group.first; k < group.end; ++k) {
                const Block& block = blocks_[k];
                if (far(block.box))
                    continue;
                const CurvePoints& p = *block.points;
                for (std::size_t i = block.first; i < block.first + block.count; ++i)
                    if (take(p, i, squaredDistance(q, p[i], block.to(i))))
                        return true;
            }
        }
        return false;
    }

    // Segment i runs from point i to the next (the last of a closed run back to the
    // first; a lone point is a segment to itself).
    struct Block {
        Box box;
        const CurvePoints* points;
        std::size_t first;
        std::size_t count;
        const CurvePoint& to(std::size_t i) const { return (*points)[i + 1 < points->size() ? i + 1 : 0]; }
    };
    struct Group {
        Box box;
        std::size_t first;
        std::size_t end;
    };
    std::vector<Block> blocks_;
    std::vector<Group> groups_;
};

// ---- cutting at the crossings ------------------------------------------------------

// The raw offset's `n` vertices as the stretches read them, an index past the last
// going round to the first (of a closed polyline). Held apart from the vector, which the
// kept piece is written into as it is read: the reads need not look at its size again.
struct RawView {
    const CurvePoint* data;
    std::size_t n;
    const CurvePoint& operator[](std::size_t i) const { return data[i < n ? i : i - n]; }
};

// A stretch of the raw offset between two crossings (or its ends), held as places in it
// rather than as a copy: its first point, the raw vertices from `begin` on (round a
// closed polyline), and its last point.
struct Stretch {
    CurvePoint first;
    std::size_t begin = 0;
    std::size_t inner = 0;   // raw vertices between first and last
    CurvePoint last;

    std::size_t size() const { return inner + 2; }
    const CurvePoint& at(const RawView& raw, std::size_t k) const
    {
        if (k == 0)
            return first;
        if (k == inner + 1)
            return last;
        return raw[begin + k - 1];
    }
};

// The vertex of stretch `s` nearest to `share` of the way along its vertices (the middle
// of its one segment when it has no inner vertex).
CurvePoint along(const Stretch& s, const RawView& raw, double share)
{
    if (s.inner == 0)
        return {(s.first.x + s.last.x) / 2, (s.first.y + s.last.y) / 2, 0};
    const auto k = static_cast<std::size_t>(std::lround(share * static_cast<double>(s.size() - 1)));
    return s.at(raw, std::clamp<std::size_t>(k, 1, s.size() - 2));
}

// The stretches of `raw` between its crossings; for a closed polyline with crossings the
// last runs on into the first, so that they follow each other round; a closed polyline
// without them is one stretch from its first vertex round to it again.
std::vector<Stretch> stretchesOf(const CurvePiece& raw, const std::vector<Crossing>& cuts)
{
    const CurvePoints& p = raw.points;
    const std::size_t n = p.size();
    std::vector<Stretch> out;
    if (cuts.empty()) {
        out.push_back(raw.closed ? Stretch{p[0], 1, n - 1, p[0]} : Stretch{p[0], 1, n - 2, p[n - 1]});
        return out;
    }
    out.reserve(cuts.size() + 1);
    // Vertex s + 1 ends segment s: after a cut on segment s the stretch goes on from there.
    std::size_t next = 1;
    Stretch current{p[0], 1, 0, {}};
    for (const Crossing& cut : cuts) {
        current.inner = cut.segment + 1 - next;
        current.last = cut.point;
        out.push_back(current);
        next = cut.segment + 1;
        current = {cut.point, next, 0, {}};
    }
    if (raw.closed) {
        // Round through the first vertex into the first stretch.
        Stretch& first = out.front();
        current.inner = n - next + 1 + first.inner;
        current.last = first.last;
        first = current;
    } else {
        current.inner = n - 1 - next;
        current.last = p[n - 1];
        out.push_back(current);
    }
    return out;
}

bool samePoint(const CurvePoint& a, const CurvePoint& b) { return a.x == b.x && a.y == b.y; }

// Whether the path is longer than `limit`: measured only until it is.
bool longerThan(const Stretch& s, const RawView& raw, double limit)
{
    double l = 0;
    for (std::size_t k = 1; k < s.size() && l <= limit; ++k)
        l += length(sub(s.at(raw, k), s.at(raw, k - 1)));
    return l > limit;
}

bool longerThan(const CurvePoints& p, double limit)
{
    double l = 0;
    for (std::size_t i = 1; i < p.size() && l <= limit; ++i)
        l += length(sub(p[i], p[i - 1]));
    return l > limit;
}

// Where a swallowtail ends on a round join at a cusp, the two touch (the join starts
// where the swallowtail's tip is) rather than cross: a spike that goes in and comes back
// along itself. Its vertices nearer to the curve than `r` go. The kept vertices are a
// stack at the front of `out` (which may be the buffer the points are read from, as
// long as no point is written before it is read): removing a spike's tip may make the
// vertex before it the next tip, all along a fold.
class SpikeFilter {
public:
    SpikeFilter(CurvePoints& out, const CurveDistance& curve, double r, double tolerance, bool active)
        : out_(out), curve_(curve), r_(r), tolerance_(tolerance), active_(active) {}

    // Runs for every vertex of the offset: inline in the loops that feed it.
    [[gnu::always_inline]] void add(CurvePoint q)
    {
        if (used_ < out_.size())
            out_[used_] = q;
        else
            out_.push_back(q);
        ++used_;
        while (active_ && used_ >= 3 && spike(out_[used_ - 3], out_[used_ - 2], out_[used_ - 1])) {
            out_[used_ - 2] = out_[used_ - 1];
            --used_;
        }
    }

    // Drops what lies beyond the kept vertices.
    void finish() { out_.resize(used_); }

private:
    bool spike(const CurvePoint& before, const CurvePoint& tip, const CurvePoint& after) const
    {
        // The turn, without a square root or a division for every vertex: cos < −½.
        const Vec in = sub(tip, before), out = sub(after, tip);
        const double c = dot(in, out);
        if (!(c < 0 && c * c > kSpikeCos * kSpikeCos * dot(in, in) * dot(out, out)))
            return false;
        // A fold back within the tolerance goes: the path loses nothing by it.
        return std::sqrt(CurveDistance::squaredDistance(tip, before, after)) <= tolerance_ ||
               curve_.nearerThan(tip, r_);
    }

    CurvePoints& out_;
    const CurveDistance& curve_;
    double r_;
    double tolerance_;
    bool active_;
    std::size_t used_ = 0;
};

// A kept piece: the stretches it joins, each after the first starting where the one
// before ends (that point is left out), and `count` points in all.
struct KeptPiece {
    std::vector<std::size_t> stretches;
    std::size_t count = 0;
};

// Calls `take(s, k)` for the piece's points in order: point k of stretch s.
template <class Take>
void forEachPoint(const KeptPiece& piece, const std::vector<Stretch>& stretches, Take&& take)
{
    std::size_t left = piece.count;
    for (std::size_t j = 0; j < piece.stretches.size() && left > 0; ++j) {
        const Stretch& s = stretches[piece.stretches[j]];
        for (std::size_t k = j == 0 ? 0 : 1; k < s.size() && left > 0; ++k, --left)
            take(s, k);
    }
}

// How many places the raw polyline of `n` vertices must move on in its buffer for the
// piece to be written over it from the buffer's start: every raw vertex is read before
// its place is written. Crossing points the piece passes through put the writing ahead
// of the reading by one each.
std::size_t leadToWriteInPlace(const KeptPiece& piece, const std::vector<Stretch>& stretches, std::size_t n)
{
    // Along a stretch the writing and the reading move on together: the lead changes only
    // where a stretch starts and where its reading goes round past the last vertex.
    std::size_t written = 0, left = piece.count, lead = 0;
    for (std::size_t j = 0; j < piece.stretches.size() && left > 0; ++j) {
        const Stretch& s = stretches[piece.stretches[j]];
        const std::size_t from = j == 0 ? 0 : 1;
        const std::size_t taken = std::min(left, s.size() - from);
        // Raw vertices are the points k = 1 … inner; the last point taken is k = from + taken − 1.
        const std::size_t first = std::max<std::size_t>(from, 1), last = std::min(s.inner, from + taken - 1);
        if (first <= last) {
            // Point k is written at written + k − from and read from begin + k − 1 (less n
            // once past the end).
            const auto leadAt = [&](std::size_t k, std::size_t wrap) {
                const std::size_t w = written + k - from, at = s.begin + k - 1 - wrap;
                return w > at ? w - at : 0;
            };
            if (s.begin + first - 1 < n)
                lead = std::max(lead, leadAt(first, 0));
            if (s.begin + last - 1 >= n)
                lead = std::max(lead, leadAt(std::max(first, n + 1 - s.begin), n));
        }
        written += taken;
        left -= taken;
    }
    return lead;
}

// Mends the votes where the offset crosses itself. The band's edge never crosses itself:
// at such a crossing the tool path arrives once and leaves once (or passes it by). Where
// two kept stretches leave it (or arrive), the smaller of the two kept chains that start
// there (or end there) goes: a loop of the offset whose round join about a cusp, or a
// swallowtail shallower than the tolerance, outvoted the rest of it. On a closed offset,
// where kept stretches only leave (or only arrive), they hang from a fragment cut out,
// and go; dropping them may leave the next hanging. Crossings with the band's other
// edges are passed once and may end what is kept.
class CrossingMender {
public:
    CrossingMender(const std::vector<Stretch>& stretches, bool closed, std::vector<char>& keep)
        : stretches_(stretches), closed_(closed), keep_(keep), m_(stretches.size()), node_(2 * m_)
    {
        // Each end of a stretch is a place: its first point (k) or its last (m + k).
        std::vector<std::size_t> order(2 * m_);
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const CurvePoint &p = point(a), &q = point(b);
            return p.x != q.x ? p.x < q.x : p.y < q.y;
        });
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i == 0 || !samePoint(point(order[i]), point(order[i - 1])))
                nodes_.push_back({});
            const std::size_t place = order[i];
            node_[place] = nodes_.size() - 1;
            Node& node = nodes_.back();
            if (isEnd(place))
                continue;
            if (place < m_ && node.passes < 2)
                node.leaves[node.passes++] = place;
            else if (place >= m_ && node.arrivals < 2)
                node.arrives[node.arrivals++] = place - m_;
        }
        for (std::size_t k = 0; k < m_; ++k)
            if (keep_[k])
                count(k, 1);
    }

    void mend()
    {
        std::vector<std::size_t> queue;
        for (std::size_t v = 0; v < nodes_.size(); ++v)
            if (wrong(v))
                queue.push_back(v);
        while (!queue.empty()) {
            const std::size_t v = queue.back();
            queue.pop_back();
            if (!wrong(v))
                continue;
            std::vector<std::size_t> dropped;
            const Node& node = nodes_[v];
            if (node.out == 2) {
                dropped = smallerChain(node.leaves[0], node.leaves[1], true, v);
            } else if (node.in == 2) {
                dropped = smallerChain(node.arrives[0], node.arrives[1], false, v);
            } else {
                for (const std::size_t k : node.in == 0 ? node.leaves : node.arrives)
                    if (keep_[k])
                        dropped.push_back(k);
            }
            for (const std::size_t k : dropped) {
                count(k, -1);
                keep_[k] = 0;
                for (const std::size_t w : {at(k), at(m_ + k)})
                    if (wrong(w))
                        queue.push_back(w);
            }
        }
    }

    // Whether no kept stretch leads into stretch k or on from it.
    bool alone(std::size_t k) const { return next(k, true) == m_ && next(k, false) == m_; }

private:
    // A crossing: the stretches that leave it and arrive there (two of each where the
    // offset crosses itself), and how many of them are kept.
    struct Node {
        std::array<std::size_t, 2> leaves{};
        std::array<std::size_t, 2> arrives{};
        int passes = 0;
        int arrivals = 0;
        int in = 0;
        int out = 0;
    };

    const CurvePoint& point(std::size_t place) const
    {
        return place < m_ ? stretches_[place].first : stretches_[place - m_].last;
    }
    // An open offset's own ends are not crossings, though a crossing may lie on them.
    bool isEnd(std::size_t place) const { return !closed_ && (place == 0 || place == 2 * m_ - 1); }
    // The crossing at a place, or none (past the last) at an open offset's ends.
    std::size_t at(std::size_t place) const { return isEnd(place) ? nodes_.size() : node_[place]; }

    void count(std::size_t k, int by)
    {
        if (at(k) < nodes_.size())
            nodes_[at(k)].out += by;
        if (at(m_ + k) < nodes_.size())
            nodes_[at(m_ + k)].in += by;
    }

    bool wrong(std::size_t v) const
    {
        if (v >= nodes_.size() || nodes_[v].passes != 2)
            return false;
        // An open offset's kept pieces may start or end at a crossing with itself: its
        // band is closed by caps at the curve's ends, which are not drawn.
        const Node& node = nodes_[v];
        return node.in == 2 || node.out == 2 || (closed_ && (node.in == 0) != (node.out == 0));
    }

    // The kept stretch the path goes on with after k (before it, `backward`), or none
    // (m): the one after it along the offset, or where that goes, the other kept one
    // that leaves the crossing k ends at (arrives where k starts).
    std::size_t next(std::size_t k, bool backward) const
    {
        const std::size_t place = backward ? k : m_ + k;
        std::size_t j = m_;
        if (!isEnd(place))
            j = backward ? (k + m_ - 1) % m_ : (k + 1) % m_;
        if (j < m_ && keep_[j])
            return j;
        const std::size_t v = at(place);
        if (v >= nodes_.size() || nodes_[v].passes != 2)
            return m_;
        for (const std::size_t other : backward ? nodes_[v].arrives : nodes_[v].leaves)
            if (other != j && keep_[other])
                return other;
        return m_;
    }

    // Of the kept chains from stretches a and b on (back from them, unless `leaving`),
    // each ending where it breaks or comes back to crossing v, the one with fewer points;
    // walked side by side, so that the cost is that of the smaller.
    std::vector<std::size_t> smallerChain(std::size_t a, std::size_t b, bool leaving, std::size_t v) const
    {
        struct Walk {
            std::vector<std::size_t> chain;
            std::size_t points = 0;
            bool done = false;
        };
        std::array<Walk, 2> walks;
        const auto advance = [&](Walk& w, std::size_t k) {
            w.chain.push_back(k);
            w.points += stretches_[k].size();
            const bool back = leaving ? at(m_ + k) == v : at(k) == v;
            const std::size_t j = back ? m_ : next(k, !leaving);
            if (j == m_ || j == w.chain.front())
                w.done = true;
            return j;
        };
        std::array<std::size_t, 2> from{advance(walks[0], a), advance(walks[1], b)};
        while (!walks[0].done && !walks[1].done) {
            const int i = walks[0].points <= walks[1].points ? 0 : 1;
            from[i] = advance(walks[i], from[i]);
        }
        const int smaller = walks[0].done && (!walks[1].done || walks[0].points <= walks[1].points) ? 0 : 1;
        return std::move(walks[smaller].chain);
    }

    const std::vector<Stretch>& stretches_;
    bool closed_;
    std::vector<char>& keep_;
    std::size_t m_;
    std::vector<std::size_t> node_;
    std::vector<Node> nodes_;
};

// What is left of `raw` once the stretches nearer to the curve than the distance are
// gone, the stretches on either side of a cut-out loop joined where they cross. A single
// piece left is written over the raw points (a million points are not held twice);
// several are copied out, once.
void trim(CurvePiece&& raw, const std::vector<Crossing>& cuts, const CurveDistance& curve, double r,
          double tolerance, std::vector<CurvePiece>& out)
{
    CurvePoints& p = raw.points;
    // Vertices where the path turns back must lie nearer the distance than others: the
    // samples put the curve within a tenth of the tolerance.
    const double spikeDistance = r + 0.75 * tolerance;
    const std::size_t n = p.size();
    // Every read of the raw vertices comes before the piece written over them grows
    // beyond them (see the delay below): the buffer does not move while they are read.
    const RawView view{p.data(), n};
    std::vector<Stretch> stretches = stretchesOf(raw, cuts);
    const std::size_t m = stretches.size();
    std::vector<char> keep(m, 0);
    for (std::size_t k = 0; k < m; ++k) {
        const Stretch& s = stretches[k];
        // A vote of points along it: a join's point may stray inside by the samples'
        // error where the curve was sampled coarsely, a loop lies inside throughout.
        // A short stretch puts several voters on one vertex: it is measured once.
        int outside = 0;
        std::optional<CurvePoint> asked;
        bool away = false;
        for (int v = 1; v < 8; ++v) {
            const CurvePoint q = along(s, view, v / 8.0);
            // The offset's own vertices lie at the distance from points of the curve:
            // only the samples' error brings them nearer to its chords. The middle of a
            // chord may come nearer by the chord's own error, the tolerance.
            if (!asked || !samePoint(*asked, q))
                away = s.inner == 0 ? !curve.nearerThan(q, r)
                                    : !curve.inside(q, r + tolerance, kLeastSlack * tolerance);
            asked = q;
            outside += away ? 1 : 0;
        }
        // A loop smaller than the tolerance is the samples' noise where the offset
        // crosses itself at a shallow angle, not a part a tool would follow.
        keep[k] = outside >= 4 && !(samePoint(s.first, s.last) && !longerThan(s, view, 2 * tolerance));
    }
    CrossingMender mender(stretches, raw.closed, keep);
    mender.mend();
    // A kept stretch that the path neither arrives by nor leaves by, no longer than the
    // tolerance, is a piece too short to draw: it goes now, so that the kept stretches
    // on either side of it join.
    for (std::size_t k = 0; k < m; ++k)
        if (keep[k] && mender.alone(k) && !longerThan(stretches[k], view, tolerance))
            keep[k] = 0;
    std::vector<KeptPiece> kept;
    for (std::size_t k = 0; k < m; ++k) {
        const Stretch& s = stretches[k];
        if (!keep[k])
            continue;
        if (!kept.empty() && samePoint(stretches[kept.back().stretches.back()].last, s.first)) {
            kept.back().stretches.push_back(k);
            kept.back().count += s.size() - 1;
        } else {
            kept.push_back({{k}, s.size()});
        }
    }
    bool closed = false;
    if (raw.closed && !kept.empty()) {
        const auto front = [&](const KeptPiece& piece) { return stretches[piece.stretches.front()].first; };
        const auto back = [&](const KeptPiece& piece) { return stretches[piece.stretches.back()].last; };
        if (kept.size() > 1 && samePoint(back(kept.back()), front(kept.front()))) {
            // The last piece runs on into the first.
            KeptPiece& first = kept.front();
            KeptPiece& last = kept.back();
            first.stretches.insert(first.stretches.begin(), last.stretches.begin(), last.stretches.end());
            first.count += last.count - 1;
            kept.pop_back();
        }
        // A closed piece does not repeat its first point.
        closed = kept.size() == 1 && samePoint(back(kept.front()), front(kept.front()));
        if (closed)
            --kept.front().count;
    }
    // Written over the raw vertices it reads (`result` is `raw`), the points reach the
    // filter `delay` places late, so that it never writes a vertex before it is read.
    const auto emit = [&](const KeptPiece& piece, CurvePiece& result, std::size_t delay) {
        SpikeFilter filter(result.points, curve, spikeDistance, tolerance, piece.count > 3);
        if (delay == 0) {
            forEachPoint(piece, stretches, [&](const Stretch& s, std::size_t k) { filter.add(s.at(view, k)); });
        } else {
            std::vector<CurvePoint> late;
            late.reserve(delay);
            std::size_t oldest = 0;
            forEachPoint(piece, stretches, [&](const Stretch& s, std::size_t k) {
                const CurvePoint q = s.at(view, k);
                if (late.size() < delay) {
                    late.push_back(q);
                    return;
                }
                filter.add(late[oldest]);
                late[oldest] = q;
                if (++oldest == delay)
                    oldest = 0;
            });
            for (std::size_t j = 0; j < late.size(); ++j)
                filter.add(late[(oldest + j) % late.size()]);
        }
        filter.finish();
        result.closed = closed;
        if (result.points.size() >= 2 && longerThan(result.points, tolerance))
            out.push_back(std::move(result));
    };
    // A long delay would hold much of the polyline twice.
    const std::size_t mostDelay = n / 16 + 16;
    std::size_t lead = kept.size() == 1 ? leadToWriteInPlace(kept.front(), stretches, n) : 0;
    if (kept.size() == 1 && raw.closed && !cuts.empty() && lead > mostDelay) {
        // Every stretch of a closed polyline starts at a crossing: turned to start with
        // the segment where the piece starts, the polyline is read in order from there.
        const std::size_t shift = (stretches[kept.front().stretches.front()].begin + n - 1) % n;
        std::rotate(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(shift), p.end());
        for (Stretch& s : stretches)
            s.begin = (s.begin + n - shift) % n;
        lead = leadToWriteInPlace(kept.front(), stretches, n);
    }
    if (kept.size() == 1 && lead <= mostDelay) {
        emit(kept.front(), raw, lead);
        return;
    }
    for (const KeptPiece& piece : kept) {
        CurvePiece result;
        result.points.reserve(piece.count);
        emit(piece, result, 0);
    }
}

// ---- crossings of x-monotone chains ---------------------------------------------------

// Segment `index` of polyline `polyline`: from point index to the next (the last of a
// closed polyline back to the first).
struct Segment {
    const CurvePoint* a = nullptr;
    const CurvePoint* b = nullptr;
    std::size_t polyline = 0;
    std::size_t index = 0;
};

// Consecutive segments of one polyline along which x only grows or only falls, at most
// kChainSegments: short chains have small boxes, so that only chains that come near
// each other are walked.
constexpr std::size_t kChainSegments = 64;
// The band's far edges are thinned to long chords: fewer of them keep a chain's box near
// its segments.
constexpr std::size_t kEdgeChainSegments = 8;

struct Chain {
    std::size_t polyline = 0;
    std::size_t first = 0;  // segment index in the polyline
    std::size_t count = 0;
    bool rising = true;     // x grows along it
    Box box{};
};

struct Cut {
    std::size_t polyline;
    Crossing crossing;
};

class CrossingFinder {
public:
    // Polylines from `edgesFrom` on only cut the others: their crossings among
    // themselves are not looked for.
    explicit CrossingFinder(const std::vector<CurvePiece>& polylines,
                            std::size_t edgesFrom = static_cast<std::size_t>(-1))
        : polylines_(polylines), edgesFrom_(edgesFrom)
    {
        std::size_t segments = 0;
        for (const CurvePiece& polyline : polylines)
            segments += polyline.points.size();
        chains_.reserve(segments / kChainSegments + polylines.size() + 16);
        for (std::size_t k = 0; k < polylines.size(); ++k)
            addChains(k);
    }

    std::vector<std::vector<Crossing>> find()
    {
        std::vector<std::size_t> order(chains_.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return chains_[a].box.minX < chains_[b].box.minX; });
        for (std::size_t i = 0; i < order.size(); ++i) {
            const Chain& a = chains_[order[i]];
            for (std::size_t j = i + 1; j < order.size() && chains_[order[j]].box.minX <= a.box.maxX; ++j) {
                const Chain& b = chains_[order[j]];
                if (b.box.minY <= a.box.maxY && a.box.minY <= b.box.maxY)
                    walk(a, b);
            }
        }
        std::vector<std::vector<Crossing>> out(polylines_.size());
        for (Cut& cut : cuts_)
            out[cut.polyline].push_back(cut.crossing);
        for (std::vector<Crossing>& list : out)
            std::sort(list.begin(), list.end(), [](const Crossing& x, const Crossing& y) {
                return x.segment != y.segment ? x.segment < y.segment : x.share < y.share;
            });
        return out;
    }

private:
    Segment segment(std::size_t polyline, std::size_t index) const
    {
        const CurvePoints& p = polylines_[polyline].points;
        return {&p[index], &p[index + 1 < p.size() ? index + 1 : 0], polyline, index};
    }

    // Polyline k's segments in chains, each as long as x keeps its direction along it
    // (vertical segments go with either) and no longer than the most a chain holds.
    void addChains(std::size_t k)
    {
        const CurvePoints& p = polylines_[k].points;
        const std::size_t n = p.size();
        if (n < 2)
            return;
        const std::size_t count = polylines_[k].closed && n > 2 ? n : n - 1;
        const std::size_t most = k >= edgesFrom_ ? kEdgeChainSegments : kChainSegments;
        Chain chain{};
        for (std::size_t i = 0; i < count; ++i) {
            const CurvePoint& a = p[i];
            const CurvePoint& b = p[i + 1 < n ? i + 1 : 0];
            const double dx = b.x - a.x;
            const bool vertical = allVertical(chain);
            if (i == 0 || chain.count == most || !(dx == 0 || (dx > 0) == chain.rising || vertical)) {
                if (i > 0)
                    chains_.push_back(chain);
                chain = {k, i, 0, dx >= 0, {a.x, a.y, a.x, a.y}};
            } else if (vertical && dx != 0) {
                chain.rising = dx > 0;
            }
            ++chain.count;
            // The segment's start is in the box already (the chain's first point, or the
            // end of the segment before).
            chain.box.minX = std::min(chain.box.minX, b.x);
            chain.box.maxX = std::max(chain.box.maxX, b.x);
            chain.box.minY = std::min(chain.box.minY, b.y);
            chain.box.maxY = std::max(chain.box.maxY, b.y);
        }
        chains_.push_back(chain);
    }

    bool allVertical(const Chain& c) const { return c.box.minX == c.box.maxX; }

    // The chain's k-th segment from the left.
    Segment at(const Chain& c, std::size_t k) const
    {
        return segment(c.polyline, c.rising ? c.first + k : c.first + c.count - 1 - k);
    }

    static double minX(const Segment& s) { return std::min(s.a->x, s.b->x); }
    static double maxX(const Segment& s) { return std::max(s.a->x, s.b->x); }

    // Both chains from left to right, testing every pair of segments whose x spans meet.
    void walk(const Chain& a, const Chain& b)
    {
        // Only where their x ranges overlap: the first segment that reaches into the
        // other chain's range, by bisection (the segments' right ends only grow).
        const auto firstReaching = [&](const Chain& c, double x) {
            std::size_t lo = 0, hi = c.count;
            while (lo < hi) {
                const std::size_t mid = lo + (hi - lo) / 2;
                if (maxX(at(c, mid)) < x)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            return lo;
        };
        std::size_t i = firstReaching(a, b.box.minX), j = firstReaching(b, a.box.minX);
        while (i < a.count && j < b.count) {
            const Segment s = at(a, i);
            const Segment t = at(b, j);
            if (minX(s) > b.box.maxX || minX(t) > a.box.maxX)
                break;
            if (minX(s) <= maxX(t) && minX(t) <= maxX(s) && std::min(s.a->y, s.b->y) <= std::max(t.a->y, t.b->y) &&
                std::min(t.a->y, t.b->y) <= std::max(s.a->y, s.b->y))
                test(s, t);
            if (maxX(s) < maxX(t))
                ++i;
            else
                ++j;
        }
    }

    bool neighbours(const Segment& s, const Segment& t) const
    {
        if (s.polyline != t.polyline)
            return false;
        const std::size_t lo = std::min(s.index, t.index), hi = std::max(s.index, t.index);
        if (hi - lo <= 1)
            return true;
        const CurvePiece& p = polylines_[s.polyline];
        return p.closed && lo == 0 && hi == p.points.size() - 1;
    }

    void test(const Segment& s, const Segment& t)
    {
        if (neighbours(s, t) || (s.polyline >= edgesFrom_ && t.polyline >= edgesFrom_))
            return;
        const Vec r = sub(*s.b, *s.a), q = sub(*t.b, *t.a), w = sub(*t.a, *s.a);
        const double den = cross(r, q);
        if (den == 0)
            return;
        const double u = cross(w, q) / den;
        const double v = cross(w, r) / den;
        if (!(u >= 0 && u < 1 && v >= 0 && v < 1))
            return;
        const CurvePoint x{s.a->x + u * r.x, s.a->y + u * r.y, 0};
        cuts_.push_back({s.polyline, {s.index, u, x}});
        cuts_.push_back({t.polyline, {t.index, v, x}});
    }

    const std::vector<CurvePiece>& polylines_;
    std::size_t edgesFrom_;
    std::vector<Chain> chains_;
    std::vector<Cut> cuts_;
};

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

std::vector<std::vector<Crossing>> crossings(const std::vector<CurvePiece>& polylines)
{
    return CrossingFinder(polylines).find();
}

std::vector<CurvePiece> offsetRuns(const std::vector<CurvePiece>& runs, double distance, double tolerance,
                                   const CurveAt& at)
{
    // The points nearer to the curve than the distance fill a band about it. The offset
    // of one part of the curve may enter the band of another part (where the curve
    // crosses itself or comes back near itself) through the band's other edge, which the
    // offset on this side does not cross: without that edge the stretch inside would be
    // kept whole with the stretch outside. The other side's offset and round caps at open
    // ends close the band; they only cut. Both sides' offsets go round a cusp's tip on
    // the same arc: the other side is broken there instead, so that the two do not cut
    // each other at every vertex along it.
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
    const std::vector<std::vector<Crossing>> cuts = CrossingFinder(raw, own).find();
    const CurveDistance curve(runs, std::move(boxes));
    // Points of the true offset lie at the distance from the curve; the samples' chords
    // may come nearer to them than the curve itself does, within the tolerance.
    const double r = std::fabs(distance) - tolerance;
    std::vector<CurvePiece> out;
    for (std::size_t k = 0; k < own; ++k)
        if (raw[k].points.size() >= 2)
            trim(std::move(raw[k]), cuts[k], curve, r, tolerance, out);
    return out;
}

} // namespace plotwright::curve
