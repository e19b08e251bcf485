// plotwright: the command-line host. Parses the command line, runs one command and
// turns its outcome into messages on standard error and the exit status.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/failure.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

using namespace plotwright::cli;

int main(int argc, char** argv)
{
    // Like any application: messages follow the user's locale, numbers never do.
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return runCommand(parseArguments(args), {stdout, stderr});
    } catch (const UsageError& e) {
        std::fputs(("plotwright: " + std::string(e.what()) + "\n" + usageText(e.command)).c_str(), stderr);
        return kExitUsage;
    } catch (const Failure& f) {
        std::string message = "plotwright: " + std::string(f.what()) + "\n";
        if (f.status == kExitUsage)
            message += "Try 'plotwright --help' for more.\n";
        std::fputs(message.c_str(), stderr);
        return f.status;
    } catch (const std::bad_alloc&) {
        std::fputs("plotwright: out of memory\n", stderr);
        return kExitFileError;
    }
}
