// The main window's means of finding one's way: the Help menu, the toolbar, the
// recent files, the snap toggles in the status bar, and what is kept between runs.

#include "editor/main_window.h"

#include "base/number_text.h"
#include "editor/command_line.h"
#include "editor/dialog_places.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_settings.h"
#include "editor/help_text.h"
#include "editor/pick_assist.h"
#include "plotwright/version.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace plotwright::editor {

void MainWindow::buildChrome()
{
    // The snap toggles: keys anywhere in the editor, buttons in the status bar.
    auto toggle = [this](const QString& text, const QString& shortText, Qt::Key key, bool PickAssist::*flag,
                         const QString& name) {
        auto* action = new QAction(text, this);
        action->setObjectName(name + "Action");
        action->setIconText(shortText);
        action->setCheckable(true);
        action->setChecked(pickAssist_.get()->*flag);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::ApplicationShortcut);
        action->setToolTip(text + " (" + QKeySequence(key).toString() + ")");
        connect(action, &QAction::toggled, this, [this, flag, shortText](bool on) {
            pickAssist_.get()->*flag = on;
            commandLine_->print("<" + shortText + (on ? " on>" : " off>"));
            if (DrawingView* view = documents_->currentView())
                view->update();
        });
        addAction(action);
        auto* button = new QToolButton(this);
        button->setObjectName(name + "Button");
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        statusBar()->addPermanentWidget(button);
        return action;
    };
    QAction* snapAction = toggle(tr("Object &Snap"), "SNAP", Qt::Key_F3, &PickAssist::objectSnap, "snap");
    QAction* gridAction = toggle(tr("&Grid Snap"), "GRID", Qt::Key_F9, &PickAssist::gridSnap, "grid");
    QAction* orthoAction = toggle(tr("&Ortho"), "ORTHO", Qt::Key_F8, &PickAssist::ortho, "ortho");
    snapButton_ = findChild<QToolButton*>("snapButton");
    gridButton_ = findChild<QToolButton*>("gridButton");
    orthoButton_ = findChild<QToolButton*>("orthoButton");

    for (QAction* menuAction : menuBar()->actions())
        if (menuAction->menu() && menuAction->text() == tr("&View")) {
            menuAction->menu()->addSeparator();
            menuAction->menu()->addActions({snapAction, gridAction, orthoAction});
        }

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* commands = help->addAction(tr("&Commands and Keys"), this, &MainWindow::showHelp);
    commands->setShortcut(QKeySequence(Qt::Key_F1));
    commands->setShortcutContext(Qt::ApplicationShortcut);
    commands->setObjectName("helpAction");
    help->addAction(tr("&About Plotwright Editor"), this, &MainWindow::showAbout)->setObjectName("aboutAction");

    toolBar_ = addToolBar(tr("Main"));
    toolBar_->setObjectName("mainToolBar");
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto icon = [this](QStyle::StandardPixmap which) { return style()->standardIcon(which); };
    const auto put = [&](const QString& command, const QIcon& image, const QString& text = {}) {
        if (QAction* action = actionsByCommand_.value(command)) {
            action->setIcon(image);
            if (!text.isEmpty())
                action->setIconText(text);
            toolBar_->addAction(action);
        }
    };
    put("NEW", icon(QStyle::SP_FileIcon), tr("New"));
    put("OPEN", icon(QStyle::SP_DialogOpenButton), tr("Open"));
    put("SAVE", icon(QStyle::SP_DialogSaveButton), tr("Save"));
    toolBar_->addSeparator();
    put("vexilo", icon(QStyle::SP_FileDialogContentsView), tr("Curve"));
    toolBar_->addSeparator();
    put("ZOOM", icon(QStyle::SP_FileDialogDetailedView), tr("Zoom Extents"));
    put("UNDO", icon(QStyle::SP_ArrowBack), tr("Undo"));
    put("REDO", icon(QStyle::SP_ArrowForward), tr("Redo"));
    put("EXPORT", icon(QStyle::SP_DriveFDIcon), tr("Export"));

    qApp->installEventFilter(new DialogPlaces(this));
}

void MainWindow::showHelp()
{
    auto* dialog = findChild<QDialog*>("helpDialog");
    if (!dialog) {
        dialog = new QDialog(this);
        dialog->setObjectName("helpDialog");
        dialog->setWindowTitle(tr("Commands and Keys"));
        auto* text = new QPlainTextEdit(dialog);
        text->setObjectName("helpText");
        text->setReadOnly(true);
        text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        text->setPlainText(helpText());
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::hide);
        auto* layout = new QVBoxLayout(dialog);
        layout->addWidget(text);
        layout->addWidget(buttons);
        dialog->resize(980, 600);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindow::showAbout()
{
    QMessageBox::about(dialogParent(), tr("About Plotwright Editor"),
                       "Plotwright Editor " PLOTWRIGHT_VERSION
                       "\n\nDraws mathematical curves into DXF drawings. Type vexilo (or use Tools ▸ Curves) to open "
                       "the curve dialog; Help ▸ Commands and Keys lists everything else.");
}

void MainWindow::fillRecentMenu()
{
    recentMenu_->clear();
    QStringList kept;
    for (const QString& path : recentFiles()) {
        if (QFileInfo::exists(path))
            kept.append(path);
        else
            commandLine_->print("Removed from the recent files (no longer there): " + path);
    }
    if (kept != recentFiles())
        setRecentFiles(kept);
    for (int i = 0; i < kept.size(); ++i) {
        const QString path = kept[i];
        QString label = QFileInfo(path).fileName();
        label.replace('&', "&&");
        QAction* action = recentMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(label),
                                                 this, [this, path] { execute("OPEN \"" + path + "\""); });
        action->setToolTip(path);
        action->setData(path);
    }
    if (kept.isEmpty())
        recentMenu_->addAction(tr("(none)"))->setEnabled(false);
}

void MainWindow::rememberRecent(const QString& path) { setRecentFiles(withRecent(recentFiles(), path)); }

void MainWindow::restoreWindowState()
{
    const std::unique_ptr<QSettings> settings = editorSettings();
    if (const QByteArray geometry = settings->value("Editor/WindowGeometry").toByteArray(); !geometry.isEmpty())
        restoreGeometry(geometry);
    if (const QByteArray state = settings->value("Editor/WindowState").toByteArray(); !state.isEmpty())
        restoreState(state);
    bool ok = false;
    const double spacing = settings->value("Editor/GridSpacing").toDouble(&ok);
    if (ok && spacing > 0 && std::isfinite(spacing))
        pickAssist_->gridSpacing = spacing;
}

void MainWindow::saveWindowState()
{
    const std::unique_ptr<QSettings> settings = editorSettings();
    settings->setValue("Editor/WindowGeometry", saveGeometry());
    settings->setValue("Editor/WindowState", saveState());
    settings->setValue("Editor/GridSpacing", pickAssist_->gridSpacing);
}

void MainWindow::setGridSpacing(const QString& argument)
{
    if (!argument.isEmpty()) {
        const auto value = base::parseNumber(argument.trimmed().toStdString());
        if (!value || !(*value > 0) || !std::isfinite(*value)) {
            commandLine_->print("Invalid grid spacing: \"" + argument + "\". Type a number above 0, such as 0.5.");
            return;
        }
        pickAssist_->gridSpacing = *value;
    }
    commandLine_->print("Grid snap spacing: " + QString::fromStdString(base::formatShortest(pickAssist_->gridSpacing)) +
                        (pickAssist_->gridSnap ? " (on)." : " (off: F9 turns it on)."));
}

} // namespace plotwright::editor
