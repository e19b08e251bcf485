// The coarse-to-fine grid of implicit curves against the whole grid: the same seeds in
// the same order, so the same vertices to the last bit, for curves that test it (small
// and touching components, nodes, cusps, poles, undefined regions, steep and flat F),
// with fewer evaluations where the curve leaves most of the window clear.
#include "curve/implicit_tracer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

using namespace plotwright::curve;

namespace {

constexpr double kPi = std::numbers::pi;

class Lambda final : public ImplicitFunction {
public:
    explicit Lambda(std::function<double(double, double)> f) : f_(std::move(f)) {}
    double at(double x, double y) override { return f_(x, y); }

private:
    std::function<double(double, double)> f_;
};

struct Traced {
    CurvePoints points;
    ImplicitOutcome outcome;
};

Traced traced(const std::function<double(double, double)>& f, const ImplicitGrid& grid, double tolerance,
              bool everyNode)
{
    Lambda function(f);
    ImplicitLimits limits;
    limits.tolerance = tolerance;
    limits.everyNode = everyNode;
    SampleProgress progress;
    Traced out;
    out.outcome = traceImplicit(function, grid, limits, out.points, progress);
    return out;
}

bool samePoint(const CurvePoint& a, const CurvePoint& b)
{
    const auto same = [](double u, double v) { return (std::isnan(u) && std::isnan(v)) || u == v; };
    return same(a.x, b.x) && same(a.y, b.y) && same(a.z, b.z);
}

} // namespace

TEST(implicit_grid, coarse_to_fine_finds_what_every_node_finds)
{
    struct Row {
        const char* name;
        std::function<double(double, double)> f;
        ImplicitGrid grid;
        std::size_t branches;   // traced runs, at least
    };
    const auto circle = [](double cx, double cy, double r) {
        return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
    };
    const std::vector<Row> rows = {
        {"ten concentric circles", [](double x, double y) { return std::cos(std::hypot(x, y)); },
         {-10 * kPi, 10 * kPi, -10 * kPi, 10 * kPi, 300, 300}, 10},
        // Radius 0.6 cells: the whole grid sees it at one node, the coarse one not at all.
        {"circle of about one cell", circle(0.013, -0.021, 0.006), {-1, 1, -1, 1, 200, 200}, 1},
        // A well a cell and a half wide in a flat F: no slope shows it between coarse nodes
        // two cells apart except the one next to it.
        {"narrow well in a flat field",
         [](double x, double y) { return 1 - 2 * std::exp(-(x * x + y * y) / (2 * 0.008 * 0.008)); },
         {-1, 1, -1, 1, 200, 200}, 1},
        // Touching zero without a sign change, at a radius between nodes.
        {"double root circle", [](double x, double y) { return std::pow(x * x + y * y - 0.5, 2); },
         {-1, 1, -1, 1, 80, 80}, 1},
        {"two circles a tolerance apart",
         [=](double x, double y) { return circle(-0.5, 0, 0.5)(x, y) * circle(0.5 + 2e-3, 0, 0.5)(x, y); },
         {-1.2, 1.2, -1, 1, 120, 100}, 2},
        {"lemniscate", [](double x, double y) { return std::pow(x * x + y * y, 2) - 2 * (x * x - y * y); },
         {-2, 2, -1, 1, 100, 50}, 1},
        {"folium", [](double x, double y) { return x * x * x + y * y * y - 3 * x * y; }, {-3, 3, -3, 3, 120, 120}, 1},
        {"ten islands", [](double x, double y) { return std::sin(x) * std::sin(y) - 0.5; },
         {0, 5 * kPi, 0, 4 * kPi, 200, 160}, 10},
        {"heart", [](double x, double y) { return std::pow(x * x + y * y - 1, 3) - x * x * y * y * y; },
         {-1.5, 1.5, -1.5, 1.5, 120, 120}, 1},
        // F changes sign across a pole without a zero, and is undefined left of x = 0.
        {"pole and undefined half",
         [](double x, double y) { return 1 / (x * x + y * y - 1) + std::sqrt(x) - 0.5; },
         {-2, 2, -2, 2, 80, 80}, 1},
        {"undefined half", [](double x, double y) { return std::sqrt(x) + y * y - 1; }, {-2, 2, -2, 2, 160, 160}, 1},
        // Steep: F spans e^20 across the window.
        {"steep exponential", [](double x, double y) { return std::exp(10 * x) - std::exp(10 * y) - 1; },
         {-1, 1, -1, 1, 100, 100}, 1},
        {"oscillating", [](double x, double y) { return std::sin(40 * x) + std::cos(37 * y) - 0.3; },
         {-1, 1, -1, 1, 150, 150}, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Traced every = traced(row.f, row.grid, 1e-3, true);
        const Traced coarse = traced(row.f, row.grid, 1e-3, false);
        EXPECT_GE(every.outcome.branches, row.branches);
        EXPECT_EQ(coarse.outcome.branches, every.outcome.branches);
        ASSERT_EQ(coarse.points.size(), every.points.size());
        for (std::size_t k = 0; k < every.points.size(); ++k)
            ASSERT_TRUE(samePoint(coarse.points[k], every.points[k])) << "vertex " << k;
        // Never more work than the whole grid, beyond the few nodes looked at twice.
        EXPECT_LE(coarse.outcome.evaluations, every.outcome.evaluations + every.outcome.evaluations / 50);
    }
}

TEST(implicit_grid, curve_far_from_most_nodes_costs_a_share_of_the_grid)
{
    // One small circle in a large window: the coarse nodes and a band round the circle.
    const ImplicitGrid grid{-10, 10, -10, 10, 400, 400};
    const auto f = [](double x, double y) { return std::hypot(x - 1, y + 2) - 1.5; };
    const Traced every = traced(f, grid, 1e-3, true);
    const Traced coarse = traced(f, grid, 1e-3, false);
    ASSERT_EQ(coarse.points.size(), every.points.size());
    EXPECT_GE(every.outcome.evaluations, 401u * 401u);
    EXPECT_LT(coarse.outcome.evaluations, every.outcome.evaluations / 2);
}

TEST(implicit_grid, a_pole_is_not_drawn_where_the_zeros_are)
{
    // F changes sign across the circle x² + y² = 1 without a zero: Newton's step there
    // shrinks as |F| grows. The zeros are two arcs through (0, ±√3).
    const auto f = [](double x, double y) { return 1 / (x * x + y * y - 1) + std::sqrt(x) - 0.5; };
    for (const bool everyNode : {true, false}) {
        SCOPED_TRACE(everyNode ? "every node" : "coarse to fine");
        const Traced t = traced(f, {-2, 2, -2, 2, 80, 80}, 1e-3, everyNode);
        EXPECT_GE(t.outcome.branches, 2u);
        std::size_t vertices = 0;
        bool nearRoot = false;
        for (const CurvePoint& p : t.points) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y))
                continue;
            ++vertices;
            ASSERT_LT(std::fabs(f(p.x, p.y)), 0.01) << p.x << ", " << p.y;
            nearRoot = nearRoot || std::hypot(p.x, std::fabs(p.y) - std::sqrt(3.0)) < 0.01;
        }
        EXPECT_GT(vertices, 10u);
        EXPECT_TRUE(nearRoot);
    }
}
