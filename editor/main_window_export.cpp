// File ▸ Export and File ▸ Print: the choices asked for, then the drawing's picture.

#include "editor/main_window.h"

#include "base/number_text.h"
#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_export.h"
#include "editor/drawing_view.h"
#include "host/doc_manager.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QStatusBar>

namespace plotwright::editor {

namespace {

// "Fit" gives 0, "1:N" (or "N") gives N; null for anything else.
std::optional<double> parseScale(const QString& text)
{
    QString t = text.trimmed();
    if (t.compare("Fit", Qt::CaseInsensitive) == 0)
        return 0.0;
    if (t.startsWith("1:"))
        t = t.mid(2).trimmed();
    const auto n = base::parseNumber(t.toStdString());
    if (!n || !(*n > 0) || !std::isfinite(*n))
        return std::nullopt;
    return n;
}

// Asks for the area, paper, scale and picture size that fit the kind of `path`.
// False when cancelled.
bool askExportOptions(QWidget* parent, const QString& kind, bool forPrint, ExportOptions& options,
                      const QRectF& viewArea)
{
    QDialog dialog(parent);
    dialog.setObjectName("exportOptions");
    dialog.setWindowTitle(forPrint ? QObject::tr("Print") : QObject::tr("Export"));
    auto* form = new QFormLayout(&dialog);
    auto* area = new QComboBox(&dialog);
    area->setObjectName("area");
    area->addItems({QObject::tr("Whole drawing"), QObject::tr("Current view")});
    if (kind != "svg")
        form->addRow(QObject::tr("Area:"), area);
    auto* paper = new QComboBox(&dialog);
    paper->setObjectName("paper");
    const QList<QPageSize::PageSizeId> papers = {QPageSize::A4, QPageSize::A3, QPageSize::A2, QPageSize::A1,
                                                 QPageSize::A0, QPageSize::Letter, QPageSize::Legal};
    for (QPageSize::PageSizeId id : papers)
        paper->addItem(QPageSize::name(id), static_cast<int>(id));
    auto* orientation = new QComboBox(&dialog);
    orientation->setObjectName("orientation");
    orientation->addItems({QObject::tr("Landscape"), QObject::tr("Portrait")});
    auto* scale = new QComboBox(&dialog);
    scale->setObjectName("scale");
    scale->setEditable(true);
    scale->addItems({"Fit", "1:1", "1:2", "1:5", "1:10", "1:20", "1:50", "1:100", "1:1000"});
    if (kind == "pdf" || forPrint) {
        if (!forPrint) {
            form->addRow(QObject::tr("Paper:"), paper);
            form->addRow(QObject::tr("Orientation:"), orientation);
        }
        form->addRow(QObject::tr("Scale (mm : units):"), scale);
    }
    auto* width = new QSpinBox(&dialog);
    auto* height = new QSpinBox(&dialog);
    width->setObjectName("width");
    height->setObjectName("height");
    for (QSpinBox* box : {width, height})
        box->setRange(16, 20000);
    width->setValue(options.pixels.width());
    height->setValue(options.pixels.height());
    if (kind == "png" || kind == "svg") {
        form->addRow(QObject::tr("Width (pixels):"), width);
        form->addRow(QObject::tr("Height (pixels):"), height);
    }
    // Fields that do not apply to this kind are still children of the dialog: hidden, or
    // they would stand unlabelled over the form's top left corner.
    for (QWidget* field : std::initializer_list<QWidget*>{area, paper, orientation, scale, width, height})
        if (form->indexOf(field) < 0)
            field->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (!parseScale(scale->currentText())) {
            QMessageBox::warning(&dialog, dialog.windowTitle(),
                                 QObject::tr("Type the scale as 1:N (N above 0, \".\" as decimal point) or Fit."));
            return;
        }
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options.area = area->currentIndex() == 1 ? std::optional<QRectF>(viewArea) : std::nullopt;
    options.paper = static_cast<QPageSize::PageSizeId>(paper->currentData().toInt());
    options.orientation = orientation->currentIndex() == 0 ? QPageLayout::Landscape : QPageLayout::Portrait;
    options.scale = *parseScale(scale->currentText());
    options.pixels = QSize(width->value(), height->value());
    return true;
}

QRectF viewArea(const DrawingView* view)
{
    if (!view)
        return {};
    return QRectF(view->toWorld(QPointF(0, view->height())), view->toWorld(QPointF(view->width(), 0))).normalized();
}

} // namespace

void MainWindow::exportDrawing(const QString& typedPath)
{
    Document* document = documents_->currentDocument();
    if (!document || !document->database())
        return;
    QString path = typedPath;
    ExportOptions options;
    if (path.isEmpty()) {
        QString suggested = QString::fromStdString(document->fileName());
        suggested = suggested.isEmpty() ? QString::fromStdString(document->docTitle()) + ".pdf"
                                        : QFileInfo(suggested).path() + "/" + QFileInfo(suggested).completeBaseName() +
                                              ".pdf";
        QString filter;
        path = QFileDialog::getSaveFileName(this, tr("Export drawing"), suggested,
                                            tr("PDF (*.pdf);;SVG picture (*.svg);;PNG picture (*.png)"), &filter);
        if (path.isEmpty())
            return;
        if (QFileInfo(path).suffix().isEmpty())
            path += filter.startsWith("SVG") ? ".svg" : filter.startsWith("PNG") ? ".png" : ".pdf";
        if (!askExportOptions(dialogParent(), QFileInfo(path).suffix().toLower(), false, options,
                              viewArea(documents_->currentView())))
            return;
    }
    const QString problem = plotwright::editor::exportDrawing(*document->database(), path, options);
    if (!problem.isEmpty()) {
        showError(problem);
        return;
    }
    commandLine_->print("Exported " + path + ".");
    statusBar()->showMessage("Exported " + path, 5000);
}

void MainWindow::printDrawing()
{
    Document* document = documents_->currentDocument();
    DrawingView* view = documents_->currentView();
    if (!document || !view)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog ask(&printer, dialogParent());
    if (ask.exec() != QDialog::Accepted)
        return;
    ExportOptions options;
    if (!askExportOptions(dialogParent(), "print", true, options, viewArea(view)))
        return;
    QString problem;
    if (!paintOnPage(printer, view->displayList(), options, &problem)) {
        showError("Cannot print: " + problem + ".");
        return;
    }
    commandLine_->print("Printed " + QString::fromStdString(document->docTitle()) + ".");
}

} // namespace plotwright::editor
