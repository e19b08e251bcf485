#include "editor/main_window.h"

#include "editor/command_line.h"
#include "editor/display_list.h"
#include "editor/selection.h"
#include "base/number_text.h"
#include "editor/curve_import.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/help_text.h"
#include "editor/layer_panel.h"
#include "editor/pick_assist.h"
#include "editor/properties_panel.h"
#include "editor/selection_commands.h"
#include "editor/module_host.h"
#include "host/doc_manager.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabBar>

#include <algorithm>
#include <cmath>

namespace plotwright::editor {

namespace {

// The first word of a line, and the rest without surrounding blanks or quotes.
std::pair<QString, QString> splitCommand(const QString& line)
{
    const QString trimmed = line.trimmed();
    const qsizetype blank = trimmed.indexOf(' ');
    if (blank < 0)
        return {trimmed, {}};
    QString argument = trimmed.mid(blank + 1).trimmed();
    if (argument.size() >= 2 && argument.startsWith('"') && argument.endsWith('"'))
        argument = argument.mid(1, argument.size() - 2);
    return {trimmed.left(blank), argument};
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), documents_(new DocumentTabs(this)), commandLine_(new CommandLine(this)),
      coordinates_(new QLabel(this)), progressLabel_(new QLabel(this)), progress_(new QProgressBar(this)),
      backend_(std::make_unique<EditorBackend>(*this)), properties_(new PropertiesPanel(this)),
      layers_(new LayerPanel(this)), selectionCommands_(std::make_unique<SelectionCommands>(*this)),
      pickAssist_(std::make_unique<PickAssist>())
{
    setWindowTitle(applicationTitle());
    setCentralWidget(documents_);
    auto* dock = new QDockWidget(tr("Command line"), this);
    dock->setObjectName("commandLineDock");
    dock->setWidget(commandLine_);
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    addDockWidget(Qt::RightDockWidgetArea, properties_);
    addDockWidget(Qt::RightDockWidgetArea, layers_);
    connect(layers_, &LayerPanel::layersChanged, this, [this] { documents_->refreshCurrent(); });
    connect(layers_, &LayerPanel::message, this, [this](const QString& text) { commandLine_->print(text); });
    connect(properties_, &PropertiesPanel::layerChosen, this, [this](const QString& layer) {
        selectionCommands_->setAppearance(layer, std::nullopt);
        showSelection();
    });
    connect(properties_, &PropertiesPanel::colorChosen, this, [this](int color) {
        selectionCommands_->setAppearance(std::nullopt, color);
        showSelection();
    });
    resize(1100, 760);
    // A few lines of history, not a third of the window.
    resizeDocks({dock}, {commandLine_->fontMetrics().lineSpacing() * 7 + 40}, Qt::Vertical);
    // The properties (with a drawn curve's definition) get the larger share of the side.
    resizeDocks({properties_, layers_}, {3, 2}, Qt::Vertical);
    resizeDocks({properties_}, {fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40}, Qt::Horizontal);

    coordinates_->setObjectName("coordinates");
    coordinates_->setMinimumWidth(220);
    progress_->setMaximumWidth(240);
    progressLabel_->hide();
    progress_->hide();
    statusBar()->addWidget(progressLabel_);
    statusBar()->addWidget(progress_);
    statusBar()->addPermanentWidget(coordinates_);

    buildMenus();
    buildChrome();
    restoreWindowState();
    previousBackend_ = host::installBackend(backend_.get());
    commandLine_->input()->installEventFilter(this);

    connect(commandLine_, &CommandLine::submitted, this, &MainWindow::execute);
    connect(commandLine_, &CommandLine::escapePressed, this, [this] {
        if (!backend_->isAskingForPoint() && documents_->currentView())
            documents_->currentView()->selection().clear();
        backend_->cancelPoint();
    });
    connect(documents_, &DocumentTabs::currentDocumentChanged, this, [this](Document* document) {
        setWindowTitle(document ? applicationTitle() + " - " + QString::fromStdString(document->docTitle())
                                : applicationTitle());
        // The coordinates belonged to the view that was current.
        coordinates_->clear();
        connectView(document);
        showSelection();
        layers_->showDrawing(document ? document->database() : nullptr, documents_->historyOf(document));
    });

    documents_->newDrawing();
    commandLine_->focusInput();
}

MainWindow::~MainWindow()
{
    backend_->cancelPoint();
    module_host::unloadAll();
    // The views go before the back-end that refreshes them.
    for (Document* document : documents_->documents())
        documents_->closeDrawing(document);
    host::installBackend(previousBackend_);
}

QString MainWindow::applicationTitle() const { return QStringLiteral("Plotwright Editor"); }

void MainWindow::buildMenus()
{
    auto add = [this](QMenu* menu, const QString& text, const QString& command, QKeySequence keys = {},
                      bool blockedByCommand = true) {
        QAction* action = menu->addAction(text, this, [this, command] { execute(command); });
        action->setShortcut(keys);
        // Also from the command line or a floating panel (see eventFilter).
        action->setShortcutContext(Qt::ApplicationShortcut);
        actionsByCommand_.insert(command, action);
        if (blockedByCommand)
            commandActions_.append(action);
        return action;
    };
    QMenu* file = menuBar()->addMenu(tr("&File"));
    add(file, tr("&New"), "NEW", QKeySequence::New);
    add(file, tr("&Open..."), "OPEN", QKeySequence::Open);
    recentMenu_ = file->addMenu(tr("&Recent Files"));
    recentMenu_->setObjectName("recentMenu");
    commandActions_.append(recentMenu_->menuAction());
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    add(file, tr("&Save"), "SAVE", QKeySequence::Save);
    add(file, tr("Save &As..."), "SAVEAS", keyOr(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    add(file, tr("&Close"), "CLOSE", QKeySequence::Close);
    file->addSeparator();
    add(file, tr("&Export..."), "EXPORT", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    add(file, tr("&Print..."), "PRINT", QKeySequence::Print);
    file->addSeparator();
    add(file, tr("E&xit"), "QUIT", keyOr(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    add(edit, tr("&Undo"), "UNDO", QKeySequence::Undo);
    QAction* redo = add(edit, tr("&Redo"), "REDO");
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addSeparator();
    add(edit, tr("Select &All"), "SELECTALL", QKeySequence::SelectAll);
    add(edit, tr("&Erase"), "ERASE", QKeySequence::Delete);
    add(edit, tr("&Move"), "MOVE");
    add(edit, tr("&Copy"), "COPY");
    add(edit, tr("R&otate"), "ROTATE");
    add(edit, tr("&Scale"), "SCALE");
    add(edit, tr("M&irror"), "MIRROR");
    QMenu* view = menuBar()->addMenu(tr("&View"));
    add(view, tr("Zoom &Extents"), "ZOOM", QKeySequence(Qt::CTRL | Qt::Key_E), false);
    add(view, tr("Zoom &Window"), "ZOOM W");
    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    add(tools, tr("&Curves... (vexilo)"), "vexilo");
    // Not while a command runs: the curve dialog rewrites the user library when it closes.
    commandActions_.append(tools->addAction(tr("&Import Curves..."), this,
                                            [this] { importCurves(dialogParent(), applicationTitle()); }));
    tools->addSeparator();
    add(tools, tr("&Load Application..."), "APPLOAD");
    add(tools, tr("U&nload Application..."), "APPUNLOAD");
}

void MainWindow::connectView(Document* document)
{
    DrawingView* view = documents_->viewOf(document);
    if (!view || view->property("connected").toBool())
        return;
    view->setProperty("connected", true);
    view->setPickAssist(pickAssist_.get());
    connect(view, &DrawingView::cursorMoved, this, &MainWindow::onCursorMoved);
    connect(view, &DrawingView::pointClicked, this, [this](const QPointF& world) {
        commandLine_->print(commandLine_->prompt() + QString(" %1,%2").arg(world.x(), 0, 'f', 4).arg(world.y(), 0, 'f', 4));
        backend_->pointPicked(world);
    });
    connect(view, &DrawingView::escapePressed, this, [this] { backend_->cancelPoint(); });
    connect(view, &DrawingView::deletePressed, this, [this] { execute("ERASE"); });
    connect(view, &DrawingView::keyForCommandLine, this, [this](QKeyEvent* event) {
        commandLine_->focusInput();
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                       static_cast<ushort>(event->count()));
        QCoreApplication::sendEvent(commandLine_->input(), &copy);
    });
    connectCurveEditing(view);
    connect(&view->selection(), &Selection::changed, this, [this, view] {
        if (view == documents_->currentView())
            showSelection();
    });
}

void MainWindow::showSelection()
{
    DrawingView* view = documents_->currentView();
    Document* document = view ? view->document() : nullptr;
    properties_->showSelection(document ? document->database() : nullptr,
                               view ? view->selection().handles() : std::vector<core::Handle>{});
}

void MainWindow::onCursorMoved(const QPointF& world)
{
    // QString::arg formats without the user's locale: "." as decimal point.
    coordinates_->setText(QString("%1, %2").arg(world.x(), 0, 'f', 4).arg(world.y(), 0, 'f', 4));
}

void MainWindow::execute(const QString& line)
{
    if (backend_->isAskingForPoint()) {
        commandLine_->print(commandLine_->prompt() + " " + line);
        // Zooming does not answer the question: it helps to find the point.
        const QString word = line.trimmed().toUpper();
        if (word == "ZOOM" || word == "'ZOOM") {
            zoomExtents();
            return;
        }
        if (word == "HELP" || word == "'HELP") {
            commandLine_->print(helpText());
            return;
        }
        backend_->pointTyped(line);
        return;
    }
    if (commandRunning_) {
        commandLine_->print("A command is running: finish or cancel it first.");
        return;
    }
    // Enter on an empty line repeats the last command, as in any CAD program.
    if (line.trimmed().isEmpty()) {
        if (!lastCommand_.isEmpty())
            execute(lastCommand_);
        return;
    }
    const auto [name, argument] = splitCommand(line);
    if (name.isEmpty())
        return;
    lastCommand_ = line.trimmed();
    commandLine_->print("Command: " + line.trimmed());
    const QString command = name.toUpper();
    Document* current = documents_->currentDocument();
    if (command == "NEW") {
        documents_->newDrawing();
        module_host::drawingOpened();
    } else if (command == "OPEN") {
        const QString path = argument.isEmpty()
                                 ? QFileDialog::getOpenFileName(this, tr("Open drawing"), {}, tr("Drawings (*.dxf)"))
                                 : argument;
        if (!path.isEmpty())
            openDrawing(path);
    } else if (command == "SAVE" || command == "SAVEAS") {
        if (!current) {
            commandLine_->print("No drawing is open.");
        } else if (command == "SAVEAS" && !argument.isEmpty()) {
            const Result result = documents_->saveAs(current, argument.toStdString()).toResult();
            if (!result.ok())
                showError(QString::fromStdWString(result.message));
            else if (!result.notice.empty())
                commandLine_->print(QString::fromStdWString(result.notice));
        } else {
            saveDrawing(current, command == "SAVEAS");
        }
    } else if (command == "CLOSE") {
        if (current)
            closeDrawing(current);
        else
            commandLine_->print("No drawing is open.");
    } else if (command == "QUIT" || command == "EXIT") {
        close();
    } else if (command == "APPLOAD") {
        const QString path = argument.isEmpty() ? QFileDialog::getOpenFileName(this, tr("Load application")) : argument;
        if (!path.isEmpty())
            loadModule(path);
    } else if (command == "APPUNLOAD") {
        if (argument.isEmpty()) {
            commandLine_->print("Type APPUNLOAD followed by the module's path. Loaded:");
            for (const std::wstring& path : module_host::loaded())
                commandLine_->print("  " + QString::fromStdWString(path));
        } else {
            unloadModule(argument);
        }
    } else if (command == "ZOOM") {
        const QString how = argument.trimmed().toUpper();
        if (how == "W" || how == "WINDOW")
            zoomWindow();
        else
            zoomExtents();
    } else if (command == "HELP" || command == "?") {
        commandLine_->print(helpText());
    } else if (command == "GRID") {
        setGridSpacing(argument);
    } else if (command == "EXPORT") {
        if (!current)
            commandLine_->print("No drawing is open.");
        else
            exportDrawing(argument);
    } else if (command == "PRINT") {
        if (!current)
            commandLine_->print("No drawing is open.");
        else
            printDrawing();
    } else if (command == "SELECTALL" || command == "ALL") {
        selectAll();
    } else if (command == "DIST" || command == "DI") {
        measureDistance();
    } else if (command == "UNDO" || command == "U") {
        undo();
    } else if (command == "REDO") {
        redo();
    } else if (SelectionCommands::isSelectionCommand(command)) {
        setCommandRunning(true);
        selectionCommands_->run(command);
        setCommandRunning(false);
        showSelection();
        commandLine_->focusInput();
    } else {
        runModuleCommand(name);
    }
}

void MainWindow::runModuleCommand(const QString& typed)
{
    // The toolbar's word for the curve dialog works as a command too.
    const QString name = typed.compare("CURVE", Qt::CaseInsensitive) == 0 ? QStringLiteral("vexilo") : typed;
    if (!module_host::hasCommand(name.toStdWString())) {
        commandLine_->print("Unknown command \"" + typed.toUpper() + "\".");
        return;
    }
    if (!documents_->currentDocument()) {
        commandLine_->print("No drawing is open: type NEW or OPEN first.");
        return;
    }
    documents_->checkpoint();
    setCommandRunning(true);
    std::wstring message;
    const bool ok = module_host::runCommand(name.toStdWString(), message);
    setCommandRunning(false);
    documents_->refreshCurrent();
    if (!ok)
        commandLine_->print(QString::fromStdWString(message));
    commandLine_->focusInput();
}

void MainWindow::setCommandRunning(bool running)
{
    commandRunning_ = running;
    for (QAction* action : commandActions_)
        action->setEnabled(!running);
    documents_->tabBar()->setEnabled(!running);
}

bool MainWindow::loadModule(const QString& path, bool quietOnSuccess)
{
    std::wstring message;
    const bool ok = module_host::load(path.toStdWString(), message);
    if (!ok)
        showError(QString::fromStdWString(message));
    else if (!quietOnSuccess)
        commandLine_->print(QString::fromStdWString(message));
    return ok;
}

bool MainWindow::unloadModule(const QString& path)
{
    std::wstring message;
    const bool ok = module_host::unload(path.toStdWString(), message);
    commandLine_->print(QString::fromStdWString(message));
    return ok;
}

bool MainWindow::openDrawing(const QString& path)
{
    const Result result = documents_->openDrawing(path.toStdString()).toResult();
    if (!result.ok()) {
        showError(QString::fromStdWString(result.message));
        return false;
    }
    // A restored file is the drawing as it was before a save was cut short: say so.
    const QString notice = QString::fromStdWString(result.notice);
    module_host::drawingOpened();
    documents_->currentView()->zoomExtents();
    const QString opened = QString::fromStdString(documents_->currentDocument()->fileName());
    commandLine_->print("Opened " + opened + ".");
    if (!result.warning.empty())
        commandLine_->print("Warning: " + QString::fromStdWString(result.warning) + " It can be shown but not saved.");
    statusBar()->showMessage("Opened " + opened, 5000);
    if (!notice.isEmpty()) {
        commandLine_->print(notice);
        statusBar()->showMessage(notice);
    }
    rememberRecent(opened);
    // Kept in the file but not drawn: say so, so that nobody thinks it is missing.
    const std::wstring unshown = documents_->currentView()->displayList().unshown;
    if (!unshown.empty()) {
        commandLine_->print(QString::fromStdWString(unshown) + ".");
        statusBar()->showMessage(QString::fromStdWString(unshown));
    }
    return true;
}

QString MainWindow::askSavePath(Document* document)
{
    QString suggested = QString::fromStdString(document->fileName());
    if (suggested.isEmpty())
        suggested = QString::fromStdString(document->docTitle());
    QString path = QFileDialog::getSaveFileName(this, tr("Save drawing as"), suggested, tr("Drawings (*.dxf)"));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += ".dxf";
    return path;
}

bool MainWindow::saveDrawing(Document* document, bool askName)
{
    Result result;
    if (askName || document->fileName().empty()) {
        const QString path = askSavePath(document);
        if (path.isEmpty())
            return false;
        result = documents_->saveAs(document, path.toStdString()).toResult();
    } else {
        result = documents_->save(document).toResult();
    }
    if (!result.ok()) {
        showError(QString::fromStdWString(result.message));
        return false;
    }
    commandLine_->print("Saved " + QString::fromStdString(document->fileName()) + ".");
    if (!result.notice.empty())
        commandLine_->print(QString::fromStdWString(result.notice));  // definitions not kept
    setWindowTitle(applicationTitle() + " - " + QString::fromStdString(document->docTitle()));
    return true;
}

bool MainWindow::closeDrawing(Document* document)
{
    if (document->isModified()) {
        documents_->setCurrentWidget(documents_->viewOf(document));
        const auto answer = QMessageBox::question(
            dialogParent(), applicationTitle(),
            "Save changes to " + QString::fromStdString(document->docTitle()) + "?",
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer != QMessageBox::Yes && answer != QMessageBox::No)
            return false;
        if (answer == QMessageBox::Yes && !saveDrawing(document))
            return false;
    }
    module_host::drawingClosing();
    documents_->closeDrawing(document);
    if (!documents_->currentDocument())
        coordinates_->clear();
    return true;
}

void MainWindow::openDrawings(const QStringList& paths)
{
    Document* initial = documents_->documents().size() == 1 ? documents_->currentDocument() : nullptr;
    const bool untouched = initial && initial->fileName().empty() && !initial->isModified();
    bool opened = false;
    for (const QString& path : paths)
        opened = openDrawing(path) || opened;
    if (opened && untouched && documents_->currentDocument() != initial) {
        module_host::drawingClosing();
        documents_->closeDrawing(initial);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The input field claims some keys that are also menu shortcuts (Ctrl+E moves to the
    // end of the line): the menu's meaning wins, as it does everywhere else.
    if (event->type() == QEvent::ShortcutOverride && watched == commandLine_->input()) {
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        // Delete edits typed text; only in an empty field does it erase the selection.
        if (pressed == QKeySequence(QKeySequence::Delete) && !commandLine_->input()->text().isEmpty())
            return QMainWindow::eventFilter(watched, event);
        for (QAction* action : findChildren<QAction*>())
            if (action->isEnabled() && !action->shortcut().isEmpty() && action->shortcut() == pressed)
                return true; // not accepted: the shortcut runs
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::selectAll()
{
    DrawingView* view = documents_->currentView();
    if (!view)
        return;
    std::vector<core::Handle> all;
    for (const DisplayItem& item : view->displayList().items)
        if (item.entity != 0 && (all.empty() || all.back() != item.entity))
            all.push_back(item.entity);
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    view->selection().set(all);
    view->update();
    showSelection();
    commandLine_->print(QString("Selected %1.").arg(all.size()));
}

void MainWindow::measureDistance()
{
    if (!documents_->currentView())
        return;
    double first[3] = {0, 0, 0}, second[3] = {0, 0, 0};
    setCommandRunning(true);
    const bool picked = backend_->askPoint(nullptr, L"\nFirst point:", first) == EditorBackend::Answer::point &&
                        backend_->askPoint(first, L"\nSecond point:", second) == EditorBackend::Answer::point;
    setCommandRunning(false);
    if (!picked) {
        commandLine_->print("*Cancel*");
        return;
    }
    const double dx = second[0] - first[0], dy = second[1] - first[1], dz = second[2] - first[2];
    const auto text = [](double v) { return QString::fromStdString(base::formatShortest(v)); };
    double angle = std::atan2(dy, dx) * 180 / M_PI;
    if (angle < 0)
        angle += 360;
    commandLine_->print("Distance = " + text(std::sqrt(dx * dx + dy * dy + dz * dz)) + ", angle in the XY plane = " +
                        text(angle) + "°, delta X = " + text(dx) + ", delta Y = " + text(dy) +
                        ", delta Z = " + text(dz));
}

void MainWindow::zoomWindow()
{
    DrawingView* view = documents_->currentView();
    if (!view)
        return;
    double first[3] = {0, 0, 0}, second[3] = {0, 0, 0};
    setCommandRunning(true);
    // A window shows as a rectangle and its corners are where the cursor is, not on objects.
    pickAssist_->setNextStyle({false, false});
    bool picked = backend_->askPoint(nullptr, L"\nFirst corner:", first) == EditorBackend::Answer::point;
    if (picked) {
        pickAssist_->setNextStyle({true, false});
        picked = backend_->askPoint(first, L"\nOpposite corner:", second) == EditorBackend::Answer::point;
    }
    setCommandRunning(false);
    if (!picked || documents_->currentView() != view) {
        commandLine_->print("*Cancel*");
        return;
    }
    const QRectF area = QRectF(QPointF(first[0], first[1]), QPointF(second[0], second[1])).normalized();
    if (area.width() <= 0 && area.height() <= 0) {
        commandLine_->print("The corners are the same point: nothing to zoom to.");
        return;
    }
    view->zoomToRect(area);
}

void MainWindow::zoomExtents()
{
    if (DrawingView* view = documents_->currentView())
        view->zoomExtents();
}

void MainWindow::undo()
{
    std::wstring what;
    if (!documents_->undo(&what))
        commandLine_->print("Nothing to undo.");
    else
        commandLine_->print("Undone: " + QString::fromStdWString(what) + ".");
    layers_->refresh();
}

void MainWindow::redo()
{
    std::wstring what;
    if (!documents_->redo(&what))
        commandLine_->print("Nothing to redo.");
    else
        commandLine_->print("Redone: " + QString::fromStdWString(what) + ".");
    layers_->refresh();
}

void MainWindow::showError(const QString& text)
{
    commandLine_->print(text);
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, dialogParent());
    box.exec();
}

QWidget* MainWindow::dialogParent()
{
    QWidget* modal = QApplication::activeModalWidget();
    return (modal && modal->isVisible()) ? modal : this;
}

void MainWindow::beginPointInput(const QString& prompt)
{
    commandLine_->setPrompt(prompt);
    if (DrawingView* view = documents_->currentView())
        view->setPicking(true);
    activateWindow();
    commandLine_->focusInput();
}

void MainWindow::endPointInput()
{
    commandLine_->setPrompt("Command:");
    if (DrawingView* view = documents_->currentView())
        view->setPicking(false);
}

void MainWindow::showProgress(const QString& label, int minimum, int maximum)
{
    progressLabel_->setText(label);
    progress_->setRange(minimum, std::max(minimum, maximum));
    progress_->setValue(minimum);
    progressLabel_->show();
    progress_->show();
}

void MainWindow::hideProgress()
{
    progressLabel_->hide();
    progress_->hide();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (commandRunning_) {
        backend_->cancelPoint();
        commandLine_->print("A command is running: finish or cancel it first.");
        event->ignore();
        return;
    }
    for (Document* document : documents_->documents())
        if (!closeDrawing(document)) {
            event->ignore();
            return;
        }
    saveWindowState();
    event->accept();
}

} // namespace plotwright::editor
