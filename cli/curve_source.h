#pragma once
// The curve a command works on: a library entry by name, or one written on the command
// line, with the constants and range the command line sets.

#include "cli/arguments.h"
#include "model/equation.h"
#include "model/equation_list.h"

#include <optional>
#include <string>

namespace plotwright::cli {

// The file a library argument names: the installed gallery for the word "gallery"
// (Failure kExitFileError when it is not there), else `file` itself.
std::string libraryPath(const std::string& file);

// The default list, or the library in `file` (see libraryPath) (Failure kExitFileError when it cannot be
// read or holds no EquationList element). `warning` receives a note when the file is
// not well-formed and was read as far as possible.
CEquationListPtr loadLibrary(const std::optional<std::string>& file, std::string* warning = nullptr);

// The library entry `name` (Failure kExitUsage naming it when there is none).
CEquationPtr findCurve(const CEquationList& library, const std::string& name, const std::optional<std::string>& file);

// A curve as the curve dialog builds a user-defined one: kind 1, 2 or 3, createdBy 2, one
// running variable ("x" for explicit, "t" otherwise) from 0 to 10 in steps of 0.1.
CEquationPtr userCurve(const Request& request);

// Gives a curve written on the command line a constant for each assignment whose name
// its expressions use and that it does not have yet (the running variable has its name),
// with the assigned value and no bounds.
void addConstants(CEquation& equation, const std::vector<Assignment>& assignments);

// The request's curve with --set and --range applied. Throws Failure.
CEquationPtr requestedCurve(const Request& request, std::string* warning = nullptr);

// Applies --set and --range to `equation`. Throws Failure (kExitUsage) for a name that is
// no constant of it, or a range for a curve without running variable.
void applyChanges(CEquation& equation, const Request& request);

} // namespace plotwright::cli
