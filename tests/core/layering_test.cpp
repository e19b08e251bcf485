// The layers stand apart. The core and the command-line tool stand on their own: no source of theirs reaches
// for the module's host (its back-end, its point pick, its working drawing). The link
// proves the rest: neither links plotwright::host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::filesystem::path kSource = std::filesystem::path(PLOTWRIGHT_TEST_DATA).parent_path().parent_path();

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(CoreLayering, core_and_cli_use_no_host)
{
    const char* folders[] = {"core", "cli"};
    const char* forbidden[] = {"acedGetPoint", "workingDatabase", "\"host/", "backend()", "acDocManagerPtr",
                               "EditorCommandBracket", "\"draw/"};
    int files = 0;
    for (const char* folder : folders) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(kSource / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h" && ext != ".txt")
                continue;
            ++files;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            for (const char* word : forbidden)
                EXPECT_EQ(text.str().find(word), std::string::npos) << entry.path() << " uses " << word;
        }
    }
    EXPECT_GT(files, 20) << "the sources were not found under " << kSource;
}

// The database holds entities only: what draws them (tessellation, pictures, text
// layout) is the render library's.
TEST(CoreLayering, db_holds_no_display_code)
{
    const char* words[] = {"tessellat", "svg", "text_layout", "display_shapes"};
    for (const auto& entry : std::filesystem::directory_iterator(kSource / "db")) {
        const std::string name = entry.path().filename().string();
        for (const char* word : words)
            EXPECT_EQ(name.find(word), std::string::npos) << "db/" << name;
    }
    EXPECT_TRUE(std::filesystem::exists(kSource / "render" / "tessellate.cpp"));
}

// Each row: the folders whose sources must not contain a text, and why.
struct Boundary {
    const char* rule;
    std::vector<const char*> folders;
    std::vector<const char*> forbidden;
};

const Boundary kBoundaries[] = {
    // One parse gives a library's curves and the reason it is damaged, with its place.
    {"library files are read by the loader only", {"core", "cli", "editor", "ui", "app", "draw", "python"},
     {"\"markup/", "ParseText("}},
    // The dialogs take a curve and give one back; the commands on drawn curves, which find
    // them in the working drawing, are the module's (app/drawn_curve_commands).
    {"dialogs do not reach into drawings", {"ui", "grid"}, {"workingDatabase", "drawnCurves(", "pickEntity"}},
    // host/ is the module's runtime only: the dialog framework (dialogs/) and the install
    // folder lookup (install/) stand beside it, and it uses no widgets.
    {"the host runtime holds no dialogs", {"host"}, {"\"dialogs/", "\"install/", "#include <Q"}},
    // DXF files carry typed application data; what a curve definition is, is the core's.
    {"the file format knows no curves", {"dxf"}, {"\"curve/", "\"model/", "muParser", "CurveDefinition"}},
    // The Cox-de Boor recursion exists once, in base/spline_basis.
    {"one cubic spline basis", {"curve", "db", "render", "dxf", "core"}, {"right[r + 1] + left[j - r]"}},
};

TEST(CoreLayering, boundaries_hold)
{
    for (const Boundary& row : kBoundaries) {
        SCOPED_TRACE(row.rule);
        for (const char* folder : row.folders) {
            ASSERT_TRUE(std::filesystem::is_directory(kSource / folder)) << folder;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(kSource / folder)) {
                const std::string ext = entry.path().extension().string();
                if (ext != ".cpp" && ext != ".h" && ext != ".txt")
                    continue;
                const std::string text = fileText(entry.path());
                for (const char* word : row.forbidden)
                    EXPECT_EQ(text.find(word), std::string::npos) << entry.path() << " uses " << word;
            }
        }
    }
}

// A concept has one home: these files exist in one folder only.
TEST(CoreLayering, one_home_per_concept)
{
    const std::pair<const char*, const char*> homes[] = {
        {"number_text.cpp", "base"},
        {"spline_basis.cpp", "base"},
    };
    for (const auto& [file, home] : homes) {
        std::vector<std::string> found;
        for (const auto& top : std::filesystem::directory_iterator(kSource)) {
            const std::string name = top.path().filename().string();
            if (!top.is_directory() || name.starts_with(".") || name == "build" || name == "tests")
                continue;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(top.path()))
                if (entry.path().filename() == file)
                    found.push_back(std::filesystem::relative(entry.path().parent_path(), kSource).string());
        }
        EXPECT_EQ(found, std::vector<std::string>{home}) << file;
    }
}

// The editor's own code speaks the core's words (drawing, entity, layer:
// core/drawing_contents.h); the host SDK's names belong to host/ and the module's
// surface. Where the editor hosts the module it uses them, and this table is their budget
// per file: lower a row when it can, never raise one; a file not listed has none.
TEST(CoreLayering, editor_uses_no_new_sdk_names)
{
    const std::map<std::string, int> budget = {
        // Where the editor hosts the module, the host's names stay: the back-end
        // implements the host's interactive functions and answers in its status codes;
        // module_host loads modules, tells them of drawings and runs their commands; the
        // tabs keep the drawings in the host's document manager; document.h names the
        // host's document once for the rest of the editor.
        {"document.h", 2},
        {"document_tabs.cpp", 1},
        {"editor_backend.cpp", 6},
        {"module_host.cpp", 18},
    };
    const std::regex sdkName(R"(\b(?:AcDb|AcAp|AcGe|AcRx|AcEd)\w*|\b(?:acdb|aced|acrx)[A-Z]\w*|\bacDocManagerPtr\b|\bAcad::|\bRTNORM\b)");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSource / "editor")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h")
            continue;
        ++files;
        const std::string text = fileText(entry.path());
        const auto uses = std::distance(std::sregex_iterator(text.begin(), text.end(), sdkName), std::sregex_iterator());
        const std::string name = entry.path().filename().string();
        const auto allowed = budget.find(name);
        EXPECT_LE(uses, allowed == budget.end() ? 0 : allowed->second) << "editor/" << name;
    }
    EXPECT_GT(files, 20);
}

// The editor loads modules and runs their commands in one place (editor/module_host),
// so that its windows and commands never reach into the module's runtime themselves.
TEST(CoreLayering, editor_hosts_the_module_in_one_place)
{
    const char* runtime[] = {"\"host/dynamic_linker.h\"", "\"host/command_stack.h\"", "\"host/rx_app.h\""};
    for (const auto& entry : std::filesystem::directory_iterator(kSource / "editor")) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("module_host."))
            continue;
        const std::string text = fileText(entry.path());
        for (const char* header : runtime)
            EXPECT_EQ(text.find(header), std::string::npos) << "editor/" << name << " includes " << header;
    }
    EXPECT_TRUE(std::filesystem::exists(kSource / "editor" / "module_host.cpp"));
}

} // namespace
