// The cubic basis against closed forms: Bernstein polynomials on a single span, the
// uniform B-spline's 1/6 and 1/48 weights, and 0 for a span of no length.
#include "base/spline_basis.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct BasisRow {
    const char* name;
    std::vector<double> knots;
    std::size_t span;
    double u;
    double expected[4];
};

const std::vector<double> kBezier = {0, 0, 0, 0, 1, 1, 1, 1};
const std::vector<double> kUniform = {0, 1, 2, 3, 4, 5, 6, 7};

const BasisRow kRows[] = {
    {"single span at its start", kBezier, 3, 0.0, {1, 0, 0, 0}},
    {"single span in the middle (Bernstein)", kBezier, 3, 0.5, {1. / 8, 3. / 8, 3. / 8, 1. / 8}},
    {"single span a quarter in", kBezier, 3, 0.25, {27. / 64, 27. / 64, 9. / 64, 1. / 64}},
    {"uniform knots at an inner knot", kUniform, 3, 3.0, {1. / 6, 4. / 6, 1. / 6, 0}},
    {"uniform knots mid-span", kUniform, 3, 3.5, {1. / 48, 23. / 48, 23. / 48, 1. / 48}},
    {"clamped end, interior knot", {0, 0, 0, 0, 0.5, 1, 1, 1, 1}, 4, 0.5, {0.25, 0.5, 0.25, 0}},
    {"span of no length gives nothing", kBezier, 4, 1.0, {0, 0, 0, 0}},
};

TEST(spline_basis, cubic_basis_matches_closed_forms)
{
    for (const BasisRow& row : kRows) {
        SCOPED_TRACE(row.name);
        double out[4] = {-1, -1, -1, -1};
        plotwright::base::cubicBasis(row.knots, row.span, row.u, out);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(out[i], row.expected[i], 1e-15) << "N[span-3+" << i << "]";
    }
}

} // namespace
