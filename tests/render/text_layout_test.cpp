// Text whose place depends on its width: multi-line text wrapped at its reference
// width, aligned and fit text between their two points, and both in the SVG; all by the
// one width estimate (0.8 of the height per character).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "db/access.h"
#include "db/database.h"
#include "render/display_shapes.h"
#include "db/entities.h"
#include "render/svg_picture.h"
#include "render/text_layout.h"

namespace {

using plotwright::db::DisplayShape;
using plotwright::db::DisplayText;
using Access = plotwright::db::detail::DatabaseAccess;

std::vector<DisplayShape> shapesOf(std::unique_ptr<AcDbEntity> entity, AcDbDatabase& db)
{
    Access::addFileEntity(db, *Access::record(db, L"*Model_Space"), std::move(entity), 0);
    return plotwright::db::tessellateModelSpace(db, {1e-4});
}

TEST(text_layout, wrap_at_spaces)
{
    // Height 1: 0.8 per character, so a width of 8 holds 10 characters.
    struct Row {
        const char* name;
        std::wstring line;
        double width;
        std::vector<std::wstring> lines;
    };
    const Row rows[] = {
        {"no width", L"aaaa bbbb cccc", 0, {L"aaaa bbbb cccc"}},
        {"breaks before the word that does not fit", L"aaaa bbbb cccc dddd", 8, {L"aaaa bbbb", L"cccc dddd"}},
        {"exactly the width fits", L"aaaa bbbbb cc", 8, {L"aaaa bbbbb", L"cc"}},
        {"one character over breaks", L"aaaa bbbbbb cc", 8, {L"aaaa", L"bbbbbb cc"}},
        {"a long word stands alone unbroken", L"a bbbbbbbbbbbbbbb c", 8, {L"a", L"bbbbbbbbbbbbbbb", L"c"}},
        {"spaces at a break are dropped", L"aaaa   bbbbbbbb", 8, {L"aaaa", L"bbbbbbbb"}},
        {"no-break space joins", L"aaaa\u00A0bbbbbbbb", 8, {L"aaaa\u00A0bbbbbbbb"}},
        {"empty line", L"", 8, {L""}},
        {"infinite width", L"aaaa bbbb", INFINITY, {L"aaaa bbbb"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(plotwright::db::detail::wrapLine(row.line, row.width, 1.0), row.lines);
    }
}

TEST(text_layout, mtext_wraps_to_its_reference_width_below_paragraph_breaks)
{
    AcDbDatabase db;
    AcDbMTextProps m;
    m.contents = L"one two three four\\Pfive";
    m.location = {0, 0, 0};
    m.height = 2;      // 1.6 per character
    m.width = 12.8;    // 8 characters
    m.attachment = 1;  // top left
    const std::vector<DisplayShape> shapes = shapesOf(std::make_unique<AcDbMText>(m), db);
    ASSERT_EQ(shapes.size(), 4u);
    const std::wstring expected[] = {L"one two", L"three", L"four", L"five"};
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(shapes[k].text->text, expected[k]);
        // Lines 5/3 of the height apart, downwards from the location.
        EXPECT_NEAR(shapes[k].points[0].y, -double(k) * 2 * 5.0 / 3.0, 1e-12);
        EXPECT_EQ(shapes[k].points[0].x, 0.0);
    }
}

// TEXT "ABCD" (estimated 3.2 wide at height 1) from (1, 2) to (9, 8): 10 apart.
TEST(text_layout, aligned_and_fit_text_between_their_points)
{
    struct Row {
        const char* name;
        int hAlign;
        double height, widthFactor;
        double shownHeight, shownWidthFactor, span;
    };
    const Row rows[] = {
        {"aligned: height from the width", AcDbTextProps::kAligned, 7, 1, 10 / 3.2, 1, 10},
        {"aligned keeps a width factor", AcDbTextProps::kAligned, 7, 2, 10 / 6.4, 2, 10},
        {"fit: height kept, width factor from the width", AcDbTextProps::kFit, 2, 1, 2, 10 / 6.4, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AcDbDatabase db;
        AcDbTextProps t;
        t.text = L"ABCD";
        t.position = {1, 2, 0};
        t.alignmentPoint = {9, 8, 0};
        t.hAlign = row.hAlign;
        t.height = row.height;
        t.widthFactor = row.widthFactor;
        const std::vector<DisplayShape> shapes = shapesOf(std::make_unique<AcDbText>(t), db);
        ASSERT_EQ(shapes.size(), 1u);
        const DisplayText& shown = *shapes[0].text;
        EXPECT_EQ(shapes[0].points[0], (plotwright::db::DisplayPoint{1, 2}));
        EXPECT_EQ(shown.hAlign, DisplayText::kLeft);
        EXPECT_EQ(shown.vAlign, DisplayText::kBaseline);
        EXPECT_NEAR(shown.rotation, std::atan2(6.0, 8.0), 1e-12);
        EXPECT_NEAR(shown.height, row.shownHeight, 1e-12);
        EXPECT_NEAR(shown.widthFactor, row.shownWidthFactor, 1e-12);
        EXPECT_NEAR(shown.span, row.span, 1e-12);
        // The estimate of the shown line reaches the second point.
        EXPECT_NEAR(plotwright::db::estimatedTextWidth(shown.text, shown.height, shown.widthFactor), 10, 1e-12);
    }
}

TEST(text_layout, fit_text_with_both_points_alike_stays_at_its_height)
{
    AcDbDatabase db;
    AcDbTextProps t;
    t.text = L"AB";
    t.position = t.alignmentPoint = {3, 4, 0};
    t.hAlign = AcDbTextProps::kFit;
    t.height = 1.5;
    const std::vector<DisplayShape> shapes = shapesOf(std::make_unique<AcDbText>(t), db);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0].points[0], (plotwright::db::DisplayPoint{3, 4}));
    EXPECT_EQ(shapes[0].text->height, 1.5);
    EXPECT_EQ(shapes[0].text->span, 0.0);
}

TEST(text_layout, svg_stretches_fit_text_applies_width_factors_and_hangs_top_text)
{
    AcDbDatabase db;
    AcDbBlockTableRecord* model = Access::record(db, L"*Model_Space");
    AcDbTextProps fit;
    fit.text = L"FIT";
    fit.position = {0, 0, 0};
    fit.alignmentPoint = {10, 0, 0};
    fit.hAlign = AcDbTextProps::kFit;
    Access::addFileEntity(db, *model, std::make_unique<AcDbText>(fit), 0);
    AcDbTextProps wide;
    wide.text = L"WIDE";
    wide.position = {0, 5, 0};
    wide.widthFactor = 2;
    Access::addFileEntity(db, *model, std::make_unique<AcDbText>(wide), 0);
    AcDbMTextProps top;
    top.contents = L"TOP";
    top.attachment = 1;  // top left at the origin
    Access::addFileEntity(db, *model, std::make_unique<AcDbMText>(top), 0);
    const std::string svg = plotwright::db::svgPicture(db, {});
    // The extents, text boxes included, are 10 units wide (FIT's span) and 1000 px.
    // Capitals hang below a top anchor: the baseline one text height (100 px) down.
    EXPECT_NE(svg.find(" y=\"100.00\" transform=\"translate(20.00 620.00) rotate(-0.00)\">TOP<"), std::string::npos);
    // FIT is estimated 2.4 wide at height 1: stretched by 10 / 2.4, then held to the span
    // of 10 units in the stretched coordinates.
    EXPECT_NE(svg.find(" scale(4.17 1)\" textLength=\"240.00\" lengthAdjust=\"spacingAndGlyphs\">FIT<"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find(" scale(2.00 1)\">WIDE<"), std::string::npos) << svg;
}

TEST(text_layout, leader_arrowhead_is_a_closed_filled_triangle)
{
    AcDbDatabase db;
    // Pointing at (2, 1) from up and to the right, size 3: one third as wide as long.
    const std::vector<DisplayShape> shapes =
        shapesOf(std::make_unique<AcDbLeader>(std::vector<AcGePoint3d>{{2, 1, 0}, {5, 5, 0}, {9, 5, 0}}, true, 3.0), db);
    ASSERT_EQ(shapes.size(), 2u);
    const DisplayShape& fill = shapes[1];
    ASSERT_EQ(fill.type, DisplayShape::Type::kFill);
    ASSERT_EQ(fill.points.size(), 3u);
    const double ux = 0.6, uy = 0.8;  // unit vector from the tip along the first segment
    EXPECT_EQ(fill.points[0], (plotwright::db::DisplayPoint{2, 1}));
    for (int side = 1; side <= 2; ++side) {
        const double sign = side == 1 ? 1 : -1;
        EXPECT_NEAR(fill.points[side].x, 2 + ux * 3 - sign * uy * 0.5, 1e-12);
        EXPECT_NEAR(fill.points[side].y, 1 + uy * 3 + sign * ux * 0.5, 1e-12);
    }
    AcDbDatabase none;
    EXPECT_EQ(shapesOf(std::make_unique<AcDbLeader>(std::vector<AcGePoint3d>{{0, 0, 0}, {1, 0, 0}}, false, 3.0), none)
                  .size(),
              1u);
}

} // namespace
