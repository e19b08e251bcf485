#include "editor/selection_commands.h"

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/main_window.h"
#include "editor/undo_history.h"

#include "editor/display_list.h"
#include "editor/pick_assist.h"
#include "host/editor.h"

#include <limits>
#include <set>

namespace plotwright::editor {

std::vector<host::PreviewPoint> selectionGhost(const DisplayList& shown, const std::vector<AcDbHandle>& handles,
                                               double baseX, double baseY)
{
    const std::set<AcDbHandle> chosen(handles.begin(), handles.end());
    const double gap = std::numeric_limits<double>::quiet_NaN();
    std::vector<host::PreviewPoint> ghost;
    for (const DisplayItem& item : shown.items) {
        const db::DisplayShape& shape = item.shape;
        if (chosen.count(item.entity) == 0 || shape.points.empty())
            continue;
        using Type = db::DisplayShape::Type;
        if (shape.type != Type::kStroke && shape.type != Type::kFill)
            continue;
        // A fill's rings, a stroke's one line; each ends with a break.
        std::vector<std::size_t> starts = {0};
        if (shape.type == Type::kFill)
            starts.insert(starts.end(), shape.ringStarts.begin(), shape.ringStarts.end());
        starts.push_back(shape.points.size());
        const bool closed = shape.closed || shape.type == Type::kFill;
        for (std::size_t r = 0; r + 1 < starts.size(); ++r) {
            for (std::size_t i = starts[r]; i < starts[r + 1]; ++i)
                ghost.push_back({shape.points[i].x - baseX, shape.points[i].y - baseY});
            if (closed && starts[r + 1] > starts[r])
                ghost.push_back({shape.points[starts[r]].x - baseX, shape.points[starts[r]].y - baseY});
            ghost.push_back({gap, gap});
        }
    }
    return ghost;
}

bool SelectionCommands::isSelectionCommand(const QString& command)
{
    return command == "ERASE" || command == "DELETE" || command == "MOVE" || command == "M";
}

void SelectionCommands::run(const QString& command)
{
    if (command == "MOVE" || command == "M")
        move();
    else
        erase();
}

void SelectionCommands::erase()
{
    DocumentTabs& documents = window_.documents();
    DrawingView* view = documents.currentView();
    UndoHistory* history = view ? documents.historyOf(view->document()) : nullptr;
    if (!history || view->selection().isEmpty()) {
        window_.commandLine().print("Nothing selected: select entities, then erase them.");
        return;
    }
    const std::size_t count = view->selection().handles().size();
    std::wstring message;
    if (!history->erase(view->selection().handles(), message)) {
        window_.commandLine().print(QString::fromStdWString(message));
        return;
    }
    view->selection().clear();
    documents.refreshCurrent();
    window_.commandLine().print(QString("Erased %1.").arg(count));
}

void SelectionCommands::move()
{
    DocumentTabs& documents = window_.documents();
    DrawingView* view = documents.currentView();
    UndoHistory* history = view ? documents.historyOf(view->document()) : nullptr;
    if (!history || view->selection().isEmpty()) {
        window_.commandLine().print("Nothing selected: select entities, then move them.");
        return;
    }
    const std::vector<AcDbHandle> handles = view->selection().handles();
    if (const std::wstring refused = history->refusedMove(handles); !refused.empty()) {
        window_.commandLine().print(QString::fromStdWString(refused));
        return;
    }
    double base[3] = {0, 0, 0}, to[3] = {0, 0, 0};
    if (window_.backend().getPoint(nullptr, L"\nBase point:", base) != RTNORM) {
        window_.commandLine().print("*Cancel*");
        return;
    }
    // The selection follows the cursor while the destination is asked for.
    window_.pickAssist().setPreview(selectionGhost(view->displayList(), handles, base[0], base[1]));
    const int picked = window_.backend().getPoint(base, L"\nDestination:", to);
    window_.pickAssist().clearPreview();
    if (picked != RTNORM) {
        window_.commandLine().print("*Cancel*");
        return;
    }
    // The view may have changed while the points were asked for.
    if (documents.currentView() != view) {
        window_.commandLine().print("*Cancel*");
        return;
    }
    std::wstring message;
    if (!history->move(handles, {to[0] - base[0], to[1] - base[1], 0.0}, message)) {
        window_.commandLine().print(QString::fromStdWString(message));
        return;
    }
    documents.refreshCurrent();
    window_.commandLine().print(QString("Moved %1.").arg(handles.size()));
}

} // namespace plotwright::editor
