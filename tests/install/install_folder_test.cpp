// The install folder lookup: settings file along XDG_CONFIG_DIRS, the environment
// override, and the contract "empty or ending with /".
#include "install/install_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        set(value);
    }
    ~ScopedEnv() { set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

class InstallFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "pw-install-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        SetInstallInfo(PlotwrightInstallInfo());
    }
    void TearDown() override
    {
        SetInstallInfo(PlotwrightInstallInfo());
        fs::remove_all(root_);
    }

    // Writes <root>/<dir>/Tolbrin/Plotwright.conf and returns <root>/<dir>.
    std::string writeConf(const std::string& dir, const std::string& content)
    {
        fs::path folder = root_ / dir / "Tolbrin";
        fs::create_directories(folder);
        std::ofstream(folder / "Plotwright.conf", std::ios::binary) << content;
        return (root_ / dir).string();
    }

    fs::path root_;
    ScopedEnv override_{"PLOTWRIGHT_INSTALL_FOLDER", std::nullopt};
};

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST_F(InstallFolderTest, install_folder_from_settings_file)
{
    const std::string longFolder = "/data/" + std::string(240, 'p');
    struct Row {
        const char* name;
        std::string conf;
        std::wstring expected;
    } rows[] = {
        {"slash appended to a folder without one", "[PW1]\nInstallFolder=/opt/plotwright\n", L"/opt/plotwright/"},
        {"trailing slash not doubled", "[PW1]\nInstallFolder=/opt/plotwright/\n", L"/opt/plotwright/"},
        {"path longer than 200 characters accepted", "[PW1]\nInstallFolder=" + longFolder + "\n",
         wide(longFolder) + L"/"},
        {"quoted value keeps comma, quote and backslash", "[PW1]\nInstallFolder=\"/a b,\\\"c\\\"\\\\d\"\n",
         L"/a b,\"c\"\\d/"},
        {"non-ASCII folder name", "[PW1]\nInstallFolder=/home/j\xC3\xB6rg/curves\n", L"/home/j\u00F6rg/curves/"},
        // Without a usable record: the user's data folder (empty: that folder).
        {"group of another product code", "[PW2]\nInstallFolder=/opt/other\n", L""},
        {"value absent", "[PW1]\nOtherValue=/opt/other\n", L""},
        {"empty value", "[PW1]\nInstallFolder=\n", L""},
        {"not a settings file", "\x01\x02 garbage [[[\n", L""},
    };
    ScopedEnv data("XDG_DATA_HOME", (root_ / "data").string());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dir = writeConf(row.name, row.conf);
        ScopedEnv xdg("XDG_CONFIG_DIRS", dir);
        EXPECT_EQ(GetInstallFolder(), row.expected.empty() ? (root_ / "data/Plotwright/").wstring() : row.expected);
    }
}

// Without installation the user's libraries go to the user's data folder, never to the
// folder the program was started from.
TEST_F(InstallFolderTest, install_folder_user_data_without_settings_file)
{
    ScopedEnv xdg("XDG_CONFIG_DIRS", (root_ / "nothing-here").string());
    struct Row {
        const char* name;
        std::optional<std::string> dataHome;
        fs::path expected;
    } rows[] = {
        {"XDG_DATA_HOME", (root_ / "data").string(), root_ / "data/Plotwright/"},
        {"relative XDG_DATA_HOME is ignored", std::string("relative"), root_ / "home/.local/share/Plotwright/"},
        {"no XDG_DATA_HOME", std::nullopt, root_ / "home/.local/share/Plotwright/"},
    };
    ScopedEnv home("HOME", (root_ / "home").string());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedEnv data("XDG_DATA_HOME", row.dataHome);
        EXPECT_EQ(GetInstallFolder(), row.expected.wstring());
        EXPECT_TRUE(fs::is_directory(row.expected));
    }
}

TEST_F(InstallFolderTest, install_folder_search_order_along_config_dirs)
{
    const std::string without = writeConf("first", "[PW1]\nSomethingElse=1\n");
    const std::string with = writeConf("second", "[PW1]\nInstallFolder=/from/second\n");
    const std::string also = writeConf("third", "[PW1]\nInstallFolder=/from/third\n");
    {
        SCOPED_TRACE("first folder holding the value wins");
        ScopedEnv xdg("XDG_CONFIG_DIRS", without + ":" + with + ":" + also);
        EXPECT_EQ(GetInstallFolder(), L"/from/second/");
    }
    {
        SCOPED_TRACE("relative and empty entries are skipped");
        ScopedEnv xdg("XDG_CONFIG_DIRS", "relative/dir::" + also);
        EXPECT_EQ(GetInstallFolder(), L"/from/third/");
    }
}

TEST_F(InstallFolderTest, install_folder_environment_override)
{
    ScopedEnv xdg("XDG_CONFIG_DIRS", writeConf("conf", "[PW1]\nInstallFolder=/from/settings\n"));
    {
        ScopedEnv env("PLOTWRIGHT_INSTALL_FOLDER", std::string("/portable/curves"));
        EXPECT_EQ(GetInstallFolder(), L"/portable/curves/");
    }
    {
        SCOPED_TRACE("an empty override counts as none");
        ScopedEnv env("PLOTWRIGHT_INSTALL_FOLDER", std::string());
        EXPECT_EQ(GetInstallFolder(), L"/from/settings/");
    }
}

TEST_F(InstallFolderTest, install_folder_follows_recorded_product_code)
{
    ScopedEnv xdg("XDG_CONFIG_DIRS", writeConf("conf", "[PW1]\nInstallFolder=/one\n[PW9]\nInstallFolder=/nine\n"));
    SetInstallInfo({L"Tolbrin", L"Plotwright", L"PW9"});
    EXPECT_EQ(GetInstallFolder(), L"/nine/");
}

// The settings file the installer writes: "~/" is each user's home, created on first use.
TEST_F(InstallFolderTest, install_folder_installed_settings_file)
{
    std::ifstream installed(PLOTWRIGHT_BINARY_DIR "/install/Plotwright.conf", std::ios::binary);
    ASSERT_TRUE(installed) << "configured settings file missing";
    const std::string content((std::istreambuf_iterator<char>(installed)), std::istreambuf_iterator<char>());
    ScopedEnv xdg("XDG_CONFIG_DIRS", writeConf("conf", content));
    const fs::path home = root_ / "home dir";
    fs::create_directories(home);
    ScopedEnv homeEnv("HOME", home.string());

    const std::wstring folder = GetInstallFolder();
    EXPECT_EQ(folder, (home / ".local/share/Plotwright/").wstring());
    EXPECT_TRUE(fs::is_directory(home / ".local/share/Plotwright"));
}

} // namespace

namespace {

// After the configuration folders comes the settings folder of the program's own prefix.
TEST_F(InstallFolderTest, install_folder_settings_beside_the_program)
{
    const fs::path beside = (fs::read_symlink("/proc/self/exe").parent_path() / "../etc/xdg").lexically_normal();
    struct Row {
        const char* name;
        std::optional<std::string> configDirs;
        std::vector<std::wstring> folders;
    } rows[] = {
        {"default", std::nullopt, {L"/etc/xdg", beside.wstring()}},
        {"listed", "/a:/b", {L"/a", L"/b", beside.wstring()}},
        {"listed already", beside.string(), {beside.wstring()}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedEnv xdg("XDG_CONFIG_DIRS", row.configDirs);
        EXPECT_EQ(SettingsFolders(), row.folders);
    }
}

} // namespace
