#include "draw/place_curve.h"

#include "draw/sample_curve.h"
#include "db/database.h"
#include "db/polyline.h"
#include "host/doc_manager.h"
#include "host/editor.h"
#include "host/editor_command.h"

#include <cmath>
#include <memory>

namespace {

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

Acad::ErrorStatus AppendToModelSpace(AcDbEntity* entity, AcDbObjectId& id)
{
    if (!entity)
        return Acad::eNullEntityPointer;
    AcDbDatabase* database = acdbHostApplicationServices()->workingDatabase();
    if (!database)
        return Acad::eNullObjectPointer;

    AcDbBlockTable* table = nullptr;
    Acad::ErrorStatus status = database->getSymbolTable(table, AcDb::kForRead);
    if (status != Acad::eOk)
        return status;
    AcDbBlockTableRecord* modelSpace = nullptr;
    status = table->getAt(L"*Model_Space", modelSpace, AcDb::kForWrite, false);
    if (status == Acad::eOk) {
        status = modelSpace->appendAcDbEntity(id, entity);
        modelSpace->close();
    }
    table->close();
    return status;
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

void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation)
{
    DrawOutcome outcome;
    DrawCurveFlow(dialog, equation, outcome);
}

void DrawCurveFlow(plotwright::host::EditorCommandBracket& dialog, CEquation& equation, DrawOutcome& outcome)
{
    outcome = DrawOutcome{};
    dialog.BeginEditorCommand();

    ads_point origin = {0.0, 0.0, 0.0};
    if (acedGetPoint(nullptr, L"\nPick curve origin point:", origin) == RTNORM) {
        outcome.pointPicked = true;
        BeginWaitCursor();
        {
            plotwright::curve::SampleResult sampled = sampleCurveShowing(equation, origin, {});
            outcome.status = sampled.status;
            outcome.message = std::move(sampled.message);
            outcome.position = sampled.position;
            outcome.expression = sampled.expression;
            const CurvePoints points = std::move(sampled.points);
            outcome.sampleCount = points.size();
            for (const CurvePoint& p : points)
                outcome.nonFiniteCount += isFinite(p) ? 0 : 1;
            if (!points.empty())
                outcome.newIds = PlaceCurvePolylines(points, 0.0, false);
        }  // the points are released before the wait cursor ends
        EndWaitCursor();
    }

    dialog.CompleteEditorCommand(true);

    if (AcApDocManager* documents = acDocManagerPtr(); documents && documents->curDocument())
        documents->curDocument()->transactionManager()->flushGraphics();
    acedUpdateDisplay();
    acedRedraw(nullptr, 4);
}
