#pragma once
// Exit statuses of the `plotwright` tool and the failure that carries one to main.

#include <stdexcept>
#include <string>

namespace plotwright::cli {

enum ExitStatus : int {
    kExitOk = 0,
    kExitInvalidParameters = 1,  // "Invalid parameter(s) provided!"; library check: not well-formed
    kExitEquationError = 2,      // "Error in equation"
    kExitFileError = 3,          // a file could not be read or written
    kExitPreviewFailed = 4,      // draw: the drawing was saved, its preview was not written
    kExitCurveRefused = 5,       // redraw: no such curve, or one changed by hand (without --force)
    kExitNothingDrawn = 6,       // draw: no point of the curve is defined, or the range holds none
    kExitUsage = 64,             // the command line does not fit
};

// A command that cannot go on; `what()` is the message for standard error.
class Failure : public std::runtime_error {
public:
    Failure(int status_, const std::string& message) : std::runtime_error(message), status(status_) {}
    int status;
};

// "FILE: reason", the reason being the system's text for `error` (an errno value).
Failure fileFailure(const std::string& path, int error);
Failure fileFailure(const std::string& path, const std::string& reason);

} // namespace plotwright::cli
