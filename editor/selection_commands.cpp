#include "editor/selection_commands.h"

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/main_window.h"
#include "editor/undo_history.h"

#include "host/editor.h"

namespace plotwright::editor {

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
    if (window_.backend().getPoint(nullptr, L"\nBase point:", base) != RTNORM ||
        window_.backend().getPoint(base, L"\nDestination:", to) != RTNORM) {
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
