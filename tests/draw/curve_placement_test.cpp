// The draw flow and the placement of sampled points as polylines in model space.
#include "draw/place_curve.h"

#include "core/curve_data.h"
#include "db/database.h"
#include "db/entities.h"
#include "support/failure_injection.h"
#include "db/polyline.h"
#include "host/doc_manager.h"
#include "host/editor.h"
#include "host/editor_command.h"
#include "support/recording_backend.h"
#include "model/equation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <limits>
#include <memory>
#include <vector>

using plotwright::host::RecordingBackend;
using Kind = RecordingBackend::Kind;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Stands in for the dialog: hands the bracket to the back-end, as the dialog base does,
// so the recorded calls show it in order with the rest of the flow.
class RecordingDialog : public plotwright::host::EditorCommandBracket {
public:
    void BeginEditorCommand() override { plotwright::host::backend().beginEditorCommand(); }
    void CompleteEditorCommand(bool restoreDialog) override
    {
        restored.push_back(restoreDialog);
        plotwright::host::backend().completeEditorCommand();
    }
    std::vector<bool> restored;
};

struct Polyline {
    std::vector<AcGePoint2d> points;
    double elevation;
    bool closed;
    bool bulges;
    AcDbHandle handle;
};

CEquation explicitCurve(const std::wstring& expression, double from, double to, double step)
{
    CEquation equation;
    equation.SetType(ExplicitCartesian);
    equation.SetEquationY(expression);
    equation.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"x", .type = RunningVariable, .increment = step, .minValue = from, .maxValue = to}));
    return equation;
}

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override { document_ = acDocManagerPtr()->newDocument(); }
    void TearDown() override { acDocManagerPtr()->closeDocument(document_); }

    AcDbDatabase& database() { return *document_->database(); }

    std::vector<Polyline> polylines()
    {
        std::vector<Polyline> out;
        database().forEachEntity([&](const AcDbEntity& entity) {
            const auto* p = dynamic_cast<const AcDbPolyline*>(&entity);
            if (!p)
                return;
            out.push_back({std::vector<AcGePoint2d>(p->points().begin(), p->points().end()), p->elevation(),
                           p->isClosed(), p->hasBulges(), p->handle()});
        });
        return out;
    }

    RecordingBackend recorder_;
    plotwright::host::ScopedBackend installed_{recorder_};
    RecordingDialog dialog_;
    AcApDocument* document_ = nullptr;
};

TEST_F(PlacementTest, draw_flow_call_order)
{
    CEquation curve = explicitCurve(L"x^2", 0, 2, 1);
    recorder_.scriptPoint(10, 20, 5);
    DrawCurveFlow(dialog_, curve);

    const std::vector<Kind> expected{Kind::BeginEditorCommand, Kind::GetPoint,    Kind::BeginWaitCursor,
                                     Kind::ProgressMeter,      Kind::ProgressPos, Kind::ProgressPos,
                                     Kind::ProgressPos,        Kind::RestoreStatusBar, Kind::EndWaitCursor,
                                     Kind::CompleteEditorCommand, Kind::FlushGraphics, Kind::UpdateDisplay,
                                     Kind::Redraw};
    EXPECT_EQ(recorder_.kinds(), expected);
    EXPECT_EQ(recorder_.calls[1].text, L"\nPick curve origin point:");
    EXPECT_EQ(recorder_.calls.back().a, 4);
    EXPECT_EQ(dialog_.restored, std::vector<bool>{true});
    EXPECT_TRUE(recorder_.messages().empty());
    EXPECT_EQ(database().numOpenObjects(), 0);

    auto drawn = polylines();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].points, (std::vector<AcGePoint2d>{{10, 20}, {11, 21}, {12, 24}}));
}

TEST_F(PlacementTest, draw_flow_cancelled_pick_draws_nothing)
{
    CEquation curve = explicitCurve(L"x", 0, 1, 1);
    recorder_.scriptCancel();
    DrawCurveFlow(dialog_, curve);

    const std::vector<Kind> expected{Kind::BeginEditorCommand, Kind::GetPoint, Kind::CompleteEditorCommand,
                                     Kind::FlushGraphics, Kind::UpdateDisplay, Kind::Redraw};
    EXPECT_EQ(recorder_.kinds(), expected);
    EXPECT_TRUE(polylines().empty());
    EXPECT_FALSE(database().isModified());
}

// After the origin, the rotation by a typed angle, a picked point or Enter; Escape there
// draws nothing. The curve y = 0 over 1 .. 2 is drawn at (10, 20).
TEST_F(PlacementTest, draw_flow_asks_for_the_rotation_after_the_origin)
{
    enum class Answer { Typed, Picked, Enter, OnTheOrigin, Cancel };
    struct Row {
        const char* name;
        Answer answer;
        double value;  // typed degrees, or the picked point's direction in degrees
        double dialogRotation;
        const wchar_t* shown;  // the dialog's rotation in the prompt
        std::optional<double> drawnRotation;  // none: nothing drawn
    };
    const Row rows[] = {
        {"typed angle wins over the options' one", Answer::Typed, 30, 45, L"45", 30},
        {"typed negative angle", Answer::Typed, -90, 0, L"0", -90},
        {"picked point gives the direction from the origin", Answer::Picked, 90, 0, L"0", 90},
        {"picked point down and to the left", Answer::Picked, -135, 10, L"10", -135},
        {"Enter keeps the options' rotation", Answer::Enter, 0, 45, L"45", 45},
        {"a point on the origin gives no direction: kept", Answer::OnTheOrigin, 0, 12.5, L"12.5", 12.5},
        {"Escape draws nothing", Answer::Cancel, 0, 0, L"0", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TearDown();
        SetUp();
        recorder_.clear();
        CEquation curve = explicitCurve(L"0", 1, 2, 1);
        plotwright::curve::CurveOptions options;
        options.rotation = row.dialogRotation;
        recorder_.scriptPoint(10, 20);
        const double radians = row.value * std::numbers::pi / 180;
        switch (row.answer) {
        case Answer::Typed: recorder_.scriptNumber(row.value); break;
        case Answer::Picked: recorder_.scriptPoint(10 + 3 * std::cos(radians), 20 + 3 * std::sin(radians)); break;
        case Answer::Enter: recorder_.scriptEnter(); break;
        case Answer::OnTheOrigin: recorder_.scriptPoint(10, 20); break;
        case Answer::Cancel: recorder_.scriptCancel(); break;
        }
        DrawOutcome outcome;
        DrawCurveFlow(dialog_, curve, outcome, options, PickSteps{.rotationByPoint = true});

        ASSERT_GE(recorder_.calls.size(), 3u);
        EXPECT_EQ(recorder_.calls[1].text, L"\nPick curve origin point:");
        EXPECT_EQ(recorder_.calls[2].kind, Kind::GetPoint);
        EXPECT_EQ(recorder_.calls[2].text, L"\nRotation angle <" + std::wstring(row.shown) + L">, or pick a point:");
        EXPECT_EQ(dialog_.restored.back(), true);
        const auto drawn = polylines();
        if (!row.drawnRotation) {
            EXPECT_TRUE(drawn.empty());
            EXPECT_TRUE(outcome.newIds.empty());
            continue;
        }
        ASSERT_EQ(drawn.size(), 1u);
        const double turn = *row.drawnRotation * std::numbers::pi / 180;
        ASSERT_EQ(drawn[0].points.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            EXPECT_NEAR(drawn[0].points[i].x, 10 + (i + 1) * std::cos(turn), 1e-9);
            EXPECT_NEAR(drawn[0].points[i].y, 20 + (i + 1) * std::sin(turn), 1e-9);
        }
        // The definition keeps the angle used, so that a redraw draws it again.
        std::optional<plotwright::curve::CurveDefinition> definition;
        database().forEachEntity([&](const AcDbEntity& e) { definition = plotwright::core::curveDefinitionOf(e); });
        ASSERT_TRUE(definition);
        EXPECT_NEAR(definition->options.rotation, *row.drawnRotation, 1e-9);
    }
}

TEST_F(PlacementTest, draw_flow_places_offset_vertices)
{
    struct Row {
        const char* name;
        CEquation curve;
        std::vector<AcGePoint2d> expected;
    };
    // Bounds on the running variable let a range of one value through validation.
    CEquation oneSample;
    oneSample.SetType(ExplicitCartesian);
    oneSample.SetEquationY(L"x");
    oneSample.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"x", .type = RunningVariable, .increment = 1, .minSet = 0, .maxSet = 10, .minValue = 5, .maxValue = 5}));

    std::vector<Row> rows;
    rows.push_back({"origin z ignored, offsets x and y", explicitCurve(L"x", 0, 1, 1), {{5, 7}, {6, 8}}});
    rows.push_back({"a curve of one sample is one vertex", oneSample, {{10, 12}}});
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = polylines().size();
        recorder_.scriptPoint(5, 7, 3);
        DrawCurveFlow(dialog_, row.curve);
        auto drawn = polylines();
        ASSERT_EQ(drawn.size(), before + 1);
        EXPECT_EQ(drawn.back().points, row.expected);
        EXPECT_EQ(drawn.back().elevation, 0.0);
        EXPECT_FALSE(drawn.back().closed);
        EXPECT_FALSE(drawn.back().bulges);
    }
}

TEST_F(PlacementTest, draw_flow_twice_adds_two_polylines)
{
    CEquation curve = explicitCurve(L"x", 0, 1, 1);
    recorder_.scriptPoint(0, 0);
    recorder_.scriptPoint(0, 0);
    DrawOutcome first, second;
    DrawCurveFlow(dialog_, curve, first);
    DrawCurveFlow(dialog_, curve, second);

    auto drawn = polylines();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].points, drawn[1].points);
    ASSERT_EQ(first.newIds.size(), 1u);
    ASSERT_EQ(second.newIds.size(), 1u);
    EXPECT_EQ(first.newIds[0].handle(), drawn[0].handle);
    EXPECT_EQ(second.newIds[0].handle(), drawn[1].handle);
    EXPECT_NE(drawn[0].handle, drawn[1].handle);
}

// Points that are not finite cannot be stored: the curve is broken there into runs.
TEST_F(PlacementTest, draw_flow_breaks_curve_at_non_finite_points)
{
    struct Row {
        const char* name;
        const wchar_t* expression;
        std::vector<std::vector<AcGePoint2d>> expected;
        std::size_t nonFinite;
    } rows[] = {
        {"1/x: infinity at 0 splits in two", L"1/x", {{{-1, -1}, {-0.5, -2}}, {{0.5, 2}, {1, 1}}}, 1},
        {"sqrt(x): NaN below 0 is left out", L"sqrt(x)", {{{0, 0}, {0.5, std::sqrt(0.5)}, {1, 1}}}, 2},
        {"a lone finite point is a one-vertex polyline", L"sqrt(-x*x)", {{{0, 0}}}, 4},
        {"no finite point adds nothing", L"sqrt(-1)", {}, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        acDocManagerPtr()->closeDocument(document_);
        document_ = acDocManagerPtr()->newDocument();
        recorder_.clear();

        CEquation curve = explicitCurve(row.expression, -1, 1, 0.5);
        recorder_.scriptPoint(0, 0);
        DrawOutcome outcome;
        DrawCurveFlow(dialog_, curve, outcome);

        auto drawn = polylines();
        ASSERT_EQ(drawn.size(), row.expected.size());
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            EXPECT_EQ(drawn[i].points, row.expected[i]) << "polyline " << i;
            EXPECT_EQ(outcome.newIds[i].handle(), drawn[i].handle);
        }
        EXPECT_EQ(outcome.sampleCount, 5u);
        EXPECT_EQ(outcome.nonFiniteCount, row.nonFinite);
        EXPECT_TRUE(recorder_.messages().empty());
        EXPECT_EQ(database().numOpenObjects(), 0);
    }
}

TEST_F(PlacementTest, place_polylines_contract)
{
    const CurvePoints whole{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    const CurvePoints broken{{0, 0, 0}, {kInf, 0, 0}, {1, 1, 0}, {2, kNaN, 0}, {-kInf, kNaN, 0}};
    {
        SCOPED_TRACE("closed and elevation kept for a whole curve");
        AcDbObjectId id = PlaceCurvePolyline(whole, 2.5, true);
        auto drawn = polylines();
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(id.handle(), drawn[0].handle);
        EXPECT_TRUE(drawn[0].closed);
        EXPECT_EQ(drawn[0].elevation, 2.5);
    }
    {
        SCOPED_TRACE("a broken curve is never closed; the first id is returned");
        AcDbObjectId id = PlaceCurvePolyline(broken, 0, true);
        auto drawn = polylines();
        ASSERT_EQ(drawn.size(), 3u);
        EXPECT_EQ(id.handle(), drawn[1].handle);
        EXPECT_EQ(drawn[1].points, (std::vector<AcGePoint2d>{{0, 0}}));
        EXPECT_EQ(drawn[2].points, (std::vector<AcGePoint2d>{{1, 1}}));
        EXPECT_FALSE(drawn[1].closed || drawn[2].closed);
    }
    {
        SCOPED_TRACE("nothing to place gives the null id");
        EXPECT_TRUE(PlaceCurvePolyline({}, 0, false).isNull());
        EXPECT_TRUE(PlaceCurvePolyline({{kNaN, 0, 0}}, 0, false).isNull());
        EXPECT_TRUE(PlaceCurvePolyline(whole, kNaN, false).isNull());
        EXPECT_EQ(polylines().size(), 3u);
    }
}

// Each refusal of the database: nothing added, nothing left open, no message, and the
// status of the step that failed.
TEST_F(PlacementTest, place_polyline_database_refusals)
{
    struct Row {
        const char* name;
        Acad::ErrorStatus plotwright::testing::FailureInjection::*step;
        Acad::ErrorStatus status;
    } rows[] = {
        {"block table unavailable", &plotwright::testing::FailureInjection::getSymbolTable, Acad::eWasOpenedForWrite},
        {"model space unavailable", &plotwright::testing::FailureInjection::getAt, Acad::eKeyNotFound},
        {"append refused", &plotwright::testing::FailureInjection::appendAcDbEntity, Acad::eOutOfMemory},
    };
    const CurvePoints points{{0, 0, 0}, {1, 1, 0}};
    plotwright::testing::FailureInjection faults;
    database().setFaultHook(&faults);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        faults.*row.step = row.status;

        EXPECT_TRUE(PlaceCurvePolyline(points, 0, false).isNull());
        AcDbPolyline polyline;
        AcDbObjectId id;
        EXPECT_EQ(AppendToModelSpace(&polyline, id), row.status);
        EXPECT_TRUE(id.isNull());

        CEquation curve = explicitCurve(L"x", 0, 1, 1);
        recorder_.scriptPoint(0, 0);
        DrawOutcome outcome;
        DrawCurveFlow(dialog_, curve, outcome);
        EXPECT_TRUE(outcome.newIds.empty());

        EXPECT_TRUE(polylines().empty());
        EXPECT_EQ(database().numOpenObjects(), 0);
        EXPECT_TRUE(recorder_.messages().empty());
        faults.clear();
    }
    database().setFaultHook(nullptr);
    EXPECT_TRUE(PlaceCurvePolyline(points, 0, false).handle() != 0) << "placement works again";
}

TEST(PlacementWithoutDrawing, no_working_database_adds_nothing)
{
    AcDbDatabase* previous = acdbHostApplicationServices()->workingDatabase();
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    AcDbPolyline polyline;
    AcDbObjectId id;
    EXPECT_NE(AppendToModelSpace(&polyline, id), Acad::eOk);
    EXPECT_TRUE(PlaceCurvePolyline({{0, 0, 0}}, 0, false).isNull());
    acdbHostApplicationServices()->setWorkingDatabase(previous);
}

// The options reach the drawing: a closed circle of arcs, a spline, a curve broken at
// its pole; the outcome says which tolerance was used.
TEST_F(PlacementTest, draw_flow_options_shape_entities)
{
    CEquation circle;
    circle.SetType(ExplicitPolar);
    circle.SetEquationY(L"2");
    circle.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"t", .type = RunningVariable, .increment = 0.1, .minValue = 0, .maxValue = 6.28319}));

    plotwright::curve::CurveOptions arcs;
    arcs.output = plotwright::curve::CurveOutput::Arcs;
    recorder_.scriptPoint(1, 1);
    DrawOutcome outcome;
    DrawCurveFlow(dialog_, circle, outcome, arcs);
    EXPECT_TRUE(outcome.toleranceFromExtent);
    EXPECT_NEAR(outcome.tolerance, 1e-3 * std::hypot(4, 4), 1e-5) << "1/1000 of the sampled extent";
    auto drawn = polylines();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0].closed);
    EXPECT_TRUE(drawn[0].bulges);
    EXPECT_LE(drawn[0].points.size(), 8u) << "a circle needs a handful of arcs";
    for (const AcGePoint2d& p : drawn[0].points)
        EXPECT_NEAR(std::hypot(p.x - 1, p.y - 1), 2, outcome.tolerance);

    plotwright::curve::CurveOptions spline;
    spline.output = plotwright::curve::CurveOutput::Spline;
    spline.tolerance = 0.01;
    recorder_.scriptPoint(0, 0);
    DrawCurveFlow(dialog_, circle, outcome, spline);
    int splines = 0;
    database().forEachEntity([&](const AcDbEntity& entity) {
        if (const auto* s = dynamic_cast<const AcDbSpline*>(&entity)) {
            ++splines;
            EXPECT_EQ(s->degree(), 3);
            EXPECT_EQ(s->knots().size(), s->controlPoints().size() + 4);
            for (const AcGePoint3d& p : s->samplePoints(8))
                EXPECT_NEAR(std::hypot(p.x, p.y), 2, 0.01);
        }
    });
    EXPECT_EQ(splines, 1);

    plotwright::curve::CurveOptions adaptive;
    adaptive.tolerance = 0.001;
    recorder_.scriptPoint(0, 0);
    CEquation reciprocal = explicitCurve(L"1/x", -1, 1, 0.1);
    DrawCurveFlow(dialog_, reciprocal, outcome, adaptive);
    EXPECT_EQ(outcome.newIds.size(), 2u);
    EXPECT_EQ(outcome.nonFiniteCount, 0u) << "breaks are no lost points";
    EXPECT_TRUE(recorder_.messages().empty());
    EXPECT_EQ(database().numOpenObjects(), 0);
}

} // namespace

TEST_F(PlacementTest, draw_flow_shows_the_curve_during_the_pick_relative_to_the_point)
{
    CEquation curve = explicitCurve(L"x^2", 0, 2, 1);
    recorder_.scriptPoint(10, 20, 0);
    DrawCurveFlow(dialog_, curve);
    ASSERT_EQ(recorder_.previews.size(), 1u);
    EXPECT_EQ(recorder_.previews[0],
              (std::vector<plotwright::host::PreviewPoint>{{0, 0}, {1, 1}, {2, 4}}));
    EXPECT_EQ(recorder_.previewDuringPick, std::vector<bool>{true});
    EXPECT_EQ(recorder_.previewClears, 1);

    // A cancelled pick takes the preview away too.
    recorder_.clear();
    recorder_.scriptCancel();
    DrawCurveFlow(dialog_, curve);
    EXPECT_EQ(recorder_.previewDuringPick, std::vector<bool>{true});
    EXPECT_EQ(recorder_.previewClears, 1);
}

namespace {

// A helix of radius 2 and pitch 2π · 0.5 about the origin, one turn and a quarter.
CEquation helix()
{
    CEquation equation;
    equation.SetType(SpaceCurve);
    equation.SetEquationX(L"2*cos(t)");
    equation.SetEquationY(L"2*sin(t)");
    equation.SetEquationZ(L"0.5*t");
    equation.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"t", .type = RunningVariable, .increment = 0.05, .minValue = 0, .maxValue = 7.5}));
    return equation;
}

CEquation implicitCurve(const std::wstring& f, ImplicitWindow window)
{
    CEquation equation;
    equation.SetType(ImplicitCurve);
    equation.SetEquationY(f);
    equation.SetWindow(window);
    return equation;
}

} // namespace

// Space curves rise from the picked point's elevation as 3-D polylines or splines;
// implicit curves lie in the plane as the other kinds do, whatever the point's z.
TEST_F(PlacementTest, draw_flow_places_space_and_implicit_curves)
{
    struct Row {
        const char* name;
        CEquation equation;
        plotwright::curve::CurveOutput output;
        // Every point drawn (vertices, or points along the spline) against the true curve.
        double (*distance)(const AcGePoint3d&);
        double within;
    };
    const auto onHelix = [](const AcGePoint3d& p) {
        // Around (1, 2, 3): radius 2, and z follows the angle (unwrapped through z itself).
        const double angle = std::atan2(p.y - 2, p.x - 1);
        const double turns = std::round(((p.z - 3) / 0.5 - angle) / (2 * M_PI));
        return std::hypot(std::hypot(p.x - 1, p.y - 2) - 2, p.z - 3 - 0.5 * (angle + 2 * M_PI * turns));
    };
    const auto onCircle = [](const AcGePoint3d& p) { return std::abs(std::hypot(p.x - 1, p.y - 2) - 1.5) + std::abs(p.z); };
    const Row rows[] = {
        {"helix as a 3-D polyline", helix(), plotwright::curve::CurveOutput::Polyline, onHelix, 1e-9},
        {"helix as a 3-D spline", helix(), plotwright::curve::CurveOutput::Spline, onHelix, 0.01},
        {"implicit circle", implicitCurve(L"x^2+y^2-2.25", {-2, 2, -2, 2, 0, 0}),
         plotwright::curve::CurveOutput::Polyline, onCircle, 1e-3},
    };
    std::vector<AcDbObjectId> previous;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const AcDbObjectId& id : previous)
            database().eraseEntity(id, true);
        recorder_.clear();
        plotwright::curve::CurveOptions options;
        options.output = row.output;
        if (row.output == plotwright::curve::CurveOutput::Spline)
            options.tolerance = 0.001;
        CEquation equation = row.equation;
        recorder_.scriptPoint(1, 2, 3);
        DrawOutcome outcome;
        DrawCurveFlow(dialog_, equation, outcome, options);
        EXPECT_EQ(outcome.status, plotwright::curve::SampleStatus::Done);
        EXPECT_TRUE(recorder_.messages().empty());
        ASSERT_EQ(outcome.newIds.size(), 1u);
        previous = outcome.newIds;

        std::vector<AcGePoint3d> drawn;
        bool closed = false;
        database().forEachEntity([&](const AcDbEntity& entity) {
            if (const auto* p = dynamic_cast<const AcDb3dPolyline*>(&entity)) {
                drawn = p->vertices();
                closed = p->isClosed();
            } else if (const auto* s = dynamic_cast<const AcDbSpline*>(&entity)) {
                drawn = s->samplePoints(8);
                closed = s->isClosed();
            } else if (const auto* l = dynamic_cast<const AcDbPolyline*>(&entity)) {
                for (const AcGePoint2d& v : l->points())
                    drawn.push_back({v.x, v.y, l->elevation()});
                closed = l->isClosed();
            }
        });
        ASSERT_GT(drawn.size(), 10u);
        for (const AcGePoint3d& p : drawn)
            ASSERT_LE(row.distance(p), row.within) << p.x << ", " << p.y << ", " << p.z;
        if (row.equation.GetType() == SpaceCurve) {
            EXPECT_FALSE(closed);
            EXPECT_NEAR(drawn.front().z, 3, 1e-9) << "starts at the picked elevation";
            EXPECT_NEAR(drawn.back().z, 3 + 0.5 * 7.5, 1e-9);
        } else {
            EXPECT_TRUE(closed) << "a closed loop is closed";
        }
        EXPECT_EQ(database().numOpenObjects(), 0);
    }
}

// The new kinds are refused as the others are: after the pick, with the sampler's
// message, and nothing is drawn.
TEST_F(PlacementTest, draw_flow_refuses_faulty_space_and_implicit_curves)
{
    struct Row {
        const char* name;
        CEquation equation;
        std::wstring message;
    };
    CEquation flat = helix();
    flat.SetEquationZ(L"sqrt(-1-t)");
    CEquation unknownZ = helix();
    unknownZ.SetEquationZ(L"0.5*q");
    const Row rows[] = {
        {"F uses neither x nor y", implicitCurve(L"2+3", {-1, 1, -1, 1, 0, 0}), L"Error in equation"},
        {"window's x reversed", implicitCurve(L"x^2+y^2-1", {1, -1, -1, 1, 0, 0}), L"Invalid parameter(s) provided!"},
        {"window's y empty", implicitCurve(L"x^2+y^2-1", {-1, 1, 1, 1, 0, 0}), L"Invalid parameter(s) provided!"},
        {"too many grid nodes", implicitCurve(L"x^2+y^2-1", {-1, 1, -1, 1, 0, 1e-4}),
         L"Too many points: the window's grid has 400040001 nodes; at most 10000000 can be sampled (give fewer "
         L"cells)."},
        {"z finite nowhere", flat, L"Error in equation"},
        {"unknown name in z", unknownZ, L"Error in equation"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        recorder_.clear();
        recorder_.scriptPoint(0, 0, 0);
        CEquation equation = row.equation;
        DrawOutcome outcome;
        DrawCurveFlow(dialog_, equation, outcome);
        EXPECT_NE(outcome.status, plotwright::curve::SampleStatus::Done);
        EXPECT_EQ(recorder_.messages(), std::vector<std::wstring>{row.message});
        EXPECT_TRUE(outcome.newIds.empty());
        int entities = 0;
        database().forEachEntity([&](const AcDbEntity&) { ++entities; });
        EXPECT_EQ(entities, 0);
    }
}
