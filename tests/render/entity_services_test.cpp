// The entity services: every kind tessellated into what the displays draw, checked
// against closed forms; colours resolved through layers and block references; extents;
// the codes inside text; the SVG picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "db/access.h"
#include "db/color.h"
#include "db/database.h"
#include "render/display_shapes.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "render/svg_picture.h"
#include "render/text_codes.h"

namespace {

using plotwright::db::DisplayPoint;
using plotwright::db::DisplayShape;
using plotwright::db::ShownColor;
using Access = plotwright::db::detail::DatabaseAccess;
constexpr double kPi = std::numbers::pi;

// A drawing read from nowhere: model space and whatever blocks a test adds.
struct Drawing {
    AcDbDatabase db;
    AcDbBlockTableRecord* model = Access::record(db, L"*Model_Space");

    template <class T>
    T& add(std::unique_ptr<T> entity, AcDbBlockTableRecord* record = nullptr)
    {
        T& raw = *entity;
        Access::addFileEntity(db, record ? *record : *model, std::move(entity), 0);
        return raw;
    }
    AcDbBlockTableRecord* block(const std::wstring& name, AcGePoint3d origin = {})
    {
        AcDbBlockTableRecord* r = Access::addBlockRecord(db, name, 0);
        Access::setBlockOrigin(*r, origin);
        return r;
    }
    std::vector<DisplayShape> shapes(double tolerance = 1e-4) const
    {
        return plotwright::db::tessellateModelSpace(db, {tolerance});
    }
};

double distance(DisplayPoint a, double x, double y) { return std::hypot(a.x - x, a.y - y); }

TEST(entity_colors, palette_and_invalid_numbers)
{
    const struct {
        long long index;
        ShownColor expected;
    } rows[] = {
        {1, {0xFF0000, false}},   {5, {0x0000FF, false}},   {7, {}},
        {8, {0x808080, false}},   {109, {0x132617, false}}, {250, {0x333333, false}},
        {255, {}}, {0, {}},                  {256, {}},
        {-3, {}},                 {INT_MIN, {}},            {INT_MAX, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(plotwright::db::paletteColor(static_cast<int>(row.index)), row.expected);
    }
    EXPECT_FALSE(plotwright::db::isEntityColorIndex(LLONG_MIN));
    EXPECT_FALSE(plotwright::db::isEntityColorIndex(2147483648LL));
    EXPECT_TRUE(plotwright::db::isEntityColorIndex(256));
}

TEST(entity_colors, nearest_palette_colour)
{
    const struct {
        const char* name;
        std::uint32_t rgb;
        int expected;
    } rows[] = {
        {"pure red: the first of equal ones", 0xFF0000, 1},
        {"white is 7, not 255", 0xFFFFFF, 7},
        {"near green", 0x0AFA05, 3},
        {"black: the darkest red, first of the darkest", 0x000000, 18},
        {"a grey of the palette", 0x828282, 253},
        {"next to grey 8", 0x808081, 8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(plotwright::db::nearestPaletteIndex(row.rgb), row.expected);
    }
}

TEST(entity_colors, resolved_through_layers_and_block_references)
{
    Drawing d;
    Access::setLayer(d.db, L"Red", {1, -1, false, false});
    Access::setLayer(d.db, L"Tinted", {3, 0x123456, false, false});
    Access::setLayer(d.db, L"Hidden", {2, -1, true, false});
    Access::setLayer(d.db, L"Frozen", {2, -1, false, true});
    AcDbBlockTableRecord* block = d.block(L"B");
    // In the block: a ByBlock line, a line on layer 0 (takes the reference's layer),
    // and a line on a layer that is off.
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 0, 0}, AcGePoint3d{1, 0, 0}), block).setAppearance(L"0", 0, -1);
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 1, 0}, AcGePoint3d{1, 1, 0}), block).setAppearance(L"0", 256, -1);
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 2, 0}, AcGePoint3d{1, 2, 0}), block).setAppearance(L"hidden", 256, -1);
    AcDbBlockReferenceProps ref;
    ref.blockName = L"b";  // block names ignore case
    d.add(std::make_unique<AcDbBlockReference>(ref)).setAppearance(L"RED", 5, -1);

    const auto line = [](AcDbLine& l, const wchar_t* layer, int color, std::int32_t rgb) { l.setAppearance(layer, color, rgb); };
    line(d.add(std::make_unique<AcDbLine>(AcGePoint3d{}, AcGePoint3d{1, 1, 0})), L"Tinted", 256, -1);
    line(d.add(std::make_unique<AcDbLine>(AcGePoint3d{}, AcGePoint3d{1, 1, 0})), L"Red", INT_MIN, -1);
    line(d.add(std::make_unique<AcDbLine>(AcGePoint3d{}, AcGePoint3d{1, 1, 0})), L"Red", 6, 0x00FF7F);
    line(d.add(std::make_unique<AcDbLine>(AcGePoint3d{}, AcGePoint3d{1, 1, 0})), L"Frozen", 1, -1);
    line(d.add(std::make_unique<AcDbLine>(AcGePoint3d{}, AcGePoint3d{1, 1, 0})), L"Nowhere", 0, -1);

    const std::vector<DisplayShape> shapes = d.shapes();
    const std::vector<ShownColor> expected = {
        {0x0000FF, false},  // ByBlock: the reference's colour 5
        {0xFF0000, false},  // layer 0 in a block: the reference's layer "Red"
        {0x123456, false},  // the layer's true colour
        {0xFF0000, false},  // a colour number no entity can have: the layer's
        {0x00FF7F, false},  // the entity's true colour
        {},                 // ByBlock outside any block: the foreground
    };
    ASSERT_EQ(shapes.size(), expected.size());
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shapes[i].color, expected[i]);
    }
}

// Every point of each curve on its closed form, ends where they belong, and no chord
// further from the curve than the tolerance.
TEST(tessellation, curves_follow_their_closed_forms)
{
    const double tol = 1e-3;
    struct Row {
        const char* name;
        std::function<std::unique_ptr<AcDbEntity>()> make;
        std::function<double(DisplayPoint)> error;  // distance of a point from the true curve
        DisplayPoint first, last;
        bool closed;
    };
    const double s = std::sqrt(0.5);
    const Row rows[] = {
        {"circle seen from below: mirrored",
         [] { return std::make_unique<AcDbCircle>(AcGePoint3d{3, 1, 0}, 2.0, AcGeVector3d{0, 0, -1}); },
         [](DisplayPoint p) { return std::abs(distance(p, -3, 1) - 2); }, {-5, 1}, {-5, 1}, true},
        {"quarter arc", [] { return std::make_unique<AcDbArc>(AcGePoint3d{1, 1, 0}, 2.0, 0.0, kPi / 2, AcGeVector3d{0, 0, 1}); },
         [](DisplayPoint p) { return std::abs(distance(p, 1, 1) - 2); }, {3, 1}, {1, 3}, false},
        {"arc across zero", [] { return std::make_unique<AcDbArc>(AcGePoint3d{}, 1.0, 1.5 * kPi, 0.5 * kPi, AcGeVector3d{0, 0, 1}); },
         [](DisplayPoint p) { return std::abs(distance(p, 0, 0) - 1) + (p.x < -1e-12 ? 1 : 0); }, {0, -1}, {0, 1}, false},
        {"rotated elliptic arc",
         [] { return std::make_unique<AcDbEllipse>(AcGePoint3d{2, 0, 0}, AcGeVector3d{0, 0, 1}, AcGeVector3d{0, 3, 0}, 0.5, 0.0, kPi); },
         [](DisplayPoint p) { return std::abs(std::hypot((p.y - 0) / 3, (p.x - 2) / 1.5) - 1) * 1.5; }, {2, 3}, {2, -3}, false},
        {"rational quadratic quarter circle",
         [s] {
             AcDbSplineData data;
             data.degree = 2;
             data.rational = true;
             data.knots = {0, 0, 0, 1, 1, 1};
             data.controlPoints = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
             data.weights = {1, s, 1};
             return std::make_unique<AcDbSpline>(data);
         },
         [](DisplayPoint p) { return std::abs(distance(p, 0, 0) - 1); }, {1, 0}, {0, 1}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Drawing d;
        d.add(row.make());
        const std::vector<DisplayShape> shapes = d.shapes(tol);
        ASSERT_EQ(shapes.size(), 1u);
        const auto& pts = shapes[0].points;
        ASSERT_GE(pts.size(), 3u);
        EXPECT_EQ(shapes[0].closed, row.closed);
        EXPECT_LT(distance(pts.front(), row.first.x, row.first.y), 1e-9);
        EXPECT_LT(distance(pts.back(), row.last.x, row.last.y), 1e-9);
        for (std::size_t i = 0; i < pts.size(); ++i) {
            EXPECT_LT(row.error(pts[i]), 1e-9) << "point " << i;
            if (i > 0) {
                const DisplayPoint mid{(pts[i - 1].x + pts[i].x) / 2, (pts[i - 1].y + pts[i].y) / 2};
                EXPECT_LT(row.error(mid), tol * 1.5) << "chord " << i;
            }
        }
    }
}

TEST(tessellation, polylines_with_bulges_widths_and_broken_vertices)
{
    Drawing d;
    // A half circle bulging below its chord: counter-clockwise from (0,0) to (2,0).
    auto arc = std::make_unique<AcDbPolyline>();
    arc->addVertexAt(0, {0, 0}, 1.0);
    arc->addVertexAt(1, {2, 0});
    d.add(std::move(arc));
    // A wide segment: a filled band 0.5 wide.
    auto wide = std::make_unique<AcDbPolyline>();
    wide->addVertexAt(0, {0, 10});
    wide->addVertexAt(1, {4, 10});
    wide->setConstantWidth(0.5);
    d.add(std::move(wide));
    // A vertex that is not finite splits the line in two.
    d.add(std::make_unique<AcDb3dPolyline>(
        std::vector<AcGePoint3d>{{0, 20, 0}, {1, 20, 0}, {NAN, 0, 0}, {2, 20, 0}, {3, 20, 0}}, false));

    const std::vector<DisplayShape> shapes = d.shapes();
    ASSERT_EQ(shapes.size(), 4u);
    double lowest = 0;
    for (const DisplayPoint& p : shapes[0].points) {
        lowest = std::min(lowest, p.y);
        EXPECT_NEAR(distance(p, 1, 0), 1.0, 1e-9);
    }
    EXPECT_NEAR(lowest, -1.0, 1e-6);
    EXPECT_EQ(shapes[1].type, DisplayShape::Type::kFill);
    EXPECT_EQ(shapes[1].points, (std::vector<DisplayPoint>{{0, 10.25}, {4, 10.25}, {4, 9.75}, {0, 9.75}}));
    EXPECT_EQ(shapes[2].points, (std::vector<DisplayPoint>{{0, 20}, {1, 20}}));
    EXPECT_EQ(shapes[3].points, (std::vector<DisplayPoint>{{2, 20}, {3, 20}}));
}

// Shapes handed over one by one carry the entity they come from, and each is whole by
// itself: nothing of the shape before it (its points, rings or closure) stays on.
TEST(tessellation, shapes_one_by_one_with_their_entity)
{
    Drawing d;
    Access::setLayer(d.db, L"Off", {1, -1, true, false});
    AcDbBlockTableRecord* block = d.block(L"Pair");
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 0, 0}, AcGePoint3d{1, 0, 0}), block);
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 1, 0}, AcGePoint3d{1, 1, 0}), block);
    d.add(std::make_unique<AcDbCircle>(AcGePoint3d{0, 0, 0}, 5.0, AcGeVector3d{0, 0, 1}));
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 0, 0}, AcGePoint3d{1, 1, 0})).setAppearance(L"Off", 256, -1);
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 0, 0}, AcGePoint3d{1, 1, 0}));
    d.add(std::make_unique<AcDb3dPolyline>(
        std::vector<AcGePoint3d>{{0, 2, 0}, {1, 2, 0}, {NAN, 0, 0}, {2, 2, 0}, {3, 2, 0}}, true));
    AcDbBlockReferenceProps ref;
    ref.blockName = L"Pair";
    ref.position = {10, 0, 0};
    d.add(std::make_unique<AcDbBlockReference>(ref));
    d.add(std::make_unique<AcDbPoint>(AcGePoint3d{7, 7, 0}));

    struct Row {
        std::size_t entity;
        DisplayShape::Type type;
        bool closed;
        std::vector<DisplayPoint> points;  // empty: not checked (the circle's)
    };
    using T = DisplayShape::Type;
    const std::vector<Row> rows = {
        {0, T::kStroke, true, {}},
        {2, T::kStroke, false, {{0, 0}, {1, 1}}},
        {3, T::kStroke, false, {{0, 2}, {1, 2}}},  // broken: neither piece is closed
        {3, T::kStroke, false, {{2, 2}, {3, 2}}},
        {4, T::kStroke, false, {{10, 0}, {11, 0}}},
        {4, T::kStroke, false, {{10, 1}, {11, 1}}},
        {5, T::kMarker, false, {{7, 7}}},
    };
    std::vector<DisplayShape> taken;
    std::vector<std::size_t> entities;
    plotwright::db::tessellateModelSpace(d.db, {1e-4}, [&](DisplayShape&& shape, std::size_t entity) {
        taken.push_back(std::move(shape));
        entities.push_back(entity);
    });
    std::vector<std::size_t> source;
    const std::vector<DisplayShape> listed = plotwright::db::tessellateModelSpace(d.db, {1e-4}, &source);
    ASSERT_EQ(taken.size(), rows.size());
    ASSERT_EQ(listed.size(), rows.size());
    EXPECT_GT(taken[0].points.size(), 100u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entities[i], rows[i].entity);
        EXPECT_EQ(source[i], rows[i].entity);
        EXPECT_EQ(taken[i].type, rows[i].type);
        EXPECT_EQ(taken[i].closed, rows[i].closed);
        EXPECT_TRUE(taken[i].ringStarts.empty());
        if (!rows[i].points.empty()) {
            EXPECT_EQ(taken[i].points, rows[i].points);
        }
        EXPECT_EQ(listed[i].points, taken[i].points);
        EXPECT_EQ(listed[i].closed, taken[i].closed);
    }
}

// A block inside a block, each placed with rotation and unequal scales, and an array.
TEST(tessellation, nested_block_references_and_arrays)
{
    Drawing d;
    AcDbBlockTableRecord* inner = d.block(L"Inner", {1, 0, 0});
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 0, 0}, AcGePoint3d{1, 0, 0}), inner);
    AcDbBlockTableRecord* outer = d.block(L"Outer");
    AcDbBlockReferenceProps in;
    in.blockName = L"Inner";
    in.position = {5, 0, 0};
    in.scale = {2, 3, 1};
    in.rotation = kPi / 2;
    d.add(std::make_unique<AcDbBlockReference>(in), outer);
    AcDbBlockReferenceProps out;
    out.blockName = L"Outer";
    out.position = {10, 10, 0};
    out.scale = {2, 0.5, 1};
    d.add(std::make_unique<AcDbBlockReference>(out));
    AcDbBlockReferenceProps array = in;
    array.position = {0, 100, 0};
    array.rotation = 0;
    array.scale = {1, 1, 1};
    array.columns = 3;
    array.rows = 2;
    array.columnSpacing = 10;
    array.rowSpacing = 5;
    d.add(std::make_unique<AcDbBlockReference>(array));

    const std::vector<DisplayShape> shapes = d.shapes();
    ASSERT_EQ(shapes.size(), 7u);
    // (0,0) -> base (-1,0) -> scaled (-2,0) -> turned (0,-2) -> (5,-2); then (10,-1) -> (20,9).
    EXPECT_EQ(shapes[0].points.size(), 2u);
    EXPECT_NEAR(shapes[0].points[0].x, 20, 1e-12);
    EXPECT_NEAR(shapes[0].points[0].y, 9, 1e-12);
    EXPECT_NEAR(shapes[0].points[1].x, 20, 1e-12);
    EXPECT_NEAR(shapes[0].points[1].y, 10, 1e-12);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            const DisplayShape& s = shapes[1 + static_cast<std::size_t>(r * 3 + c)];
            EXPECT_NEAR(s.points[0].x, -1 + 10 * c, 1e-12);
            EXPECT_NEAR(s.points[0].y, 100 + 5 * r, 1e-12);
        }
    }
}

TEST(tessellation, a_block_that_holds_itself_ends)
{
    Drawing d;
    AcDbBlockTableRecord* loop = d.block(L"Loop");
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{}, AcGePoint3d{1, 0, 0}), loop);
    AcDbBlockReferenceProps self;
    self.blockName = L"Loop";
    d.add(std::make_unique<AcDbBlockReference>(self), loop);
    d.add(std::make_unique<AcDbBlockReference>(self));
    EXPECT_EQ(d.shapes().size(), 16u);  // one line for each level
}

TEST(tessellation, text_placement_and_codes)
{
    Drawing d;
    AcDbTextProps centred;
    centred.text = L"%%c20 %%p0.1 100%%d";
    centred.position = {0, 0, 0};
    centred.alignmentPoint = {5, 5, 0};
    centred.hAlign = AcDbTextProps::kCenter;
    centred.height = 2;
    centred.rotation = kPi / 6;
    d.add(std::make_unique<AcDbText>(centred));
    AcDbMTextProps m;
    m.contents = L"{\\fArial|b1;\\H2x;Größe} \\S1^2;\\P\\C1;Zeile\\~2";
    m.location = {10, 10, 0};
    m.height = 3;
    m.attachment = 5;  // middle centre
    m.hasDirection = true;
    m.direction = {0, 1, 0};
    d.add(std::make_unique<AcDbMText>(m));

    const std::vector<DisplayShape> shapes = d.shapes();
    ASSERT_EQ(shapes.size(), 6u);
    EXPECT_EQ(shapes[0].text->text, L"\u230020 \u00B10.1 100\u00B0");
    EXPECT_EQ(shapes[0].points[0], (DisplayPoint{5, 5}));
    EXPECT_EQ(shapes[0].text->hAlign, plotwright::db::DisplayText::kCenter);
    EXPECT_NEAR(shapes[0].text->rotation, kPi / 6, 1e-12);
    EXPECT_NEAR(shapes[0].text->height, 2, 1e-12);
    // The first line is 6 high (\H2x), the second 3 and 5 below it (5/3 of 3): 11 in
    // all, centred on the location, the text running up (frame x is world y, frame y
    // is world -x). The first line's pieces stand side by side at their estimated
    // widths: 24 for "Größe" at 6, 2.4 for the blank, 1.68 for the stack at 0.7 of 3.
    const struct {
        const wchar_t* text;
        double x, y, height;
        int hAlign;
    } rows[] = {
        {L"Größe", 10 - 5.5, 10 - 14.04, 6, plotwright::db::DisplayText::kLeft},
        {L" ", 10 - 2.5, 10 - 14.04 + 24, 3, plotwright::db::DisplayText::kLeft},
        {L"1", 10 - 3.4, 10 - 14.04 + 26.4 + 0.84, 2.1, plotwright::db::DisplayText::kCenter},
        {L"2", 10 - 0.7, 10 - 14.04 + 26.4 + 0.84, 2.1, plotwright::db::DisplayText::kCenter},
        {L"Zeile\u00A02", 10 + 2.5, 10, 3, plotwright::db::DisplayText::kCenter},
    };
    for (std::size_t k = 0; k < std::size(rows); ++k) {
        SCOPED_TRACE(k);
        const DisplayShape& shape = shapes[k + 1];
        EXPECT_EQ(shape.text->text, rows[k].text);
        EXPECT_NEAR(shape.points[0].x, rows[k].x, 1e-9);
        EXPECT_NEAR(shape.points[0].y, rows[k].y, 1e-9);
        EXPECT_NEAR(shape.text->height, rows[k].height, 1e-12);
        EXPECT_EQ(shape.text->hAlign, rows[k].hAlign);
        EXPECT_EQ(shape.text->vAlign, plotwright::db::DisplayText::kTop);
        EXPECT_NEAR(shape.text->rotation, kPi / 2, 1e-12);
    }
    EXPECT_EQ(shapes[1].text->family, L"Arial");
    EXPECT_TRUE(shapes[1].text->bold);
    EXPECT_EQ(shapes[2].text->family, L"");
    EXPECT_FALSE(shapes[2].text->bold);
    EXPECT_EQ(shapes[5].color, plotwright::db::paletteColor(1));
    EXPECT_EQ(shapes[2].color, shapes[1].color);
}

TEST(tessellation, layers_off_and_frozen_hide_their_entities)
{
    Drawing d;
    Access::setLayer(d.db, L"Off", {1, -1, true, false});
    Access::setLayer(d.db, L"Frozen", {1, -1, false, true});
    Access::setLayer(d.db, L"On", {1, -1, false, false});
    for (const wchar_t* layer : {L"off", L"Frozen", L"On", L"Unknown"})
        d.add(std::make_unique<AcDbPoint>(AcGePoint3d{})).setAppearance(layer, 256, -1);
    EXPECT_EQ(d.shapes().size(), 2u);
}

// Entities one after another on layers and linetypes that alternate: each is drawn
// with its own layer's state and colour and its own dashes, never those of the entity
// before it.
TEST(tessellation, neighbours_keep_their_own_layer_and_linetype)
{
    Drawing d;
    Access::setLayer(d.db, L"Red", {1, -1, false, false});
    Access::setLayer(d.db, L"Green", {3, -1, false, false});
    Access::setLayer(d.db, L"Off", {5, -1, true, false});
    AcDbLinetypeTable& linetypes = Access::linetypes(d.db);
    linetypes.patterns[L"DASHED"] = {1.0, -1.0};
    linetypes.patterns[L"DOTTED"] = {0.0, -2.0};
    linetypes.layerLinetypes[L"RED"] = L"DASHED";
    struct Row {
        const wchar_t* layer;
        const wchar_t* linetype;
        std::size_t shapes;  // 1: solid; 0: hidden
        std::uint32_t rgb;
    };
    // A line 10 long: DASHED gives 5 dashes, DOTTED 6 dots (at both ends too).
    const Row rows[] = {
        {L"Red", L"", 5, 0xFF0000},          // the layer's linetype
        {L"Green", L"", 1, 0x00FF00},        // same linetype name, another layer: solid
        {L"Red", L"ByLayer", 5, 0xFF0000},   // back to the dashed layer
        {L"Red", L"DOTTED", 6, 0xFF0000},    // same layer, its own linetype
        {L"Red", L"dotted", 6, 0xFF0000},    // names ignore case
        {L"Off", L"DASHED", 0, 0},           // a layer that is off
        {L"Green", L"DASHED", 5, 0x00FF00},  // same linetype as the hidden one before
        {L"Green", L"Continuous", 1, 0x00FF00},
        {L"red", L"", 5, 0xFF0000},          // the layer's name in another case
    };
    for (const Row& row : rows) {
        auto& line = d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 0, 0}, AcGePoint3d{10, 0, 0}));
        line.setAppearance(row.layer, 256, -1);
        AcDbEntityStyle style;
        style.linetype = row.linetype;
        line.setStyle(style);
    }
    std::vector<std::size_t> source;
    const std::vector<DisplayShape> shapes = plotwright::db::tessellateModelSpace(d.db, {1e-4}, &source);
    ASSERT_EQ(source.size(), shapes.size());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const std::size_t count = static_cast<std::size_t>(std::count(source.begin(), source.end(), i));
        EXPECT_EQ(count, rows[i].shapes);
        for (std::size_t k = 0; k < shapes.size(); ++k) {
            if (source[k] == i) {
                EXPECT_EQ(shapes[k].color.rgb, rows[i].rgb);
            }
        }
    }
}

TEST(tessellation, extents_of_what_is_drawn)
{
    Drawing d;
    auto& arc = d.add(std::make_unique<AcDbArc>(AcGePoint3d{0, 0, 4}, 2.0, 0.0, kPi / 2, AcGeVector3d{0, 0, 1}));
    auto& xline = d.add(std::make_unique<AcDbXline>(AcGePoint3d{100, 100, 0}, AcGeVector3d{1, 0, 0}, false));
    plotwright::db::Extents3d x;
    plotwright::db::addExtents(d.db, arc, x);
    plotwright::db::addExtents(d.db, xline, x);  // endless: no extents
    EXPECT_FALSE(x.empty);
    EXPECT_NEAR(x.minX, 0, 1e-12);
    EXPECT_NEAR(x.maxX, 2, 1e-12);
    EXPECT_NEAR(x.minY, 0, 1e-12);
    EXPECT_NEAR(x.maxY, 2, 1e-12);
    EXPECT_EQ(x.minZ, 4);
    EXPECT_EQ(x.maxZ, 4);
}

TEST(text_codes, multi_line_text_formatting)
{
    const struct {
        const wchar_t* contents;
        std::vector<std::wstring> lines;
    } rows[] = {
        {L"plain", {L"plain"}},
        {L"one\\Ptwo\\Pthree", {L"one", L"two", L"three"}},
        {L"{\\H0.5x;small} {\\C3;green}", {L"small green"}},
        {L"\\A1;\\W0.8;\\T1.1;\\Q15;slanted", {L"slanted"}},
        {L"\\Lunder\\l \\Oover\\o \\Kstrike\\k", {L"under over strike"}},
        {L"\\\\ \\{ \\}", {L"\\ { }"}},
        {L"\\S3#4; \\S1/2;", {L"3/4 1/2"}},
        {L"unfinished \\H2", {L"unfinished "}},
        {L"line\nbreak", {L"line", L"break"}},
        {L"caret^Jbreak^Itab^M", {L"caret", L"break tab"}},
        {L"a lone ^ stays^", {L"a lone ^ stays^"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.contents)));
        EXPECT_EQ(plotwright::db::detail::mtextLines(row.contents), row.lines);
    }
}

TEST(text_codes, single_line_text_specials)
{
    const struct {
        const wchar_t* text;
        const wchar_t* shown;
    } rows[] = {
        {L"45%%d", L"45\u00B0"},
        {L"%%c20 %%p0.1", L"\u230020 \u00B10.1"},
        {L"%%uunder%%u %%Oover%%o", L"under over"},
        {L"%%065%%0669", L"AB9"},
        {L"100%%% and 5%", L"100% and 5%"},
        {L"ends in %%", L"ends in %%"},
        {L"x^ 2^Iy^a", L"x^2\ty!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.text)));
        EXPECT_EQ(plotwright::db::detail::plainText(row.text), row.shown);
    }
}

TEST(svg_picture, shows_every_kind_with_text_escaped)
{
    Drawing d;
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 0, 0}, AcGePoint3d{10, 0, 0}));
    AcDbTextProps t;
    t.text = L"a<b & \"Größe\"";
    t.height = 1;
    d.add(std::make_unique<AcDbText>(t));
    std::vector<AcDbHatchLoop> loops(1);
    loops[0].isPolyline = true;
    loops[0].points = {{0, 0}, {1, 0}, {1, 1}};
    d.add(std::make_unique<AcDbHatch>(loops, true, 0.0, AcGeVector3d::kZAxis()));
    d.add(std::make_unique<AcDbXline>(AcGePoint3d{5, 0.5, 0}, AcGeVector3d{0, 1, 0}, true));
    const std::string svg = plotwright::db::svgPicture(d.db);
    EXPECT_NE(svg.find(">a&lt;b &amp; &quot;Gr\xC3\xB6\xC3\x9F" "e&quot;</text>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("<path fill-rule=\"evenodd\""), std::string::npos);
    // The text counts with its box (13 characters of 0.8: 10.4 units wide, a quarter of
    // its height below the baseline): 1000 / 10.4 pixels a unit, 20 of margin. The ray
    // runs from (5,0.5) up to the picture's top edge.
    EXPECT_NE(svg.find("points=\"500.77,68.08 500.77,0.00\""), std::string::npos) << svg;
}

TEST(svg_picture, an_area_is_shown_instead_of_the_extents)
{
    Drawing d;
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{0, 0, 0}, AcGePoint3d{10, 10, 0}));
    d.add(std::make_unique<AcDbLine>(AcGePoint3d{100, 100, 0}, AcGePoint3d{110, 100, 0}));
    plotwright::db::SvgOptions options;
    options.width = 200;
    options.height = 200;
    options.hasArea = true;
    options.areaMaxX = options.areaMaxY = 10;
    const std::string svg = plotwright::db::svgPicture(d.db, options);
    // 16 pixels a unit inside the margin of 20, y up: the area's corners are the frame's.
    EXPECT_NE(svg.find("points=\"20.00,180.00 180.00,20.00\""), std::string::npos) << svg;
    // The far line lies beyond the picture's edge.
    EXPECT_NE(svg.find("points=\"1620.00,-1420.00 1780.00,-1420.00\""), std::string::npos) << svg;
}

} // namespace

// Straight wide segments meet in a mitre: their sides carried on to where they cross.
// Each row is a polyline of width 2; the shapes are the bands' corners in order.
TEST(tessellation, wide_polylines_meet_in_mitres)
{
    using Points = std::vector<DisplayPoint>;
    struct Row {
        const char* name;
        std::vector<std::pair<AcGePoint2d, double>> vertices;  // with bulges
        bool closed;
        std::vector<Points> bands;
    };
    const Row rows[] = {
        {"a right angle", {{{0, 0}, 0}, {{10, 0}, 0}, {{10, 10}, 0}}, false,
         {{{0, 1}, {9, 1}, {11, -1}, {0, -1}}, {{9, 1}, {9, 10}, {11, 10}, {11, -1}}}},
        {"straight on: nothing changes", {{{0, 0}, 0}, {{5, 0}, 0}, {{10, 0}, 0}}, false,
         {{{0, 1}, {5, 1}, {5, -1}, {0, -1}}, {{5, 1}, {10, 1}, {10, -1}, {5, -1}}}},
        // Turning back almost on itself, the sides would cross far out: square ends.
        {"a hairpin keeps square ends", {{{0, 0}, 0}, {{10, 0}, 0}, {{0, 0.01}, 0}}, false,
         {{{0, 1}, {10, 1}, {10, -1}, {0, -1}}}},
        {"closed: the last vertex joins the first", {{{0, 0}, 0}, {{10, 0}, 0}, {{10, 10}, 0}, {{0, 10}, 0}}, true,
         {{{1, 1}, {9, 1}, {11, -1}, {-1, -1}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Drawing d;
        auto pl = std::make_unique<AcDbPolyline>();
        for (unsigned i = 0; i < row.vertices.size(); ++i)
            pl->addVertexAt(i, row.vertices[i].first, row.vertices[i].second);
        pl->setClosed(row.closed);
        pl->setConstantWidth(2);
        d.add(std::move(pl));
        const std::vector<DisplayShape> shapes = d.shapes();
        ASSERT_GE(shapes.size(), row.bands.size());
        for (std::size_t b = 0; b < row.bands.size(); ++b) {
            SCOPED_TRACE(b);
            ASSERT_EQ(shapes[b].points.size(), row.bands[b].size());
            for (std::size_t k = 0; k < row.bands[b].size(); ++k) {
                EXPECT_NEAR(shapes[b].points[k].x, row.bands[b][k].x, 1e-9);
                EXPECT_NEAR(shapes[b].points[k].y, row.bands[b][k].y, 1e-9);
            }
        }
    }
}
