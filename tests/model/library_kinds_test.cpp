// The library document for space and implicit curves: the attributes they add, exactly,
// read back bit for bit; the other kinds' text is unchanged (library_format_test).
#include "model/equation_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct KindRow {
    const char* name;
    int type;
    std::wstring z;
    ImplicitWindow window;
    std::wstring text;  // the Equation element without parameters
};

} // namespace

TEST(library_kinds, attributes_written_exactly_and_read_back)
{
    const KindRow rows[] = {
        {"space curve", SpaceCurve, L"c*t", {},
         L"<Equation type=\"4\" name=\"n\" equationy=\"Y\" equationx=\"X\" equationz=\"c*t\" createdBy=\"0\" "
         L"selected=\"0\" ></Equation>"},
        {"implicit by cell count", ImplicitCurve, L"", {-2, 2, -1.5, 1.25, 300, 0},
         L"<Equation type=\"5\" name=\"n\" equationy=\"Y\" equationx=\"X\" xmin=\"     -2.00\" xmax=\"      2.00\" "
         L"ymin=\"     -1.50\" ymax=\"      1.25\" gridcells=\"300\" cellsize=\"      0.00\" createdBy=\"0\" "
         L"selected=\"0\" ></Equation>"},
        {"implicit by cell size", ImplicitCurve, L"", {0, 0.1, 0.3, 1.0 / 3, 0, 1e-3},
         L"<Equation type=\"5\" name=\"n\" equationy=\"Y\" equationx=\"X\" xmin=\"      0.00\" xmax=\"      0.10\" "
         L"ymin=\"      0.30\" ymax=\"0.3333333333333333\" gridcells=\"0\" cellsize=\"     0.001\" createdBy=\"0\" "
         L"selected=\"0\" ></Equation>"},
        // A window kept with another kind (the dialog keeps it while the kind changes).
        {"window on a parametric curve", ParametricCartesian, L"", {-1, 1, -1, 1, 0, 0},
         L"<Equation type=\"2\" name=\"n\" equationy=\"Y\" equationx=\"X\" xmin=\"     -1.00\" xmax=\"      1.00\" "
         L"ymin=\"     -1.00\" ymax=\"      1.00\" gridcells=\"0\" cellsize=\"      0.00\" createdBy=\"0\" "
         L"selected=\"0\" ></Equation>"},
    };
    for (const KindRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto e = std::make_shared<CEquation>();
        e->SetType(row.type);
        e->SetName(L"n");
        e->SetEquationY(L"Y");
        e->SetEquationX(L"X");
        e->SetEquationZ(row.z);
        e->SetWindow(row.window);
        EXPECT_EQ(e->ToXml(), row.text);
        CEquationList list;
        list.AddEquation(e);
        CEquationList read;
        ASSERT_EQ(read.LoadFromXml(list.ToXml()), 1);
        const CEquation& b = *read.GetEquations()[0];
        EXPECT_EQ(b.GetType(), row.type);
        EXPECT_EQ(b.GetEquationZ(), row.z);
        EXPECT_TRUE(b.GetWindow() == row.window);
        EXPECT_EQ(read.ToXml(), list.ToXml());
    }
}

TEST(library_kinds, copy_keeps_z_and_window)
{
    CEquation a;
    a.SetType(ImplicitCurve);
    a.SetEquationZ(L"z");
    a.SetWindow({1, 2, 3, 4, 5, 0});
    CEquation b;
    a.CopyTo(b);
    EXPECT_EQ(b.GetEquationZ(), L"z");
    EXPECT_TRUE(b.GetWindow() == a.GetWindow());
}
