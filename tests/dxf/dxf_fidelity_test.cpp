// How drawings made elsewhere are drawn, a case of display_faults.py per row: each
// entity's strokes agree with ezdxf's geometry within a pixel. And what counts toward
// the extents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <locale>
#include <memory>
#include <sstream>
#include <string>

#include "db/database.h"
#include "render/display_shapes.h"
#include "render/svg_picture.h"
#include "dxf/file.h"
#include "ezdxf_compare.h"
#include "support/dxf_check.h"

namespace {

struct FaultCase {
    const char* name;
    int paths;  // entities ezdxf gives paths for
    int texts;
};

class dxf_fidelity : public testing::TestWithParam<FaultCase> {};

TEST_P(dxf_fidelity, agrees_with_ezdxf)
{
    const FaultCase& row = GetParam();
    dxftest::TempDir dir;
    const std::string path = dir.file(std::string(row.name) + ".dxf");
    const std::string report =
        dxftest::runPython(PLOTWRIGHT_TEST_SOURCE "/dxf/display_faults.py", {row.name, path});
    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(path, db);
    ASSERT_TRUE(read.ok()) << read.message;
    int compared = 0, texts = 0;
    dxftest::compareWithEzdxf(*db, report, compared, texts);
    EXPECT_EQ(compared, row.paths);
    EXPECT_EQ(texts, row.texts);
}

const FaultCase kCases[] = {
    {"mirrored_insert", 3, 0},
    {"tilted_insert", 2, 0},
    {"pattern_hatch", 5, 0},
    {"edge_hatch", 3, 0},
    {"spline_edge_hatch", 1, 0},
    {"visibility", 3, 0},
    {"spline_without_knots", 2, 0},
    {"linetypes", 7, 0},
    {"meshes", 2, 0},
    {"multilines", 2, 0},
    {"hidden_face_edges", 4, 0},
    {"mirrored_text", 0, 2},
    {"attribute_definitions", 1, 2},
};

INSTANTIATE_TEST_SUITE_P(cases, dxf_fidelity, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FaultCase>& row) { return std::string(row.param.name); });

// Text counts toward the extents with its box, whatever its alignment: a drawing of
// text alone gets a picture of it, and a centred title is not cut in half.
TEST(dxf_extents, text_counts_with_its_box)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("text.dxf");
    dxftest::runPythonSource(dir,
                             "import sys, ezdxf\n"
                             "doc = ezdxf.new('R2010')\n"
                             "msp = doc.modelspace()\n"
                             "msp.add_text('TITLE', dxfattribs={'height': 10}).set_pos((0, 0), align='MIDDLE_CENTER')\n"
                             "msp.add_text('Note', dxfattribs={'height': 2, 'rotation': 90}).set_pos((100, 0))\n"
                             "doc.saveas(sys.argv[1])\n",
                             {path});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    plotwright::db::Extents3d extents;
    db->forEachEntity([&](const AcDbEntity& e) { plotwright::db::addExtents(*db, e, extents); });
    ASSERT_FALSE(extents.empty);
    // TITLE: five characters of 0.8 of the height, centred on the origin; Note: upright,
    // its baseline on x = 100, reaching left by its height.
    EXPECT_NEAR(extents.minX, -20, 1e-9);
    EXPECT_NEAR(extents.maxX, 100 + 2 * 0.25, 1e-9);
    EXPECT_NEAR(extents.minY, -5 - 2.5, 1e-9);
    EXPECT_NEAR(extents.maxY, 4 * 0.8 * 2, 1e-9);
    // The picture has the drawing's proportions, not those of a point.
    const std::string svg = plotwright::db::svgPicture(*db, {});
    EXPECT_NE(svg.find("font-size=\""), std::string::npos);
    EXPECT_EQ(svg.find("width=\"40.00\" height=\"40.00\""), std::string::npos) << svg.substr(0, 300);
}

// Text seen through a mirror keeps reading along its baseline, its glyphs flipped over
// it: the normal (0,0,-1) and a block reference scaled by -1 both turn the baseline to
// point left (180 degrees).
TEST(dxf_fidelity_kinds, mirrored_text_runs_along_its_baseline_flipped)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("mirrored.dxf");
    dxftest::runPython(PLOTWRIGHT_TEST_SOURCE "/dxf/display_faults.py", {"mirrored_text", path});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    int texts = 0;
    for (const auto& s : plotwright::db::tessellateModelSpace(*db, {})) {
        if (s.type != plotwright::db::DisplayShape::Type::kText)
            continue;
        SCOPED_TRACE(testing::PrintToString(s.text->text));
        EXPECT_NEAR(std::abs(s.text->rotation), std::acos(-1.0), 1e-12);
        EXPECT_TRUE(s.text->upsideDown);
        EXPECT_FALSE(s.text->backwards);
        ++texts;
    }
    EXPECT_EQ(texts, 2);
}

// A POLYLINE's default widths (40, 41 of the POLYLINE) apply to vertices without widths
// of their own: a band one unit wide around the line.
TEST(dxf_fidelity_kinds, polyline_default_widths)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("wide.dxf");
    dxftest::runPythonSource(dir,
                             "import sys, ezdxf\n"
                             "doc = ezdxf.new('R12')\n"
                             "doc.modelspace().add_polyline2d([(0, 0), (10, 0)], dxfattribs={\n"
                             "    'default_start_width': 1, 'default_end_width': 1})\n"
                             "doc.saveas(sys.argv[1])\n",
                             {path});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    double low = 0, high = 0;
    int fills = 0;
    for (const auto& s : plotwright::db::tessellateModelSpace(*db, {})) {
        fills += s.type == plotwright::db::DisplayShape::Type::kFill;
        for (const auto& p : s.points)
            low = std::min(low, p.y), high = std::max(high, p.y);
    }
    EXPECT_EQ(fills, 1);
    EXPECT_NEAR(low, -0.5, 1e-12);
    EXPECT_NEAR(high, 0.5, 1e-12);
}

// A multileader: each leader line from its first point to its leader's last point,
// the dogleg on from there, and the text.
TEST(dxf_fidelity_kinds, multileader_lines_and_text)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("mleader.dxf");
    dxftest::runPythonSource(dir,
                             "import sys, ezdxf\n"
                             "from ezdxf.math import Vec2\n"
                             "from ezdxf.render import mleader\n"
                             "doc = ezdxf.new('R2018', setup=True)\n"
                             "ml = doc.modelspace().add_multileader_mtext('Standard')\n"
                             "ml.set_content('Wall', char_height=1.0)\n"
                             "ml.add_leader_line(mleader.ConnectionSide.left, [Vec2(-10, -5)])\n"
                             "ml.add_leader_line(mleader.ConnectionSide.left, [Vec2(-10, 5), Vec2(-6, 6)])\n"
                             "ml.build(insert=Vec2(0, 0))\n"
                             "doc.saveas(sys.argv[1])\n",
                             {path});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    const std::vector<plotwright::db::DisplayShape> shapes = plotwright::db::tessellateModelSpace(*db, {});
    std::vector<std::vector<plotwright::db::DisplayPoint>> strokes;
    int fills = 0;
    std::wstring text;
    for (const auto& s : shapes) {
        if (s.type == plotwright::db::DisplayShape::Type::kStroke)
            strokes.push_back(s.points);
        fills += s.type == plotwright::db::DisplayShape::Type::kFill;
        if (s.type == plotwright::db::DisplayShape::Type::kText)
            text += s.text->text;
    }
    ASSERT_GE(strokes.size(), 2u);
    EXPECT_EQ(strokes[0].front(), (plotwright::db::DisplayPoint{-10, -5}));
    EXPECT_EQ(strokes[1].front(), (plotwright::db::DisplayPoint{-10, 5}));
    EXPECT_EQ(strokes[1][1], (plotwright::db::DisplayPoint{-6, 6}));
    // Both lines end at the same leader's last point, where the dogleg starts.
    EXPECT_EQ(strokes[0].back(), strokes[1].back());
    EXPECT_EQ(fills, 2) << "an arrowhead per line";
    EXPECT_EQ(text, L"Wall");
}

} // namespace

// A text style's font, inline formatting, columns of a newer file and a wipeout mask, as
// ezdxf writes them: the style's family and weight reach the pieces and the SVG, the
// columns stand where ezdxf's column data puts them, and the mask is filled with the
// background after what it hides.
TEST(dxf_fidelity_kinds, styled_text_columns_and_masks)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("styled.dxf");
    const std::string report = dxftest::runPythonSource(
        dir,
        "import sys, ezdxf\n"
        "doc = ezdxf.new('R2018')\n"
        "msp = doc.modelspace()\n"
        "style = doc.styles.new('Title', dxfattribs={'font': 'times.ttf'})\n"
        "style.set_extended_font_data('Liberation Serif', italic=True, bold=True)\n"
        "msp.add_line((0, -1), (30, 9))\n"
        "msp.add_wipeout([(2, 0), (8, 4)])\n"
        "msp.add_mtext('\\\\C1;red \\\\Lunder\\\\l', dxfattribs={'style': 'Title', 'char_height': 1, 'insert': (0, 20)})\n"
        "cols = msp.add_mtext_static_columns(['one', 'two'], width=10, gutter_width=2, height=5,\n"
        "                                     dxfattribs={'char_height': 1, 'insert': (0, 40)})\n"
        "doc.saveas(sys.argv[1])\n"
        "print(cols.columns.width, cols.columns.gutter_width, cols.columns.count)\n",
        {path});
    double width = 0, gutter = 0;
    int count = 0;
    std::istringstream numbers(report);
    numbers.imbue(std::locale::classic());  // the test also runs under a decimal-comma locale
    ASSERT_TRUE(numbers >> width >> gutter >> count) << report;
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    const std::vector<plotwright::db::DisplayShape> shapes = plotwright::db::tessellateModelSpace(*db, {});
    using Type = plotwright::db::DisplayShape::Type;
    // The line, then the mask over it.
    ASSERT_GE(shapes.size(), 2u);
    EXPECT_EQ(shapes[0].type, Type::kStroke);
    EXPECT_EQ(shapes[1].type, Type::kFill);
    EXPECT_TRUE(shapes[1].color.background);
    std::vector<const plotwright::db::DisplayShape*> texts;
    int rules = 0;
    for (const auto& s : shapes) {
        if (s.type == Type::kText)
            texts.push_back(&s);
        rules += s.type == Type::kStroke && &s != &shapes[0];
    }
    EXPECT_EQ(rules, 1);  // the underline
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0]->text->text, L"red ");
    EXPECT_EQ(texts[0]->color, plotwright::db::paletteColor(1));
    EXPECT_EQ(texts[0]->text->family, L"Liberation Serif");
    EXPECT_TRUE(texts[0]->text->bold);
    EXPECT_TRUE(texts[0]->text->italic);
    // Two columns, the second a column width and a gutter to the right.
    EXPECT_EQ(count, 2);
    EXPECT_EQ(texts[2]->text->text, L"one");
    EXPECT_EQ(texts[3]->text->text, L"two");
    EXPECT_NEAR(texts[2]->points[0].x, 0, 1e-9);
    EXPECT_NEAR(texts[3]->points[0].x, width + gutter, 1e-9);
    EXPECT_NEAR(texts[3]->points[0].y, texts[2]->points[0].y, 1e-9);
    const std::string svg = plotwright::db::svgPicture(*db, {});
    EXPECT_NE(svg.find("font-family=\"'Liberation Serif', sans-serif\" font-weight=\"bold\" font-style=\"italic\""),
              std::string::npos);
    EXPECT_NE(svg.find("fill=\"#ffffff\" d=\"M"), std::string::npos);  // the mask
}
