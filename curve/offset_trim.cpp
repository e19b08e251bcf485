#include "curve/offset_trim.h"

#include "curve/crossing_mender.h"
#include "curve/offset_stretch.h"
#include "curve/plane_vector.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace plotwright::curve {
namespace {

using namespace plane;

// A path that turns back by more than 120° at a vertex.
constexpr double kSpikeCos = -0.5;
// The least share of the tolerance by which an offset's vertex must come nearer to the
// curve than the distance to be inside the band: rounding, and the samples' tangents.
constexpr double kLeastSlack = 0.05;

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

} // namespace

// What is left of `raw` once the stretches nearer to the curve than the distance are
// gone, the stretches on either side of a cut-out loop joined where they cross. A single
// piece left is written over the raw points (a million points are not held twice);
// several are copied out, once.
void trimOffset(CurvePiece&& raw, const std::vector<Crossing>& cuts, const CurveDistance& curve, double r,
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

} // namespace plotwright::curve
