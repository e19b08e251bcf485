#pragma once
// Runs a program with arguments and collects its exit status, standard output and
// standard error, for end-to-end tests of the command-line tools.

#include <string>
#include <sys/types.h>
#include <vector>

namespace plotwright::test {

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    int signal = 0;   // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
};

// Runs `program` with `args` (standard input empty). `scratch` is a folder for the
// captured output, which is removed again.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratch);

// A program started and left running, for tests that run several at once or signal
// one; its output goes to hidden files named after `name` in `scratch`. Killed by the
// destructor when not finished.
class Running {
public:
    Running(const std::string& program, const std::vector<std::string>& args, const std::string& scratch,
            const std::string& name);
    ~Running();
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    void signal(int number);
    // Waits for the end.
    RunResult finish();

private:
    std::string outPath_, errPath_;
    pid_t pid_ = -1;
};

// A fresh folder under the system's temporary folder, removed by the destructor.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readAll(const std::string& path);
void writeAll(const std::string& path, const std::string& bytes);

} // namespace plotwright::test
