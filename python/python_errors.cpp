#include "python/python_errors.h"

#include "python/python_progress.h"

#include "base/utf8_text.h"

namespace py = pybind11;

namespace plotwright::python {

using base::utf8FromWide;

void registerErrors(py::module_& m)
{
    (void)m;
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown)
                std::rethrow_exception(thrown);
        } catch (const Failure& failure) {
            py::object error = py::module_::import("plotwright._errors").attr("Error");
            py::object position = failure.position ? py::object(py::int_(*failure.position)) : py::object(py::none());
            PyErr_SetObject(error.ptr(), error(failure.message, position).ptr());
        } catch (const Interrupted&) {
            // PyErr_CheckSignals left the KeyboardInterrupt (or the handler's exception).
            if (!PyErr_Occurred())
                PyErr_SetNone(PyExc_KeyboardInterrupt);
        }
    });
}

std::string failureText(const Result& result, const CurveDefinition& curve)
{
    const std::string message = utf8FromWide(result.message);
    switch (result.status) {
    case Status::invalidParameters:
        // The first line is the one the dialog shows; the second says which value.
        if (message.empty() || message == "Invalid parameter(s) provided!")
            return "Invalid parameter(s) provided!";
        if (message.rfind("Invalid parameter(s) provided!", 0) == 0)
            return message;
        return "Invalid parameter(s) provided!\n" + message;
    case Status::errorInEquation: {
        const char expression = result.where.expression;
        std::string line;
        if (expression != 0) {
            const bool x = expression == 'X';
            const bool z = expression == 'Z';
            const std::wstring& text = x ? curve.expressionX : z ? curve.expressionZ : curve.expressionY;
            const char* name = x ? "x" : z ? "z" : curve.kind == CurveKind::polar ? "r"
                                                : curve.kind == CurveKind::implicit ? "F" : "y";
            line = std::string(name) + " = " + utf8FromWide(text) + ": ";
        }
        line += message;
        if (expression != 0 && result.where.character >= 0)
            line += " at character " + std::to_string(result.where.character + 1);
        return "Error in equation\n" + line;
    }
    default:
        return message;
    }
}

void raiseOnFailure(const Result& result, const CurveDefinition& curve)
{
    if (result.ok())
        return;
    std::optional<long> position;
    if (result.where.character >= 0)
        position = result.where.character;
    else if (result.where.line >= 0)
        position = result.where.line;
    throw Failure{failureText(result, curve), position};
}

} // namespace plotwright::python
