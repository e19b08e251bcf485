#include "curve/offset_curve.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <iterator>
#include <optional>

namespace plotwright::curve {
namespace {

constexpr double kPi = std::numbers::pi;
// A turn of the offset's direction larger than this between two samples is a cusp: the
// curve came to a stop and went back. Both offsets then pass round its tip.
constexpr double kCuspTurn = 0.97 * kPi;
// At a sample whose derivative leans more than 60° from a chord beside it the curve has a
// corner (or a cusp) there rather than a tangent.
constexpr double kCornerCos = 0.5;
// Chords beside a sample that turn by more than about 6° leave its tangent to the curve.
constexpr double kResolvedCos = 0.995;
// One-sided tangents within about 1° of each other: no corner.
constexpr double kSmoothCos = 0.99985;
// Round joins have at most this many points each (a tolerance far below the distance).
constexpr int kMostJoinSteps = 4096;
// A path that turns back by more than 120° at a vertex.
constexpr double kSpikeCos = -0.5;
// Consecutive segments of the base curve grouped under one bounding box for distances.
constexpr std::size_t kBlock = 32;

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
    return l > 0 && std::isfinite(l) ? Vec{a.x / l, a.y / l} : Vec{};
}
Vec leftOf(Vec a) { return {-a.y, a.x}; }
bool isZero(Vec a) { return a.x == 0 && a.y == 0; }

// The derivative at points[k] (k one of i0, i1, i2) of the parabola through the three
// points at their parameters (z); zero when the parameters do not tell them apart.
Vec derivative(const CurvePoints& p, std::size_t i0, std::size_t i1, std::size_t i2, std::size_t k)
{
    const double t0 = p[i0].z, t1 = p[i1].z, t2 = p[i2].z, t = p[k].z;
    const double d0 = (t0 - t1) * (t0 - t2), d1 = (t1 - t0) * (t1 - t2), d2 = (t2 - t0) * (t2 - t1);
    if (d0 == 0 || d1 == 0 || d2 == 0 || !std::isfinite(d0 * d1 * d2))
        return {};
    const double w0 = (2 * t - t1 - t2) / d0, w1 = (2 * t - t0 - t2) / d1, w2 = (2 * t - t0 - t1) / d2;
    return {w0 * p[i0].x + w1 * p[i1].x + w2 * p[i2].x, w0 * p[i0].y + w1 * p[i1].y + w2 * p[i2].y};
}

// Where the offset passes: the curve's point, and the unit vector from it to the offset.
struct Frame {
    CurvePoint centre;
    Vec direction;
};

// Whether `tangent` agrees with the chord of direction `chord` (a unit vector, or zero for
// a zero chord, which agrees with anything).
bool agrees(Vec tangent, Vec chord) { return isZero(chord) || dot(tangent, chord) >= kCornerCos; }

// The frames of one run: one per sample with a tangent, two (the one-sided tangents'
// normals) at a corner, so that a round join turns about it. Where the chords beside a
// sample turn sharply (near a cusp, a corner, a tight bend) the tangent comes from the
// curve itself, `at`, on either side of the sample, rather than from the samples.
// Each frame goes to `take` as it is found: a million samples need not be held twice.
template <class Take>
void framesOf(const CurvePiece& run, double side, const CurveAt& at, Take&& take)
{
    const CurvePoints& p = run.points;
    const std::size_t n = p.size();
    const auto normal = [&](Vec tangent) {
        const Vec l = leftOf(tangent);
        return Vec{side * l.x, side * l.y};
    };
    // A closed run's chords go round: its seam may be a corner like any other vertex.
    const bool wraps = run.closed && n >= 3;
    // The chord into a sample is the one out of the sample before: its direction is
    // carried over.
    Vec uout = unit(wraps ? sub(p[0], p[n - 1]) : Vec{});
    for (std::size_t i = 0; i < n; ++i) {
        const Vec uin = uout;
        uout = unit(i + 1 < n ? sub(p[i + 1], p[i]) : wraps ? sub(p[0], p[n - 1]) : Vec{});
        Vec tangent;
        if (n >= 3) {
            const std::size_t a = i == 0 ? 0 : (i + 1 == n ? n - 3 : i - 1);
            tangent = unit(derivative(p, a, a + 1, a + 2, i));
        }
        const bool agreeing = !isZero(tangent) && agrees(tangent, uin) && agrees(tangent, uout);
        const bool sharp = !isZero(uin) && !isZero(uout) && dot(uin, uout) < kResolvedCos;
        if (agreeing && !sharp) {
            take(Frame{p[i], normal(tangent)});
            continue;
        }
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
                if (dot(before, after) >= kSmoothCos) {
                    take(Frame{p[i], normal(unit({before.x + after.x, before.y + after.y}))});
                } else {
                    take(Frame{p[i], normal(before)});
                    take(Frame{p[i], normal(after)});
                }
                continue;
            }
        }
        if (agreeing) {
            take(Frame{p[i], normal(tangent)});
            continue;
        }
        if (!isZero(uin))
            take(Frame{p[i], normal(uin)});
        if (!isZero(uout))
            take(Frame{p[i], normal(uout)});
    }
}

void push(CurvePoints& out, const Frame& f, double d)
{
    out.push_back({f.centre.x + d * f.direction.x, f.centre.y + d * f.direction.y, 0});
}

// Arc points between frames `a` and `b` where their directions turn by more than a
// chord of radius `d` may follow within `tolerance`: a round join about the curve.
void join(CurvePoints& out, const Frame& a, const Frame& b, double d, double side, double cosStep, double step)
{
    const double c = dot(a.direction, b.direction);
    if (c >= cosStep)
        return;
    double turn = std::atan2(cross(a.direction, b.direction), c);
    // At a cusp the join goes forward, round the tip, on either side.
    if (std::fabs(turn) > kCuspTurn && (turn > 0) != (side < 0))
        turn -= std::copysign(2 * kPi, turn);
    const int steps = std::min(kMostJoinSteps, static_cast<int>(std::ceil(std::fabs(turn) / step)));
    const double a0 = std::atan2(a.direction.y, a.direction.x);
    for (int k = 1; k < steps; ++k) {
        const double f = static_cast<double>(k) / steps;
        const double angle = a0 + turn * f;
        const double cx = a.centre.x + (b.centre.x - a.centre.x) * f;
        const double cy = a.centre.y + (b.centre.y - a.centre.y) * f;
        out.push_back({cx + d * std::cos(angle), cy + d * std::sin(angle), 0});
    }
}

// Whether the offset turns back between two frames (unit directions): the curve has a
// cusp there.
bool isCusp(const Frame& a, const Frame& b)
{
    static const double cuspCos = std::cos(kCuspTurn);
    return dot(a.direction, b.direction) < cuspCos;
}

// One side's raw offset, built from the frames as they come. With `brokenAtCusps` it is
// not joined round a cusp's tip but broken there: the pieces before the last cusp go
// there, open, and finish() returns the rest (empty when a closed run's last piece ran
// on into its first). Such an offset only cuts the other side's, so it keeps only the
// vertices its chords need to stay within a quarter of the tolerance: dense samples
// are not written, nor searched for crossings, twice.
class RawSide {
public:
    RawSide(const CurvePiece& run, double d, double side, double tolerance, std::vector<CurvePiece>* brokenAtCusps)
        : closed_(run.closed), d_(d), side_(side), tolerance_(tolerance), brokenAtCusps_(brokenAtCusps),
          head_(brokenAtCusps ? brokenAtCusps->size() : 0)
    {
        // The angle a chord of the circle of radius d may span within the tolerance.
        step_ = tolerance >= 2 * d ? kPi : 2 * std::acos(1 - tolerance / d);
        cosStep_ = std::cos(step_);
        out_.closed = run.closed;
        room_ = run.points.size() + run.points.size() / 16 + 16;
        out_.points.reserve(room_);
    }

    void add(const Frame& frame)
    {
        if (last_ && brokenAtCusps_ && !isCusp(*last_, frame) && dot(last_->direction, frame.direction) >= cosStep_) {
            // No join between them: the vertex may be left out while the chord from the
            // last kept one bends away from the offset by less than its length times its
            // turn over 8 (a quarter of the tolerance).
            const Vec step{frame.centre.x + d_ * frame.direction.x - last_->centre.x - d_ * last_->direction.x,
                           frame.centre.y + d_ * frame.direction.y - last_->centre.y - d_ * last_->direction.y};
            const double l = length(step), turn = std::fabs(cross(last_->direction, frame.direction));
            travelled_ += l;
            turned_ += turn;
            if (travelled_ * turned_ > 2 * tolerance_) {
                flush();
                travelled_ = l;
                turned_ = turn;
            }
            pending_ = frame;
            last_ = frame;
            return;
        }
        flush();
        travelled_ = turned_ = 0;
        if (last_ && brokenAtCusps_ && isCusp(*last_, frame)) {
            out_.closed = false;
            room_ -= std::min(room_, out_.points.size());
            brokenAtCusps_->push_back(std::move(out_));
            out_ = CurvePiece{};
            // Room for the rest and for the first piece, which a closed run's last
            // piece may take in: a hundred thousand points are not moved as they grow.
            out_.points.reserve(room_ + brokenAtCusps_->at(head_).points.size());
            broken_ = true;
        } else if (last_) {
            join(out_.points, *last_, frame, d_, side_, cosStep_, step_);
        } else {
            first_ = frame;
        }
        push(out_.points, frame, d_);
        last_ = frame;
    }

    CurvePiece finish()
    {
        flush();
        if (!closed_ || !first_ || out_.points.size() <= 1)
            return std::move(out_);
        if (!broken_) {
            join(out_.points, *last_, *first_, d_, side_, cosStep_, step_);
        } else if (!isCusp(*last_, *first_)) {
            join(out_.points, *last_, *first_, d_, side_, cosStep_, step_);
            CurvePoints& front = (*brokenAtCusps_)[head_].points;
            out_.points.insert(out_.points.end(), front.begin(), front.end());
            out_.closed = false;
            (*brokenAtCusps_)[head_] = std::move(out_);
            return {};
        }
        return std::move(out_);
    }

private:
    void flush()
    {
        if (pending_)
            push(out_.points, *pending_, d_);
        pending_.reset();
    }

    CurvePiece out_;
    bool closed_;
    double d_;
    double side_;
    double tolerance_;
    double travelled_ = 0;
    double turned_ = 0;
    std::optional<Frame> pending_;
    double step_ = 0;
    double cosStep_ = 0;
    std::vector<CurvePiece>* brokenAtCusps_;
    std::size_t head_;
    std::size_t room_ = 0;
    bool broken_ = false;
    std::optional<Frame> first_, last_;
};

// The raw offset of one run: every frame's point and the joins between them, loops and
// swallowtails still in. With `otherSide`, the offset on the other side too, from the
// same frames, broken at cusps (see RawSide).
CurvePiece rawOffset(const CurvePiece& run, double distance, double tolerance, const CurveAt& at,
                     std::vector<CurvePiece>* otherSide = nullptr)
{
    const double side = distance < 0 ? -1.0 : 1.0;
    const double d = std::fabs(distance);
    RawSide own(run, d, side, tolerance, nullptr);
    std::optional<RawSide> other;
    if (otherSide)
        other.emplace(run, d, -side, tolerance, otherSide);
    framesOf(run, side, at, [&](const Frame& frame) {
        own.add(frame);
        if (other)
            other->add(Frame{frame.centre, {-frame.direction.x, -frame.direction.y}});
    });
    if (other) {
        CurvePiece rest = other->finish();
        if (rest.points.size() >= 2)
            otherSide->push_back(std::move(rest));
    }
    return own.finish();
}

// ---- the distance to the curve ---------------------------------------------------

struct Box {
    double minX, minY, maxX, maxY;
};

// The base curve's segments in blocks of consecutive ones of one run, each with its
// bounding box. The blocks point into the runs, which outlive the measure: a million
// samples are not indexed twice.
class CurveDistance {
public:
    explicit CurveDistance(const std::vector<CurvePiece>& runs)
    {
        std::size_t count = 0;
        for (const CurvePiece& run : runs)
            count += run.points.size();
        blocks_.reserve(count / kBlock + runs.size() + 1);
        for (const CurvePiece& run : runs) {
            const std::size_t n = run.points.size();
            const std::size_t segments = n == 1 ? 1 : run.closed && n > 2 ? n : n - 1;
            for (std::size_t first = 0; n > 0 && first < segments; first += kBlock) {
                Block block{{}, &run.points, first, std::min(kBlock, segments - first)};
                const CurvePoint& a = run.points[first];
                block.box = {a.x, a.y, a.x, a.y};
                for (std::size_t i = first; i < first + block.count; ++i) {
                    const CurvePoint& b = block.to(i);
                    block.box.minX = std::min(block.box.minX, b.x);
                    block.box.maxX = std::max(block.box.maxX, b.x);
                    block.box.minY = std::min(block.box.minY, b.y);
                    block.box.maxY = std::max(block.box.maxY, b.y);
                }
                blocks_.push_back(block);
            }
        }
    }

    // Whether some point of the curve lies nearer to `q` than `r`.
    bool nearerThan(const CurvePoint& q, double r) const
    {
        const double r2 = r * r;
        for (const Block& block : blocks_) {
            const Box& box = block.box;
            const double dx = std::max({box.minX - q.x, 0.0, q.x - box.maxX});
            const double dy = std::max({box.minY - q.y, 0.0, q.y - box.maxY});
            if (dx * dx + dy * dy >= r2)
                continue;
            const CurvePoints& p = *block.points;
            for (std::size_t i = block.first; i < block.first + block.count; ++i)
                if (squaredDistance(q, p[i], block.to(i)) < r2)
                    return true;
        }
        return false;
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
    // Segment i runs from point i to the next (the last of a closed run back to the
    // first; a lone point is a segment to itself).
    struct Block {
        Box box;
        const CurvePoints* points;
        std::size_t first;
        std::size_t count;
        const CurvePoint& to(std::size_t i) const { return (*points)[i + 1 < points->size() ? i + 1 : 0]; }
    };
    std::vector<Block> blocks_;
};

// ---- cutting at the crossings ------------------------------------------------------

// A stretch of the raw offset between two crossings (or its ends), held as places in it
// rather than as a copy: its first point, the raw vertices from `begin` on (round a
// closed polyline), and its last point.
struct Stretch {
    CurvePoint first;
    std::size_t begin = 0;
    std::size_t inner = 0;   // raw vertices between first and last
    CurvePoint last;

    std::size_t size() const { return inner + 2; }
    const CurvePoint& at(const CurvePoints& raw, std::size_t k) const
    {
        if (k == 0)
            return first;
        if (k == inner + 1)
            return last;
        const std::size_t i = begin + k - 1;
        return raw[i < raw.size() ? i : i - raw.size()];
    }
};

// The vertex of stretch `s` nearest to `share` of the way along its vertices (the middle
// of its one segment when it has no inner vertex).
CurvePoint along(const Stretch& s, const CurvePoints& raw, double share)
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

double pathLength(const Stretch& s, const CurvePoints& raw)
{
    double l = 0;
    for (std::size_t k = 1; k < s.size(); ++k)
        l += length(sub(s.at(raw, k), s.at(raw, k - 1)));
    return l;
}

double pathLength(const CurvePoints& p)
{
    double l = 0;
    for (std::size_t i = 1; i < p.size(); ++i)
        l += length(sub(p[i], p[i - 1]));
    return l;
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

    void add(CurvePoint q)
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
        const Vec in = unit(sub(tip, before)), out = unit(sub(after, tip));
        if (!(dot(in, out) < kSpikeCos))
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

// Calls `take(k, i)` for the piece's points in order: point i of stretch k.
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

// Whether the piece can be written over the raw polyline it is read from: every raw
// vertex is read before its place is written.
bool fitsInPlace(const KeptPiece& piece, const std::vector<Stretch>& stretches, std::size_t n)
{
    std::size_t written = 0;
    bool fits = true;
    forEachPoint(piece, stretches, [&](const Stretch& s, std::size_t k) {
        if (k >= 1 && k <= s.inner) {
            const std::size_t i = s.begin + k - 1;
            fits = fits && written <= (i < n ? i : i - n);
        }
        ++written;
    });
    return fits;
}

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
    std::vector<Stretch> stretches = stretchesOf(raw, cuts);
    std::vector<KeptPiece> kept;
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const Stretch& s = stretches[k];
        // A vote of points along it: a join's point may stray inside by the samples'
        // error where the curve was sampled coarsely, a loop lies inside throughout.
        // A short stretch puts several voters on one vertex: it is measured once.
        int outside = 0;
        std::optional<CurvePoint> asked;
        bool away = false;
        for (int v = 1; v < 8; ++v) {
            const CurvePoint q = along(s, p, v / 8.0);
            if (!asked || !samePoint(*asked, q))
                away = !curve.nearerThan(q, r);
            asked = q;
            outside += away ? 1 : 0;
        }
        if (outside < 4)
            continue;
        // A loop smaller than the tolerance is the samples' noise where the offset
        // crosses itself at a shallow angle, not a part a tool would follow.
        if (samePoint(s.first, s.last) && pathLength(s, p) <= 2 * tolerance)
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
    const auto emit = [&](const KeptPiece& piece, CurvePiece& result) {
        SpikeFilter filter(result.points, curve, spikeDistance, tolerance, piece.count > 3);
        forEachPoint(piece, stretches, [&](const Stretch& s, std::size_t k) { filter.add(s.at(p, k)); });
        filter.finish();
        result.closed = closed;
        if (result.points.size() >= 2 && pathLength(result.points) > tolerance)
            out.push_back(std::move(result));
    };
    if (kept.size() == 1 && raw.closed && !cuts.empty() && !fitsInPlace(kept.front(), stretches, p.size())) {
        // Every stretch of a closed polyline starts at a crossing: turned to start with
        // the segment where the piece starts, the polyline is read in order from there.
        const std::size_t n = p.size();
        const std::size_t shift = (stretches[kept.front().stretches.front()].begin + n - 1) % n;
        std::rotate(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(shift), p.end());
        for (Stretch& s : stretches)
            s.begin = (s.begin + n - shift) % n;
    }
    if (kept.size() == 1 && fitsInPlace(kept.front(), stretches, p.size())) {
        emit(kept.front(), raw);
        return;
    }
    for (const KeptPiece& piece : kept) {
        CurvePiece result;
        result.points.reserve(piece.count);
        emit(piece, result);
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
        for (std::size_t k = 0; k < polylines.size(); ++k) {
            const CurvePoints& p = polylines[k].points;
            if (p.size() < 2)
                continue;
            const std::size_t count = polylines[k].closed && p.size() > 2 ? p.size() : p.size() - 1;
            for (std::size_t i = 0; i < count; ++i)
                addSegment(segment(k, i), chains_.empty() || chains_.back().polyline != k);
        }
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

    void addSegment(const Segment& s, bool newPolyline)
    {
        const double dx = s.b->x - s.a->x;
        Chain* chain = newPolyline ? nullptr : &chains_.back();
        const bool continues = chain && chain->count < kChainSegments &&
                               (dx == 0 || (dx > 0) == chain->rising || allVertical(*chain));
        if (!continues) {
            chains_.push_back({s.polyline, s.index, 0, dx >= 0, {s.a->x, s.a->y, s.a->x, s.a->y}});
            chain = &chains_.back();
        } else if (allVertical(*chain) && dx != 0) {
            chain->rising = dx > 0;
        }
        ++chain->count;
        chain->box.minX = std::min({chain->box.minX, s.a->x, s.b->x});
        chain->box.maxX = std::max({chain->box.maxX, s.a->x, s.b->x});
        chain->box.minY = std::min({chain->box.minY, s.a->y, s.b->y});
        chain->box.maxY = std::max({chain->box.maxY, s.a->y, s.b->y});
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
    for (const CurvePiece& run : runs)
        if (run.points.size() >= 2) {
            raw.push_back(rawOffset(run, distance, tolerance, at, &edges));
            addEndCaps(run, distance, tolerance, edges);
        }
    const std::size_t own = raw.size();
    raw.insert(raw.end(), std::make_move_iterator(edges.begin()), std::make_move_iterator(edges.end()));
    edges = {};
    const std::vector<std::vector<Crossing>> cuts = CrossingFinder(raw, own).find();
    const CurveDistance curve(runs);
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
