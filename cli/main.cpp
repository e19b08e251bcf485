// plotwright: the command-line host. Parses the command line, runs one command and
// turns its outcome into messages on standard error and the exit status.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/failure.h"

#include <clocale>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

using namespace plotwright::cli;

namespace {

int report(const std::string& message, int status, const std::string& usage = {})
{
    std::fputs(("plotwright: " + message + "\n" + usage).c_str(), stderr);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // Like any application: messages follow the user's locale, numbers never do.
    std::setlocale(LC_ALL, "");
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::fputs(versionText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFileError;
    }
    Request request;
    try {
        request = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        return report(e.what(), kExitUsage, usageText(e.command));
    }
    try {
        return runCommand(request, {stdout, stderr});
    } catch (const Failure& f) {
        return report(f.what(), f.status, f.status == kExitUsage ? usageText(request.command) : std::string());
    } catch (const std::bad_alloc&) {
        return report("out of memory", kExitFileError);
    }
}
