#pragma once
// Keeps the path an offset is cut to from crossing itself where the votes on its
// stretches disagree.

#include "curve/offset_stretch.h"

#include <array>
#include <vector>

namespace plotwright::curve {

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
    CrossingMender(const std::vector<Stretch>& stretches, bool closed, std::vector<char>& keep);

    // Drops kept stretches (clears `keep`) until every crossing is mended.
    void mend();

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

    // Counts stretch k as kept (1) or no longer kept (-1) at its two crossings.
    void count(std::size_t k, int by);

    // Whether crossing v needs mending.
    bool wrong(std::size_t v) const;

    // The kept stretch the path goes on with after k (before it, `backward`), or none
    // (m): the one after it along the offset, or where that goes, the other kept one
    // that leaves the crossing k ends at (arrives where k starts).
    std::size_t next(std::size_t k, bool backward) const;

    // Of the kept chains from stretches a and b on (back from them, unless `leaving`),
    // each ending where it breaks or comes back to crossing v, the one with fewer points;
    // walked side by side, so that the cost is that of the smaller.
    std::vector<std::size_t> smallerChain(std::size_t a, std::size_t b, bool leaving, std::size_t v) const;

    const std::vector<Stretch>& stretches_;
    bool closed_;
    std::vector<char>& keep_;
    std::size_t m_;
    std::vector<std::size_t> node_;
    std::vector<Node> nodes_;
};

} // namespace plotwright::curve
