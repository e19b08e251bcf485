// The core API as a program uses it: curves as values, shaped with results that say
// what went wrong and where, drawings opened, added to, listed, redrawn and saved.
#include "plotwright/drawing.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace {

using namespace plotwright;

// A fresh folder for one test, removed afterwards.
class Folder {
public:
    Folder()
    {
        char name[] = "/tmp/plotwright-core-XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~Folder() { std::filesystem::remove_all(path_); }
    std::filesystem::path file(const char* name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

CurveDefinition builtIn(const wchar_t* name)
{
    const Library library = builtInLibrary();
    const CurveDefinition* found = library.find(name);
    EXPECT_NE(found, nullptr);
    return found ? *found : CurveDefinition{};
}

CurveDefinition explicitCurve(const wchar_t* y, double min = 0, double max = 1, double step = 0.25)
{
    CurveDefinition curve;
    curve.kind = CurveKind::explicitCartesian;
    curve.expressionY = y;
    curve.createdBy = 2;
    curve.parameters.push_back({.name = L"x", .role = ParameterRole::runningVariable, .minValue = min,
                                .maxValue = max, .increment = step});
    return curve;
}

TEST(CoreShape, shape_failures_give_status_and_position)
{
    struct Row {
        const char* name;
        CurveDefinition curve;
        Status status;
        char expression;
        int character;
    };
    CurveDefinition outOfBounds = explicitCurve(L"k*x");
    outOfBounds.parameters.push_back({.name = L"k", .role = ParameterRole::constant, .value = 5, .min = 0, .max = 1});
    CurveDefinition unknownKind = explicitCurve(L"x");
    unknownKind.kind = static_cast<CurveKind>(7);
    CurveDefinition parametric = builtIn(L"Cycloid");
    parametric.expressionX = L"a*(t-sin(t)";
    const Row rows[] = {
        {"fine", explicitCurve(L"x^2"), Status::ok, 0, -1},
        {"unknown name in y", explicitCurve(L"x+pi"), Status::errorInEquation, 'Y', 2},
        {"bracket left open in x", parametric, Status::errorInEquation, 'X', -2},
        {"constant out of bounds", outOfBounds, Status::invalidParameters, 0, -1},
        {"too many samples", explicitCurve(L"x", 0, 1e12, 1e-3), Status::tooManySamples, 0, -1},
        {"unknown kind", unknownKind, Status::errorInEquation, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Shape shaped = shape(row.curve);
        EXPECT_EQ(shaped.result.status, row.status);
        EXPECT_EQ(shaped.result.where.expression, row.expression);
        if (row.character != -2)
            EXPECT_EQ(shaped.result.where.character, row.character);
        else
            EXPECT_GE(shaped.result.where.character, 0);
        EXPECT_EQ(shaped.result.ok(), row.status == Status::ok);
        EXPECT_EQ(shaped.result.message.empty(), row.status == Status::ok);
    }
    EXPECT_EQ(shape(outOfBounds).result.message, L"k = 5 is above its upper bound 1");
}

TEST(CoreShape, output_kinds_give_their_pieces)
{
    struct Row {
        OutputKind output;
        bool bulges;
        bool spline;
    } rows[] = {{OutputKind::polyline, false, false}, {OutputKind::arcs, true, false}, {OutputKind::spline, false, true}};
    for (const Row& row : rows) {
        CurveDefinition curve = builtIn(L"Epicycloid");
        curve.options.output = row.output;
        const Shape shaped = shape(curve, {.origin = {100, 50, 3}});
        ASSERT_TRUE(shaped.result.ok());
        ASSERT_EQ(shaped.pieces.size(), 1u);
        EXPECT_EQ(!shaped.pieces[0].bulges.empty(), row.bulges);
        EXPECT_EQ(shaped.pieces[0].isSpline(), row.spline);
        EXPECT_EQ(shaped.origin, (Point{100, 50, 3}));
        EXPECT_EQ(shaped.tolerance > 0, row.output != OutputKind::polyline);
    }
}

TEST(CoreCurve, constants_and_range_change_only_what_exists)
{
    CurveDefinition curve = builtIn(L"Epicycloid");
    EXPECT_TRUE(curve.setConstant(L"b", 2.5));
    EXPECT_EQ(curve.parameter(L"b")->value, 2.5);
    EXPECT_FALSE(curve.setConstant(L"q", 1));
    EXPECT_FALSE(curve.setConstant(L"fi", 1)) << "the running variable is no constant";
    EXPECT_TRUE(curve.setRange(0, 1, 0.5));
    const Samples sampled = sample(curve);
    EXPECT_EQ(sampled.points.size(), 3u);
    CurveDefinition constant;
    EXPECT_FALSE(constant.setRange(0, 1, 0.5));
}

TEST(CoreCurve, library_reads_give_curves_or_reason_with_place)
{
    struct Row {
        const char* name;
        const char* bytes;  // null: no file
        Status status;
        std::size_t curves;
        const wchar_t* message;  // after "\"PATH\": "
        const wchar_t* warning;  // after "PATH is not well-formed ("
        long line;
        std::int64_t offset;
    };
    const Row rows[] = {
        {"missing file", nullptr, Status::fileError, 0, L"No such file or directory", L"", -1, -1},
        {"not a library", "<Curves/>", Status::fileError, 0, L"not a curve library (no EquationList element)", L"",
         -1, -1},
        {"read as far as possible", "<EquationList>\n<Equation name=\"a\"/>\n  </x></EquationList>", Status::ok, 1,
         L"", L"No start tag for end tag 'x' at offset 38); read as far as possible", 3, 38},
    };
    Folder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::filesystem::path file = folder.file(row.name);
        if (row.bytes)
            std::ofstream(file, std::ios::binary) << row.bytes;
        const Library library = readLibrary(file);
        const std::wstring path = file.wstring();
        EXPECT_EQ(library.result.status, row.status);
        // The missing file's reason is the system's own, in the user's language.
        const std::string missing = std::generic_category().message(ENOENT);
        const std::wstring message = row.bytes ? row.message : std::wstring(missing.begin(), missing.end());
        EXPECT_EQ(library.result.message, *row.message ? L"\"" + path + L"\": " + message : L"");
        EXPECT_EQ(library.warning, *row.warning ? path + L" is not well-formed (" + row.warning : L"");
        EXPECT_EQ(library.result.notice, library.warning);
        EXPECT_EQ(library.curves.size(), row.curves);
        EXPECT_EQ(library.result.where.file, file);
        EXPECT_EQ(library.result.where.line, row.line);
        EXPECT_EQ(library.result.where.offset, row.offset);
    }
}

TEST(CoreDrawing, add_save_open_list_redraw)
{
    Folder folder;
    const auto path = folder.file("new.dxf");
    CurveDefinition curve = builtIn(L"Deltoid");
    std::vector<std::string> handles;
    {
        Drawing drawing;
        const Shape shaped = shape(curve, {.origin = {10, 20, 0}});
        const Placed placed = drawing.add(curve, shaped, {.layer = L"Curves", .colorIndex = 3});
        ASSERT_TRUE(placed.result.ok());
        ASSERT_EQ(placed.handles.size(), 1u);
        handles = placed.handles;
        ASSERT_TRUE(drawing.saveAs(path, {.onlyIfAbsent = true}).ok());
        EXPECT_EQ(drawing.path(), path);
        // A second new drawing may not take the file.
        Drawing other;
        const Result refused = other.saveAs(path, {.onlyIfAbsent = true});
        EXPECT_EQ(refused.status, Status::writeFailed);
        EXPECT_EQ(refused.where.file, path);
    }
    Drawing drawing;
    ASSERT_TRUE(drawing.open(path).ok());
    const std::vector<DrawnCurve> curves = drawing.curves();
    ASSERT_EQ(curves.size(), 1u);
    const DrawnCurve& drawn = curves[0];
    EXPECT_EQ(drawn.handles, handles);
    EXPECT_EQ(drawn.origin, (Point{10, 20, 0}));
    EXPECT_EQ(drawn.change, CurveChange::unchanged);
    EXPECT_EQ(drawn.definition.expressionY, curve.expressionY);
    EXPECT_EQ(drawn.definition.parameters.size(), curve.parameters.size());
    ASSERT_TRUE(drawing.findCurve(drawn.id));
    ASSERT_TRUE(drawing.findCurve(handles[0]));
    EXPECT_FALSE(drawing.findCurve("FFFF"));

    CurveDefinition changed = drawn.definition;
    ASSERT_TRUE(changed.setConstant(L"b", 6));
    const Placed redrawn = drawing.redraw(drawn, changed, shape(changed, {.origin = drawn.origin}));
    ASSERT_TRUE(redrawn.result.ok());
    ASSERT_TRUE(drawing.save().ok());

    Drawing again;
    ASSERT_TRUE(again.open(path, {.forUpdate = false}).ok());
    const std::vector<DrawnCurve> after = again.curves();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].id, drawn.id) << "a redraw keeps the curve id";
    EXPECT_EQ(after[0].handles, redrawn.handles);
    EXPECT_EQ(after[0].definition.parameter(L"b")->value, 6);
}

// A shape whose pieces are taken over is drawn exactly as a shape that is copied; only
// its pieces are gone afterwards, its counts stay for the caller's messages.
TEST(CoreDrawing, a_shape_taken_over_draws_as_one_copied)
{
    struct Row {
        const char* name;
        CurveDefinition curve;
        OutputKind output;
        std::size_t pieces;
    };
    const Row rows[] = {
        {"polyline", builtIn(L"Epicycloid"), OutputKind::polyline, 1},
        {"arcs", builtIn(L"Epicycloid"), OutputKind::arcs, 1},
        {"spline", builtIn(L"Epicycloid"), OutputKind::spline, 1},
        {"broken where not finite", explicitCurve(L"1/(x-2)", 0, 4, 0.5), OutputKind::polyline, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CurveDefinition curve = row.curve;
        curve.options.output = row.output;
        Drawing copied, taken;
        const Shape once = shape(curve, {.origin = {5, -2, 0}});
        const Placed placedCopy = copied.add(curve, once, {.layer = L"Curves", .colorIndex = 4});
        Shape shaped = once;
        const Placed placedTaken = taken.add(curve, std::move(shaped), {.layer = L"Curves", .colorIndex = 4});
        ASSERT_TRUE(placedTaken.result.ok());
        EXPECT_EQ(placedTaken.handles.size(), row.pieces);
        EXPECT_EQ(placedTaken.handles, placedCopy.handles);
        EXPECT_EQ(taken.svgPicture(), copied.svgPicture());
        EXPECT_TRUE(shaped.pieces.empty());
        EXPECT_EQ(shaped.sampleCount, once.sampleCount);
        EXPECT_EQ(shaped.nonFiniteCount, once.nonFiniteCount);
        EXPECT_EQ(once.pieces.size(), row.pieces) << "the copied shape keeps its pieces";
        const std::vector<DrawnCurve> curves = taken.curves();
        ASSERT_EQ(curves.size(), 1u);
        EXPECT_EQ(curves[0].change, CurveChange::unchanged) << "the fingerprint is the geometry's";
        EXPECT_EQ(curves[0].origin, (Point{5, -2, 0}));
    }
}

TEST(CoreDrawing, failures_leave_the_drawing_as_it_was)
{
    Folder folder;
    struct Row {
        const char* name;
        std::filesystem::path file;
        const char* bytes;  // written to `file` first, unless null
        Status status;
        long line = -1;     // the fault's line and the byte offset where it starts
        std::int64_t offset = -1;
    } rows[] = {
        {"missing file", folder.file("missing.dxf"), nullptr, Status::fileError},
        {"a folder", folder.file(""), nullptr, Status::fileError},
        {"empty file", folder.file("empty.dxf"), "", Status::notDrawing},
        {"a letter", folder.file("letter.dxf"), "Dear reader,\nthis is a letter.\n", Status::notDrawing},
        {"text for a group code", folder.file("damaged.dxf"), "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\nten\n1\n",
         Status::damagedDrawing, 7, 35},
        {"cut short", folder.file("cut.dxf"), "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  8\n0\n",
         Status::damagedDrawing, 9, 41},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.bytes)
            std::ofstream(row.file, std::ios::binary) << row.bytes;
        Drawing drawing;
        const Result opened = drawing.open(row.file);
        EXPECT_EQ(opened.status, row.status);
        EXPECT_EQ(opened.where.file, row.file);
        EXPECT_EQ(opened.where.line, row.line);
        EXPECT_EQ(opened.where.offset, row.offset);
        EXPECT_FALSE(opened.message.empty());
        EXPECT_TRUE(drawing.path().empty());
    }
    Drawing drawing;
    EXPECT_EQ(drawing.save().status, Status::fileError) << "no file yet";

    // A redraw whose shape failed changes nothing.
    CurveDefinition curve = builtIn(L"Cycloid");
    ASSERT_TRUE(drawing.add(curve, shape(curve)).result.ok());
    const DrawnCurve drawn = drawing.curves().at(0);
    CurveDefinition broken = curve;
    broken.expressionY = L"a*(1-cos(t)";
    const Placed refused = drawing.redraw(drawn, broken, shape(broken));
    EXPECT_EQ(refused.result.status, Status::errorInEquation);
    EXPECT_EQ(drawing.curves().at(0).handles, drawn.handles);
}

} // namespace
