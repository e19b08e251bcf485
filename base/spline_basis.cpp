#include "base/spline_basis.h"

namespace plotwright::base {

void cubicBasis(const std::vector<double>& knots, std::size_t span, double u, double out[4])
{
    constexpr int kDegree = 3;
    double left[kDegree + 1];
    double right[kDegree + 1];
    out[0] = 1;
    for (int j = 1; j <= kDegree; ++j) {
        left[j] = u - knots[span + 1 - static_cast<std::size_t>(j)];
        right[j] = knots[span + static_cast<std::size_t>(j)] - u;
        double saved = 0;
        for (int r = 0; r < j; ++r) {
            const double denominator = right[r + 1] + left[j - r];
            const double temp = denominator != 0 ? out[r] / denominator : 0;
            out[r] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        out[j] = saved;
    }
}

} // namespace plotwright::base
