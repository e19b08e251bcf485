// Kills a program that saves a large drawing or library in a loop with SIGKILL at random
// moments; after every kill the file must be the complete old or the complete new
// version. PLOTWRIGHT_CRASH_KILLS sets the number of kills per kind (default 25, so 50
// in all; 200 or more by hand). The target is restored to the old version only once, so
// later kills also hit saves over a file that an earlier kill interrupted.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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
    const fs::path target = folder_ / (kind == std::string("drawing") ? "big.dxf" : "big.xml");
    const std::string expect = std::string(SAVE_LOOP) + " " + kind + " expect " + target.string();
    ASSERT_EQ(std::system(expect.c_str()), 0);
    const std::string oldBytes = readBytes(target.string() + ".a");
    const std::string newBytes = readBytes(target.string() + ".b");
    ASSERT_NE(oldBytes, newBytes);
    fs::rename(target.string() + ".a", target);
    fs::remove(target.string() + ".b");

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
    int sawBefore = 0, sawAfter = 0;
    bool holdsOld = readBytes(target) == oldBytes;
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE(testing::Message() << kind << " kill " << k);
        // Each run first saves the version the file does not hold.
        Saver saver(kind, target.string(), holdsOld ? "b" : "a");
        ASSERT_TRUE(saver.waitForSave());
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ASSERT_EQ(saver.kill(), SIGKILL);
        const std::string now = readBytes(target);
        const bool isOld = now == oldBytes;
        const bool isNew = now == newBytes;
        ASSERT_TRUE(isOld || isNew) << "the file holds " << now.size() << " bytes, neither version";
        // Whether the kill fell before or after the first save was complete.
        (isOld == holdsOld ? sawBefore : sawAfter) += 1;
        holdsOld = isOld;
    }
    std::cout << kind << ": " << kills << " kills, " << sawBefore << " before a save was complete, " << sawAfter
              << " after (a save takes "
              << micros / 1000 << " ms)\n";

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
    EXPECT_EQ(names, std::vector<std::string>{target.filename().string()});
}

INSTANTIATE_TEST_SUITE_P(kinds, CrashSafety, testing::Values("drawing", "library"));

} // namespace
