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
        {"caret codes: ^a is '!', a blank after it a caret, control characters left out", L"a^ab^ c^Md^?e^",
         {{L"a!b^cd?e^", L"", 0, base}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto columns = plotwright::db::detail::mtextPieces(row.contents, base);
        ASSERT_FALSE(columns.empty());
        ASSERT_FALSE(columns[0].empty());
        EXPECT_EQ(columns[0][0].pieces, row.pieces);
    }
}

TEST(mtext_format, paragraphs_and_column_breaks)
{
    const auto columns = plotwright::db::detail::mtextPieces(L"a\\Pb^Jc\\Nd\ne", format(1));
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].size(), 3u);
    EXPECT_EQ(columns[1].size(), 2u);
    EXPECT_EQ(columns[1][1].pieces[0].text, L"e");
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

namespace {

using plotwright::db::detail::MTextParagraphFormat;

// Paragraph codes set the paragraph they stand in and those after it, until changed;
// "*" restores a value's default; \A and \T set the pieces' format.
TEST(mtext_format, paragraph_codes)
{
    struct Row {
        const char* name;
        const wchar_t* contents;
        std::size_t paragraph;  // which one is looked at
        MTextParagraphFormat expected;
    };
    const auto with = [](auto change) {
        MTextParagraphFormat p;
        change(p);
        return p;
    };
    const MTextParagraphFormat right = with([](MTextParagraphFormat& p) { p.align = MTextParagraphFormat::kRight; });
    const MTextParagraphFormat bullets = with([](MTextParagraphFormat& p) {
        p.firstIndent = -3;
        p.left = 4;
        p.tabs = {{4, L'l'}};
    });
    const Row rows[] = {
        {"alignment", L"\\pxqr;a", 0, right},
        {"it stays with the paragraphs after it", L"\\pxqr;a\\Pb", 1, right},
        {"set at a paragraph's end, it takes effect there", L"a\\pxqr;\\Pb", 0, right},
        {"q* restores the default", L"\\pxqr;a\\P\\pq*;b", 1, {}},
        {"centred, justified, distributed", L"\\pqc;a\\P\\pqj;b\\P\\pqd;c", 2,
         with([](MTextParagraphFormat& p) { p.align = MTextParagraphFormat::kDistributed; })},
        {"indents and a tab stop", L"\\pxi-3,l4t4;a", 0, bullets},
        {"i*, l* and an empty t restore them", L"\\pxi-3,l4t4;a\\P\\pi*,l*,t;b", 1, {}},
        {"tab stops of three kinds, sorted", L"\\pt9,c5,r7;a", 0,
         with([](MTextParagraphFormat& p) { p.tabs = {{5, L'c'}, {7, L'r'}, {9, L'l'}}; })},
        {"right indent; an unknown letter is passed over", L"\\pr2,z,i1;a", 0,
         with([](MTextParagraphFormat& p) { p.right = 2, p.firstIndent = 1; })},
        {"a column break keeps the paragraph format", L"\\pqc;a\\Nb", 0,
         with([](MTextParagraphFormat& p) { p.align = MTextParagraphFormat::kCenter; })},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto columns = plotwright::db::detail::mtextPieces(row.contents, format(1));
        const auto& column = columns.back();
        ASSERT_GT(column.size(), row.paragraph);
        EXPECT_EQ(column[row.paragraph].format, row.expected);
    }

    const auto first = [](const wchar_t* contents) {
        return plotwright::db::detail::mtextPieces(contents, format(1))[0][0].pieces.at(0).format;
    };
    EXPECT_EQ(first(L"\\A1;a").vertical, 1);
    EXPECT_EQ(first(L"\\A7;a").vertical, 0);  // not one of 0, 1, 2
    EXPECT_DOUBLE_EQ(first(L"\\T1.5;a").tracking, 1.5);
    EXPECT_DOUBLE_EQ(first(L"\\T40;a").tracking, 1.0);  // beyond what an editor accepts
    // A caret tab is a tab piece between the text's pieces.
    const auto tabbed = plotwright::db::detail::mtextPieces(L"a^Ib", format(1))[0][0].pieces;
    ASSERT_EQ(tabbed.size(), 3u);
    EXPECT_EQ(tabbed[1].stack, L'\t');
}

// Where each piece of a paragraph lands in a reference width of 20 (height 1, each
// character 0.8 wide): the left x of its text and the display's alignment of it.
TEST(mtext_layout, paragraphs_align_indent_and_tab)
{
    struct Piece {
        const wchar_t* text;
        double x;
        int hAlign;
    };
    struct Row {
        const char* name;
        const wchar_t* contents;
        int attachment;
        std::vector<Piece> pieces;
    };
    using T = plotwright::db::DisplayText;
    const Row rows[] = {
        {"left by the attachment", L"ab", 1, {{L"ab", 0, T::kLeft}}},
        {"right aligned: at the right edge", L"\\pxqr;ab", 1, {{L"ab", 20, T::kRight}}},
        {"centred in the width", L"\\pxqc;ab", 1, {{L"ab", 10, T::kCenter}}},
        {"centred attachment, right paragraph", L"\\pxqr;ab", 2, {{L"ab", 10, T::kRight}}},
        {"indented left and right", L"\\pxl2,r3,qr;ab", 1, {{L"ab", 17, T::kRight}}},
        // The first line "aaaa bbbb cccc dddd eeee" is 19.2 wide: its four blanks widen
        // by 0.8 / 4 = 0.2 each; the last line stays left.
        {"justified: all lines but the last fill the width", L"\\pqj;aaaa bbbb cccc dddd eeee ffff", 1,
         {{L"aaaa", 0, T::kLeft}, {L"bbbb", 4.2, T::kLeft}, {L"cccc", 8.4, T::kLeft}, {L"dddd", 12.6, T::kLeft},
          {L"eeee", 16.8, T::kLeft}, {L"ffff", 0, T::kLeft}}},
        {"a bullet: first line outdented, the text at the tab stop", L"\\pxi-3,l4t4;*^Ione", 1,
         {{L"*", 1, T::kLeft}, {L"one", 4, T::kLeft}}},
        {"without stops a tab goes to the next multiple of 4", L"ab^Ic", 1, {{L"ab", 0, T::kLeft}, {L"c", 4, T::kLeft}}},
        {"a right stop ends the text there", L"\\ptr10;^Iabc", 1, {{L"abc", 10 - 2.4, T::kLeft}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AcDbMTextProps m;
        m.height = 1;
        m.width = 20;
        m.attachment = row.attachment;
        m.contents = row.contents;
        const auto placed = plotwright::db::detail::placeMText(m, format(1));
        ASSERT_EQ(placed.texts.size(), row.pieces.size());
        for (std::size_t k = 0; k < row.pieces.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(placed.texts[k].text, row.pieces[k].text);
            EXPECT_NEAR(placed.texts[k].at.x, row.pieces[k].x, 1e-9);
            EXPECT_EQ(placed.texts[k].hAlign, row.pieces[k].hAlign);
        }
    }
}

// \A places smaller pieces of a line against its tallest: on the baseline, centred on
// the capitals, or hung from their tops; tracked text is spread over its wider advance.
TEST(mtext_layout, vertical_alignment_and_tracking)
{
    const struct {
        const wchar_t* contents;
        double top;  // of the small piece's capitals, the tall one's top at 0
    } rows[] = {{L"{\\H2x;T}s", -1}, {L"\\A0;{\\H2x;T}s", -1}, {L"\\A1;{\\H2x;T}s", -0.5}, {L"\\A2;{\\H2x;T}s", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.top);
        AcDbMTextProps m;
        m.height = 1;
        m.contents = row.contents;
        const auto placed = plotwright::db::detail::placeMText(m, format(1));
        ASSERT_EQ(placed.texts.size(), 2u);
        EXPECT_NEAR(placed.texts[0].at.y, 0, 1e-9);
        EXPECT_NEAR(placed.texts[1].at.y, row.top, 1e-9);
    }
    AcDbMTextProps m;
    m.height = 1;
    m.contents = L"a{\\T2;bc}d";
    const auto placed = plotwright::db::detail::placeMText(m, format(1));
    ASSERT_EQ(placed.texts.size(), 3u);
    EXPECT_NEAR(placed.texts[1].span, 3.2, 1e-9);  // twice 1.6
    EXPECT_NEAR(placed.texts[2].at.x, 0.8 + 3.2, 1e-9);
    EXPECT_EQ(placed.texts[0].span, 0.0);
}

} // namespace
