#pragma once
// A digest of a drawn piece's geometry that every vertex enters and that a move of the
// whole piece leaves as it is: so that an edit of any vertex is noticed, while a piece
// that another program moved is still known as the one drawn.

#include <cstddef>
#include <iterator>
#include <span>
#include <vector>

namespace plotwright::curve {

// The number of values geometryDigest gives.
inline constexpr std::size_t kDigestSize = 12;

// For k = 0..3, with s_i = i / (n - 1) (0 for a single vertex) and weights s_i^k: the
// weighted sums of the vertices' offsets from the first vertex, x_i - x_0 and
// y_i - y_0, and of the bulges b_i (0 where there are none), in the order
// x k=0..3, y k=0..3, b k=0..3. `bulges` is empty or one per vertex.
std::vector<double> geometryDigest(std::span<const double> xs, std::span<const double> ys,
                                   std::span<const double> bulges);

// The same for `count` vertices that `vertexAt(i)` gives as a DigestVertex (bulge 0
// where there is none), for holders of vertices that are not separate arrays: a million
// of them are read where they are rather than copied out first. (Long double sums: x87
// arithmetic, which no compiler contracts or vectorises, so the bits are the same
// wherever this is instantiated.)
struct DigestVertex {
    double x = 0;
    double y = 0;
    double bulge = 0;
};
template <class VertexAt>
std::vector<double> geometryDigestOf(std::size_t count, const VertexAt& vertexAt)
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

// Whether `now` describes the geometry `then` did, but for the rounding of moving `count`
// vertices whose coordinates reach `scale` in magnitude. Digests of another size never match.
bool sameDigest(const std::vector<double>& then, const std::vector<double>& now, double scale, std::size_t count);

} // namespace plotwright::curve
