#include "app/drawn_curve_commands.h"

#include "base/utf8_text.h"
#include "db/database.h"
#include "draw/drawn_curves.h"
#include "draw/place_curve.h"
#include "host/backend.h"
#include "host/doc_manager.h"
#include "host/editor.h"
#include "install/install_folder.h"
#include "model/equation_list.h"
#include "ui/curve_kind_text.h"
#include "ui/dlg_curve.h"
#include "ui/stored_library.h"

#include <QString>

#include <optional>
#include <string>

namespace plotwright::app {

namespace {

using plotwright::draw::DrawnCurve;

void warn(const std::wstring& text) { AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION); }

// The drawn curve of the working drawing the user means: the first selected entity that
// is a piece of one, otherwise an entity picked now. Nothing (after saying why) when
// there is none.
std::optional<DrawnCurve> chosenCurve()
{
    const AcDbDatabase* database = acdbHostApplicationServices()->workingDatabase();
    if (!database)
        return std::nullopt;
    const std::vector<DrawnCurve> curves = plotwright::draw::drawnCurves(*database);
    for (const std::uint64_t handle : plotwright::host::backend().selectedEntities())
        if (const DrawnCurve* found = plotwright::draw::findDrawnCurve(curves, plotwright::draw::handleText(handle)))
            return *found;
    std::uint64_t handle = 0;
    if (plotwright::host::backend().pickEntity(L"\nSelect a curve drawn by Plotwright:", handle) != RTNORM)
        return std::nullopt;
    if (const DrawnCurve* found = plotwright::draw::findDrawnCurve(curves, plotwright::draw::handleText(handle)))
        return *found;
    warn(L"The selected entity is not a curve drawn by Plotwright: no curve definition is stored with it.");
    return std::nullopt;
}

void refreshDisplay()
{
    if (AcApDocManager* documents = acDocManagerPtr(); documents && documents->curDocument())
        documents->curDocument()->transactionManager()->flushGraphics();
    acedUpdateDisplay();
    acedRedraw(nullptr, 4);
}

// Where the curve is to be drawn again: its origin, moved along when another program
// moved all its pieces alike. Nothing when the user would rather keep hand edits.
std::optional<CurvePoint> redrawOrigin(const DrawnCurve& curve)
{
    const plotwright::draw::CurveState state = plotwright::draw::curveState(curve);
    CurvePoint origin = curve.definition().origin;
    if (state.kind == plotwright::draw::CurveState::moved) {
        origin.x += state.shift.x;
        origin.y += state.shift.y;
    } else if (state.kind == plotwright::draw::CurveState::edited) {
        const std::wstring question = L"This curve was changed after it was drawn (" +
                                      plotwright::base::wideFromUtf8(state.reason) +
                                      L").\nDrawing it again replaces those changes. Go on?";
        if (AfxMessageBox(question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return std::nullopt;
    }
    return origin;
}

} // namespace

void EditDrawnCurve()
{
    const std::optional<DrawnCurve> curve = chosenCurve();
    if (!curve)
        return;
    const AcDbDatabase* database = acdbHostApplicationServices()->workingDatabase();
    std::optional<CurvePoint> origin = redrawOrigin(*curve);
    if (!origin)
        return;
    const std::string id = curve->id;

    CDlgCurve dialog;
    dialog.EditDrawnCurve(curve->definition(), [&](CEquation& equation, const plotwright::curve::CurveOptions& options,
                                                    bool pickOrigin, bool rotationByPoint) {
        // The pieces as they are now: an earlier draw of this dialog replaced them.
        const std::optional<DrawnCurve> current = plotwright::draw::drawnCurveWithId(*database, id);
        if (!current) {
            warn(L"The curve is no longer in the drawing.");
            return;
        }
        // One command for the editor (one undo step); the dialog steps aside only for a pick.
        if (pickOrigin)
            dialog.BeginEditorCommand();
        else
            plotwright::host::backend().beginEditorCommand();
        CurvePoint at = *origin;
        plotwright::curve::CurveOptions placed = options;
        bool go = true;
        if (pickOrigin) {
            ads_point picked = {at.x, at.y, at.z};
            ShowCurveDuringPick(equation, options);
            go = acedGetPoint(nullptr, L"\nPick curve origin point:", picked) == RTNORM;
            plotwright::host::backend().clearPickPreview();
            at = {picked[0], picked[1], picked[2]};
            // As when a new curve is drawn: the turn may follow the new origin.
            if (go && rotationByPoint)
                go = AskRotationByPoint(equation, picked, placed);
        }
        DrawOutcome outcome;
        if (go && plotwright::draw::ReplaceDrawnCurve(*current, equation, placed, at, outcome))
            *origin = at;
        if (pickOrigin)
            dialog.CompleteEditorCommand(true);
        else
            plotwright::host::backend().completeEditorCommand();
        refreshDisplay();
    });
    dialog.DoModal();
}

void AddDrawnCurveToMyCurves()
{
    const std::optional<DrawnCurve> curve = chosenCurve();
    if (!curve)
        return;
    const std::wstring path = GetInstallFolder() + CDlgCurve::UserFileName;
    CEquationList list;
    const plotwright::ui::StoredLibrary stored = plotwright::ui::ReadStoredLibrary(path, list);
    if (stored.state == plotwright::ui::StoredLibrary::State::Damaged) {
        // Writing now would lose what could not be read.
        warn(plotwright::ui::DamageReport(stored, L"") + L"\n\nThe curve was not added.");
        return;
    }
    const CEquationPtr equation = plotwright::curve::equationOf(curve->definition());
    std::wstring base = equation->GetName();
    if (base.empty())
        base = plotwright::ui::expressionsText(*equation);
    // Another curve's name is not taken over: "Name (2)", "Name (3)", ...
    std::wstring name = base;
    for (int n = 2; list.FindEquation(name); ++n)
        name = base + L" (" + QString::number(n).toStdWString() + L")";
    equation->SetName(name);
    list.AddEquation(equation);
    std::wstring reason;
    if (!list.SaveToFile(path, &reason)) {
        warn(L"The curve could not be added to your curves: " + reason);
        return;
    }
    acedAlert((L"\"" + name + L"\" is now one of your curves.").c_str());
}

} // namespace plotwright::app
