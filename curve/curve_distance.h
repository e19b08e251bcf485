#pragma once
// Whether points lie nearer to a densely sampled curve than a distance: the question an
// offset asks of every part it might keep. The samples are indexed in blocks with
// bounding boxes, filled as the offset reads the samples anyway.

#include "curve/curve_pieces.h"
#include "curve/plane_vector.h"

#include <limits>
#include <vector>

namespace plotwright::curve {

// Consecutive segments of the base curve grouped under one bounding box for distances.
constexpr std::size_t kDistanceBlock = 32;
// Consecutive blocks grouped under one box.
constexpr std::size_t kDistanceGroup = 32;

// The boxes of a run's blocks of kDistanceBlock consecutive segments (segment i runs from
// point i to the next, the last of a closed run back to the first; a lone point is a
// segment to itself), filled as the points pass by: the offset reads every sample once for its
// frames, and the distance to the curve needs them again only for these boxes.
class BlockBoxes {
public:
    explicit BlockBoxes(const CurvePiece& run)
        : n_(run.points.size()), wraps_(run.closed && n_ > 2),
          segments_(n_ == 1 ? 1 : wraps_ ? n_ : n_ - 1)
    {
        constexpr double inf = std::numeric_limits<double>::infinity();
        const std::size_t blocks = n_ == 0 ? 0 : (segments_ + kDistanceBlock - 1) / kDistanceBlock;
        boxes_.assign(blocks, plane::Box{inf, inf, -inf, -inf});
    }

    // Point i of the run: it starts segment i and ends the one before.
    void take(std::size_t i, const CurvePoint& p)
    {
        const std::size_t block = i / kDistanceBlock;
        if (block < boxes_.size())
            boxes_[block].take(p);
        if (i % kDistanceBlock == 0 && i > 0)
            boxes_[block - 1].take(p);
        if (i == 0 && (wraps_ || n_ == 1))
            boxes_.back().take(p);
    }

    std::vector<plane::Box> done() && { return std::move(boxes_); }

private:
    std::size_t n_;
    bool wraps_;
    std::size_t segments_;
    std::vector<plane::Box> boxes_;
};

// The base curve's segments in blocks of consecutive ones of one run, each with its
// bounding box. The blocks point into the runs, which outlive the measure: a million
// samples are not indexed twice.
class CurveDistance {
public:
    // `known` holds the block boxes of some runs (BlockBoxes), empty for the others.
    CurveDistance(const std::vector<CurvePiece>& runs, std::vector<std::vector<plane::Box>> known);

    // Whether some point of the curve lies nearer to `q` than `r`.
    bool nearerThan(const CurvePoint& q, double r) const;

    // Whether `q` lies nearer to the curve than `d` by more than the samples' own error
    // there (how far a sample beside the nearest chord lies off the chord of its
    // neighbours: about four times the chords' sag), and at least by `least`.
    bool inside(const CurvePoint& q, double d, double least) const;

    // The squared distance from `q` to the segment from `a` to `b`.
    static double squaredDistance(const CurvePoint& q, const CurvePoint& a, const CurvePoint& b)
    {
        const plane::Vec ab = plane::sub(b, a), aq = plane::sub(q, a);
        const double len2 = plane::dot(ab, ab);
        double s = len2 > 0 ? plane::dot(aq, ab) / len2 : 0.0;
        s = std::clamp(s, 0.0, 1.0);
        const double dx = aq.x - s * ab.x, dy = aq.y - s * ab.y;
        return dx * dx + dy * dy;
    }

private:
    // Calls `take(points, i, squared distance)` for segment i of the blocks whose boxes
    // lie nearer to `q` than the root of `limit` (read again for each box: it may shrink),
    // until `take` says enough.
    template <class Take>
    bool walk(const CurvePoint& q, const double& limit, Take&& take) const;

    // Segment i runs from point i to the next (the last of a closed run back to the
    // first; a lone point is a segment to itself).
    struct Block {
        plane::Box box;
        const CurvePoints* points;
        std::size_t first;
        std::size_t count;
        const CurvePoint& to(std::size_t i) const { return (*points)[i + 1 < points->size() ? i + 1 : 0]; }
    };
    struct Group {
        plane::Box box;
        std::size_t first;
        std::size_t end;
    };
    std::vector<Block> blocks_;
    std::vector<Group> groups_;
};

} // namespace plotwright::curve
