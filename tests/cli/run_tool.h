#pragma once
// Runs a program with arguments and collects its exit status, standard output and
// standard error, for end-to-end tests of the command-line tools.

#include <string>
#include <vector>

namespace plotwright::test {

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args` (standard input empty). `scratch` is a folder for the
// captured output.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratch);

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
