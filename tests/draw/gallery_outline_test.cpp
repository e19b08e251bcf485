// The gallery's outlines for cutting (gears, airfoil, cam) at the corners of their
// constants' bounds: closed, simple (no segment crosses another), and the gears' teeth
// as thick on the pitch circle as half the circular pitch, m * PI / 2.
#include "curve/curve_sampler.h"
#include "base/utf8_text.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

namespace {

const std::wstring kGallery = L"" PLOTWRIGHT_GALLERY_FILE;
constexpr double kPi = 3.141592653589793;

const CEquationList& gallery()
{
    static const CEquationList list = [] {
        CEquationList l;
        std::wstring text;
        if (ReadLibraryFile(kGallery, text))
            l.LoadFromXml(text);
        return l;
    }();
    return list;
}

struct Segment {
    CurvePoint a, b;
};

double cross(const CurvePoint& o, const CurvePoint& a, const CurvePoint& b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool onSegment(const CurvePoint& p, const Segment& s)
{
    return std::min(s.a.x, s.b.x) <= p.x && p.x <= std::max(s.a.x, s.b.x) && std::min(s.a.y, s.b.y) <= p.y
           && p.y <= std::max(s.a.y, s.b.y);
}

// Whether the segments meet (touching counts).
bool meet(const Segment& s, const Segment& t)
{
    const double d1 = cross(t.a, t.b, s.a), d2 = cross(t.a, t.b, s.b);
    const double d3 = cross(s.a, s.b, t.a), d4 = cross(s.a, s.b, t.b);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return (d1 == 0 && onSegment(s.a, t)) || (d2 == 0 && onSegment(s.b, t)) || (d3 == 0 && onSegment(t.a, s))
           || (d4 == 0 && onSegment(t.b, s));
}

// The first pair of segments of the closed outline through `points` (the last point
// being the first again) that meet without being neighbours; -1, -1 when none.
std::pair<long, long> firstCrossing(const CurvePoints& points)
{
    std::vector<Segment> segments;
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        segments.push_back({points[i], points[i + 1]});
    const long n = static_cast<long>(segments.size());
    std::vector<long> order(segments.size());
    std::iota(order.begin(), order.end(), 0);
    const auto left = [&](long i) { return std::min(segments[i].a.x, segments[i].b.x); };
    std::sort(order.begin(), order.end(), [&](long i, long j) { return left(i) < left(j); });
    // A sweep from left to right: only segments whose x spans overlap are compared.
    for (std::size_t k = 0; k < order.size(); ++k) {
        const long i = order[k];
        const double right = std::max(segments[i].a.x, segments[i].b.x);
        for (std::size_t l = k + 1; l < order.size() && left(order[l]) <= right; ++l) {
            const long j = order[l];
            const long gap = std::labs(i - j);
            if (gap <= 1 || gap == n - 1)
                continue;   // neighbours share a vertex
            if (meet(segments[i], segments[j]))
                return {std::min(i, j), std::max(i, j)};
        }
    }
    return {-1, -1};
}

struct OutlineRow {
    const char* curve;
    std::vector<std::pair<const wchar_t*, double>> constants;
    double samplesPerTurn;
    double module;   // gears: the module, for the tooth thickness; 0 otherwise
};

std::string rowName(const testing::TestParamInfo<OutlineRow>& info)
{
    std::string name = info.param.curve;
    for (const auto& [constant, value] : info.param.constants)
        name += "_" + plotwright::base::utf8FromWide(constant) + std::to_string(static_cast<int>(value * 100));
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

class GalleryOutline : public testing::TestWithParam<OutlineRow> {};

TEST_P(GalleryOutline, gallery_outline_closed_simple_and_true)
{
    const OutlineRow& row = GetParam();
    const CEquationPtr found = gallery().FindEquation(plotwright::base::wideFromUtf8(row.curve));
    ASSERT_TRUE(found);
    CEquation equation;
    found->CopyTo(equation);
    for (const auto& [name, value] : row.constants) {
        const CEquationParameterPtr p = equation.FindParameter(name);
        ASSERT_TRUE(p) << plotwright::base::utf8FromWide(name);
        ASSERT_TRUE(p->GetMin() <= value && value <= p->GetMax()) << "within the constant's bounds";
        p->SetValue(value);
    }
    const CEquationParameterPtr t = equation.FindParameter(L"t");
    t->SetIncrement((t->GetMaxValue() - t->GetMinValue()) / row.samplesPerTurn);

    const plotwright::curve::SampleResult sampled = plotwright::curve::sampleCurve(equation, {});
    ASSERT_EQ(sampled.status, plotwright::curve::SampleStatus::Done)
        << plotwright::base::utf8FromWide(sampled.message);
    const CurvePoints& points = sampled.points;
    double extent = 0;
    for (const CurvePoint& p : points) {
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
        extent = std::max({extent, std::fabs(p.x), std::fabs(p.y)});
    }
    EXPECT_LE(std::hypot(points.back().x - points.front().x, points.back().y - points.front().y), 1e-9 * extent)
        << "closed";
    const auto [i, j] = firstCrossing(points);
    EXPECT_EQ(i, -1) << "segments " << i << " and " << j << " of " << points.size() - 1 << " meet";

    if (row.module == 0)
        return;
    // The flanks cross the pitch circle in pairs, one pair per tooth: the arc between
    // a pair is the tooth's thickness there.
    const double teeth = equation.FindParameter(L"z")->GetValue();
    const double pitch = row.module * teeth / 2;
    std::vector<double> crossings;
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        const double r0 = std::hypot(points[k].x, points[k].y) - pitch;
        const double r1 = std::hypot(points[k + 1].x, points[k + 1].y) - pitch;
        if ((r0 < 0) == (r1 < 0))
            continue;
        const double f = r0 / (r0 - r1);
        crossings.push_back(std::atan2(points[k].y + f * (points[k + 1].y - points[k].y),
                                       points[k].x + f * (points[k + 1].x - points[k].x)));
    }
    ASSERT_EQ(crossings.size(), 2 * static_cast<std::size_t>(teeth));
    double worst = 0;
    for (std::size_t k = 0; k < crossings.size(); k += 2) {
        double angle = std::remainder(crossings[k] - crossings[k + 1], 2 * kPi);
        worst = std::max(worst, std::fabs(std::fabs(angle) * pitch - row.module * kPi / 2));
    }
    EXPECT_LE(worst, 1e-3) << "tooth thickness on the pitch circle against m * PI / 2";
}

const OutlineRow kOutlines[] = {
    {"Involute spur gear", {{L"z", 20}, {L"m", 2}, {L"a", 20}}, 20 * 400, 2},
    {"Involute spur gear", {{L"z", 6}, {L"m", 0.05}, {L"a", 30}}, 6 * 400, 0.05},
    {"Involute spur gear", {{L"z", 6}, {L"m", 100}, {L"a", 14.5}}, 6 * 4000, 100},
    {"Involute spur gear", {{L"z", 41}, {L"m", 1}, {L"a", 20}}, 41 * 400, 1},
    {"Involute spur gear", {{L"z", 300}, {L"m", 1}, {L"a", 30}}, 300 * 200, 1},
    {"Involute spur gear", {{L"z", 300}, {L"m", 3}, {L"a", 14.5}}, 300 * 200, 3},
    {"Cycloidal gear wheel", {{L"z", 40}, {L"m", 1}, {L"q", 2}}, 40 * 400, 1},
    {"Cycloidal gear wheel", {{L"z", 6}, {L"m", 0.05}, {L"q", 1.5}}, 6 * 400, 0.05},
    {"Cycloidal gear wheel", {{L"z", 6}, {L"m", 100}, {L"q", 20}}, 6 * 400, 100},
    {"Cycloidal gear wheel", {{L"z", 400}, {L"m", 1}, {L"q", 1.5}}, 400 * 200, 1},
    {"Cycloidal gear wheel", {{L"z", 400}, {L"m", 2}, {L"q", 20}}, 400 * 200, 2},
    {"NACA four-digit airfoil", {{L"m", 0.02}, {L"p", 0.4}, {L"th", 0.12}, {L"c", 100}}, 4000, 0},
    {"NACA four-digit airfoil", {{L"m", 0.095}, {L"p", 0.1}, {L"th", 0.4}, {L"c", 1}}, 4000, 0},
    {"NACA four-digit airfoil", {{L"m", 0.095}, {L"p", 0.9}, {L"th", 0.01}, {L"c", 10000}}, 4000, 0},
    {"NACA four-digit airfoil", {{L"m", 0}, {L"p", 0.1}, {L"th", 0.01}, {L"c", 0.01}}, 4000, 0},
    {"Disk cam", {{L"R", 20}, {L"h", 15}, {L"a", 120}, {L"d", 60}, {L"b", 120}}, 3600, 0},
    {"Disk cam", {{L"R", 1}, {L"h", 10000}, {L"a", 150}, {L"d", 60}, {L"b", 150}}, 3600, 0},
    {"Disk cam", {{L"R", 10000}, {L"h", 0}, {L"a", 10}, {L"d", 0}, {L"b", 10}}, 3600, 0},
};

INSTANTIATE_TEST_SUITE_P(Rows, GalleryOutline, testing::ValuesIn(kOutlines), rowName);

} // namespace
