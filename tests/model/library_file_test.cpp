// Library files on disk: SaveToFile replaces a file only with a complete new one, and
// ReadLibraryFile brings the UTF-8 text back; the loader gives the curves or the reason,
// with the line and byte offset of a markup fault, from one parse.
#include "base/utf8_text.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
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

// One parse gives the curves, the markup's complaint and where it lies in the file's bytes.
struct LoadCase {
    const char* name;
    std::string bytes;
    plotwright::Status status;
    std::size_t curves;
    const wchar_t* notice;
    long line;
    std::int64_t offset;
};

const std::string kTwoCurves = "<EquationList><Equation name=\"a\"/><Equation name=\"b\"/></EquationList>";

const LoadCase kLoadCases[] = {
    {"well-formed", kTwoCurves, plotwright::Status::ok, 2, L"", -1, -1},
    {"stray end tag on the third line", "<EquationList>\n<Equation name=\"a\"/>\n</x></EquationList>",
     plotwright::Status::ok, 1, L"No start tag for end tag 'x' at offset 36", 3, 36},
    // The message counts characters; where counts bytes (the mark, two-byte letters).
    {"byte-order mark and accents before the fault", "\xEF\xBB\xBF<EquationList v=\"\xC3\xA9\xC3\xA9\"><!x></EquationList>",
     plotwright::Status::ok, 0, L"Incorrect ! tag at offset 21", 1, 26},
    // Its children move out to follow it: the first of them is the stray second root.
    {"library never ended", "<EquationList>\r\n<Equation name=\"a\"/>", plotwright::Status::ok, 0,
     L"Root element has sibling", 2, 16},
    {"other root, well-formed", "<Curves/>", plotwright::Status::fileError, 0, L"", -1, -1},
    {"other root, ill-formed", "<Curves>\n\n<a>", plotwright::Status::fileError, 0,
     L"Root element has sibling", 3, 10},
    {"empty file", "", plotwright::Status::fileError, 0, L"Empty document", -1, -1},
    {"a second root after the library", kTwoCurves + "\n<x/>", plotwright::Status::ok, 2,
     L"Root element has sibling", 2, static_cast<std::int64_t>(kTwoCurves.size() + 1)},
};

TEST(library_file, load_reports_status_notice_and_place)
{
    for (const LoadCase& row : kLoadCases) {
        SCOPED_TRACE(row.name);
        CEquationList list;
        list.AddEquation(std::make_shared<CEquation>());  // replaced, never appended to
        const plotwright::Result result = plotwright::model::loadLibrary(row.bytes, list, "lib.xml");
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.message, row.status == plotwright::Status::ok
                                      ? L""
                                      : L"not a curve library (no EquationList element)");
        EXPECT_EQ(list.GetEquations().size(), row.curves);
        EXPECT_EQ(result.notice, row.notice);
        EXPECT_EQ(result.where.file, "lib.xml");
        EXPECT_EQ(result.where.line, row.line);
        EXPECT_EQ(result.where.offset, row.offset);
    }
}

TEST(library_file, load_file_names_the_system_reason_or_reads_like_the_bytes)
{
    TempFolder folder;
    CEquationList list;
    plotwright::Result result = plotwright::model::loadLibraryFile(folder.path() / "absent.xml", list);
    EXPECT_EQ(result.status, plotwright::Status::fileError);
    // The system's own words, in the user's language.
    EXPECT_EQ(result.message, plotwright::base::wideFromUtf8(std::generic_category().message(ENOENT)));
    EXPECT_EQ(result.where.file, folder.path() / "absent.xml");

    const fs::path file = folder.path() / "lib.xml";
    writeBytes(file, "\xEF\xBB\xBF<EquationList>\n<Equation name=\"a\"/><!x></EquationList>");
    result = plotwright::model::loadLibraryFile(file, list);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(list.GetEquations().size(), 1u);
    EXPECT_EQ(result.where.line, 2);
    EXPECT_EQ(result.where.offset, 38);
}

} // namespace
