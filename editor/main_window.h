#pragma once
// The editor's main window: the drawings in tabs, the command line below them, the
// status bar with the cursor's coordinates and the progress meter, the properties of
// the selection and the drawing's layers in docks, and the File, Edit, View and Tools menus. Typed input runs
// the editor's own commands (NEW, OPEN, SAVE, SAVEAS, CLOSE, QUIT, APPLOAD, APPUNLOAD,
// ZOOM, UNDO, REDO, ERASE, MOVE) or a module's command.

#include "editor/document.h"

#include <QHash>
#include <QMainWindow>

#include <cstdint>
#include <memory>

class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;

namespace plotwright::host {
class Backend;
}

namespace plotwright::editor {

class CommandLine;
class DocumentTabs;
class DrawingView;
class EditorBackend;
class LayerPanel;
class PropertiesPanel;
class SelectionCommands;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Installs the editor's back-end for the window's lifetime and opens a new drawing.
    explicit MainWindow(QWidget* parent = nullptr);
    // Unloads the modules, closes the drawings without asking, restores the back-end.
    ~MainWindow() override;

    // Runs one line of input as typed at the command prompt.
    void execute(const QString& line);

    // Loads a module; prints the linker's answer, which on failure also shows in a message box.
    bool loadModule(const QString& path, bool quietOnSuccess = false);
    bool unloadModule(const QString& path);

    // Asks about unsaved changes (Yes saves, No discards, Cancel keeps it open) and
    // closes. False when the drawing stays open.
    bool closeDrawing(Document* document);
    // Saves, asking for a file name when the drawing has none yet (or `askName`).
    // Failures are shown in a message box naming the file and the reason; a save that
    // could not keep the curves' definitions says so on the command line.
    bool saveDrawing(Document* document, bool askName = false);
    // Opens `path`; says "Opened PATH." and adds it to the recent files.
    bool openDrawing(const QString& path);
    // The drawings named when the program starts: once one of them opened, the empty
    // drawing the window began with goes (if nothing was drawn into it).
    void openDrawings(const QStringList& paths);

    DocumentTabs& documents() const { return *documents_; }
    CommandLine& commandLine() const { return *commandLine_; }
    EditorBackend& backend() const { return *backend_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* coordinatesLabel() const { return coordinates_; }
    PropertiesPanel* propertiesPanel() const { return properties_; }
    LayerPanel* layerPanel() const { return layers_; }
    bool isCommandRunning() const { return commandRunning_; }
    QToolBar* toolBar() const { return toolBar_; }
    QMenu* recentMenu() const { return recentMenu_; }
    class PickAssist& pickAssist() const { return *pickAssist_; }

    // For the back-end.
    QString applicationTitle() const;
    QWidget* dialogParent();
    void beginPointInput(const QString& prompt);
    void endPointInput();
    void showProgress(const QString& label, int minimum, int maximum);
    void hideProgress();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void runModuleCommand(const QString& name);
    void zoomExtents();
    // ZOOM W: two corners picked or typed; the view shows what lies between them.
    void zoomWindow();
    // SELECTALL (Ctrl+A): every entity the current view shows.
    void selectAll();
    // DIST: two points picked or typed; the distance, its angle and the deltas.
    void measureDistance();
    void undo();
    void redo();
    void showSelection();
    void showError(const QString& text);
    QString askSavePath(Document* document);
    void setCommandRunning(bool running);
    void onCursorMoved(const QPointF& world);
    void connectView(Document* document);
    // main_window_chrome.cpp: help, toolbar, recent files, what is remembered, toggles.
    void buildChrome();
    void showHelp();
    void showAbout();
    void fillRecentMenu();
    void rememberRecent(const QString& path);
    void restoreWindowState();
    void saveWindowState();
    void setGridSpacing(const QString& argument);
    // main_window_curves.cpp: editing drawn curves from the view and the properties panel.
    void connectCurveEditing(DrawingView* view);
    void showViewMenu(const QPoint& global, std::uint64_t entity);
    // Whether the entity of the current drawing is a piece of a drawn curve with its definition.
    bool isDrawnCurve(std::uint64_t entity) const;
    // main_window_export.cpp
    void exportDrawing(const QString& path);
    void printDrawing();

    DocumentTabs* documents_;
    CommandLine* commandLine_;
    QLabel* coordinates_;
    QLabel* progressLabel_;
    QProgressBar* progress_;
    std::unique_ptr<EditorBackend> backend_;
    PropertiesPanel* properties_;
    LayerPanel* layers_;
    std::unique_ptr<SelectionCommands> selectionCommands_;
    host::Backend* previousBackend_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QToolButton* snapButton_ = nullptr;
    QToolButton* gridButton_ = nullptr;
    QToolButton* orthoButton_ = nullptr;
    std::unique_ptr<class PickAssist> pickAssist_;
    QHash<QString, QAction*> actionsByCommand_; // the menu actions, by the command they run
    QList<QAction*> commandActions_; // disabled while a command runs
    bool commandRunning_ = false;
    QString lastCommand_;  // what Enter on an empty command line runs again
};

} // namespace plotwright::editor
