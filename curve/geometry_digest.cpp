#include "curve/geometry_digest.h"

#include <cmath>

namespace plotwright::curve {

std::vector<double> geometryDigest(std::span<const double> xs, std::span<const double> ys,
                                   std::span<const double> bulges)
{
    return geometryDigestOf(xs.size(), [&](std::size_t i) {
        return DigestVertex{xs[i], ys[i], bulges.empty() ? 0.0 : bulges[i]};
    });
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
