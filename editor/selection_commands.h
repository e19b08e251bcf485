#pragma once
// The editor's commands on the selection of the current drawing, each one undo step:
// ERASE; MOVE and COPY (base point, then destination); ROTATE (base point, then an angle
// typed in degrees or given by a point); SCALE (base point, then a factor typed or given
// by the distance to a point); MIRROR (two points of the mirror line, then whether the
// originals go). Points are clicked or typed as "x,y". With nothing selected, they ask
// for the entities first.

#include "editor/undo_history.h"
#include "host/backend.h"

#include <QString>

#include <optional>
#include <vector>

namespace plotwright::editor {

class DisplayList;
class MainWindow;

// The outlines of the entities `handles` as `shown`, relative to the base point: the
// pick preview that makes them follow the cursor. Lines and areas only (texts and point
// marks are left out); each outline ends with a point that is not finite.
std::vector<host::PreviewPoint> selectionGhost(const DisplayList& shown, const std::vector<core::Handle>& handles,
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
    void copy();
    void rotate();
    void scale();
    void mirror();
    // Puts the selection on `layer` and/or gives it the colour index `color` (dropping
    // true colours), one undo step; nothing when neither changes anything.
    void setAppearance(const std::optional<QString>& layer, std::optional<int> color);

private:
    // The selection, or the entities picked one by one until Enter when there is none;
    // empty when cancelled.
    std::vector<core::Handle> objects(const wchar_t* verb);
    // A point; false (and "*Cancel*" shown) when there is none or the drawing changed.
    bool point(const double* base, const wchar_t* prompt, double result[3]);

    MainWindow& window_;
};

} // namespace plotwright::editor
