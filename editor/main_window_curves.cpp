// Curves drawn with their definitions, edited again from the editor: a double click on
// one, the view's context menu, the properties panel's buttons. The work is the module's
// (CURVEEDIT, CURVEADD); the editor hands it the selection.
#include "editor/main_window.h"

#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/properties_panel.h"

#include "core/drawing_contents.h"
#include "core/drawn_curves.h"
#include "host/doc_manager.h"

#include <QMenu>

namespace plotwright::editor {

bool MainWindow::isDrawnCurve(std::uint64_t entity) const
{
    const auto* document = documents_->currentDocument();
    return document && document->database() && core::isDrawnCurvePiece(*document->database(), entity);
}

void MainWindow::connectCurveEditing(DrawingView* view)
{
    connect(view, &DrawingView::entityDoubleClicked, this, [this](core::Handle entity) {
        if (isDrawnCurve(entity))
            execute("CURVEEDIT");
    });
    connect(view, &DrawingView::contextMenuAt, this, &MainWindow::showViewMenu);
    // Once: the panel is the window's own.
    if (!properties_->property("curvesConnected").toBool()) {
        properties_->setProperty("curvesConnected", true);
        connect(properties_, &PropertiesPanel::editCurve, this, [this] { execute("CURVEEDIT"); });
        connect(properties_, &PropertiesPanel::addCurve, this, [this] { execute("CURVEADD"); });
    }
}

void MainWindow::showViewMenu(const QPoint& global, std::uint64_t entity)
{
    QMenu menu(this);
    menu.setObjectName("viewMenu");
    const bool drawn = isDrawnCurve(entity);
    QAction* edit = menu.addAction(tr("Edit curve\u2026"), this, [this] { execute("CURVEEDIT"); });
    QAction* add = menu.addAction(tr("Add to my curves"), this, [this] { execute("CURVEADD"); });
    // Curves drawn before their definitions were kept are ordinary polylines.
    edit->setEnabled(drawn && !commandRunning_);
    add->setEnabled(drawn && !commandRunning_);
    menu.addSeparator();
    QAction* erase = menu.addAction(tr("Erase"), this, [this] { execute("ERASE"); });
    QAction* move = menu.addAction(tr("Move"), this, [this] { execute("MOVE"); });
    erase->setEnabled(entity != 0 && !commandRunning_);
    move->setEnabled(entity != 0 && !commandRunning_);
    menu.exec(global);
}

} // namespace plotwright::editor
