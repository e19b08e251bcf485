#include "cli/run_tool.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <csignal>

extern char** environ;

namespace plotwright::test {

Running::Running(const std::string& program, const std::vector<std::string>& args, const std::string& scratch,
                 const std::string& name)
    : outPath_(scratch + "/." + name + ".stdout"), errPath_(scratch + "/." + name + ".stderr")
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int error = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot run " + program);
}

Running::~Running()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        finish();
    }
}

void Running::signal(int number) { ::kill(pid_, number); }

RunResult Running::finish()
{
    int wstatus = 0;
    while (waitpid(pid_, &wstatus, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    RunResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    result.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    result.out = readAll(outPath_);
    result.err = readAll(errPath_);
    std::filesystem::remove(outPath_);
    std::filesystem::remove(errPath_);
    return result;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratch)
{
    return Running(program, args, scratch, "run").finish();
}

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "pw-cli-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace plotwright::test
