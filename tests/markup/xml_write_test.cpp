// Writing the document text as UTF-8, and keeping the previous file whenever a write
// fails. Tests run as root, so the failures are ones root meets too: a missing folder,
// a directory in the way, and the file-size limit cutting a write short.

#include "markup/xml_document.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class MarkupWrite : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "markup_write_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string readBytes(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeBytes(const fs::path& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // Only the given names remain in the folder: no temporary file was left behind.
    void expectFolderHolds(std::initializer_list<const char*> names) const
    {
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_))
            ++entries;
        EXPECT_EQ(entries, names.size());
        for (const char* name : names)
            EXPECT_TRUE(fs::exists(folder_ / name)) << name;
    }

    fs::path folder_;
};

TEST_F(MarkupWrite, write_ascii_text_and_result)
{
    CXmlDocument document;
    document.ParseText(L"<a>text</a>");
    ASSERT_TRUE(document.WriteDocumentFile((folder_ / "out.xml").wstring()));
    EXPECT_EQ(document.GetResultText(), L"11 wide chars to 11 bytes");
    EXPECT_EQ(readBytes(folder_ / "out.xml"), "<a>text</a>");
    expectFolderHolds({"out.xml"});
}

TEST_F(MarkupWrite, write_utf8_without_byte_order_mark)
{
    CXmlDocument document;
    document.ParseText(L"<a n=\"\u00e9\u20ac\U0001F600\"/>");
    // The wide path is converted to UTF-8 whatever the locale.
    ASSERT_TRUE(document.WriteDocumentFile(folder_.wstring() + L"/\u00fcml.xml"));
    EXPECT_EQ(document.GetResultText(), L"12 wide chars to 18 bytes");
    EXPECT_EQ(readBytes(folder_ / "\xC3\xBCml.xml"), "<a n=\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"/>");
}

TEST_F(MarkupWrite, write_counts_without_digit_grouping)
{
    // A comma-decimal locale groups thousands; the result text must not.
    CXmlDocument document;
    document.ParseText(L"<a>" + std::wstring(12340, L'x') + L"</a>");
    ASSERT_TRUE(document.WriteDocumentFile((folder_ / "big.xml").wstring()));
    EXPECT_EQ(document.GetResultText(), L"12347 wide chars to 12347 bytes");
}

TEST_F(MarkupWrite, write_empty_text_replaces_with_empty_file)
{
    writeBytes(folder_ / "out.xml", "old contents");
    CXmlDocument document;
    ASSERT_TRUE(document.WriteDocumentFile((folder_ / "out.xml").wstring()));
    EXPECT_EQ(document.GetResultText(), L"0 wide chars to 0 bytes");
    EXPECT_TRUE(fs::exists(folder_ / "out.xml"));
    EXPECT_EQ(fs::file_size(folder_ / "out.xml"), 0u);
}

TEST_F(MarkupWrite, write_keeps_permissions_of_replaced_file)
{
    writeBytes(folder_ / "out.xml", "old");
    fs::permissions(folder_ / "out.xml", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    CXmlDocument document;
    document.ParseText(L"<new/>");
    ASSERT_TRUE(document.WriteDocumentFile((folder_ / "out.xml").wstring()));
    EXPECT_EQ(readBytes(folder_ / "out.xml"), "<new/>");
    EXPECT_EQ(fs::status(folder_ / "out.xml").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(MarkupWrite, write_through_symbolic_link_keeps_link)
{
    writeBytes(folder_ / "real.xml", "old");
    fs::create_symlink("real.xml", folder_ / "link.xml");
    CXmlDocument document;
    document.ParseText(L"<new/>");
    ASSERT_TRUE(document.WriteDocumentFile((folder_ / "link.xml").wstring()));
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.xml"));
    EXPECT_EQ(readBytes(folder_ / "real.xml"), "<new/>");
}

TEST_F(MarkupWrite, write_into_missing_folder_fails_with_reason)
{
    CXmlDocument document;
    document.ParseText(L"<a/>");
    EXPECT_FALSE(document.WriteDocumentFile((folder_ / "missing" / "out.xml").wstring()));
    EXPECT_FALSE(document.GetResultText().empty());
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
    expectFolderHolds({});
}

TEST_F(MarkupWrite, write_over_directory_fails_and_keeps_it)
{
    fs::create_directory(folder_ / "out.xml");
    writeBytes(folder_ / "out.xml" / "inside", "kept");
    CXmlDocument document;
    document.ParseText(L"<a/>");
    EXPECT_FALSE(document.WriteDocumentFile((folder_ / "out.xml").wstring()));
    EXPECT_FALSE(document.GetResultText().empty());
    EXPECT_EQ(readBytes(folder_ / "out.xml" / "inside"), "kept");
    expectFolderHolds({"out.xml"});
}

// Lowers the file-size limit for its lifetime, so that writes past it fail (EFBIG)
// instead of raising SIGXFSZ.
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

TEST_F(MarkupWrite, write_cut_short_keeps_previous_file)
{
    const std::string previous = "<previous library/>";
    writeBytes(folder_ / "out.xml", previous);
    CXmlDocument document;
    document.ParseText(L"<a>" + std::wstring(100000, L'x') + L"</a>");
    bool written = true;
    {
        FileSizeLimit limit(4096);
        written = document.WriteDocumentFile((folder_ / "out.xml").wstring());
    }
    EXPECT_FALSE(written);
    EXPECT_FALSE(document.GetResultText().empty());
    EXPECT_EQ(document.GetResultText().find(L"wide chars"), std::wstring::npos);
    EXPECT_EQ(readBytes(folder_ / "out.xml"), previous);
    expectFolderHolds({"out.xml"});
}

} // namespace
