#include "curve/implicit_tracer.h"

#include "curve/implicit_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace plotwright::curve {
namespace {

struct V {
    double x = 0;
    double y = 0;
};

V operator+(V a, V b) { return {a.x + b.x, a.y + b.y}; }
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y}; }
V operator*(V a, double s) { return {a.x * s, a.y * s}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y; }
double norm(V a) { return std::hypot(a.x, a.y); }

double segmentDistance(V p, V a, V b)
{
    const V d = b - a;
    const double length2 = dot(d, d);
    const double s = length2 > 0 ? std::clamp(dot(p - a, d) / length2, 0.0, 1.0) : 0.0;
    return norm(p - (a + d * s));
}

// A step is taken when the tangent turns by less than this (cosine of about 30 degrees):
// more, and the step may have crossed to another branch.
constexpr double kTurn = 0.86;
// Chords are accepted within this share of the tolerance: the midpoint's deviation is
// an estimate of the chord's largest one.
constexpr double kChordShare = 0.8;
// The longest step, in cells: longer chords are allowed where the curve is straight, but
// never so long that a branch could be passed by unseen.
constexpr double kMaxStepCells = 4;
// Traced chords are kept by squares of this many cells along each side: a finer index
// would cost more to clear than it saves in distances.
constexpr std::size_t kBucketCells = 4;
// How far, in cells, a node's projection may move to reach a branch that touches zero.
constexpr double kSeedReach = 1.5;
// Newton iterations before a projection gives up (a double root converges only linearly).
constexpr int kNewtonIterations = 60;

enum class End { Closed, Edge, Dead, Capped };

class Tracer {
public:
    Tracer(ImplicitFunction& f, const ImplicitGrid& g, const ImplicitLimits& limits, ImplicitOutcome& outcome)
        : f_(f), g_(g), tol_(limits.tolerance), maxVertices_(limits.maxSamples), outcome_(outcome),
          cw_((g.xMax - g.xMin) / static_cast<double>(g.columns)), ch_((g.yMax - g.yMin) / static_cast<double>(g.rows)),
          cell_(std::min(cw_, ch_)),
          // A seed's projection moves at most kSeedReach cells and stops within a tenth
          // of the tolerance of the curve.
          nodes_(f, g, kSeedReach * cell_ + tol_ / 10, limits.everyNode, outcome.evaluations)
    {
        const double scale = std::max({std::fabs(g.xMin), std::fabs(g.xMax), std::fabs(g.yMin), std::fabs(g.yMax)});
        // Central differences: small against the cell and the tolerance, large against
        // the rounding of the coordinates.
        hd_ = std::max(std::min(cell_, tol_) * 1e-3, scale * 1e-10);
        hmax_ = std::min(kMaxStepCells * cell_, std::max(g.xMax - g.xMin, g.yMax - g.yMin) / 8);
        hmin_ = std::min(tol_, cell_) * 1e-3;
        bucketColumns_ = (g.columns + kBucketCells - 1) / kBucketCells;
        bucketRows_ = (g.rows + kBucketCells - 1) / kBucketCells;
        bw_ = cw_ * kBucketCells;
        bh_ = ch_ * kBucketCells;
        head_.assign(bucketColumns_ * bucketRows_, -1);
    }

    void run(std::vector<std::vector<V>>& runs, SampleProgress& progress)
    {
        const std::size_t nx = g_.columns + 1;
        const std::size_t ny = g_.rows + 1;
        nodes_.evaluate(progress);
        // Sign changes along cell edges. A node left unevaluated lies where F keeps the
        // sign of its block: an edge changes sign there only if its other end has the
        // other sign, and then that node is evaluated now.
        const auto edge = [&](std::size_t i, std::size_t j, std::size_t k, std::size_t l) {
            const bool ka = nodes_.known(i, j), kb = nodes_.known(k, l);
            if (!ka && !kb)
                return;
            if (!ka || !kb) {
                const double v = ka ? nodes_.value(i, j) : nodes_.value(k, l);
                const int sign = ka ? nodes_.clearSign(k, l) : nodes_.clearSign(i, j);
                if (!std::isfinite(v) || (v > 0) == (sign > 0))
                    return;
            }
            const double va = nodes_.value(i, j), vb = nodes_.value(k, l);
            if (std::isfinite(va) && std::isfinite(vb) && (va > 0) != (vb > 0))
                edgeSeed(node(i, j), node(k, l), va, vb, runs);
        };
        for (std::size_t j = 0; j < ny && !capped_; ++j) {
            const std::uint8_t* here = nodes_.knownRow(j);
            const std::uint8_t* above = j + 1 < ny ? nodes_.knownRow(j + 1) : here;
            for (std::size_t i = 0; i < nx && !capped_; ++i) {
                // Read as they are now: a node evaluated on demand counts from then on.
                if (!here[i] && (i + 1 == nx || !here[i + 1]) && !above[i])
                    continue;
                if (i + 1 < nx)
                    edge(i, j, i + 1, j);
                if (j + 1 < ny)
                    edge(i, j, i, j + 1);
            }
        }
        // Branches that touch zero without a sign change: a node where |F| is lower than
        // at its four neighbours, all of one sign, is projected onto the curve. Nodes
        // in a block clear of the curve are farther from it than a projection reaches.
        for (std::size_t j = 1; j + 1 < ny && !capped_; ++j) {
            const std::int8_t* clear = nodes_.clearRow(j);
            for (std::size_t i = 1; i + 1 < nx && !capped_; ++i) {
                if (clear[nodes_.blockColumn(i)] != 0)
                    continue;
                const double v = nodes_.value(i, j);
                if (!std::isfinite(v) || v == 0)
                    continue;
                const std::size_t around[4][2] = {{i - 1, j}, {i + 1, j}, {i, j - 1}, {i, j + 1}};
                const auto higher = [&](std::size_t k, std::size_t l) {
                    const double a = nodes_.value(k, l);
                    return std::isfinite(a) && (a > 0) == (v > 0) && std::fabs(a) > std::fabs(v);
                };
                // The neighbours evaluated already decide first: minima are rare.
                bool minimum = true;
                for (const auto& n : around)
                    minimum = minimum && (!nodes_.known(n[0], n[1]) || higher(n[0], n[1]));
                for (const auto& n : around)
                    minimum = minimum && higher(n[0], n[1]);
                if (!minimum)
                    continue;
                V p = node(i, j);
                if (project(p, kSeedReach * cell_) && inside(p) && !near(p, 2 * tol_))
                    trace(p, runs);
            }
        }
        joinEnds(runs);
    }

    bool capped() const { return capped_; }

private:
    double F(V p)
    {
        ++outcome_.evaluations;
        return f_.at(p.x, p.y);
    }

    V node(std::size_t i, std::size_t j) const { return {nodes_.x(i), nodes_.y(j)}; }

    bool inside(V p) const { return p.x >= g_.xMin && p.x <= g_.xMax && p.y >= g_.yMin && p.y <= g_.yMax; }

    std::optional<V> grad(V p)
    {
        const double gx = (F({p.x + hd_, p.y}) - F({p.x - hd_, p.y})) / (2 * hd_);
        const double gy = (F({p.x, p.y + hd_}) - F({p.x, p.y - hd_})) / (2 * hd_);
        if (!std::isfinite(gx) || !std::isfinite(gy) || (gx == 0 && gy == 0))
            return std::nullopt;
        return V{gx, gy};
    }

    std::optional<V> tangent(V p)
    {
        const std::optional<V> g = grad(p);
        if (!g)
            return std::nullopt;
        const double n = norm(*g);
        return V{-g->y / n, g->x / n};
    }

    // Newton's projection onto the curve, until |F| / |grad F| <= tolerance / 10; false
    // when it does not converge or moves `p` farther than `maxMove`. Near a pole
    // |F| / |grad F| also goes to 0, while |F| grows without bound: a point where |F| is
    // larger than where the projection started (or than `bound`, |F| where the start
    // came from) is no zero of F, and is refused.
    bool project(V& p, double maxMove, double bound = std::numeric_limits<double>::infinity())
    {
        const V start = p;
        double startValue = bound;
        for (int i = 0; i < kNewtonIterations; ++i) {
            const double v = F(p);
            if (!std::isfinite(v))
                return false;
            if (v == 0)
                return true;
            if (i == 0)
                startValue = std::min(startValue, std::fabs(v));
            const std::optional<V> g = grad(p);
            if (!g)
                return false;
            const double gg = dot(*g, *g);
            if (std::fabs(v) / std::sqrt(gg) <= tol_ / 10)
                return std::fabs(v) <= startValue;
            p = p - *g * (v / gg);
            if (!(norm(p - start) <= maxMove))
                return false;
        }
        return false;
    }

    // A point near `start` where grad F = 0 and F = 0 (a crossing or a cusp), by Newton
    // on the gradient with a Hessian from differences; nothing farther than `reach`.
    std::optional<V> singularPoint(V start, V from, double reach)
    {
        const std::optional<V> g0 = grad(from);
        if (!g0)
            return std::nullopt;
        const double scale = norm(*g0);
        const double hh = std::max(cell_ * 1e-3, hd_ * 10);
        V s = start;
        for (int i = 0; i < 60; ++i) {
            const std::optional<V> g = grad(s);
            if (!g || norm(*g) <= scale * 1e-9)
                break;
            const auto gxp = grad({s.x + hh, s.y});
            const auto gxm = grad({s.x - hh, s.y});
            const auto gyp = grad({s.x, s.y + hh});
            const auto gym = grad({s.x, s.y - hh});
            if (!gxp || !gxm || !gyp || !gym)
                return std::nullopt;
            const double a = (gxp->x - gxm->x) / (2 * hh);
            const double b = (gyp->x - gym->x) / (2 * hh);
            const double c = (gxp->y - gxm->y) / (2 * hh);
            const double d = (gyp->y - gym->y) / (2 * hh);
            // Levenberg-Marquardt on the Hessian H: (H'H + mu I) step = H'g, so that a cusp,
            // where H has rank one, is still approached along the direction it keeps.
            const double p11 = a * a + c * c + 0, p12 = a * b + c * d, p22 = b * b + d * d;
            const double mu = 1e-10 * (p11 + p22);
            const double q11 = p11 + mu, q22 = p22 + mu;
            const double det = q11 * q22 - p12 * p12;
            if (!std::isfinite(det) || det <= 0)
                return std::nullopt;
            const double r1 = a * g->x + c * g->y, r2 = b * g->x + d * g->y;
            const V step{(q22 * r1 - p12 * r2) / det, (q11 * r2 - p12 * r1) / det};
            s = s - step;
            if (!(norm(s - from) <= reach))
                return std::nullopt;
            if (norm(step) <= tol_ * 1e-6)
                break;
        }
        const double v = F(s);
        const std::optional<V> gs = grad(s);
        const double gn = gs ? norm(*gs) : 0;
        // On the curve (F no larger than the gradient nearby makes it over a tenth of the
        // tolerance) and flat (the gradient all but gone).
        if (!std::isfinite(v) || std::fabs(v) > scale * tol_ / 10 || gn > scale * 1e-3)
            return std::nullopt;
        return s;
    }

    // The root on a cell edge from `a` (F = va) to `b` (F = vb) of opposite signs, by the
    // Illinois variant of regula falsi.
    V edgeRoot(V a, V b, double va, double vb)
    {
        double ta = 0, tb = 1;
        double fa = va, fb = vb;
        const double length = norm(b - a);
        int side = 0;
        for (int i = 0; i < 60 && (tb - ta) * length > tol_ / 20; ++i) {
            const double t = (ta * fb - tb * fa) / (fb - fa);
            const double ft = F(a + (b - a) * t);
            if (!std::isfinite(ft))
                break;
            if ((ft > 0) == (fa > 0)) {
                ta = t;
                fa = ft;
                if (side == -1)
                    fb /= 2;
                side = -1;
            } else {
                tb = t;
                fb = ft;
                if (side == 1)
                    fa /= 2;
                side = 1;
            }
            if (ft == 0) {
                ta = tb = t;
                break;
            }
        }
        return a + (b - a) * ((ta + tb) / 2);
    }

    void edgeSeed(V a, V b, double va, double vb, std::vector<std::vector<V>>& runs)
    {
        if (!std::isfinite(va) || !std::isfinite(vb) || (va > 0) == (vb > 0))
            return;
        // Regula falsi closes in on a pole as on a root: a root is where |F| is below
        // its value at both ends.
        V p = edgeRoot(a, b, va, vb);
        if (!project(p, norm(b - a), std::min(std::fabs(va), std::fabs(vb))) || !inside(p))
            return;
        if (!near(p, 2 * tol_))
            trace(p, runs);
    }

    // The traced chords, kept in the squares of cells they cover, so that a seed on a branch already
    // traced is passed over.
    void keep(V a, V b)
    {
        const auto cellRange = [&](double lo, double hi, double origin, double size, std::size_t count) {
            const auto index = [&](double v) {
                const double k = std::floor((v - origin) / size);
                return static_cast<std::size_t>(std::clamp(k, 0.0, static_cast<double>(count - 1)));
            };
            return std::pair{index(lo), index(hi)};
        };
        const auto [i0, i1] = cellRange(std::min(a.x, b.x), std::max(a.x, b.x), g_.xMin, bw_, bucketColumns_);
        const auto [j0, j1] = cellRange(std::min(a.y, b.y), std::max(a.y, b.y), g_.yMin, bh_, bucketRows_);
        const auto index = static_cast<std::int32_t>(chords_.size());
        chords_.push_back({a, b});
        for (std::size_t j = j0; j <= j1; ++j) {
            for (std::size_t i = i0; i <= i1; ++i) {
                std::int32_t& head = head_[j * bucketColumns_ + i];
                entries_.push_back({index, head});
                head = static_cast<std::int32_t>(entries_.size() - 1);
            }
        }
    }

    bool near(V p, double radius) const
    {
        const auto clampIndex = [](double k, std::size_t count) {
            return static_cast<std::size_t>(std::clamp(std::floor(k), 0.0, static_cast<double>(count - 1)));
        };
        const std::size_t i0 = clampIndex((p.x - radius - g_.xMin) / bw_, bucketColumns_);
        const std::size_t i1 = clampIndex((p.x + radius - g_.xMin) / bw_, bucketColumns_);
        const std::size_t j0 = clampIndex((p.y - radius - g_.yMin) / bh_, bucketRows_);
        const std::size_t j1 = clampIndex((p.y + radius - g_.yMin) / bh_, bucketRows_);
        for (std::size_t j = j0; j <= j1; ++j)
            for (std::size_t i = i0; i <= i1; ++i)
                for (std::int32_t e = head_[j * bucketColumns_ + i]; e >= 0; e = entries_[e].next) {
                    const Chord& c = chords_[entries_[e].chord];
                    if (segmentDistance(p, c.a, c.b) <= radius)
                        return true;
                }
        return false;
    }

    bool full(std::size_t pending)
    {
        if (vertices_ + pending < maxVertices_)
            return false;
        capped_ = true;
        return true;
    }

    // Where the branch from `a` (inside) to `b` (outside) meets the window's edge:
    // bisection along the curve, then the chord cut at the edge.
    V edgePoint(V a, V b)
    {
        for (int i = 0; i < 60 && norm(b - a) > tol_ / 10; ++i) {
            V m = (a + b) * 0.5;
            if (!project(m, norm(b - a)))
                break;
            (inside(m) ? a : b) = m;
        }
        double t = 1;
        const V d = b - a;
        const auto cut = [&](double from, double to, double bound) {
            if ((to - bound) * (from - bound) < 0 || to == bound)
                t = std::min(t, (bound - from) / (to - from));
        };
        cut(a.x, b.x, g_.xMin);
        cut(a.x, b.x, g_.xMax);
        cut(a.y, b.y, g_.yMin);
        cut(a.y, b.y, g_.yMax);
        V e = a + d * t;
        e.x = std::clamp(e.x, g_.xMin, g_.xMax);
        e.y = std::clamp(e.y, g_.yMin, g_.yMax);
        return e;
    }

    // Follows the branch from `start` in the direction `sign` of its tangent, appending
    // the vertices after `start`.
    End follow(V start, double sign, std::vector<V>& path)
    {
        const std::optional<V> t0 = tangent(start);
        if (!t0)
            return End::Dead;
        const V T0 = *t0 * sign;
        V p = start;
        V T = T0;
        double h = std::min(hmax_, cell_);
        bool triedSingular = false;
        std::size_t steps = 0;
        for (;;) {
            if (full(path.size()))
                return End::Capped;
            V q = p + T * h;
            double deviation = 0;
            std::optional<V> Tq;
            bool ok = project(q, 0.5 * h) && norm(q - p) >= 0.25 * h;
            if (ok) {
                Tq = tangent(q);
                if (Tq && dot(*Tq, T) < 0)
                    *Tq = *Tq * -1;
                ok = Tq && dot(*Tq, T) >= kTurn;
            }
            if (ok) {
                const V mid = (p + q) * 0.5;
                V m = mid;
                ok = project(m, norm(q - p));
                deviation = norm(m - mid);
                ok = ok && deviation <= kChordShare * tol_;
            }
            if (!ok) {
                h /= 2;
                if (h < hmax_ / 8 && !triedSingular) {
                    triedSingular = true;
                    const std::optional<V> s = singularPoint(p + T * (2 * h), p, hmax_);
                    if (s && dot(*s - p, T) > 0) {
                        if (!inside(*s)) {
                            path.push_back(edgePoint(p, *s));
                            return End::Edge;
                        }
                        keep(p, *s);
                        path.push_back(*s);
                        V next;
                        if (!through(*s, p, T, h, path, next))
                            return path.back().x == s->x && path.back().y == s->y ? End::Dead : End::Edge;
                        p = path.back();
                        T = next;
                        h = std::min(hmax_, norm(p - *s));
                        triedSingular = false;
                        continue;
                    }
                }
                if (h < hmin_)
                    return End::Dead;
                continue;
            }
            if (!inside(q)) {
                const V e = edgePoint(p, q);
                keep(p, e);
                path.push_back(e);
                return End::Edge;
            }
            if (steps >= 2 && dot(*Tq, T0) > 0.5 &&
                (segmentDistance(start, p, q) <= 2 * tol_ || norm(start - q) <= 0.5 * h)) {
                // Back at the start: the closing chord must keep the tolerance too, or the
                // start is approached in shorter steps.
                const V mid = (p + start) * 0.5;
                V m = mid;
                if (project(m, norm(start - p)) && norm(m - mid) <= kChordShare * tol_) {
                    keep(p, start);
                    path.push_back(start);
                    return End::Closed;
                }
                h = norm(start - p) / 2;
                if (h < hmin_)
                    return End::Dead;
                continue;
            }
            keep(p, q);
            path.push_back(q);
            ++steps;
            p = q;
            T = *Tq;
            triedSingular = false;
            const double grow = deviation > 0 ? std::clamp(std::sqrt(0.5 * tol_ / deviation), 0.5, 2.0) : 2.0;
            h = std::min(hmax_, h * grow);
        }
    }

    // Continues through the singular point `s`, reached from `p` heading `T`: the branch
    // that leaves `s` in the direction it was entered (a crossing's other branch turns
    // away, a cusp's branch comes back). Appends the first vertex past `s` and gives its
    // tangent in `next`; false (nothing or the edge appended) where no branch goes on.
    bool through(V s, V p, V T, double h, std::vector<V>& path, V& next)
    {
        V in = s - p;
        const double n = norm(in);
        in = n > 0 ? in * (1 / n) : T;
        const double base = std::max({n, h, tol_});
        for (double L = base; L <= 16 * base && L <= hmax_ * 2; L *= 2) {
            const V guess = s + in * L;
            V q = guess;
            if (!project(q, 0.3 * L))
                continue;
            std::optional<V> Tq = tangent(q);
            if (!Tq)
                continue;
            if (dot(*Tq, in) < 0)
                *Tq = *Tq * -1;
            if (dot(*Tq, in) < kTurn || dot(q - s, in) <= 0)
                continue;
            if (!inside(q)) {
                path.push_back(edgePoint(s, q));
                return false;
            }
            keep(s, q);
            path.push_back(q);
            next = *Tq;
            return true;
        }
        return false;
    }

    void trace(V seed, std::vector<std::vector<V>>& runs)
    {
        std::vector<V> forward;
        const End end = follow(seed, 1, forward);
        std::vector<V> run;
        if (end == End::Closed) {
            run.push_back(seed);
            run.insert(run.end(), forward.begin(), forward.end());
        } else {
            std::vector<V> backward;
            if (end != End::Capped)
                follow(seed, -1, backward);
            run.assign(backward.rbegin(), backward.rend());
            run.push_back(seed);
            run.insert(run.end(), forward.begin(), forward.end());
        }
        vertices_ += run.size();
        ++outcome_.branches;
        if (run.size() >= 2)
            runs.push_back(std::move(run));
    }

    // Open runs that end where another ends (both reached a cusp from either side) are
    // one branch: ends on the same located point, or ends inside the window within the
    // tolerance of each other (where the cusp could not be located; ends cut at the
    // window's edge lie on it and join only where they meet).
    void joinEnds(std::vector<std::vector<V>>& runs) const
    {
        const auto onEdge = [&](V p) { return p.x == g_.xMin || p.x == g_.xMax || p.y == g_.yMin || p.y == g_.yMax; };
        const auto meet = [&](V a, V b) {
            return norm(a - b) <= (onEdge(a) || onEdge(b) ? tol_ / 10 : tol_);
        };
        const double close = tol_ / 10;
        const auto isOpen = [&](const std::vector<V>& r) { return !meet(r.front(), r.back()); };
        for (bool joined = true; joined;) {
            joined = false;
            for (std::size_t i = 0; i < runs.size() && !joined; ++i) {
                if (!isOpen(runs[i]))
                    continue;
                for (std::size_t k = i + 1; k < runs.size() && !joined; ++k) {
                    std::vector<V>& a = runs[i];
                    std::vector<V>& b = runs[k];
                    if (!isOpen(b))
                        continue;
                    if (meet(a.back(), b.back()))
                        std::reverse(b.begin(), b.end());
                    else if (meet(a.front(), b.front()))
                        std::reverse(a.begin(), a.end());
                    else if (meet(a.front(), b.back()))
                        std::swap(a, b);
                    if (!meet(a.back(), b.front()))
                        continue;
                    const bool same = norm(a.back() - b.front()) <= close;
                    a.insert(a.end(), b.begin() + (same ? 1 : 0), b.end());
                    runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(k));
                    joined = true;
                }
            }
        }
        // A run whose ends met is closed: its first vertex repeats at its end.
        for (std::vector<V>& r : runs)
            if (r.size() >= 4 && !isOpen(r) && norm(r.front() - r.back()) > close)
                r.push_back(r.front());
    }

    struct Chord {
        V a, b;
    };
    struct Entry {
        std::int32_t chord;
        std::int32_t next;
    };

    ImplicitFunction& f_;
    ImplicitGrid g_;
    double tol_;
    std::size_t maxVertices_;
    ImplicitOutcome& outcome_;
    double cw_, ch_, cell_;
    ImplicitNodes nodes_;
    double hd_ = 0, hmax_ = 0, hmin_ = 0;
    std::vector<Chord> chords_;
    std::vector<Entry> entries_;
    // The chords by the square of kBucketCells x kBucketCells cells they cross.
    std::size_t bucketColumns_ = 0, bucketRows_ = 0;
    double bw_ = 0, bh_ = 0;
    std::vector<std::int32_t> head_;
    std::size_t vertices_ = 0;
    bool capped_ = false;
};

std::size_t cellsAlong(double length, double cell)
{
    const double n = std::ceil(length / cell * (1 - 1e-12));
    return static_cast<std::size_t>(std::max(1.0, n));
}

} // namespace

long double gridNodes(double xMin, double xMax, double yMin, double yMax, int cells, double cellSize)
{
    const double w = xMax - xMin;
    const double hgt = yMax - yMin;
    const double cell = cellSize > 0 ? cellSize : std::max(w, hgt) / (cells > 0 ? cells : 1);
    const long double nx = std::max<long double>(1, std::ceil(static_cast<long double>(w) / cell * (1 - 1e-12L)));
    const long double ny = std::max<long double>(1, std::ceil(static_cast<long double>(hgt) / cell * (1 - 1e-12L)));
    return (nx + 1) * (ny + 1);
}

ImplicitGrid implicitGrid(double xMin, double xMax, double yMin, double yMax, int cells, double cellSize)
{
    ImplicitGrid g{xMin, xMax, yMin, yMax, 1, 1};
    const double w = xMax - xMin;
    const double hgt = yMax - yMin;
    const double cell = cellSize > 0 ? cellSize : std::max(w, hgt) / (cells > 0 ? cells : 1);
    g.columns = cellsAlong(w, cell);
    g.rows = cellsAlong(hgt, cell);
    return g;
}

ImplicitOutcome traceImplicit(ImplicitFunction& f, const ImplicitGrid& grid, const ImplicitLimits& limits,
                              CurvePoints& out, SampleProgress& progress)
{
    ImplicitOutcome outcome;
    Tracer tracer(f, grid, limits, outcome);
    std::vector<std::vector<V>> runs;
    tracer.run(runs, progress);
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    for (const std::vector<V>& run : runs) {
        if (!out.empty())
            out.push_back({nan, nan, 0});
        for (const V& p : run)
            out.push_back({p.x, p.y, 0});
    }
    outcome.capped = tracer.capped();
    return outcome;
}

} // namespace plotwright::curve
