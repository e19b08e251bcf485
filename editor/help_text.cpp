#include "editor/help_text.h"

#include <algorithm>

namespace plotwright::editor {

QKeySequence keyOr(QKeySequence::StandardKey key, const QKeySequence& fallback)
{
    const QKeySequence platform(key);
    return platform.isEmpty() ? fallback : platform;
}

const std::vector<HelpEntry>& helpCommands()
{
    static const std::vector<HelpEntry> commands = {
        {"NEW", "Start a new drawing."},
        {"OPEN [path]", "Open a DXF drawing (a file dialog without a path)."},
        {"SAVE", "Save the current drawing."},
        {"SAVEAS [path]", "Save the current drawing under another name."},
        {"EXPORT [path]", "Export the whole drawing as .svg, .pdf or .png (a dialog without a path)."},
        {"PRINT", "Print the drawing."},
        {"CLOSE", "Close the current drawing."},
        {"QUIT, EXIT", "Close the editor."},
        {"UNDO, U", "Take back the last change (a draw, an erase, a move, a layer change) and say which."},
        {"REDO", "Do again what UNDO took back, and say which."},
        {"SELECTALL, ALL", "Select every entity the drawing shows."},
        {"DIST, DI", "Measure between two points: distance, angle, delta X, Y and Z."},
        {"ERASE", "Erase the selected entities."},
        {"MOVE, M", "Move the selected entities: base point, then destination."},
        {"COPY, CO", "Copy them: base point, then a second point per copy; Enter ends."},
        {"ROTATE, RO", "Turn them about a base point: an angle in degrees, or a point."},
        {"SCALE, SC", "Scale them from a base point: a factor, or a point whose distance is the factor."},
        {"MIRROR, MI", "Mirror them in a line through two points; the originals stay unless you answer Yes."},
        {"ZOOM", "Show the whole drawing (also while a point is asked for)."},
        {"ZOOM W", "Zoom to a window: pick or type two corners."},
        {"GRID [spacing]", "Show or set the spacing of grid snap."},
        {"APPLOAD [path]", "Load a module."},
        {"APPUNLOAD [path]", "Unload a module (without a path: list the loaded ones)."},
        {"HELP", "Show this list."},
        {"vexilo, CURVE", "Open the curve dialog (a command of the Plotwright module)."},
        {"CURVEEDIT", "Edit a drawn curve: the curve dialog with its definition; drawing replaces it in place "
                      "(also a double click on the curve, or its context menu)."},
        {"CURVEADD", "Keep a drawn curve's definition among your own curves."},
        {"x,y or x,y,z", "When a point is asked for: the point (\".\" as decimal point)."},
        {"(empty)", "Repeat the last command; when a point is asked for: no point. Escape cancels."},
    };
    return commands;
}

const std::vector<HelpEntry>& helpKeys()
{
    static const std::vector<HelpEntry> keys = {
        {QKeySequence(QKeySequence::New).toString(), "New drawing"},
        {QKeySequence(QKeySequence::Open).toString(), "Open a drawing"},
        {QKeySequence(QKeySequence::Save).toString(), "Save"},
        {keyOr(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)).toString(), "Save as"},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E).toString(), "Export"},
        {QKeySequence(QKeySequence::Print).toString(), "Print"},
        {QKeySequence(QKeySequence::Close).toString(), "Close the drawing"},
        {keyOr(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)).toString(), "Exit"},
        {QKeySequence(QKeySequence::Undo).toString(), "Undo"},
        {QKeySequence(Qt::CTRL | Qt::Key_Y).toString(), "Redo"},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z).toString(), "Redo"},
        {QKeySequence(QKeySequence::SelectAll).toString(), "Select all"},
        {QKeySequence(QKeySequence::Delete).toString(), "Erase the selection"},
        {QKeySequence(Qt::CTRL | Qt::Key_E).toString(), "Zoom extents"},
        {QKeySequence(Qt::Key_F1).toString(), "Commands and keys"},
        {QKeySequence(Qt::Key_F3).toString(), "Object snap on or off"},
        {QKeySequence(Qt::Key_F8).toString(), "Ortho on or off (needs a base point)"},
        {QKeySequence(Qt::Key_F9).toString(), "Grid snap on or off"},
        {"Wheel", "Zoom about the cursor"},
        {"Middle button", "Pan"},
        {"Left click", "Pick the point asked for (snapped when a marker shows); else select (Shift adds or removes)"},
        {"Left drag", "Select in a window (to the right: inside) or crossing window (to the left: touching)"},
        {"Escape", "Cancel the point request, or clear the selection"},
        {"Up, Down", "Recall earlier input at the command line"},
        {"Typing", "Goes to the command line wherever the focus is in the drawing"},
        {"Enter", "Repeat the last command (on an empty command line)"},
    };
    return keys;
}

namespace {

void appendAligned(QString& out, const std::vector<HelpEntry>& entries)
{
    qsizetype width = 0;
    for (const HelpEntry& e : entries)
        width = std::max(width, e.what.size());
    for (const HelpEntry& e : entries)
        out += "  " + e.what.leftJustified(width + 2) + e.meaning + "\n";
}

} // namespace

QString helpText()
{
    QString out = "Commands (type at the prompt, any case):\n";
    appendAligned(out, helpCommands());
    out += "\nKeys:\n";
    appendAligned(out, helpKeys());
    out += "\nObject snaps while a point is asked for: endpoint (square), midpoint (triangle),\n"
           "centre (circle), quadrant (diamond), intersection (X), nearest (hourglass).";
    return out;
}

} // namespace plotwright::editor
