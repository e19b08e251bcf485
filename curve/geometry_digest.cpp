#include "curve/geometry_digest.h"

#include <cmath>

namespace plotwright::curve {

std::vector<double> geometryDigest(std::span<const double> xs, std::span<const double> ys,
                                   std::span<const double> bulges)
{
    return geometryDigest(xs.size(), [&](std::size_t i) {
        return DigestVertex{xs[i], ys[i], bulges.empty() ? 0.0 : bulges[i]};
    });
}

std::vector<double> geometryDigest(std::size_t count, const std::function<DigestVertex(std::size_t)>& vertexAt)
{
    // Long double sums: the digest's own rounding stays far below that of a move.
    long double sums[kDigestSize] = {};
    const std::size_t n = count;
    const DigestVertex first = n > 0 ? vertexAt(0) : DigestVertex{};
    for (std::size_t i = 0; i < n; ++i) {
        const DigestVertex v = vertexAt(i);
        const long double s = n > 1 ? static_cast<long double>(i) / static_cast<long double>(n - 1) : 0.0L;
        const long double dx = static_cast<long double>(v.x) - first.x;
        const long double dy = static_cast<long double>(v.y) - first.y;
        const long double b = v.bulge;
        long double w = 1.0L;
        for (std::size_t k = 0; k < 4; ++k, w *= s) {
            sums[k] += w * dx;
            sums[4 + k] += w * dy;
            sums[8 + k] += w * b;
        }
    }
    return std::vector<double>(std::begin(sums), std::end(sums));
}

bool sameDigest(const std::vector<double>& then, const std::vector<double>& now, double scale, std::size_t count)
{
    if (then.size() != now.size())
        return false;
    // A move rounds each coordinate, and so each offset, by a few units in the last place
    // of the largest coordinate: the sums of `count` of them by at most that many times.
    const double tolerance = 1e-14 * (1.0 + scale) * static_cast<double>(count + 1);
    for (std::size_t i = 0; i < then.size(); ++i)
        if (!(std::fabs(then[i] - now[i]) <= tolerance))
            return false;
    return true;
}

} // namespace plotwright::curve
