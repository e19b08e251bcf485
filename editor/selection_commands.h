#pragma once
// The editor's commands on the selection of the current drawing: ERASE and MOVE (base
// point, then destination, each clicked or typed as "x,y"), each one undo step.

#include "db/object_id.h"
#include "host/backend.h"

#include <QString>

#include <vector>

namespace plotwright::editor {

class DisplayList;
class MainWindow;

// The outlines of the entities `handles` as `shown`, relative to the base point: the
// pick preview that makes them follow the cursor. Lines and areas only (texts and point
// marks are left out); each outline ends with a point that is not finite.
std::vector<host::PreviewPoint> selectionGhost(const DisplayList& shown, const std::vector<AcDbHandle>& handles,
                                               double baseX, double baseY);

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
