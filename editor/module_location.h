#pragma once
// Where the editor finds the Plotwright module when no --module option names it.

#include <QString>

namespace plotwright::editor {

// The module next to the executable (the build tree), else in the installed library
// folder beside the executable's bin folder; empty when neither exists.
QString defaultModulePath();

} // namespace plotwright::editor
