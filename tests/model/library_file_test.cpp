// Library files on disk: SaveToFile replaces a file only with a complete new one, and
// ReadLibraryFile brings the UTF-8 text back.
#include "base/utf8_text.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using plotwright::base::utf8FromWide;
using plotwright::base::wideFromUtf8;

namespace {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "plotwright-library-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    fs::path path_;
};

std::wstring wide(const fs::path& path) { return wideFromUtf8(path.string()); }

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

CEquationList libraryOf(int equations)
{
    CEquationList list;
    list.SetVersion(L"caf\u00e9 1");
    for (int i = 0; i < equations; ++i) {
        auto e = std::make_shared<CEquation>();
        e->SetType(ExplicitCartesian);
        e->SetName(L"Curve <" + std::to_wstring(i) + L"> \u00e9");
        e->SetEquationY(L"a*x^2=b");
        e->AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
            .name = L"x", .type = RunningVariable, .increment = 0.001, .maxValue = 3.14159}));
        list.AddEquation(e);
    }
    return list;
}

TEST(library_file, saved_file_reads_back)
{
    TempFolder folder;
    const fs::path file = folder.path() / "Kurven \xC3\xA9" / "curveDefinition_User.xml";
    fs::create_directory(file.parent_path());
    const CEquationList list = libraryOf(3);
    std::wstring result;
    ASSERT_TRUE(list.SaveToFile(wide(file), &result)) << utf8FromWide(result);
    const std::wstring text = list.ToXml();
    const std::string count = std::to_string(text.size());
    EXPECT_EQ(utf8FromWide(result), count + " wide chars to " + count + " bytes");
    EXPECT_EQ(readBytes(file), utf8FromWide(text));  // ASCII, no byte-order mark

    std::wstring read, error = L"stale";
    ASSERT_TRUE(ReadLibraryFile(wide(file), read, &error));
    EXPECT_EQ(error, L"");
    EXPECT_EQ(read, text);
    CEquationList loaded;
    ASSERT_EQ(loaded.LoadFromXml(read), 1);
    EXPECT_EQ(loaded.GetEquations()[2]->GetName(), L"Curve <2> \u00e9");
    EXPECT_EQ(loaded.ToXml(), text);
}

TEST(library_file, save_into_missing_folder_fails_and_leaves_nothing)
{
    TempFolder folder;
    const fs::path file = folder.path() / "missing" / "curveDefinition.xml";
    std::wstring result;
    EXPECT_FALSE(libraryOf(1).SaveToFile(wide(file), &result));
    EXPECT_FALSE(result.empty());
    EXPECT_TRUE(folder.entries().empty());
}

TEST(library_file, save_over_a_folder_fails_and_keeps_it)
{
    TempFolder folder;
    const fs::path target = folder.path() / "curveDefinition.xml";
    fs::create_directory(target);
    writeBytes(target / "keep.txt", "kept");
    std::wstring result;
    EXPECT_FALSE(libraryOf(1).SaveToFile(wide(target), &result));
    EXPECT_FALSE(result.empty());
    EXPECT_EQ(readBytes(target / "keep.txt"), "kept");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"curveDefinition.xml"});
}

TEST(library_file, save_replaces_the_file_instead_of_rewriting_it)
{
    TempFolder folder;
    const fs::path file = folder.path() / "curveDefinition.xml";
    writeBytes(file, "old library");
    // A reader that opened the old file keeps reading the old, complete content.
    const int reader = ::open(file.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(libraryOf(2).SaveToFile(wide(file)));
    char buffer[64] = {};
    const ssize_t got = ::pread(reader, buffer, sizeof buffer - 1, 0);
    ::close(reader);
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "old library");
    EXPECT_EQ(readBytes(file), utf8FromWide(libraryOf(2).ToXml()));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"curveDefinition.xml"});
}

// A file size limit makes the write fail part-way, as a full disk would (and it binds
// root too).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST(library_file, failed_write_keeps_the_previous_file)
{
    TempFolder folder;
    const fs::path file = folder.path() / "curveDefinition_User.xml";
    const std::string previous = utf8FromWide(libraryOf(1).ToXml());
    writeBytes(file, previous);
    std::wstring result;
    bool saved = true;
    {
        FileSizeLimit limit(4096);
        saved = libraryOf(100).SaveToFile(wide(file), &result);
    }
    EXPECT_FALSE(saved);
    EXPECT_FALSE(result.empty());
    EXPECT_EQ(readBytes(file), previous);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"curveDefinition_User.xml"});
}

TEST(library_file, read_failures_and_byte_order_mark)
{
    TempFolder folder;
    std::wstring text = L"stale", error;
    EXPECT_FALSE(ReadLibraryFile(wide(folder.path() / "absent.xml"), text, &error));
    EXPECT_EQ(text, L"");
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(ReadLibraryFile(wide(folder.path()), text, &error));
    EXPECT_FALSE(error.empty());

    writeBytes(folder.path() / "bom.xml", "\xEF\xBB\xBF<EquationList name=\"\xE2\x82\xAC\"/>");
    ASSERT_TRUE(ReadLibraryFile(wide(folder.path() / "bom.xml"), text));
    EXPECT_EQ(text, L"<EquationList name=\"\u20ac\"/>");
}

} // namespace
