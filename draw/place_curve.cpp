#include "draw/place_curve.h"

#include "draw/sample_curve.h"
#include "curve/curve_shape.h"
#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "core/placement.h"
#include "host/backend.h"
#include "host/doc_manager.h"
#include "host/editor.h"
#include "host/editor_command.h"

#include "base/number_text.h"

#include <cmath>
#include <memory>

namespace {

std::wstring widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

bool isFinite(const CurvePoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Builds one polyline from points [first, last) and appends it; null id when refused.
AcDbObjectId placeRun(const CurvePoint* first, const CurvePoint* last, double elevation, bool closed)
{
    const auto count = static_cast<unsigned int>(last - first);
    auto polyline = std::make_unique<AcDbPolyline>(count);
    for (unsigned int i = 0; i < count; ++i)
        polyline->addVertexAt(i, AcGePoint2d{first[i].x, first[i].y}, 0.0, -1.0, -1.0);
    polyline->setElevation(elevation);
    polyline->setClosed(closed);
    polyline->minimizeMemory();

    AcDbObjectId id;
    if (AppendToModelSpace(polyline.get(), id) != Acad::eOk)
        return AcDbObjectId::kNull;  // never added: the unique_ptr deletes it
    polyline.release()->close();     // the database owns it now
    return id;
}

} // namespace

std::vector<AcDbObjectId> PlaceCurvePieces(const std::vector<plotwright::curve::CurvePiece>& pieces, double elevation)
{
    AcDbDatabase* database = acdbHostApplicationServices()->workingDatabase();
    if (!database)
        return {};
    return plotwright::core::placePieces(*database, pieces, elevation);
}

void AttachCurveDefinition(const std::vector<AcDbObjectId>& ids, const CEquation& equation, const CurvePoint& origin,
                           const plotwright::curve::CurveOptions& options)
{
    plotwright::core::attachDefinition(ids, plotwright::curve::curveDefinitionFrom(equation, origin, options));
}

Acad::ErrorStatus AppendToModelSpace(AcDbEntity* entity, AcDbObjectId& id)
{
    if (!entity)
        return Acad::eNullEntityPointer;
    AcDbDatabase* database = acdbHostApplicationServices()->workingDatabase();
    if (!database)
        return Acad::eNullObjectPointer;
    return plotwright::core::appendToModelSpace(*database, entity, id);
}

std::vector<AcDbObjectId> PlaceCurvePolylines(const CurvePoints& points, double elevation, bool closed)
{
    std::vector<AcDbObjectId> ids;
    if (!std::isfinite(elevation))
        return ids;
    const CurvePoint* begin = points.data();
    const CurvePoint* end = begin + points.size();
    const CurvePoint* run = begin;
    while (run != end) {
        while (run != end && !isFinite(*run))
            ++run;
        if (run == end)
            break;
        const CurvePoint* runEnd = run;
        while (runEnd != end && isFinite(*runEnd))
            ++runEnd;
        const bool whole = run == begin && runEnd == end;
        AcDbObjectId id = placeRun(run, runEnd, elevation, closed && whole);
        if (id.isNull())
            break;
        ids.push_back(id);
        run = runEnd;
    }
    return ids;
}

AcDbObjectId PlaceCurvePolyline(const CurvePoints& points, double elevation, bool closed)
{
    std::vector<AcDbObjectId> ids = PlaceCurvePolylines(points, elevation, closed);
    return ids.empty() ? AcDbObjectId::kNull : ids.front();
}

void PlaceCurveAt(CEquation& equation, const CurvePoint& at, const plotwright::curve::CurveOptions& options,
                  DrawOutcome& outcome)
{
    ads_point origin = {at.x, at.y, at.z};
    BeginWaitCursor();
    {
        // Only the pieces are placed: they take the samples over instead of a copy.
        plotwright::curve::ShapedCurve shaped =
            shapeCurveShowing(equation, origin, options, plotwright::curve::KeepSamples::No);
        outcome.status = shaped.sampled.status;
        outcome.message = std::move(shaped.sampled.message);
        outcome.position = shaped.sampled.position;
        outcome.expression = shaped.sampled.expression;
        outcome.tolerance = shaped.tolerance;
        outcome.toleranceFromExtent = shaped.toleranceFromExtent;
        outcome.refinementCapped = shaped.sampled.refinementCapped;
        outcome.sampleCount = shaped.sampleCount;
        // Adaptive samples mark their breaks with undefined points: none is lost.
        if (shaped.tolerance == 0)
            outcome.nonFiniteCount = shaped.nonFiniteCount;
        outcome.newIds = PlaceCurvePieces(shaped.pieces, 0.0);
        // The pieces are in the drawing now: released before the definition reads them back.
        std::vector<plotwright::curve::CurvePiece>().swap(shaped.pieces);
        AttachCurveDefinition(outcome.newIds, equation, at, options);
    }  // the points are released before the wait cursor ends
    EndWaitCursor();
}

namespace {

// The curve's samples at the drawing's origin, as a pick preview shows them.
std::vector<plotwright::host::PreviewPoint> previewPoints(const CEquation& equation,
                                                          const plotwright::curve::CurveOptions& options)
{
    const plotwright::curve::ShapedCurve preview = plotwright::curve::shapeCurve(equation, {}, options);
    std::vector<plotwright::host::PreviewPoint> shown;
    shown.reserve(preview.sampled.points.size());
    for (const CurvePoint& p : preview.sampled.points)
        shown.push_back({p.x, p.y});
    return shown;
}

} // namespace

void ShowCurveDuringPick(const CEquation& equation, const plotwright::curve::CurveOptions& options)
{
    // Sampled at the origin without the progress meter; the draw samples again at the
    // picked point, so what it places is exactly what it placed without a preview.
    // Hosts that show no preview (the command-line tool) are spared the sampling.
    if (!plotwright::host::backend().showsPickPreview())
        return;
    const std::vector<plotwright::host::PreviewPoint> shown = previewPoints(equation, options);
    if (!shown.empty())
        plotwright::host::backend().setPickPreview(shown);
}

bool AskRotationByPoint(const CEquation& equation, const double* origin, plotwright::curve::CurveOptions& placed)
{
    // The curve stays where it was picked, unturned in the preview, which the editor
    // turns towards the cursor; a line from the origin shows the direction.
    if (plotwright::host::backend().showsPickPreview()) {
        plotwright::curve::CurveOptions unturned = placed;
        unturned.rotation = 0;
        plotwright::host::backend().setTurningPreview(previewPoints(equation, unturned));
    }
    const std::wstring prompt =
        L"\nRotation angle <" + widen(plotwright::base::formatShortest(placed.rotation)) + L">, or pick a point:";
    double degrees = placed.rotation;
    const int turned = plotwright::host::backend().getAngle(origin, prompt, degrees);
    plotwright::host::backend().clearPickPreview();
    if (turned == RTNORM)
        placed.rotation = degrees;
    return turned == RTNORM || turned == RTNONE;
}

void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation)
{
    DrawOutcome outcome;
    DrawCurveFlow(dialog, equation, outcome);
}

void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation, DrawOutcome& outcome)
{
    DrawCurveFlow(dialog, equation, outcome, plotwright::curve::CurveOptions{});
}

void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation, DrawOutcome& outcome,
                   const plotwright::curve::CurveOptions& options)
{
    DrawCurveFlow(dialog, equation, outcome, options, PickSteps{});
}

void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation, DrawOutcome& outcome,
                   const plotwright::curve::CurveOptions& options, const PickSteps& steps)
{
    outcome = DrawOutcome{};
    dialog.BeginEditorCommand();

    ShowCurveDuringPick(equation, options);
    ads_point origin = {0.0, 0.0, 0.0};
    const int picked = acedGetPoint(nullptr, L"\nPick curve origin point:", origin);
    plotwright::host::backend().clearPickPreview();
    plotwright::curve::CurveOptions placed = options;
    bool place = picked == RTNORM;
    if (place && steps.rotationByPoint)
        place = AskRotationByPoint(equation, origin, placed);
    if (picked == RTNORM) {
        outcome.pointPicked = true;
        if (place)
            PlaceCurveAt(equation, {origin[0], origin[1], origin[2]}, placed, outcome);
    }

    dialog.CompleteEditorCommand(true);

    if (AcApDocManager* documents = acDocManagerPtr(); documents && documents->curDocument())
        documents->curDocument()->transactionManager()->flushGraphics();
    acedUpdateDisplay();
    acedRedraw(nullptr, 4);
}
