// Merging one curve library into another: the names taken, replacing, the selection
// marks, and a target file that must be left alone.
#include "base/utf8_text.h"
#include "model/equation_list.h"
#include "model/library_merge.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A curve whose y expression tells which library it came from.
CEquationPtr curve(const std::wstring& name, const std::wstring& origin, int selected = 0)
{
    auto e = std::make_shared<CEquation>();
    e->SetType(ExplicitCartesian);
    e->SetName(name);
    e->SetEquationY(origin);
    e->SetSelected(selected);
    e->AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"x", .type = RunningVariable, .increment = 1, .maxValue = 2}));
    return e;
}

CEquationList library(const std::vector<std::wstring>& names, const std::wstring& origin)
{
    CEquationList list;
    list.SetVersion(origin + L"-version");
    for (const std::wstring& name : names)
        list.AddEquation(curve(name, origin));
    return list;
}

// "name=origin" per curve, in sequence order.
std::vector<std::wstring> contents(const CEquationList& list)
{
    std::vector<std::wstring> out;
    for (const CEquationPtr& e : list.GetEquations())
        out.push_back(e->GetName() + L"=" + e->GetEquationY());
    return out;
}

struct MergeRow {
    std::string name;
    std::vector<std::wstring> into, from;
    bool replace;
    std::vector<std::wstring> merged;
    std::size_t added, replaced, renamed;
};

class MergeTest : public testing::TestWithParam<MergeRow> {};

TEST_P(MergeTest, merge_names)
{
    const MergeRow& row = GetParam();
    CEquationList into = library(row.into, L"into");
    const CEquationList from = library(row.from, L"from");
    const LibraryMergeResult result = MergeLibrary(into, from, row.replace);

    EXPECT_EQ(contents(into), row.merged);
    EXPECT_EQ(result.added, row.added);
    EXPECT_EQ(result.replaced, row.replaced);
    EXPECT_EQ(result.renamed.size(), row.renamed);
    EXPECT_EQ(into.GetVersion(), L"into-version");
    // A name finds the first curve of that name in the merged sequence.
    for (auto it = into.GetEquations().rbegin(); it != into.GetEquations().rend(); ++it)
        if (std::none_of(it + 1, into.GetEquations().rend(),
                         [&](const CEquationPtr& e) { return e->GetName() == (*it)->GetName(); })) {
            EXPECT_EQ(into.FindEquation((*it)->GetName()), *it);
        }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MergeTest,
    testing::Values(
        MergeRow{"into empty", {}, {L"a", L"b"}, false, {L"a=from", L"b=from"}, 2, 0, 0},
        MergeRow{"distinct names appended", {L"a"}, {L"b"}, false, {L"a=into", L"b=from"}, 1, 0, 0},
        MergeRow{"taken name numbered", {L"a", L"b"}, {L"a"}, false, {L"a=into", L"b=into", L"a (2)=from"}, 1, 0, 1},
        MergeRow{"next free number", {L"a", L"a (2)"}, {L"a"}, false,
                 {L"a=into", L"a (2)=into", L"a (3)=from"}, 1, 0, 1},
        MergeRow{"same name twice in the source", {L"a"}, {L"a", L"a"}, false,
                 {L"a=into", L"a (2)=from", L"a (3)=from"}, 2, 0, 2},
        MergeRow{"replace keeps the position", {L"a", L"b", L"c"}, {L"b", L"d"}, true,
                 {L"a=into", L"b=from", L"c=into", L"d=from"}, 1, 1, 0},
        MergeRow{"replace the first of a repeated name", {L"a", L"a"}, {L"a"}, true, {L"a=from", L"a=into"}, 0, 1, 0},
        MergeRow{"nothing to merge", {L"a"}, {}, false, {L"a=into"}, 0, 0, 0}),
    rowName<MergeRow>);

TEST(Merge, merge_copies_are_independent_and_unselected)
{
    CEquationList into = library({L"a"}, L"into");
    into.SetSelected(*into.GetEquations()[0]);
    CEquationList from;
    from.AddEquation(curve(L"b", L"from", 1));
    MergeLibrary(into, from, false);

    ASSERT_EQ(into.GetEquations().size(), 2u);
    EXPECT_EQ(into.GetSelected(), into.GetEquations()[0]);
    EXPECT_EQ(into.GetEquations()[1]->GetSelected(), 0);
    from.GetEquations()[0]->GetParameters()[0]->SetValue(42);
    EXPECT_NE(into.GetEquations()[1].get(), from.GetEquations()[0].get());
    EXPECT_EQ(into.GetEquations()[1]->GetParameters()[0]->GetValue(), 0);
}

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "plotwright-merge-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path file(const std::string& name) const { return path_ / name; }
    std::size_t entries() const { return std::distance(fs::directory_iterator(path_), fs::directory_iterator()); }

private:
    fs::path path_;
};

std::string read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The system's reason in the user's language, as the messages give it.
std::wstring systemText(int code) { return plotwright::base::wideFromUtf8(std::generic_category().message(code)); }

void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(MergeFile, merge_file_created_then_extended)
{
    TempFolder folder;
    const fs::path target = folder.file("user.xml");
    LibraryMergeResult result;
    std::wstring error;
    ASSERT_TRUE(MergeIntoLibraryFile(target.wstring(), library({L"a"}, L"from"), false, result, error));
    ASSERT_TRUE(MergeIntoLibraryFile(target.wstring(), library({L"a", L"b"}, L"from"), false, result, error));

    CEquationList back;
    const std::string bytes = read(target);
    ASSERT_EQ(back.LoadFromXml(std::wstring(bytes.begin(), bytes.end())), 1);
    EXPECT_EQ(contents(back), (std::vector<std::wstring>{L"a=from", L"a (2)=from", L"b=from"}));
    EXPECT_EQ(error, L"");
    // Written by way of a temporary file that is gone afterwards.
    EXPECT_EQ(folder.entries(), 1u);
}

struct RefusedRow {
    std::string name;
    std::string bytes;
    std::wstring error;
};

class MergeFileRefused : public testing::TestWithParam<RefusedRow> {};

TEST_P(MergeFileRefused, merge_file_left_unchanged)
{
    const RefusedRow& row = GetParam();
    TempFolder folder;
    const fs::path target = folder.file("user.xml");
    write(target, row.bytes);
    LibraryMergeResult result;
    std::wstring error;
    EXPECT_FALSE(MergeIntoLibraryFile(target.wstring(), library({L"a"}, L"from"), false, result, error));
    EXPECT_EQ(error, row.error);
    EXPECT_EQ(read(target), row.bytes);
    EXPECT_EQ(folder.entries(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MergeFileRefused,
    testing::Values(
        RefusedRow{"cut short", "<EquationList><Equation name=\"a\"",
                   L"not a well-formed curve library (Element tag at offset 14 unterminated); left unchanged"},
        RefusedRow{"no equation list", "<Curves></Curves>",
                   L"not a curve library (no EquationList element); left unchanged"},
        RefusedRow{"not UTF-8", "<EquationList version=\"\xE9\"></EquationList>",
                   L"not a curve library (not UTF-8 text); left unchanged"}),
    rowName<RefusedRow>);

TEST(MergeFile, merge_file_write_fails)
{
    TempFolder folder;
    const fs::path target = folder.file("gone") / "user.xml";
    LibraryMergeResult result;
    std::wstring error;
    EXPECT_FALSE(MergeIntoLibraryFile(target.wstring(), library({L"a"}, L"from"), false, result, error));
    const std::wstring reason = L"the folder \"" + target.parent_path().wstring() + L"\" does not exist";
    EXPECT_NE(error.find(reason), std::wstring::npos) << plotwright::base::utf8FromWide(error);
    EXPECT_EQ(folder.entries(), 0u);
}

TEST(MergeFile, merge_file_that_is_a_folder)
{
    TempFolder folder;
    fs::create_directory(folder.file("user.xml"));
    LibraryMergeResult result;
    std::wstring error;
    EXPECT_FALSE(MergeIntoLibraryFile(folder.file("user.xml").wstring(), library({L"a"}, L"from"), false, result, error));
    EXPECT_EQ(error, systemText(EISDIR));
    EXPECT_TRUE(fs::is_directory(folder.file("user.xml")));
}

} // namespace
