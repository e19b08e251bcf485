#include "curve/crossing_mender.h"

#include <algorithm>

namespace plotwright::curve {

CrossingMender::CrossingMender(const std::vector<Stretch>& stretches, bool closed, std::vector<char>& keep)
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

void CrossingMender::mend()
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

void CrossingMender::count(std::size_t k, int by)
{
    if (at(k) < nodes_.size())
        nodes_[at(k)].out += by;
    if (at(m_ + k) < nodes_.size())
        nodes_[at(m_ + k)].in += by;
}

bool CrossingMender::wrong(std::size_t v) const
{
    if (v >= nodes_.size() || nodes_[v].passes != 2)
        return false;
    // An open offset's kept pieces may start or end at a crossing with itself: its
    // band is closed by caps at the curve's ends, which are not drawn.
    const Node& node = nodes_[v];
    return node.in == 2 || node.out == 2 || (closed_ && (node.in == 0) != (node.out == 0));
}

std::size_t CrossingMender::next(std::size_t k, bool backward) const
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

std::vector<std::size_t> CrossingMender::smallerChain(std::size_t a, std::size_t b, bool leaving,
                                                      std::size_t v) const
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

} // namespace plotwright::curve
