// Every file the command-line tool writes, byte for byte: drawings new and from other
// programs, each output kind, literal steps, redraw, and the library commands. The
// expected files were written by the tool itself; a change of structure must not change
// one byte of them. PLOTWRIGHT_WRITE_GOLDEN=1 writes them again (review the diff!).
//
// A drawn curve's id is random (128 bits from the system): every value line of exactly
// 32 lower-case hexadecimal digits is compared as "<curve id>". Everything else,
// handles included, is deterministic.
#include "cli/run_tool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using plotwright::test::readAll;
using plotwright::test::RunResult;
using plotwright::test::TempFolder;
using plotwright::test::writeAll;

namespace {

const std::string kTool = PLOTWRIGHT_TOOL;
const std::string kData = PLOTWRIGHT_TEST_DATA;
const std::string kGolden = kData + "/golden";

// A command's arguments; "{file}" is the file under test, "{handle}" the first line the
// previous command printed (a new entity's handle).
using Command = std::vector<std::string>;

struct Row {
    const char* name;   // the expected file is golden/out/<name>, with the input's extension
    const char* input;  // a file copied in first (relative to tests/data), or "" for none
    std::vector<Command> commands;
    const char* extension = ".dxf";
};

bool isCurveId(const std::string& line)
{
    if (line.size() != 32)
        return false;
    for (char c : line)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::string maskedCurveIds(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        std::string line = bytes.substr(start, end - start);
        std::string bare = line;
        while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r'))
            bare.pop_back();
        out += isCurveId(bare) ? "<curve id>" + line.substr(bare.size()) : line;
        start = end;
    }
    return out;
}

// Two expressions of 10,000 characters: more than the 16,000 bytes of extended data, so
// the definition goes to an XRECORD (where the drawing has an OBJECTS section).
std::string longExpression(const char* sign)
{
    std::string text = "t";
    while (text.size() < 9997)
        text += std::string(sign) + "0*t";
    return text + "+00";
}

const std::vector<Row>& rows()
{
    const std::string lib = kData + "/cli/user_library.xml";
    static const std::vector<Row> table = {
        // New drawings, every output kind.
        {"new_polyline", "", {{"draw", "Epicycloid", "--out", "{file}"}}},
        {"new_arcs", "", {{"draw", "Epicycloid", "--output", "arcs", "--out", "{file}"}}},
        {"new_spline", "", {{"draw", "Epicycloid", "--output", "spline", "--out", "{file}"}}},
        {"new_literal_steps", "", {{"draw", "Deltoid", "--literal-steps", "--out", "{file}"}}},
        {"new_broken_adaptive", "",
         {{"draw", "--explicit", "tan(x)", "--range=-5:5:0.1", "--tolerance", "0.001", "--out", "{file}"}}},
        {"new_parametric_origin", "",
         {{"draw", "--parametric", "3*cos(t)", "2*sin(2*t)", "--range", "0:6.28:0.1", "--origin", "10,5,0", "--out",
           "{file}"}}},
        {"new_polar_arcs", "",
         {{"draw", "--polar", "1+cos(t)", "--range", "0:6.3:0.05", "--tolerance", "0.01", "--output", "arcs", "--out",
           "{file}"}}},
        {"new_spline_runs", "",
         {{"draw", "--explicit", "1/x", "--range=-1:1:0.1", "--tolerance", "0.01", "--output", "spline", "--out",
           "{file}"}}},
        {"new_constants", "", {{"draw", "Cycloid", "--set", "a=2.5", "--origin", "-3,4", "--out", "{file}"}}},
        {"new_gallery", "",
         {{"draw", "Involute of a circle", "--library", "gallery", "--set", "r=25", "--out", "{file}"}}},
        {"new_user_library", "", {{"draw", "Cr\xC3\xA8me", "--library", lib, "--out", "{file}"}}},
        {"new_two_curves", "",
         {{"draw", "Deltoid", "--out", "{file}"},
          {"draw", "--explicit", "sin(x)", "--range", "0:10:0.5", "--output", "arcs", "--origin", "0,20", "--out",
           "{file}"}}},
        {"new_long_definition", "", {{"draw", "--parametric", longExpression("+"), longExpression("-"), "--range", "0:1:0.5", "--out", "{file}"}}},
        // Drawings of other programs.
        {"other_polyline", "editor/display_kinds.dxf", {{"draw", "Epicycloid", "--out", "{file}"}}},
        {"other_arcs", "editor/display_kinds.dxf", {{"draw", "Epicycloid", "--output", "arcs", "--out", "{file}"}}},
        {"other_spline", "editor/display_kinds.dxf", {{"draw", "Epicycloid", "--output", "spline", "--out", "{file}"}}},
        {"other_literal_steps", "cli/literal_steps_reference.dxf",
         {{"draw", "Deltoid", "--literal-steps", "--out", "{file}"}}},
        {"r12_polyline", "golden/in/other_r12.dxf", {{"draw", "Cayley's Sextic", "--out", "{file}"}}},
        {"r12_spline", "golden/in/other_r12.dxf", {{"draw", "Epicycloid", "--output", "spline", "--out", "{file}"}}},
        {"r12_long_definition", "golden/in/other_r12.dxf",
         {{"draw", "--parametric", longExpression("+"), longExpression("-"), "--range", "0:1:0.5", "--out", "{file}"}}},
        {"r2018_arcs", "golden/in/other_r2018.dxf", {{"draw", "Deltoid", "--output", "arcs", "--out", "{file}"}}},
        {"r2018_long_definition", "golden/in/other_r2018.dxf",
         {{"draw", "--parametric", longExpression("+"), longExpression("-"), "--range", "0:1:0.5", "--out", "{file}"}}},
        {"bare_entities", "golden/in/bare_entities.dxf", {{"draw", "Deltoid", "--out", "{file}"}}},
        // Redraw, by handle, with each kind of change.
        {"redraw_constant", "",
         {{"draw", "Epicycloid", "--out", "{file}"}, {"redraw", "{file}", "{handle}", "--set", "b=2.5"}}},
        {"redraw_output_arcs", "",
         {{"draw", "Epicycloid", "--out", "{file}"}, {"redraw", "{file}", "{handle}", "--output", "arcs"}}},
        {"redraw_literal_origin", "",
         {{"draw", "Deltoid", "--out", "{file}"},
          {"redraw", "{file}", "{handle}", "--literal-steps", "--origin", "7,-2"}}},
        {"redraw_other", "editor/display_kinds.dxf",
         {{"draw", "Epicycloid", "--output", "spline", "--out", "{file}"},
          {"redraw", "{file}", "{handle}", "--range", "0:3:0.1", "--output", "polyline"}}},
        {"redraw_r2018", "golden/in/other_r2018.dxf",
         {{"draw", "--explicit", "x^2", "--range", "-2:2:0.25", "--out", "{file}"},
          {"redraw", "{file}", "{handle}", "--tolerance", "0.01"}}},
        // The library files.
        {"library_convert", "cli/user_library.xml", {{"library", "convert", "{input}", "{file}"}}, ".xml"},
        {"library_merge", "cli/user_library.xml", {{"library", "merge", "gallery", "{file}"}}, ".xml"},
        {"library_merge_twice", "cli/user_library.xml",
         {{"library", "merge", "gallery", "{file}"}, {"library", "merge", "gallery", "{file}"}}, ".xml"},
        {"library_merge_replace", "cli/user_library.xml",
         {{"library", "merge", "gallery", "{file}"}, {"library", "merge", "gallery", "{file}", "--replace"}}, ".xml"},
    };
    return table;
}

class GoldenTest : public ::testing::TestWithParam<std::size_t> {
protected:
    TempFolder temp_;
};

TEST_P(GoldenTest, cli_writes_golden_bytes)
{
    const Row& row = rows()[GetParam()];
    SCOPED_TRACE(row.name);
    const std::string file = temp_.file(std::string(row.name) + row.extension);
    std::string input;
    if (*row.input) {
        input = kData + "/" + row.input;
        // The library convert reads the input where it is; the others change a copy.
        if (std::string(row.name) != "library_convert")
            std::filesystem::copy_file(input, file);
    }
    std::string handle;
    for (const Command& command : row.commands) {
        Command args;
        for (const std::string& arg : command)
            args.push_back(arg == "{file}" ? file : arg == "{handle}" ? handle : arg == "{input}" ? input : arg);
        const RunResult result = plotwright::test::runProgram(kTool, args, temp_.path());
        ASSERT_EQ(result.status, 0) << result.err;
        handle = result.out.substr(0, result.out.find('\n'));
    }
    const std::string written = maskedCurveIds(readAll(file));
    const std::string expected = kGolden + "/out/" + row.name + row.extension;
    if (const char* write = std::getenv("PLOTWRIGHT_WRITE_GOLDEN"); write && std::string(write) == "1") {
        writeAll(expected, written);
        GTEST_SKIP() << "written " << expected;
    }
    ASSERT_TRUE(std::filesystem::exists(expected)) << expected;
    EXPECT_TRUE(written == readAll(expected)) << "differs from " << expected;
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenTest, ::testing::Range<std::size_t>(0, rows().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& row) {
                             return std::string(rows()[row.param].name);
                         });

// The mask touches curve ids only.
TEST(GoldenMask, cli_golden_mask_only_curve_ids)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"1000\n0123456789abcdef0123456789abcdef\n", "1000\n<curve id>\n"},
        {"  1\n0123456789abcdef0123456789abcdef\r\n", "  1\n<curve id>\r\n"},
        {"0123456789ABCDEF0123456789ABCDEF\n", "0123456789ABCDEF0123456789ABCDEF\n"},  // not ours: upper case
        {"0123456789abcdef0123456789abcde\n", "0123456789abcdef0123456789abcde\n"},    // 31 digits
        {"0123456789abcdef0123456789abcdefa", "0123456789abcdef0123456789abcdefa"},     // 33, no newline
    };
    for (const Case& c : cases)
        EXPECT_EQ(maskedCurveIds(c.in), c.out) << c.in;
}

} // namespace
