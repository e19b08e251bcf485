// Drawn curves found again by their definitions and drawn again in place.
#include "draw/drawn_curves.h"

#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "core/curve_data.h"
#include "host/doc_manager.h"
#include "host/editor_command.h"
#include "model/equation.h"
#include "support/model_space.h"
#include "support/recording_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

class NoDialog : public plotwright::host::EditorCommandBracket {
public:
    void BeginEditorCommand() override {}
    void CompleteEditorCommand(bool) override {}
};

CEquation explicitCurve(const std::wstring& expression)
{
    CEquation equation;
    equation.SetType(ExplicitCartesian);
    equation.SetEquationY(expression);
    equation.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"x", .type = RunningVariable, .increment = 1, .minValue = 0, .maxValue = 2}));
    return equation;
}

class DrawnCurves : public ::testing::Test {
protected:
    void SetUp() override { document_ = acDocManagerPtr()->newDocument(); }
    void TearDown() override { acDocManagerPtr()->closeDocument(document_); }

    AcDbDatabase& database() { return *document_->database(); }

    // The vertices of the shown polylines, in drawing order.
    std::vector<std::vector<AcGePoint2d>> shown()
    {
        std::vector<std::vector<AcGePoint2d>> out;
        database().forEachEntity([&](const AcDbEntity& entity) {
            if (const auto* p = dynamic_cast<const AcDbPolyline*>(&entity))
                out.emplace_back(p->points().begin(), p->points().end());
        });
        return out;
    }

    // Draws x^2 at (10, 20) on layer "Walls" in colour 3; returns the curve.
    plotwright::draw::DrawnCurve drawParabola()
    {
        CEquation curve = explicitCurve(L"x^2");
        recorder_.scriptPoint(10, 20, 0);
        NoDialog dialog;
        DrawOutcome outcome;
        DrawCurveFlow(dialog, curve, outcome, {});
        EXPECT_EQ(outcome.newIds.size(), 1u);
        AcDbEntity* entity = nullptr;
        EXPECT_EQ(acdbOpenAcDbEntity(entity, outcome.newIds.front(), AcDb::kForWrite), Acad::eOk);
        entity->setAppearance(L"Walls", 3, -1);
        entity->close();
        const auto curves = plotwright::draw::drawnCurves(database());
        EXPECT_EQ(curves.size(), 1u);
        return curves.front();
    }

    plotwright::host::RecordingBackend recorder_;
    plotwright::host::ScopedBackend installed_{recorder_};
    AcApDocument* document_ = nullptr;
};

TEST_F(DrawnCurves, piece_of_a_drawn_curve_is_told_by_its_handle)
{
    const plotwright::draw::DrawnCurve curve = drawParabola();
    const AcDbObjectId plain = testsupport::appendToModelSpace(database(), new AcDbLine({0, 0, 0}, {1, 1, 0}));
    AcDbEntity* erased = nullptr;
    const AcDbObjectId erasedId = testsupport::appendToModelSpace(database(), new AcDbLine({0, 0, 0}, {2, 2, 0}));
    ASSERT_EQ(acdbOpenAcDbEntity(erased, erasedId, AcDb::kForWrite), Acad::eOk);
    const AcDbHandle erasedHandle = erased->handle();
    erased->erase();
    erased->close();
    AcDbEntity* line = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(line, plain, AcDb::kForRead), Acad::eOk);
    const AcDbHandle lineHandle = line->handle();
    line->close();
    const struct {
        const char* name;
        AcDbHandle handle;
        bool drawn;
    } rows[] = {
        {"a piece of the curve", curve.pieces.front().entity->handle(), true},
        {"a line without a definition", lineHandle, false},
        {"an erased entity", erasedHandle, false},
        {"no handle", 0, false},
        {"a handle nothing has", 0xFFFFFF, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(plotwright::core::isDrawnCurvePiece(database(), row.handle), row.drawn);
    }
}

TEST_F(DrawnCurves, replaced_curve_keeps_its_id_layer_and_colour_at_the_new_origin)
{
    const plotwright::draw::DrawnCurve old = drawParabola();
    CEquation cubic = explicitCurve(L"x^3");
    DrawOutcome outcome;
    ASSERT_TRUE(plotwright::draw::ReplaceDrawnCurve(old, cubic, {}, {5, 5, 0}, outcome));
    EXPECT_EQ(shown(), (std::vector<std::vector<AcGePoint2d>>{{{5, 5}, {6, 6}, {7, 13}}}));

    const auto curves = plotwright::draw::drawnCurves(database());
    ASSERT_EQ(curves.size(), 1u);
    EXPECT_EQ(curves.front().id, old.id);
    const AcDbEntity& piece = *curves.front().pieces.front().entity;
    EXPECT_EQ(piece.layer(), L"Walls");
    EXPECT_EQ(piece.colorIndex(), 3);
    EXPECT_EQ(curves.front().definition().equationY, L"x^3");
    EXPECT_EQ(curves.front().definition().origin.x, 5.0);
    EXPECT_EQ(plotwright::draw::curveState(curves.front()).kind, plotwright::draw::CurveState::unchanged);
    EXPECT_EQ(database().numOpenObjects(), 0);
}

TEST_F(DrawnCurves, a_curve_that_cannot_be_drawn_leaves_the_old_one)
{
    const plotwright::draw::DrawnCurve old = drawParabola();
    CEquation broken = explicitCurve(L"x^");
    DrawOutcome outcome;
    EXPECT_FALSE(plotwright::draw::ReplaceDrawnCurve(old, broken, {}, {0, 0, 0}, outcome));
    EXPECT_EQ(outcome.status, plotwright::curve::SampleStatus::ErrorInEquation);
    EXPECT_EQ(shown(), (std::vector<std::vector<AcGePoint2d>>{{{10, 20}, {11, 21}, {12, 24}}}));
    const auto curves = plotwright::draw::drawnCurves(database());
    ASSERT_EQ(curves.size(), 1u);
    EXPECT_EQ(curves.front().pieces.front().entity, old.pieces.front().entity);
    EXPECT_FALSE(recorder_.messages().empty());
}

TEST_F(DrawnCurves, found_by_id_or_piece_handle_in_any_case)
{
    const plotwright::draw::DrawnCurve curve = drawParabola();
    const auto curves = plotwright::draw::drawnCurves(database());
    std::string lower = plotwright::draw::handleText(curve.pieces.front().entity->handle());
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    std::string upperId = curve.id;
    std::transform(upperId.begin(), upperId.end(), upperId.begin(), [](unsigned char c) { return std::toupper(c); });
    for (const std::string& key : {curve.id, upperId, lower}) {
        SCOPED_TRACE(key);
        const plotwright::draw::DrawnCurve* found = plotwright::draw::findDrawnCurve(curves, key);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->id, curve.id);
    }
    EXPECT_EQ(plotwright::draw::findDrawnCurve(curves, "FFFFFF"), nullptr);
    EXPECT_TRUE(plotwright::draw::drawnCurveWithId(database(), curve.id).has_value());
    EXPECT_FALSE(plotwright::draw::drawnCurveWithId(database(), "0").has_value());
}

} // namespace
