// Splines given by fit points only: the cubic through them (global interpolation at
// chord-length parameters), with the end tangents of the file or estimated ones.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "db/geometry.h"

namespace {

using plotwright::db::detail::throughPoints;

double nearest(const std::vector<AcGePoint3d>& curve, const AcGePoint3d& p)
{
    double best = INFINITY;
    for (const AcGePoint3d& c : curve)
        best = std::min(best, std::hypot(c.x - p.x, c.y - p.y));
    return best;
}

double angleOf(const AcGePoint3d& from, const AcGePoint3d& to) { return std::atan2(to.y - from.y, to.x - from.x); }

TEST(fit_point_spline, passes_through_every_fit_point)
{
    struct Row {
        const char* name;
        std::vector<AcGePoint3d> fit;
        bool closed;
    };
    const Row rows[] = {
        {"wave", {{30, 60, 0}, {33, 66, 0}, {37, 58, 0}, {41, 64, 0}, {44, 60, 0}}, false},
        {"uneven spacing", {{0, 0, 0}, {0.1, 0.2, 0}, {5, 3, 0}, {5.5, 3, 0}, {20, -4, 0}}, false},
        {"repeated point counts once", {{0, 0, 0}, {0, 0, 0}, {1, 1, 0}, {2, 0, 0}}, false},
        {"closed", {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}}, true},
        {"three points", {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<AcGePoint3d> curve = throughPoints(row.fit, row.closed, nullptr, nullptr, 1e-4);
        ASSERT_GT(curve.size(), row.fit.size());
        for (const AcGePoint3d& p : row.fit)
            EXPECT_LT(nearest(curve, p), 1e-9);
        for (const AcGePoint3d& p : curve)
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
        EXPECT_NEAR(curve.front().x, row.fit.front().x, 1e-12);
        if (row.closed) {
            // Back to the start, with one tangent where the ends meet.
            EXPECT_NEAR(curve.back().x, curve.front().x, 1e-12);
            EXPECT_NEAR(curve.back().y, curve.front().y, 1e-12);
            const double in = angleOf(curve[curve.size() - 2], curve.back()), out = angleOf(curve[0], curve[1]);
            EXPECT_NEAR(std::remainder(in - out, 2 * std::numbers::pi), 0, 0.05);
        }
    }
}

TEST(fit_point_spline, collinear_points_give_the_line)
{
    const std::vector<AcGePoint3d> curve =
        throughPoints({{0, 0, 0}, {1, 0.5, 0}, {3, 1.5, 0}, {4, 2, 0}}, false, nullptr, nullptr, 1e-6);
    for (const AcGePoint3d& p : curve)
        EXPECT_NEAR(p.y, p.x / 2, 1e-12);
    EXPECT_EQ(throughPoints({{0, 0, 0}, {2, 1, 0}}, false, nullptr, nullptr, 0).back().x, 2.0);
}

// Symmetric points give a symmetric curve: the end conditions treat both ends alike.
TEST(fit_point_spline, symmetric_points_give_a_symmetric_curve)
{
    const std::vector<AcGePoint3d> curve =
        throughPoints({{0, 0, 0}, {1, 2, 0}, {3, 2.5, 0}, {5, 2, 0}, {6, 0, 0}}, false, nullptr, nullptr, 1e-5);
    for (const AcGePoint3d& p : curve)
        EXPECT_LT(nearest(curve, {6 - p.x, p.y, 0}), 2e-3) << p.x << "," << p.y;
}

TEST(fit_point_spline, given_end_tangents_are_followed)
{
    const std::vector<AcGePoint3d> fit = {{50, 60, 0}, {53, 66, 0}, {57, 58, 0}, {61, 64, 0}};
    const AcGeVector3d start{0, 2, 0}, end{1, -1, 0};  // only the directions count
    const std::vector<AcGePoint3d> curve = throughPoints(fit, false, &start, &end, 1e-6);
    const std::size_t n = curve.size();
    EXPECT_NEAR(angleOf(curve[0], curve[1]), std::numbers::pi / 2, 0.01);
    EXPECT_NEAR(angleOf(curve[n - 2], curve[n - 1]), -std::numbers::pi / 4, 0.01);
    // A zero tangent is no tangent: the estimate, as without one.
    const AcGeVector3d zero{0, 0, 0};
    EXPECT_EQ(throughPoints(fit, false, &zero, &zero, 1e-6).size(), throughPoints(fit, false, nullptr, nullptr, 1e-6).size());
}

} // namespace
