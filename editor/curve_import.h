#pragma once
// Tools > Import Curves: bringing the curves of a library file, or of the installed
// gallery, into the user library that the curve dialog lists.

#include <QString>

class QWidget;

namespace plotwright::editor {

// The curve dialog's user library: curveDefinition_User.xml in the install folder.
QString userLibraryPath();

// Merges the library at `libraryFile` into the user library (created when missing),
// adding "NAME (2)" where a name is taken. `report` tells the user what happened, or why
// nothing was changed. Returns whether the user library was written.
bool importCurvesFrom(const QString& libraryFile, QString& report);

// Asks where from (the gallery, or a file picked in a file dialog), imports and shows
// the report in a message box. Returns whether the user library was written.
bool importCurves(QWidget* parent, const QString& title);

} // namespace plotwright::editor
