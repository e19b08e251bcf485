// The file layer: replacement that keeps what a rename would lose, refusals that leave
// the file alone, the lock and identity check of a read-modify-write, and the removal of
// temporaries when a save is interrupted.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "base/file_bytes.h"
#include "base/replace_file.h"
#include "base/temporary_files.h"

namespace {

namespace fs = std::filesystem;
using plotwright::base::FileError;
using plotwright::base::FileIdentity;
using plotwright::base::FileResult;
using plotwright::base::ReplaceOptions;

constexpr uid_t kNobody = 65534;
constexpr uid_t kStranger = 12345;

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct stat statOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

// Runs `body` in a child process as the user `uid` (only possible for root) and returns
// its exit status.
int runAs(uid_t uid, const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(uid) != 0 || ::setuid(uid) != 0)
            ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ReplaceFile : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path()
                  / ("plotwright-replace-" + std::to_string(::getpid()) + "-"
                     + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::all, ignored);
        fs::remove_all(folder_, ignored);
    }

    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string file(const std::string& name) const { return (folder_ / name).string(); }

    fs::path folder_;
};

TEST_F(ReplaceFile, replace_keeps_permissions_and_new_file_follows_umask)
{
    writeBytes(file("kept.txt"), "old");
    ::chmod(file("kept.txt").c_str(), 0640);
    ASSERT_TRUE(plotwright::base::replaceFile(file("kept.txt"), "new").ok());
    EXPECT_EQ(readBytes(file("kept.txt")), "new");
    EXPECT_EQ(statOf(file("kept.txt")).st_mode & 07777, 0640u);

    const mode_t mask = ::umask(027);
    const FileResult made = plotwright::base::replaceFile(file("fresh.txt"), "made");
    ::umask(mask);
    ASSERT_TRUE(made.ok()) << made.reason;
    EXPECT_EQ(statOf(file("fresh.txt")).st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), (std::vector<std::string>{"fresh.txt", "kept.txt"}));
}

// Every refusal names its reason exactly and leaves the folder as it was.
TEST_F(ReplaceFile, refusals_leave_the_file_alone)
{
    struct Row {
        const char* name;
        std::function<void(const std::string& path)> prepare;
        FileError error;
        std::string reason;  // "%F" stands for the folder
    };
    const std::vector<Row> rows = {
        {"read-only file", [](const std::string& p) { writeBytes(p, "old"); ::chmod(p.c_str(), 0444); },
         FileError::readOnly, "the file is read-only"},
        {"no write bit for the owner, others may write",
         [](const std::string& p) { writeBytes(p, "old"); ::chmod(p.c_str(), 0466); }, FileError::readOnly,
         "the file is read-only"},
        {"dangling symbolic link", [](const std::string& p) { fs::create_symlink("gone.txt", p); },
         FileError::danglingLink, "it is a symbolic link to \"gone.txt\", which does not exist"},
        {"folder", [](const std::string& p) { fs::create_directory(p); }, FileError::isFolder, "it is a folder"},
        {"missing folder", [](const std::string&) {}, FileError::folderProblem,
         "the folder \"%F/missing\" does not exist"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        const std::string path = row.error == FileError::folderProblem ? file("missing/target.txt") : file("target.txt");
        row.prepare(path);
        const std::vector<std::string> before = entries();
        std::string reason = row.reason;
        if (const auto at = reason.find("%F"); at != std::string::npos)
            reason.replace(at, 2, folder_.string());

        const FileResult checked = plotwright::base::checkReplaceable(path);
        EXPECT_EQ(checked.error, row.error);
        EXPECT_EQ(checked.reason, reason);
        const FileResult result = plotwright::base::replaceFile(path, "new");
        EXPECT_EQ(result.error, row.error);
        EXPECT_EQ(result.reason, reason);
        EXPECT_EQ(result.message(path), "\"" + path + "\": " + reason);
        EXPECT_EQ(entries(), before);
        if (fs::is_regular_file(path)) {
            EXPECT_EQ(readBytes(path), "old");
        }
    }
}

TEST_F(ReplaceFile, file_another_user_may_not_write_is_refused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    writeBytes(file("root.txt"), "old");
    ::chmod(file("root.txt").c_str(), 0644);
    ::chmod(folder_.c_str(), 0777);
    const std::string path = file("root.txt");
    const int status = runAs(kNobody, [&] {
        const FileResult result = plotwright::base::replaceFile(path, "new");
        return result.error == FileError::readOnly && result.reason == "no permission to write the file" ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_EQ(entries(), std::vector<std::string>{"root.txt"});
}

TEST_F(ReplaceFile, symbolic_link_is_followed_and_stays)
{
    writeBytes(file("real.txt"), "old");
    fs::create_symlink("real.txt", file("link.txt"));
    ASSERT_TRUE(plotwright::base::replaceFile(file("link.txt"), "new").ok());
    EXPECT_TRUE(fs::is_symlink(file("link.txt")));
    EXPECT_EQ(readBytes(file("real.txt")), "new");
    EXPECT_EQ(entries(), (std::vector<std::string>{"link.txt", "real.txt"}));
}

TEST_F(ReplaceFile, hard_links_are_written_in_place_and_all_see_it)
{
    writeBytes(file("one.txt"), std::string(10000, 'o'));
    fs::create_hard_link(file("one.txt"), file("two.txt"));
    const ino_t inode = statOf(file("one.txt")).st_ino;
    FileIdentity written;
    ReplaceOptions options;
    options.written = &written;
    ASSERT_TRUE(plotwright::base::replaceFile(file("one.txt"), "short", options).ok());
    EXPECT_EQ(readBytes(file("two.txt")), "short");
    EXPECT_EQ(statOf(file("one.txt")).st_ino, inode);
    EXPECT_EQ(statOf(file("one.txt")).st_nlink, 2u);
    EXPECT_EQ(written, plotwright::base::currentIdentity(file("one.txt")));
    EXPECT_EQ(entries(), (std::vector<std::string>{"one.txt", "two.txt"}));
}

// Lowers the file-size limit for its lifetime, so that writes past it fail (EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit lowered = previous_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(ReplaceFile, failed_write_keeps_old_content_both_ways)
{
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "in place (hard link)" : "by rename");
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        writeBytes(file("kept.txt"), "old content");
        if (linked)
            fs::create_hard_link(file("kept.txt"), file("other.txt"));
        const std::vector<std::string> before = entries();
        FileResult result;
        {
            FileSizeLimit limit(4096);
            result = plotwright::base::replaceFile(file("kept.txt"), std::string(100000, 'x'));
        }
        EXPECT_EQ(result.error, FileError::system);
        EXPECT_EQ(result.code, EFBIG);
        EXPECT_EQ(readBytes(file("kept.txt")), "old content");
        EXPECT_EQ(entries(), before);
    }
}

TEST_F(ReplaceFile, interrupted_in_place_write_leaves_backup_and_next_save_refuses)
{
    writeBytes(file("a.txt"), "old");
    fs::create_hard_link(file("a.txt"), file("b.txt"));
    writeBytes(file(".a.txt.plotwright-backup"), "before the cut");
    const FileResult result = plotwright::base::replaceFile(file("a.txt"), "new");
    EXPECT_EQ(result.error, FileError::exists);
    EXPECT_EQ(result.reason, "an earlier save was cut short; \"" + file(".a.txt.plotwright-backup")
                                 + "\" holds the file as it was before it, move it away first");
    EXPECT_EQ(readBytes(file("a.txt")), "old");
}

TEST_F(ReplaceFile, owner_and_group_are_kept)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give files away";
    // Root can give the new file the owner: replaced by rename, owner kept.
    writeBytes(file("theirs.txt"), "old");
    ASSERT_EQ(::chown(file("theirs.txt").c_str(), kStranger, kStranger), 0);
    ::chmod(file("theirs.txt").c_str(), 0666);
    ASSERT_TRUE(plotwright::base::replaceFile(file("theirs.txt"), "by root").ok());
    EXPECT_EQ(statOf(file("theirs.txt")).st_uid, kStranger);
    EXPECT_EQ(statOf(file("theirs.txt")).st_gid, kStranger);

    // Another user cannot: the file is written in place, in a shared sticky folder whose
    // rename rules would refuse to replace it.
    ::chmod(folder_.c_str(), 01777);
    const ino_t inode = statOf(file("theirs.txt")).st_ino;
    const std::string path = file("theirs.txt");
    EXPECT_EQ(runAs(kNobody, [&] { return plotwright::base::replaceFile(path, "by nobody").ok() ? 0 : 1; }), 0);
    EXPECT_EQ(readBytes(path), "by nobody");
    EXPECT_EQ(statOf(path).st_ino, inode);
    EXPECT_EQ(statOf(path).st_uid, kStranger);
    EXPECT_EQ(statOf(path).st_gid, kStranger);
    EXPECT_EQ(entries(), std::vector<std::string>{"theirs.txt"});
}

// A save with the identity of what was read is refused once another program changed
// the file, and the other program's file stays.
TEST_F(ReplaceFile, changed_on_disk_is_refused)
{
    struct Row {
        const char* name;
        bool existed;
        std::function<void(const std::string& path)> meddle;
        std::string reason;
    };
    const std::vector<Row> rows = {
        {"rewritten in place", true, [](const std::string& p) { writeBytes(p, "theirs, longer"); },
         "another program changed the file after it was read; nothing was written"},
        {"same size, new time", true,
         [](const std::string& p) {
             writeBytes(p, "OLD");
             const timespec times[2] = {{0, UTIME_OMIT}, {1000, 0}};
             ::utimensat(AT_FDCWD, p.c_str(), times, 0);
         },
         "another program changed the file after it was read; nothing was written"},
        {"replaced by rename", true,
         [](const std::string& p) {
             writeBytes(p + ".new", "old");
             fs::rename(p + ".new", p);
         },
         "another program changed the file after it was read; nothing was written"},
        {"removed", true, [](const std::string& p) { fs::remove(p); },
         "another program moved or removed the file after it was read; nothing was written"},
        {"created meanwhile", false, [](const std::string& p) { writeBytes(p, "theirs"); },
         "another program created the file after it was found missing; nothing was written"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = file("doc.txt");
        fs::remove(path);
        if (row.existed)
            writeBytes(path, "old");
        plotwright::base::FileForUpdate read;
        ASSERT_EQ(plotwright::base::readFileForUpdate(path, read), 0);
        EXPECT_EQ(read.identity.exists, row.existed);
        read.lock.release();
        row.meddle(path);
        const std::string theirs = fs::exists(path) ? readBytes(path) : "";
        ReplaceOptions options;
        options.expected = &read.identity;
        const FileResult result = plotwright::base::replaceFile(path, "mine", options);
        EXPECT_EQ(result.error, FileError::changedOnDisk);
        EXPECT_EQ(result.reason, row.reason);
        EXPECT_EQ(fs::exists(path) ? readBytes(path) : "", theirs);
    }
}

TEST_F(ReplaceFile, unchanged_file_is_saved_and_identity_follows)
{
    const std::string path = file("doc.txt");
    writeBytes(path, "old");
    plotwright::base::FileForUpdate read;
    ASSERT_EQ(plotwright::base::readFileForUpdate(path, read), 0);
    EXPECT_EQ(read.bytes, "old");
    FileIdentity identity = read.identity;
    for (const char* content : {"first", "second"}) {
        ReplaceOptions options;
        options.expected = &identity;
        options.written = &identity;
        options.lock = &read.lock;
        ASSERT_TRUE(plotwright::base::replaceFile(path, content, options).ok());
        EXPECT_EQ(readBytes(path), content);
        EXPECT_TRUE(read.lock.held());
        EXPECT_EQ(identity, plotwright::base::currentIdentity(path));
    }
}

// A second read for update waits for the first writer's lock and then reads its result,
// even though that writer replaced the file it had locked.
TEST_F(ReplaceFile, lock_makes_second_writer_wait_and_read_the_new_file)
{
    const std::string path = file("doc.txt");
    writeBytes(path, "0");
    plotwright::base::FileForUpdate first;
    ASSERT_EQ(plotwright::base::readFileForUpdate(path, first), 0);

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        // The inherited descriptor shares the parent's lock; a separate process has none.
        first.lock.release();
        plotwright::base::FileForUpdate second;
        if (plotwright::base::readFileForUpdate(path, second) != 0)
            ::_exit(1);
        const std::string next = second.bytes + "+1";
        ReplaceOptions options;
        options.expected = &second.identity;
        options.lock = &second.lock;
        if (!plotwright::base::replaceFile(path, next, options).ok())
            ::_exit(2);
        ::_exit(::write(ends[1], next.data(), next.size()) > 0 ? 0 : 3);
    }
    ::close(ends[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the second writer did not wait";

    ReplaceOptions options;
    options.expected = &first.identity;
    options.lock = &first.lock;
    ASSERT_TRUE(plotwright::base::replaceFile(path, "0+1", options).ok());
    first.lock.release();

    char buffer[32] = {};
    const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
    ::close(ends[0]);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "0+1+1");
    EXPECT_EQ(readBytes(path), "0+1+1");
}

TEST_F(ReplaceFile, new_file_is_created_once)
{
    const std::string path = file("copy.txt");
    ASSERT_TRUE(plotwright::base::createNewFile(path, "first").ok());
    const FileResult second = plotwright::base::createNewFile(path, "second");
    EXPECT_EQ(second.error, FileError::exists);
    EXPECT_EQ(second.reason, "the file already exists");
    EXPECT_EQ(readBytes(path), "first");
    EXPECT_EQ(entries(), std::vector<std::string>{"copy.txt"});
}

// SIGINT, SIGTERM or SIGHUP while a save is in progress: the process still ends (or
// its own handler runs), and the save's temporary file is gone.
TEST_F(ReplaceFile, signal_during_save_leaves_no_temporary)
{
    struct Row {
        const char* name;
        int signal;
        bool ownHandler;
        int expected;  // exit status, or 128 + signal
    };
    const Row rows[] = {
        {"SIGTERM, default action", SIGTERM, false, 128 + SIGTERM},
        {"SIGINT, default action", SIGINT, false, 128 + SIGINT},
        {"SIGHUP, the program's handler", SIGHUP, true, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeBytes(file("doc.txt"), "old");
        const std::string path = file("doc.txt");
        const std::string named = file(".doc.txt.plotwright-guarded.tmp");
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (row.ownHandler)
                std::signal(row.signal, [](int) { ::_exit(7); });
            // A named temporary, as on a file system without unnamed ones, and one
            // through the layer's own save.
            writeBytes(named, "partial");
            plotwright::base::detail::GuardedTemporary guard(named);
            plotwright::base::replaceFile(path, [&](int fd) {
                if (::write(fd, "part", 4) != 4)
                    return EIO;
                ::raise(row.signal);
                return 0;
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), row.expected);
        EXPECT_EQ(readBytes(path), "old");
        EXPECT_EQ(entries(), std::vector<std::string>{"doc.txt"});
    }
}

TEST_F(ReplaceFile, stale_temporaries_of_ended_processes_are_removed)
{
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string stale = ".doc.txt.plotwright-" + std::to_string(ended) + "-0.tmp";
    const std::string live = ".doc.txt.plotwright-" + std::to_string(::getpid()) + "-999.tmp";
    const std::string otherFile = ".else.txt.plotwright-" + std::to_string(ended) + "-0.tmp";
    for (const std::string& name : {stale, live, otherFile})
        writeBytes(file(name), "x");
    ASSERT_TRUE(plotwright::base::replaceFile(file("doc.txt"), "new").ok());
    EXPECT_EQ(entries(), (std::vector<std::string>{live, otherFile, "doc.txt"}));
}

TEST_F(ReplaceFile, reader_reports_missing_and_folder)
{
    std::string bytes = "stale";
    FileIdentity identity;
    EXPECT_EQ(plotwright::base::readFileBytes(file("none"), bytes, &identity), ENOENT);
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(plotwright::base::readFileBytes(folder_.string(), bytes), EISDIR);
    plotwright::base::FileForUpdate update;
    EXPECT_EQ(plotwright::base::readFileForUpdate(file("none"), update), 0);
    EXPECT_FALSE(update.identity.exists);
    EXPECT_FALSE(update.lock.held());
    EXPECT_EQ(plotwright::base::readFileForUpdate(folder_.string(), update), EISDIR);
}

} // namespace
