#pragma once
// The open drawings, one tab each: creating, opening, saving and closing them through
// the document manager, keeping the current tab and the current document in step,
// and the undo history of each drawing.

#include "dxf/file.h"
#include "core/drawing_names.h"
#include "editor/document.h"

#include <QTabWidget>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace plotwright::editor {

class DrawingView;
class UndoHistory;

class DocumentTabs : public QTabWidget {
    Q_OBJECT

public:
    explicit DocumentTabs(QWidget* parent = nullptr);
    // Closes every document this widget still shows, without asking.
    ~DocumentTabs() override;

    // A new empty drawing in a new tab, made current.
    Document* newDrawing();
    // Opens the DXF file `path` (UTF-8) in a new tab, made current; a drawing already
    // open under that path is only made current. On failure nothing changes.
    dxf::DxfResult openDrawing(const std::string& path, Document** opened = nullptr);
    // Saves to the document's own file, or (saveAs) to `path` which becomes its file.
    dxf::DxfResult save(Document* document);
    dxf::DxfResult saveAs(Document* document, const std::string& path);
    // Closes without asking; the neighbouring tab becomes current.
    void closeDrawing(Document* document);
    // A drawing read elsewhere (a recovered copy) as a document named `fileName` (empty:
    // a new drawing), in a new tab, made current.
    Document* adoptDrawing(std::unique_ptr<core::DrawingData> database, const std::string& fileName);

    Document* currentDocument() const;
    DrawingView* currentView() const;
    DrawingView* viewOf(const Document* document) const;
    std::vector<Document*> documents() const;

    // Refreshes the current view and every tab's title (a "*" marks unsaved changes).
    void refreshCurrent();
    void updateTitles();

    // Starts a new undo step in the current drawing: what is appended from now on is
    // undone together. Does nothing when nothing was appended since the last step.
    void checkpoint();
    // Takes back (or does again) the current drawing's last step and refreshes its view.
    // False when there is nothing to undo (redo).
    // `what` names the step (UndoHistory::undo).
    bool undo(std::wstring* what = nullptr);
    bool redo(std::wstring* what = nullptr);
    // The undo history of `document`; null for a document this widget does not show.
    UndoHistory* historyOf(const Document* document) const;

signals:
    void currentDocumentChanged(Document* document);
    // Before a drawing is closed (not when the widget goes with the program).
    void drawingClosing(const Document* document);

private:
    struct Entry {
        Document* document;
        DrawingView* view;
        std::unique_ptr<UndoHistory> history;
    };
    Entry* entryOf(const Document* document);
    const Entry* entryOf(const Document* document) const;
    void addTab(Document* document);

    std::vector<Entry> entries_;
};

} // namespace plotwright::editor
