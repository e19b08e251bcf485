#pragma once
// The editor's commands on the selection of the current drawing: ERASE and MOVE (base
// point, then destination, each clicked or typed as "x,y"), each one undo step.

#include <QString>

namespace plotwright::editor {

class MainWindow;

class SelectionCommands {
public:
    explicit SelectionCommands(MainWindow& window) : window_(window) {}

    // Whether `command` (upper case) is one of these.
    static bool isSelectionCommand(const QString& command);
    // Runs it; messages go to the command line.
    void run(const QString& command);

    void erase();
    void move();

private:
    MainWindow& window_;
};

} // namespace plotwright::editor
