// Kills a program that saves a large drawing or library in a loop with SIGKILL at random
// moments; after every kill the file must be the complete old or the complete new
// version. The kinds: a new drawing, a library, a drawing saved as the editor saves it
// (a document read from the file, its kept text with moves patched), the same for a file
// with a second hard link (written in place after a backup copy: a kill part-way is
// recovered from the copy, as the next open does), and a redraw of a many-piece curve
// in a large drawing by the command-line tool. PLOTWRIGHT_CRASH_KILLS sets the number of kills per kind (default 25, so 50
// in all; 200 or more by hand). The target is restored to the old version only once, so
// later kills also hit saves over a file that an earlier kill interrupted.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/interrupted_save.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int killsPerKind()
{
    const char* text = std::getenv("PLOTWRIGHT_CRASH_KILLS");
    const int kills = text ? std::atoi(text) : 25;
    return kills > 0 ? kills : 25;
}

// The saving program, its standard output read through a pipe.
class Saver {
public:
    // `first`: the version the program saves first, "a" or "b".
    Saver(const std::string& kind, const std::string& target, const std::string& first)
    {
        const std::string mode = "loop-" + first;
        int ends[2];
        if (::pipe(ends) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(ends[1], 1);
            ::close(ends[0]);
            ::close(ends[1]);
            ::execl(SAVE_LOOP, SAVE_LOOP, kind.c_str(), mode.c_str(), target.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ends[1]);
        out_ = ends[0];
    }
    ~Saver()
    {
        kill();
        if (out_ >= 0)
            ::close(out_);
    }
    // Waits until the program starts its next save; false when it ended instead.
    bool waitForSave()
    {
        char byte = 0;
        return ::read(out_, &byte, 1) == 1;
    }
    // Returns the signal that ended the program (0 when it exited by itself).
    int kill()
    {
        if (pid_ <= 0)
            return -1;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

class CrashSafety : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("plotwright-crash-" + std::to_string(::getpid()) + "-" + GetParam());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
};

TEST_P(CrashSafety, crash_sigkill_leaves_old_or_new_file)
{
    const std::string kind = GetParam();
    const bool inPlace = kind == "inplace";
    const fs::path target = folder_ / (kind == "library" ? "big.xml" : "big.dxf");
    const std::string expect = std::string(SAVE_LOOP) + " " + kind + " expect " + target.string();
    ASSERT_EQ(std::system(expect.c_str()), 0);
    const std::string oldBytes = readBytes(target.string() + ".a");
    const std::string newBytes = readBytes(target.string() + ".b");
    ASSERT_NE(oldBytes, newBytes);
    fs::rename(target.string() + ".a", target);
    fs::remove(target.string() + ".b");
    if (inPlace) {
        fs::create_directory(folder_ / "links");
        fs::create_hard_link(target, folder_ / "links" / "big.dxf");
    }

    // How long the first save of a fresh program takes: the kills fall anywhere within
    // it or a little after, so that both versions are seen.
    Clock::duration saveTime{};
    {
        Saver saver(kind, target.string(), "b");
        ASSERT_TRUE(saver.waitForSave());
        const auto start = Clock::now();
        ASSERT_TRUE(saver.waitForSave());
        saveTime = Clock::now() - start;
    }
    std::mt19937 random(std::random_device{}());
    const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count();
    std::uniform_int_distribution<long long> delay(0, micros + micros / 4);

    const int kills = killsPerKind();
    int sawBefore = 0, sawAfter = 0, recovered = 0;
    bool holdsOld = readBytes(target) == oldBytes;
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE(testing::Message() << kind << " kill " << k);
        // Each run first saves the version the file does not hold.
        Saver saver(kind, target.string(), holdsOld ? "b" : "a");
        ASSERT_TRUE(saver.waitForSave());
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ASSERT_EQ(saver.kill(), SIGKILL);
        // What the next open does first: an in-place write cut short goes back to the copy.
        const plotwright::base::SaveRecovery recovery = plotwright::base::recoverInterruptedSave(target.string());
        recovered += recovery.recovered ? 1 : 0;
        ASSERT_EQ(recovery.recovered, !recovery.message.empty()) << recovery.message;
        ASSERT_FALSE(fs::exists(plotwright::base::inPlaceBackupPath(target.string())));
        const std::string now = readBytes(target);
        const bool isOld = now == oldBytes;
        const bool isNew = now == newBytes;
        ASSERT_TRUE(isOld || isNew) << "the file holds " << now.size() << " bytes, neither version";
        // Whether the kill fell before or after the first save was complete.
        (isOld == holdsOld ? sawBefore : sawAfter) += 1;
        holdsOld = isOld;
    }
    std::cout << kind << ": " << kills << " kills, " << sawBefore << " before a save was complete, " << sawAfter
              << " after, " << recovered << " recovered from the in-place copy (a save takes " << micros / 1000
              << " ms)\n";
    if (inPlace) {
        EXPECT_GT(recovered, 0) << "no kill fell inside an in-place write";
        EXPECT_EQ(readBytes(folder_ / "links" / "big.dxf"), readBytes(target)) << "the hard link was lost";
    }

    // A temporary that a kill left behind is named as the tool's and removed by the
    // next save.
    {
        Saver saver(kind, target.string(), "a");
        ASSERT_TRUE(saver.waitForSave());
        ASSERT_TRUE(saver.waitForSave());
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected{target.filename().string()};
    if (inPlace)
        expected.push_back("links");
    EXPECT_EQ(names, expected);
}

INSTANTIATE_TEST_SUITE_P(kinds, CrashSafety, testing::Values("drawing", "library", "document", "inplace"));

} // namespace

namespace {

// Runs the command-line tool; returns its exit status (-1 when killed) and its output.
int runTool(const std::vector<std::string>& args, std::string* out = nullptr)
{
    std::string command = PLOTWRIGHT_TOOL;
    for (const std::string& a : args)
        command += " '" + a + "'";
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    std::string text;
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int status = ::pclose(pipe);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t startTool(const std::vector<std::string>& args)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(PLOTWRIGHT_TOOL)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(PLOTWRIGHT_TOOL, argv.data());
        ::_exit(127);
    }
    return pid;
}

} // namespace

// A redraw replaces many records at once (the pieces dropped, their successors added,
// the handle seed raised): killed at any moment, the drawing is the old or the new one.
TEST(CrashSafetyRedraw, crash_sigkill_during_redraw_leaves_old_or_new_file)
{
    const fs::path folder = fs::temp_directory_path() / ("plotwright-crash-redraw-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path target = folder / "big.dxf";
    const std::string expect = std::string(SAVE_LOOP) + " drawing expect " + target.string();
    ASSERT_EQ(std::system(expect.c_str()), 0);
    fs::rename(target.string() + ".a", target);
    fs::remove(target.string() + ".b");
    // tan(x) over 0..200 breaks into some 64 pieces where it is not finite.
    std::string handles;
    ASSERT_EQ(runTool({"draw", "--explicit", "tan(x)", "--range", "0:200:0.01", "--out", target.string()}, &handles),
              0);
    const std::string key = handles.substr(0, handles.find('\n'));
    ASSERT_FALSE(key.empty());
    const std::vector<std::string> redraw{"redraw", target.string(), key, "--range", "0:200:0.02"};
    const std::string oldBytes = readBytes(target);
    const auto start = Clock::now();
    ASSERT_EQ(runTool(redraw), 0);
    const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    const std::string newBytes = readBytes(target);
    ASSERT_NE(oldBytes, newBytes);

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long long> delay(micros / 4, micros + micros / 8);
    const int kills = killsPerKind();
    int sawOld = 0, sawNew = 0;
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE(testing::Message() << "redraw kill " << k);
        { std::ofstream(target, std::ios::binary | std::ios::trunc) << oldBytes; }
        const pid_t pid = startTool(redraw);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        const std::string now = readBytes(target);
        ASSERT_TRUE(now == oldBytes || now == newBytes) << "the file holds " << now.size() << " bytes, neither version";
        (now == oldBytes ? sawOld : sawNew) += 1;
    }
    std::cout << "redraw: " << kills << " kills, " << sawOld << " left the old drawing, " << sawNew
              << " the new one (a redraw takes " << micros / 1000 << " ms)\n";
    fs::remove_all(folder);
}
