#include "cli/commands.h"

#include "cli/failure.h"

#include <cerrno>

namespace plotwright::cli {

void emit(std::FILE* stream, const std::string& text)
{
    if (text.empty())
        return;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() || std::fflush(stream) != 0)
        throw fileFailure(stream == stdout ? "standard output" : "standard error", errno);
}

int runCommand(const Request& request, Streams io)
{
    switch (request.command) {
    case Command::Curves:
        return runCurves(request, io);
    case Command::Show:
        return runShow(request, io);
    case Command::Sample:
        return runSample(request, io);
    case Command::Draw:
        return runDraw(request, io);
    case Command::Render:
        return runRender(request, io);
    case Command::List:
        return runList(request, io);
    case Command::Redraw:
        return runRedraw(request, io);
    case Command::LibraryConvert:
        return runLibraryConvert(request, io);
    case Command::LibraryCheck:
        return runLibraryCheck(request, io);
    case Command::LibraryMerge:
        return runLibraryMerge(request, io);
    case Command::Help:
        break;
    }
    emit(io.out, helpText());
    return kExitOk;
}

} // namespace plotwright::cli
