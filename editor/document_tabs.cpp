#include "editor/document_tabs.h"

#include "editor/drawing_view.h"
#include "editor/undo_history.h"
#include "core/drawing_contents.h"
#include "host/doc_manager.h"

#include <QTabBar>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace plotwright::editor {

namespace {

bool samePath(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

// The module host's document manager: the module finds the drawings, and the current
// one, there, so the tabs keep them in it.
auto& documentManager() { return *acDocManagerPtr(); }

} // namespace

DocumentTabs::DocumentTabs(QWidget* parent) : QTabWidget(parent)
{
    setDocumentMode(true);
    setTabsClosable(false);
    setObjectName("documentTabs");
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        auto* view = qobject_cast<DrawingView*>(widget(index));
        if (!view)
            return;
        documentManager().setCurDocument(view->document());
        emit currentDocumentChanged(view->document());
    });
}

DocumentTabs::~DocumentTabs()
{
    while (!entries_.empty())
        closeDrawing(entries_.back().document);
}

DocumentTabs::Entry* DocumentTabs::entryOf(const Document* document)
{
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.document == document; });
    return it == entries_.end() ? nullptr : &*it;
}

const DocumentTabs::Entry* DocumentTabs::entryOf(const Document* document) const
{
    return const_cast<DocumentTabs*>(this)->entryOf(document);
}

void DocumentTabs::addTab(Document* document)
{
    auto* view = new DrawingView(document, this);
    entries_.push_back({document, view, std::make_unique<UndoHistory>(*document->database())});
    const int index = QTabWidget::addTab(view, QString::fromStdString(document->docTitle()));
    setTabToolTip(index, QString::fromStdString(document->fileName()));
    setCurrentIndex(index);
    documentManager().setCurDocument(document);
    emit currentDocumentChanged(document);
}

Document* DocumentTabs::newDrawing()
{
    Document* document = documentManager().newDocument();
    addTab(document);
    return document;
}

dxf::DxfResult DocumentTabs::openDrawing(const std::string& path, Document** opened)
{
    for (const Entry& e : entries_)
        if (samePath(e.document->fileName(), path)) {
            setCurrentWidget(e.view);
            if (opened)
                *opened = e.document;
            return {};
        }
    Document* document = nullptr;
    dxf::DxfResult result = documentManager().openDocument(path, document);
    if (result.ok())
        addTab(document);
    else if (Document* current = currentDocument())
        documentManager().setCurDocument(current);
    if (opened)
        *opened = document;
    return result;
}

dxf::DxfResult DocumentTabs::save(Document* document)
{
    dxf::DxfResult result = document->save();
    updateTitles();
    return result;
}

dxf::DxfResult DocumentTabs::saveAs(Document* document, const std::string& path)
{
    dxf::DxfResult result = document->saveAs(path);
    updateTitles();
    return result;
}

Document* DocumentTabs::adoptDrawing(std::unique_ptr<core::DrawingData> database, const std::string& fileName)
{
    Document* document = documentManager().adoptDatabase(std::move(database), fileName);
    addTab(document);
    return document;
}

void DocumentTabs::closeDrawing(Document* document)
{
    Entry* entry = entryOf(document);
    if (!entry)
        return;
    emit drawingClosing(document);
    DrawingView* view = entry->view;
    entries_.erase(entries_.begin() + (entry - entries_.data()));
    // Take the tab away first: the document must not become current again on the way.
    removeTab(indexOf(view));
    delete view;
    documentManager().closeDocument(document);
    if (Document* current = currentDocument())
        documentManager().setCurDocument(current);
    emit currentDocumentChanged(currentDocument());
}

Document* DocumentTabs::currentDocument() const
{
    DrawingView* view = currentView();
    return view ? view->document() : nullptr;
}

DrawingView* DocumentTabs::currentView() const { return qobject_cast<DrawingView*>(currentWidget()); }

DrawingView* DocumentTabs::viewOf(const Document* document) const
{
    const Entry* entry = entryOf(document);
    return entry ? entry->view : nullptr;
}

std::vector<Document*> DocumentTabs::documents() const
{
    std::vector<Document*> out;
    for (const Entry& e : entries_)
        out.push_back(e.document);
    return out;
}

void DocumentTabs::refreshCurrent()
{
    if (DrawingView* view = currentView())
        view->refresh();
    updateTitles();
}

void DocumentTabs::updateTitles()
{
    for (const Entry& e : entries_) {
        const int index = indexOf(e.view);
        QString title = QString::fromStdString(e.document->docTitle());
        if (e.document->isModified())
            title += '*';
        if (tabText(index) != title)
            setTabText(index, title);
        setTabToolTip(index, QString::fromStdString(e.document->fileName()));
    }
}

void DocumentTabs::checkpoint()
{
    if (Entry* entry = entryOf(currentDocument()))
        entry->history->checkpoint();
}

bool DocumentTabs::undo(std::wstring* what)
{
    Entry* entry = entryOf(currentDocument());
    if (!entry || !entry->history->undo(what))
        return false;
    refreshCurrent();
    return true;
}

bool DocumentTabs::redo(std::wstring* what)
{
    Entry* entry = entryOf(currentDocument());
    if (!entry || !entry->history->redo(what))
        return false;
    refreshCurrent();
    return true;
}

UndoHistory* DocumentTabs::historyOf(const Document* document) const
{
    const Entry* entry = entryOf(document);
    return entry ? entry->history.get() : nullptr;
}

} // namespace plotwright::editor
