#include "editor/curve_import.h"

#include "install/install_folder.h"
#include "model/equation_list.h"
#include "model/gallery_file.h"
#include "model/library_file.h"
#include "model/library_merge.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace plotwright::editor {

namespace {

// The name the curve dialog reads and writes its user curves under.
constexpr const wchar_t* kUserLibraryFile = L"curveDefinition_User.xml";

QString galleryPath() { return QString::fromStdString(GalleryFilePath()); }

} // namespace

QString userLibraryPath() { return QString::fromStdWString(GetInstallFolder() + kUserLibraryFile); }

bool importCurvesFrom(const QString& libraryFile, QString& report)
{
    CEquationList from;
    const Result loaded = model::loadLibraryFile(libraryFile.toStdString(), from);
    if (!loaded) {
        report = QObject::tr("%1: %2").arg(libraryFile, QString::fromStdWString(loaded.message));
        return false;
    }
    QString note;
    if (!loaded.notice.empty())
        note = QObject::tr("\n%1 is not well-formed (%2); its curves were read as far as possible.")
                   .arg(libraryFile, QString::fromStdWString(loaded.notice));
    std::wstring error;

    const QString into = userLibraryPath();
    LibraryMergeResult result;
    if (!MergeIntoLibraryFile(into.toStdWString(), from, false, result, error)) {
        report = QObject::tr("%1: %2").arg(into, QString::fromStdWString(error));
        return false;
    }
    report = (result.added == 1 ? QObject::tr("1 curve added to your curve library %1.")
                                : QObject::tr("%1 curves added to your curve library %2.").arg(result.added))
                 .arg(into);
    for (const LibraryMergeResult::Renamed& renamed : result.renamed)
        report += QObject::tr("\n\"%1\" is there already: added as \"%2\".")
                      .arg(QString::fromStdWString(renamed.from), QString::fromStdWString(renamed.to));
    report += note;
    return true;
}

bool importCurves(QWidget* parent, const QString& title)
{
    const QString gallery = galleryPath();
    QMessageBox ask(QMessageBox::Question, title,
                    QObject::tr("Import curves into your curve library from the gallery of classic curves, "
                                "or from a library file?"),
                    QMessageBox::Cancel, parent);
    QPushButton* fromGallery = ask.addButton(QObject::tr("&Gallery"), QMessageBox::AcceptRole);
    fromGallery->setObjectName("importGallery");
    fromGallery->setEnabled(QFileInfo(gallery).isFile());
    QPushButton* fromFile = ask.addButton(QObject::tr("&File..."), QMessageBox::AcceptRole);
    fromFile->setObjectName("importFile");
    ask.setDefaultButton(fromGallery->isEnabled() ? fromGallery : fromFile);
    ask.exec();

    QString source;
    if (ask.clickedButton() == fromGallery) {
        source = gallery;
    } else if (ask.clickedButton() == fromFile) {
        // Qt's own dialog: the same everywhere, and one a test can drive.
        source = QFileDialog::getOpenFileName(parent, QObject::tr("Import Curves"), QString(),
                                              QObject::tr("Curve libraries (*.xml);;All files (*)"), nullptr,
                                              QFileDialog::DontUseNativeDialog);
    }
    if (source.isEmpty())
        return false;

    QString report;
    const bool written = importCurvesFrom(source, report);
    QMessageBox done(written ? QMessageBox::Information : QMessageBox::Critical, title, report, QMessageBox::Ok,
                     parent);
    done.exec();
    return written;
}

} // namespace plotwright::editor
