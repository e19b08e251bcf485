// Recovery of a file whose in-place save was cut short: the copy kept beside it goes
// back over the file (keeping its inode, so its hard links stay), unless a save that is
// still running holds the file's lock.
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/interrupted_save.h"

namespace {

namespace fs = std::filesystem;
using plotwright::base::inPlaceBackupPath;
using plotwright::base::recoverInterruptedSave;

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class InterruptedSave : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("plotwright-recover-" + std::to_string(::getpid()) + "-" +
                                              testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        file_ = folder_ / "plan.dxf";
        backup_ = folder_ / ".plan.dxf.plotwright-backup";
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_, file_, backup_;
};

TEST_F(InterruptedSave, recover_names_the_copy_beside_the_file_a_link_points_at)
{
    writeBytes(file_, "x");
    fs::create_directory(folder_ / "elsewhere");
    fs::create_symlink(file_, folder_ / "elsewhere" / "link.dxf");
    EXPECT_EQ(inPlaceBackupPath(file_.string()), backup_.string());
    EXPECT_EQ(inPlaceBackupPath((folder_ / "elsewhere" / "link.dxf").string()), backup_.string());
}

TEST_F(InterruptedSave, recover_without_a_copy_changes_nothing)
{
    writeBytes(file_, "new, complete");
    const auto recovery = recoverInterruptedSave(file_.string());
    EXPECT_FALSE(recovery.recovered);
    EXPECT_EQ(recovery.message, "");
    EXPECT_EQ(readBytes(file_), "new, complete");
}

// A kill part-way leaves any prefix of the new content, or all of it: the copy wins.
TEST_F(InterruptedSave, recover_writes_the_copy_back_in_place_and_removes_it)
{
    const std::string old = "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n";
    for (const std::string& left : {std::string(), std::string("0\nSEC"), old + "0\nLINE\n", std::string(10000, 'z')}) {
        SCOPED_TRACE(left.size());
        writeBytes(file_, left);
        fs::remove(folder_ / "other.dxf");
        fs::create_hard_link(file_, folder_ / "other.dxf");
        writeBytes(backup_, old);
        const auto recovery = recoverInterruptedSave(file_.string());
        EXPECT_TRUE(recovery.recovered);
        EXPECT_EQ(recovery.message, "An earlier save of \"" + file_.string() +
                                        "\" was cut short; the file was restored to what it held before that save.");
        EXPECT_EQ(readBytes(file_), old);
        EXPECT_EQ(readBytes(folder_ / "other.dxf"), old) << "the hard link was broken";
        EXPECT_FALSE(fs::exists(backup_));
    }
}

TEST_F(InterruptedSave, recover_leaves_a_save_that_holds_the_lock_alone)
{
    writeBytes(file_, "half of the n");
    writeBytes(backup_, "old");
    const int held = ::open(file_.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const auto recovery = recoverInterruptedSave(file_.string());
    EXPECT_FALSE(recovery.recovered);
    EXPECT_EQ(recovery.message, "");
    EXPECT_EQ(readBytes(file_), "half of the n");
    EXPECT_TRUE(fs::exists(backup_));
    ::close(held);
}

TEST_F(InterruptedSave, recover_of_a_missing_file_keeps_the_copy_and_says_where)
{
    writeBytes(backup_, "old");
    const auto recovery = recoverInterruptedSave(file_.string());
    EXPECT_FALSE(recovery.recovered);
    EXPECT_EQ(recovery.message, "An earlier save of \"" + file_.string() +
                                    "\" was cut short and the file could not be restored (" + std::strerror(ENOENT) + "); \"" +
                                    backup_.string() + "\" holds the file as it was before that save.");
    EXPECT_TRUE(fs::exists(backup_));
}

} // namespace
