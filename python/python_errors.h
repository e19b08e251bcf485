#pragma once
// plotwright.Error: every failure a user can see, with the message the command-line tool
// prints and where it lies (the character of an expression, or a file's line).

#include "plotwright/curve.h"

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

namespace plotwright::python {

// Thrown by the module's C++ code; raised in Python as plotwright.Error.
struct Failure {
    std::string message;
    std::optional<long> position;
};

// Installs the translation of Failure into plotwright.Error.
void registerErrors(pybind11::module_& m);

// Throws Failure for a result that is not ok, its message as the command-line tool words
// it for `curve` (the expression at fault named, "at character N").
void raiseOnFailure(const Result& result, const CurveDefinition& curve);

// The message of a failed result, as the command-line tool prints it.
std::string failureText(const Result& result, const CurveDefinition& curve);

} // namespace plotwright::python
