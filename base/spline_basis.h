#pragma once
// The cubic B-spline basis, shared by the curve engine's spline fit and the database's
// splines through fit points, so that both evaluate a spline the same way.

#include <cstddef>
#include <vector>

namespace plotwright::base {

// The four cubic basis functions that are not 0 on knot span `span`
// (knots[span] <= u < knots[span + 1]), N[span-3] .. N[span], by the triangular form of
// the Cox-de Boor recursion; at an inner knot u = knots[span] the last one is 0. A span of
// no length contributes 0 rather than dividing by it. Needs 3 <= span and
// span + 3 < knots.size().
void cubicBasis(const std::vector<double>& knots, std::size_t span, double u, double out[4]);

} // namespace plotwright::base
