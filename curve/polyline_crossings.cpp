#include "curve/polyline_crossings.h"

#include "curve/plane_vector.h"

#include <algorithm>

namespace plotwright::curve {
namespace {

using namespace plane;

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

} // namespace

std::vector<std::vector<Crossing>> crossings(const std::vector<CurvePiece>& polylines)
{
    return CrossingFinder(polylines).find();
}

std::vector<std::vector<Crossing>> crossings(const std::vector<CurvePiece>& polylines, std::size_t edgesFrom)
{
    return CrossingFinder(polylines, edgesFrom).find();
}

} // namespace plotwright::curve
