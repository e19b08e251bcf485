// Multi-line text with its inline formatting: the codes read into pieces, and the pieces
// placed, decorated and coloured as every display shows them.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "db/access.h"
#include "db/database.h"
#include "db/entities.h"
#include "render/display_shapes.h"
#include "render/mtext_layout.h"

namespace {

using plotwright::db::DisplayShape;
using plotwright::db::detail::MTextFormat;
using plotwright::db::detail::MTextPiece;
using Access = plotwright::db::detail::DatabaseAccess;

MTextFormat format(double height)
{
    MTextFormat f;
    f.height = height;
    return f;
}

TEST(mtext_format, codes_set_the_pieces_format)
{
    struct Row {
        const char* name;
        const wchar_t* contents;
        std::vector<MTextPiece> pieces;  // of the first paragraph
    };
    const auto with = [](auto change) {
        MTextFormat f = format(2);
        change(f);
        return f;
    };
    const MTextFormat base = format(2);
    const Row rows[] = {
        {"plain text is one piece", L"plain", {{L"plain", L"", 0, base}}},
        {"relative height", L"a\\H1.5x;b", {{L"a", L"", 0, base}, {L"b", L"", 0, with([](MTextFormat& f) { f.height = 3; })}}},
        {"absolute height, a brace keeps it inside", L"{\\H5;b}c",
         {{L"b", L"", 0, with([](MTextFormat& f) { f.height = 5; })}, {L"c", L"", 0, base}}},
        {"palette colour", L"\\C1;r", {{L"r", L"", 0, with([](MTextFormat& f) { f.colorIndex = 1; })}}},
        {"true colour is stored blue first", L"\\c255;r",
         {{L"r", L"", 0, with([](MTextFormat& f) { f.rgb = 0xFF0000; })}}},
        {"font with bold and italic", L"\\fTimes New Roman|b1|i1|c0|p18;t",
         {{L"t", L"", 0, with([](MTextFormat& f) { f.family = L"Times New Roman"; f.bold = f.italic = true; })}}},
        {"line font file: the display's own", L"\\Fromans.shx;t", {{L"t", L"", 0, base}}},
        {"TrueType file by its family", L"\\Farialbd.ttf|b1;t",
         {{L"t", L"", 0, with([](MTextFormat& f) { f.family = L"Arial"; f.bold = true; })}}},
        {"underline, overline and strike switch on and off", L"\\Lu\\l\\Oo\\o\\Kk\\k",
         {{L"u", L"", 0, with([](MTextFormat& f) { f.underline = true; })},
          {L"o", L"", 0, with([](MTextFormat& f) { f.overline = true; })},
          {L"k", L"", 0, with([](MTextFormat& f) { f.strike = true; })}}},
        {"stacks of three kinds", L"\\S1/2;\\S3#4;\\S+0.1^ -0.2;",
         {{L"1", L"2", L'/', base}, {L"3", L"4", L'#', base}, {L"+0.1", L"-0.2", L'^', base}}},
        {"a stack's escaped separator is a character", L"\\Sa\\/b^c;", {{L"a/b", L"c", L'^', base}}},
        {"a stack without a separator is text", L"\\S12;", {{L"12", L"", 0, base}}},
        {"width factor and slant", L"\\W0.5;\\Q15;w",
         {{L"w", L"", 0, with([](MTextFormat& f) { f.widthFactor = 0.5; f.oblique = 15 * std::acos(-1.0) / 180; })}}},
        {"unclosed brace and stray close brace", L"}a{\\H2x;b", {{L"a", L"", 0, base}, {L"b", L"", 0, with([](MTextFormat& f) { f.height = 4; })}}},
        {"a height of 0 or a bad number is ignored", L"\\H0;\\Hx;a", {{L"a", L"", 0, base}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto columns = plotwright::db::detail::mtextPieces(row.contents, base);
        ASSERT_FALSE(columns.empty());
        ASSERT_FALSE(columns[0].empty());
        EXPECT_EQ(columns[0][0], row.pieces);
    }
}

TEST(mtext_format, paragraphs_and_column_breaks)
{
    const auto columns = plotwright::db::detail::mtextPieces(L"a\\Pb^Jc\\Nd\ne", format(1));
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].size(), 3u);
    EXPECT_EQ(columns[1].size(), 2u);
    EXPECT_EQ(columns[1][1][0].text, L"e");
}

std::vector<DisplayShape> shapesOf(AcDbDatabase& db, const AcDbMTextProps& m)
{
    Access::addFileEntity(db, *Access::record(db, L"*Model_Space"), std::make_unique<AcDbMText>(m), 0);
    return plotwright::db::tessellateModelSpace(db, {1e-4});
}

// Rules lie under, over and through the pieces they belong to, as long as their
// estimated widths; a fraction's bar spans its wider part.
TEST(mtext_layout, rules_of_decorations_and_fractions)
{
    AcDbDatabase db;
    AcDbMTextProps m;
    m.height = 1;
    m.contents = L"\\Labc\\l \\Odef\\o \\Kgh\\k \\S12/3;";
    const std::vector<DisplayShape> shapes = shapesOf(db, m);
    std::vector<std::pair<plotwright::db::DisplayPoint, plotwright::db::DisplayPoint>> rules;
    for (const DisplayShape& s : shapes) {
        if (s.type == DisplayShape::Type::kStroke && s.points.size() == 2)
            rules.emplace_back(s.points[0], s.points[1]);
    }
    // Baseline at -1 (one line, top at 0); "abc" 2.4 wide, a blank 0.8, and so on.
    const std::vector<std::pair<plotwright::db::DisplayPoint, plotwright::db::DisplayPoint>> expected = {
        {{0, -1.2}, {2.4, -1.2}},             // underline 0.2 below the baseline
        {{3.2, 0.2}, {5.6, 0.2}},             // overline 0.2 above the capitals
        {{6.4, -0.5}, {8.0, -0.5}},           // strike through the middle
        {{8.8, -0.5}, {8.8 + 1.12, -0.5}},    // the bar of 12/3: "12" at 0.7 is 1.12 wide
    };
    ASSERT_EQ(rules.size(), expected.size());
    for (std::size_t k = 0; k < rules.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(rules[k].first.x, expected[k].first.x, 1e-9);
        EXPECT_NEAR(rules[k].first.y, expected[k].first.y, 1e-9);
        EXPECT_NEAR(rules[k].second.x, expected[k].second.x, 1e-9);
        EXPECT_NEAR(rules[k].second.y, expected[k].second.y, 1e-9);
    }
}

// ByLayer in the text takes the layer's colour, ByBlock the entity's inherited one; a
// text style's font reaches every piece that names no font of its own.
TEST(mtext_layout, colours_and_style_font)
{
    AcDbDatabase db;
    Access::setLayer(db, L"Notes", {3, -1, false, false});
    Access::textStyles(db)[L"TITLE"] = {L"", L"times.ttf", true, false};
    AcDbMTextProps m;
    m.height = 1;
    m.style = L"Title";
    m.contents = L"\\C1;a\\C256;b{\\fDejaVu Sans|b0;c}";
    auto entity = std::make_unique<AcDbMText>(m);
    entity->setAppearance(L"Notes", 5, -1);
    Access::addFileEntity(db, *Access::record(db, L"*Model_Space"), std::move(entity), 0);
    const std::vector<DisplayShape> shapes = plotwright::db::tessellateModelSpace(db, {});
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(shapes[0].color, plotwright::db::paletteColor(1));
    EXPECT_EQ(shapes[1].color, plotwright::db::paletteColor(3));
    EXPECT_EQ(shapes[2].color, plotwright::db::paletteColor(3));
    EXPECT_EQ(shapes[0].text->family, L"Times New Roman");
    EXPECT_TRUE(shapes[0].text->bold);
    EXPECT_EQ(shapes[2].text->family, L"DejaVu Sans");
    EXPECT_FALSE(shapes[2].text->bold);
}

// Columns stand a column width and a gutter apart; lines past the columns' height
// flow into the next column, and a column break starts one at once.
TEST(mtext_layout, columns_flow_at_their_height)
{
    AcDbDatabase db;
    AcDbMTextProps m;
    m.height = 1;
    m.columnCount = 3;
    m.columnWidth = 10;
    m.columnGutter = 2;
    m.columnHeight = 3;  // two lines: baselines at 1 and 2 2/3 below the top
    m.contents = L"a\\Pb\\Pc\\Nd";
    const std::vector<DisplayShape> shapes = shapesOf(db, m);
    ASSERT_EQ(shapes.size(), 4u);
    const double x[] = {0, 0, 12, 24};
    const double y[] = {0, -5.0 / 3, 0, 0};
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(shapes[k].points[0].x, x[k], 1e-9);
        EXPECT_NEAR(shapes[k].points[0].y, y[k], 1e-9);
    }
}

} // namespace

namespace {

// A clipped block reference shows what lies inside its boundary, which lies in the
// block's coordinates and moves with the reference: a line cut at the boundary, a
// filled square cut to it, a text outside left out, another copy unclipped.
TEST(block_clipping, reference_shows_only_what_lies_inside)
{
    AcDbDatabase db;
    AcDbBlockTableRecord* block = Access::addBlockRecord(db, L"Part", 0x100);
    Access::addFileEntity(db, *block, std::make_unique<AcDbLine>(AcGePoint3d{-5, 1, 0}, AcGePoint3d{15, 1, 0}), 0);
    const AcGePoint3d square[4] = {{2, 2, 0}, {6, 2, 0}, {2, 6, 0}, {6, 6, 0}};  // a SOLID's order
    Access::addFileEntity(db, *block, std::make_unique<AcDbFace>(square, true, AcGeVector3d::kZAxis()), 0);
    AcDbTextProps label;
    label.text = L"outside";
    label.position = {20, 20, 0};
    Access::addFileEntity(db, *block, std::make_unique<AcDbText>(label), 0);
    Access::blockClips(db)[0x200] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    AcDbBlockReferenceProps clipped;
    clipped.blockName = L"Part";
    clipped.position = {100, 0, 0};
    clipped.extensionDictionary = 0x200;
    AcDbBlockReferenceProps plain = clipped;
    plain.extensionDictionary = 0x300;  // a dictionary without a boundary
    AcDbBlockTableRecord& model = *Access::record(db, L"*Model_Space");
    Access::addFileEntity(db, model, std::make_unique<AcDbBlockReference>(clipped), 0);
    Access::addFileEntity(db, model, std::make_unique<AcDbBlockReference>(plain), 0);
    const std::vector<DisplayShape> shapes = plotwright::db::tessellateModelSpace(db, {});
    using P = plotwright::db::DisplayPoint;
    using Points = std::vector<P>;
    // Clipped: the line, the fill and two pieces of the square's outline; no text.
    // Unclipped: line, fill, outline and text.
    ASSERT_EQ(shapes.size(), 4u + 4u);
    EXPECT_EQ(shapes[0].points, (Points{{100, 1}, {104, 1}}));
    ASSERT_EQ(shapes[1].type, DisplayShape::Type::kFill);
    EXPECT_EQ(shapes[1].points, (Points{{102, 2}, {104, 2}, {104, 4}, {102, 4}}));
    EXPECT_EQ(shapes[2].points, (Points{{102, 2}, {104, 2}}));
    EXPECT_EQ(shapes[3].points, (Points{{102, 4}, {102, 2}}));
    EXPECT_EQ(shapes[4].points, (Points{{95, 1}, {115, 1}}));
    EXPECT_EQ(shapes[5].points.size(), 4u);
    EXPECT_EQ(shapes[7].type, DisplayShape::Type::kText);
}

} // namespace
