// The installed gallery of classic curves: every curve draws with its defaults, without
// an error or a non-finite point, closed curves come out closed, and the file is exactly
// what the library writer produces.
#include "draw/sample_curve.h"
#include "support/recording_backend.h"
#include "base/utf8_text.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

using plotwright::host::RecordingBackend;
using plotwright::host::ScopedBackend;

namespace {

const std::wstring kGallery = L"" PLOTWRIGHT_GALLERY_FILE;

struct GalleryRow {
    std::string name;
    bool closed;
};

const GalleryRow kRows[] = {
    {"Involute of a circle", false},
    {"Archimedean spiral", false},
    {"Logarithmic spiral", false},
    {"Fermat's spiral", false},
    {"Hyperbolic spiral", false},
    {"Lituus", false},
    {"Cardioid", true},
    {"Limacon", true},
    {"Rose", true},
    {"Lemniscate of Bernoulli", true},
    {"Astroid", true},
    {"Deltoid", true},
    {"Hypocycloid", true},
    {"Epitrochoid", true},
    {"Hypotrochoid", true},
    {"Nephroid", true},
    {"Cissoid of Diocles", false},
    {"Strophoid", false},
    {"Folium of Descartes", false},
    {"Witch of Agnesi", false},
    {"Catenary", false},
    {"Tractrix", false},
    {"Cycloid", false},
    {"Prolate cycloid", false},
    {"Curtate cycloid", false},
    {"Lissajous figure", true},
    {"Superellipse", true},
    {"Ellipse", true},
    {"Hyperbola", false},
    {"Parabola", false},
    {"Sine wave", false},
    {"Damped sine wave", false},
    {"Heart", true},
    {"Butterfly curve", true},
    {"Involute spur gear", true},
    {"Cycloidal gear wheel", true},
    {"NACA four-digit airfoil", true},
    {"Archimedean spiral by pitch", false},
    {"Disk cam", true},
};

CEquationList& gallery()
{
    static CEquationList list = [] {
        CEquationList l;
        std::wstring text;
        if (ReadLibraryFile(kGallery, text))
            l.LoadFromXml(text);
        return l;
    }();
    return list;
}

std::wstring wide(const std::string& s) { return plotwright::base::wideFromUtf8(s); }

TEST(Gallery, gallery_holds_every_listed_curve_and_no_other)
{
    std::set<std::wstring> listed, found;
    for (const GalleryRow& row : kRows)
        listed.insert(wide(row.name));
    for (const CEquationPtr& e : gallery().GetEquations()) {
        // Space and implicit curves are drawn by the core alone (tested in test_curve).
        if (e->GetType() == SpaceCurve || e->GetType() == ImplicitCurve)
            continue;
        EXPECT_TRUE(found.insert(e->GetName()).second) << "duplicate name";
    }
    EXPECT_EQ(found, listed);
    EXPECT_GE(found.size(), 30u);
}

TEST(Gallery, gallery_file_is_what_the_writer_writes)
{
    std::ifstream in(plotwright::base::utf8FromWide(kGallery), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ASSERT_FALSE(bytes.str().empty());
    EXPECT_EQ(plotwright::base::utf8FromWide(gallery().ToXml()), bytes.str());
}

class GalleryCurve : public testing::TestWithParam<GalleryRow> {
protected:
    RecordingBackend backend;
    ScopedBackend scope{backend};
};

TEST_P(GalleryCurve, gallery_curve_draws_with_its_defaults)
{
    const GalleryRow& row = GetParam();
    const CEquationPtr equation = gallery().FindEquation(wide(row.name));
    ASSERT_TRUE(equation);

    // Every constant has bounds around its value, the running variable a range to move in.
    int running = 0;
    for (const CEquationParameterPtr& p : equation->GetParameters()) {
        SCOPED_TRACE(plotwright::base::utf8FromWide(p->GetName()));
        if (p->GetType() == RunningVariable) {
            ++running;
            // Bounds around the range, or none (equal) where the curve's period depends
            // on its constants.
            if (p->GetMinSet() != p->GetMaxSet()) {
                EXPECT_LT(p->GetMinSet(), p->GetMaxSet());
                EXPECT_LE(p->GetMinSet(), p->GetMinValue());
                EXPECT_GE(p->GetMaxSet(), p->GetMaxValue());
            }
            EXPECT_LT(p->GetMinValue(), p->GetMaxValue());
            EXPECT_GT(p->GetIncrement(), 0);
        } else {
            EXPECT_EQ(p->GetType(), Constant);
            EXPECT_LT(p->GetMin(), p->GetMax());
        }
    }
    EXPECT_EQ(running, 1);
    EXPECT_TRUE(ValidateParameters(*equation));

    const ads_point origin = {0, 0, 0};
    const CurvePoints points = SampleCurve(*equation, origin);
    EXPECT_TRUE(backend.messages().empty());
    ASSERT_GE(points.size(), 100u);

    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (const CurvePoint& p : points) {
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double extent = std::max(maxX - minX, maxY - minY);
    ASSERT_GT(extent, 0);
    const double gap = std::hypot(points.back().x - points.front().x, points.back().y - points.front().y);
    if (row.closed)
        EXPECT_LE(gap, 1e-6 * extent);
    else
        EXPECT_GT(gap, 1e-3 * extent);
}

INSTANTIATE_TEST_SUITE_P(Rows, GalleryCurve, testing::ValuesIn(kRows), rowName<GalleryRow>);

// Closed curves whose period grows with their constants can be drawn whole for other
// values than their defaults: the range is not capped below the period.
TEST(Gallery, gallery_periodic_curves_draw_whole_for_other_constants)
{
    RecordingBackend backend;
    ScopedBackend scope{backend};
    struct Row {
        const char* curve;
        std::vector<std::pair<const wchar_t*, double>> constants;
        double turns;   // the period in turns of 2 PI
    } rows[] = {
        {"Hypocycloid", {{L"R", 10}, {L"r", 4}}, 2},
        {"Epitrochoid", {{L"R", 5}, {L"r", 3}}, 3},
        {"Hypotrochoid", {{L"R", 7}, {L"r", 3}}, 3},
        {"Rose", {{L"k", 2.5}}, 2},
        {"Lissajous figure", {{L"p", 3.5}, {L"q", 2}}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.curve);
        CEquation equation;
        gallery().FindEquation(wide(row.curve))->CopyTo(equation);
        for (const auto& [name, value] : row.constants)
            equation.FindParameter(name)->SetValue(value);
        const CEquationParameterPtr t = equation.FindParameter(L"t");
        t->SetMaxValue(row.turns * 2 * 3.141592653589793);
        t->SetIncrement(t->GetMaxValue() / 2000);
        const ads_point origin = {0, 0, 0};
        const CurvePoints points = SampleCurve(equation, origin);
        EXPECT_TRUE(backend.messages().empty());
        ASSERT_EQ(points.size(), 2001u);
        EXPECT_NEAR(points.back().x, points.front().x, 1e-9);
        EXPECT_NEAR(points.back().y, points.front().y, 1e-9);
    }
}

} // namespace
