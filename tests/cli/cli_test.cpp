// The plotwright command-line tool, end to end: the built executable is run with
// arguments, its exit status, output and messages checked, and the drawings it writes
// read back with an independent reader (ezdxf).
#include "cli/run_tool.h"
#include "plotwright/version.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using plotwright::test::readAll;
using plotwright::test::Running;
using plotwright::test::RunResult;
using plotwright::test::TempFolder;
using plotwright::test::writeAll;

namespace {

const std::string kTool = PLOTWRIGHT_TOOL;
const std::string kPython = "/usr/bin/python3";
const std::string kData = PLOTWRIGHT_TEST_DATA "/cli";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

double number(const std::string& text)
{
    double value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(ec == std::errc() && ptr == text.data() + text.size()) << "not a number: " << text;
    return value;
}

std::vector<std::string> fields(const std::string& line, char separator)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, separator);)
        out.push_back(field);
    return out;
}

// The names in `folder`, sorted, apart from the captured output of the runs.
std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".stdout") && !name.ends_with(".stderr"))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// `dxf` without the extended data of the application PLOTWRIGHT (from its 1001 group up
// to the next 0 group).
std::string withoutCurveData(const std::string& dxf)
{
    std::string out;
    std::istringstream in(dxf);
    bool skipping = false;
    for (std::string code, value; std::getline(in, code) && std::getline(in, value);) {
        if (code == "1001")
            skipping = value == "PLOTWRIGHT";
        else if (code == "  0")
            skipping = false;
        if (!skipping)
            out += code + "\n" + value + "\n";
    }
    return out;
}

struct Vertex {
    double x, y;
    bool operator==(const Vertex&) const = default;
};

struct DxfPolyline {
    std::string handle;
    bool closed = false;
    double elevation = 0;
    std::vector<Vertex> vertices;
};

// What ezdxf reads from a drawing.
struct DxfReport {
    bool ok = false;
    std::vector<std::string> problems;   // read error, audit errors, handle problems
    std::vector<std::string> entities;   // "TYPE HANDLE" in model-space order
    std::vector<DxfPolyline> polylines;
};

std::ostream& operator<<(std::ostream& os, const Vertex& v) { return os << "(" << v.x << ", " << v.y << ")"; }

class CliTest : public ::testing::Test {
protected:
    RunResult run(const std::vector<std::string>& args) { return plotwright::test::runProgram(kTool, args, temp_.path()); }

    RunResult python(const std::vector<std::string>& args)
    {
        return plotwright::test::runProgram(kPython, args, temp_.path());
    }

    DxfReport readDxf(const std::string& path)
    {
        RunResult r = python({DXF_LINES_SCRIPT, DXF_CHECK_SCRIPT, path});
        EXPECT_EQ(r.status, 0) << r.err;
        DxfReport report;
        for (const std::string& line : lines(r.out)) {
            auto f = fields(line, ' ');
            if (f.empty())
                continue;
            if (f[0] == "ok")
                report.ok = f[1] == "1";
            else if (f[0] == "error" || f[0] == "audit" || f[0] == "problem")
                report.problems.push_back(line);
            else if (f[0] == "entity")
                report.entities.push_back(f[1] + " " + f[2]);
            else if (f[0] == "lwpolyline")
                report.polylines.push_back({report.entities.back().substr(11), f[2] == "1", number(f[3]), {}});
            else if (f[0] == "vertex")
                report.polylines.back().vertices.push_back({number(f[1]), number(f[2])});
        }
        return report;
    }

    // The csv output of `sample` as vertices.
    std::vector<Vertex> csvVertices(const std::string& csv)
    {
        std::vector<Vertex> out;
        for (const std::string& line : lines(csv)) {
            auto f = fields(line, ',');
            EXPECT_EQ(f.size(), 3u) << line;
            if (f.size() == 3)
                out.push_back({number(f[0]), number(f[1])});
        }
        return out;
    }

    TempFolder temp_;
};

TEST_F(CliTest, cli_usage_errors)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string message;
    } rows[] = {
        {"no command", {}, "plotwright: no command given\n"},
        {"unknown command", {"plot"}, "plotwright: unknown command \"plot\"\n"},
        {"unknown option", {"sample", "Cycloid", "--colour", "red"}, "unknown option \"--colour\""},
        {"option of another command", {"sample", "Cycloid", "--out", "x.dxf"}, "--out does not apply"},
        {"option without its value", {"sample", "Cycloid", "--range"}, "--range needs a value"},
        {"no curve", {"sample"}, "missing curve"},
        {"two curves", {"sample", "--explicit", "x", "--polar", "1"}, "give one of"},
        {"name and written curve", {"sample", "Cycloid", "--explicit", "x"}, "unexpected argument \"Cycloid\""},
        {"library for a written curve", {"sample", "--explicit", "x", "--library", "l.xml"}, "--library applies"},
        {"draw without --out", {"draw", "Cycloid"}, "draw needs --out DRAWING.dxf"},
        {"unknown constant named", {"sample", "Cycloid", "--set", "zz=1"}, "no constant named \"zz\""},
        {"running variable set as a constant", {"sample", "Cycloid", "--set", "t=1"}, "\"t\" is the running variable"},
        {"constant of a written curve", {"sample", "--explicit", "x", "--set", "a=1"}, "no constant named \"a\""},
        {"assignment without =", {"sample", "Cycloid", "--set", "a"}, "--set expects NAME=VALUE"},
        {"comma decimal in --set", {"sample", "Cycloid", "--set", "a=1,5"},
         "\"1,5\" is not a finite number (numbers use \".\" as the decimal separator)"},
        {"comma decimal in --range", {"sample", "Cycloid", "--range", "0:1,5:0.1"}, "\"1,5\" is not a finite number"},
        {"range of two parts", {"sample", "Cycloid", "--range", "0:10"}, "--range expects MIN:MAX:STEP"},
        {"comma decimals in --origin", {"sample", "Cycloid", "--origin", "1,5,2,5"}, "--origin expects X,Y or X,Y,Z"},
        {"word in --origin", {"sample", "Cycloid", "--origin", "a,1"}, "--origin X: \"a\" is not a finite number"},
        {"infinite number", {"sample", "Cycloid", "--set", "a=inf"}, "\"inf\" is not a finite number"},
        {"number out of range", {"sample", "Cycloid", "--set", "a=1e999"}, "\"1e999\" is not a finite number"},
        {"origin given twice", {"sample", "Cycloid", "--origin", "1,1", "--origin", "2,2"}, "more than once"},
        {"unknown format", {"sample", "Cycloid", "--format", "xml"}, "--format is csv or json"},
        {"unknown curve name", {"show", "Spiral"}, "no curve named \"Spiral\" in the default list"},
        {"unknown library subcommand", {"library", "join"}, "unknown library subcommand \"join\""},
        {"merge without INTO", {"library", "merge", "from.xml"}, "missing FROM.xml and INTO.xml"},
        {"replace outside merge", {"library", "convert", "a.xml", "b.xml", "--replace"}, "--replace does not apply"},
        {"replace with a value", {"library", "merge", "a.xml", "b.xml", "--replace=yes"}, "--replace takes no value"},
        {"convert without OUT", {"library", "convert", "in.xml"}, "missing IN.xml and OUT.xml"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunResult r = run(row.args);
        EXPECT_EQ(r.status, 64);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("usage: plotwright"), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, cli_help_documents_every_command_and_status)
{
    for (const char* word : {"--help", "help"}) {
        SCOPED_TRACE(word);
        RunResult r = run({word});
        EXPECT_EQ(r.status, 0);
        for (const char* topic : {"plotwright curves", "plotwright show", "plotwright sample", "plotwright draw",
                                  "library convert", "library check", "library merge", "--replace",
                                  "--version", "gallery", "--explicit", "--parametric", "--polar",
                                  "--set", "--range", "--origin", "--format", "--preview", "--library",
                                  "--layer", "--color", "--units", "floor", "hypot", "atan2", "mod(a, b)",
                                  "\"Invalid parameter(s) provided!\"", "\"Error in equation\"", "64"})
            EXPECT_NE(r.out.find(topic), std::string::npos) << topic;
    }
    EXPECT_EQ(run({"draw", "--help"}).status, 0);
}

TEST_F(CliTest, cli_curves_and_show)
{
    RunResult defaults = run({"curves"});
    EXPECT_EQ(defaults.status, 0);
    EXPECT_EQ(defaults.out, "Cayley's Sextic\nCycloid\nDeltoid\nEpicycloid\n");

    RunResult user = run({"curves", "--library", kData + "/user_library.xml"});
    EXPECT_EQ(user.status, 0);
    EXPECT_EQ(user.out, "Cr\xC3\xA8me\nCircle\n");

    RunResult show = run({"show", "Epicycloid"});
    EXPECT_EQ(show.status, 0);
    auto shown = lines(show.out);
    ASSERT_GE(shown.size(), 9u);
    EXPECT_EQ(shown[0], "name: Epicycloid");
    EXPECT_EQ(shown[2], "x = (a+b)*cos(fi)-b*cos(((a+b)/b)*fi)");
    EXPECT_EQ(shown[3], "y = (a+b)*sin(fi)-b*sin(((a+b)/b)*fi)");
    EXPECT_EQ(fields(shown[6], ' ').front(), "fi");
    EXPECT_NE(shown[6].find("6.28319"), std::string::npos) << shown[6];

    RunResult bounded = run({"show", "Cr\xC3\xA8me", "--library", kData + "/user_library.xml"});
    EXPECT_EQ(bounded.status, 0);
    EXPECT_NE(bounded.out.find("y = k*x^2\n"), std::string::npos) << bounded.out;
}

TEST_F(CliTest, cli_sample_output_forms)
{
    const std::string library = kData + "/user_library.xml";
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string out;
    } rows[] = {
        {"explicit with origin, z dropped", {"--explicit", "x^2", "--range", "0:2:1", "--origin", "10,20,5"},
         "10,20,0\n11,21,0\n12,24,0\n"},
        {"17 significant digits, accumulated steps, the end exactly", {"--explicit", "x", "--range", "0:0.3:0.1"},
         "0,0,0\n0.10000000000000001,0.10000000000000001,0\n0.20000000000000001,0.20000000000000001,0\n"
         "0.29999999999999999,0.29999999999999999,0\n"},
        {"negative and exponent forms", {"--explicit", "-x*1e-20", "--range", "1:2:1", "--origin", "-0.5,0"},
         "0.5,-9.9999999999999995e-21,0\n1.5,-1.9999999999999999e-20,0\n"},
        {"non-finite values written as such", {"--explicit", "1/x", "--range", "-1:1:1"}, "-1,-1,0\n0,inf,0\n1,1,0\n"},
        {"parametric user curve", {"--parametric", "2*t", "t^2", "--range", "1:2:1"}, "2,1,0\n4,4,0\n"},
        {"polar user curve", {"--polar", "2", "--range", "0:1:1"},
         "2,0,0\n1.0806046117362795,1.682941969615793,0\n"},
        {"library curve with its own values", {"Cr\xC3\xA8me", "--library", library}, "0,0,0\n1,3,0\n2,12,0\n"},
        {"--set and --range change them", {"Cr\xC3\xA8me", "--library", library, "--set", "k=0.5", "--range", "2:4:2"},
         "2,2,0\n4,8,0\n"},
        {"plus sign and exponent accepted", {"--explicit", "x", "--range", "+1e0:2:+1"}, "1,1,0\n2,2,0\n"},
        {"bounded range of one value", {"Cr\xC3\xA8me", "--library", library, "--range", "2:2:1"}, "2,12,0\n"},
        {"bounded range ending below its start", {"Cr\xC3\xA8me", "--library", library, "--range", "2:1:1"}, ""},
        {"json", {"--explicit", "x/2", "--range", "0:1:1", "--format", "json"}, "[\n[0,0,0],\n[1,0.5,0]\n]\n"},
        {"json holds null for non-finite", {"--explicit", "sqrt(x)", "--range", "-1:0:1", "--format", "json"},
         "[\n[-1,null,0],\n[0,0,0]\n]\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args{"sample"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        RunResult r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, row.out);
    }
}

TEST_F(CliTest, cli_sample_json_reads_back)
{
    RunResult r = run({"sample", "Deltoid", "--format", "json"});
    ASSERT_EQ(r.status, 0);
    writeAll(temp_.file("points.json"), r.out);
    RunResult check = python({"-c",
                              "import json,sys; p=json.load(open(sys.argv[1])); "
                              "print(len(p), all(len(q)==3 for q in p), p[0])",
                              temp_.file("points.json")});
    EXPECT_EQ(check.out, "64 True [30, 0, 0]\n") << check.err;
}

// Failures the sampler reports: its exact message on standard error, and the status.
TEST_F(CliTest, cli_sampling_failures)
{
    const std::string library = kData + "/user_library.xml";
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string err;
    } rows[] = {
        {"range that ends below its start", {"--explicit", "x", "--range", "5:1:0.1"}, 1,
         "Invalid parameter(s) provided!\nplotwright: x: the range's end 1 is not above its start 5\n"},
        {"constant outside its bounds", {"Cr\xC3\xA8me", "--library", library, "--set", "k=11"}, 1,
         "Invalid parameter(s) provided!\nplotwright: k = 11 is above its upper bound 10\n"},
        {"range beyond its bounds", {"Cr\xC3\xA8me", "--library", library, "--range", "0:12.5:1"}, 1,
         "Invalid parameter(s) provided!\nplotwright: x: the range's end 12.5 is above its upper bound 10\n"},
        {"step that cannot advance", {"--explicit", "x", "--range", "0:1:0"}, 1,
         "Invalid parameter(s) provided!\nplotwright: x: the step 0 does not advance x from 0 to 1\n"},
        {"decimal comma in an expression", {"--explicit", "x*1,5"}, 2,
         "Error in equation\nplotwright: y = x*1,5: comma outside a function's arguments (a decimal comma? numbers "
         "use \".\") at character 4\n"},
        {"syntax error", {"--explicit", "x+"}, 2,
         "Error in equation\nplotwright: y = x+: unexpected end of expression at character 3\n"},
        {"unknown name in the expression", {"--polar", "q*t"}, 2,
         "Error in equation\nplotwright: r = q*t: unknown name \"q\" at character 1\n"},
        {"pi is spelled PI", {"--explicit", "pi*x"}, 2,
         "Error in equation\nplotwright: y = pi*x: unknown name \"pi\" at character 1\n"},
        {"parametric x in error", {"--parametric", "2*(t", "t"}, 2,
         "Error in equation\nplotwright: x = 2*(t: missing parenthesis at character 5\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args{"sample"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        RunResult r = run(args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(r.out, "");

        args[0] = "draw";
        args.insert(args.end(), {"--out", temp_.file("failed.dxf")});
        RunResult drawn = run(args);
        EXPECT_EQ(drawn.status, row.status);
        EXPECT_EQ(drawn.err, row.err);
        EXPECT_EQ(drawn.out, "") << "no handle";
        EXPECT_FALSE(std::filesystem::exists(temp_.file("failed.dxf"))) << "a failed draw makes no drawing";
    }
}

TEST_F(CliTest, cli_file_errors)
{
    const std::string missing = temp_.file("no-such-folder/x.xml");
    writeAll(temp_.file("garbage.dxf"), "this is not a drawing\n");
    writeAll(temp_.file("empty.xml"), "<Other/>");
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string file;
    } rows[] = {
        {"missing library", {"curves", "--library", missing}, missing},
        {"library that is a folder", {"show", "Cycloid", "--library", temp_.path()}, temp_.path()},
        {"document without EquationList", {"curves", "--library", temp_.file("empty.xml")}, temp_.file("empty.xml")},
        {"convert into a missing folder", {"library", "convert", kData + "/user_library.xml", missing}, missing},
        {"check a missing file", {"library", "check", missing}, missing},
        {"drawing that is not DXF", {"draw", "Cycloid", "--out", temp_.file("garbage.dxf")}, temp_.file("garbage.dxf")},
        {"drawing in a missing folder", {"draw", "Cycloid", "--out", temp_.file("none/x.dxf")}, temp_.file("none/x.dxf")},
        {"preview in a missing folder",
         {"draw", "Cycloid", "--out", temp_.file("p.dxf"), "--preview", temp_.file("none/p.svg")},
         temp_.file("none/p.svg")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunResult r = run(row.args);
        EXPECT_EQ(r.status, 3);
        EXPECT_NE(r.err.find(row.file), std::string::npos) << r.err;
        EXPECT_EQ(lines(r.err).size(), 1u) << "one message, no usage: " << r.err;
    }
    EXPECT_EQ(readAll(temp_.file("garbage.dxf")), "this is not a drawing\n") << "left as it was";
}

TEST_F(CliTest, cli_library_convert_and_check)
{
    const std::string out = temp_.file("converted.xml");
    RunResult converted = run({"library", "convert", kData + "/user_library.xml", out});
    EXPECT_EQ(converted.status, 0) << converted.err;
    const std::string text = readAll(out);
    EXPECT_EQ(text.rfind("<EquationList version=\"2\" >", 0), 0u) << text;
    EXPECT_NE(text.find("name=\"Cr=EF=BF=A8me\""), std::string::npos);
    EXPECT_EQ(run({"curves", "--library", out}).out, "Cr\xC3\xA8me\nCircle\n");

    RunResult good = run({"library", "check", out});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, "well-formed\n");

    RunResult bad = run({"library", "check", kData + "/not_well_formed.xml"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "No start tag for end tag 'Equation' at offset 44\n");

    RunResult lenient = run({"curves", "--library", kData + "/not_well_formed.xml"});
    EXPECT_EQ(lenient.status, 0);
    EXPECT_EQ(lenient.out, "a\n");
    EXPECT_NE(lenient.err.find("warning"), std::string::npos);
}

TEST_F(CliTest, cli_draw_new_and_existing_drawing)
{
    const std::string drawing = temp_.file("curves.dxf");
    RunResult first = run({"draw", "Cycloid", "--set", "a=2", "--origin", "100,50", "--out", drawing});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(lines(first.out).size(), 1u) << first.out;
    EXPECT_EQ(first.err, "");

    RunResult second = run({"draw", "--explicit", "x^2", "--range", "-1:1:0.5", "--out", drawing});
    ASSERT_EQ(second.status, 0) << second.err;
    ASSERT_EQ(lines(second.out).size(), 1u);
    EXPECT_NE(second.out, first.out) << "a new handle";

    DxfReport report = readDxf(drawing);
    EXPECT_TRUE(report.ok);
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    ASSERT_EQ(report.polylines.size(), 2u);
    EXPECT_EQ(report.polylines[0].handle + "\n", first.out);
    EXPECT_EQ(report.polylines[1].handle + "\n", second.out);
    for (const DxfPolyline& p : report.polylines) {
        EXPECT_FALSE(p.closed);
        EXPECT_EQ(p.elevation, 0.0);
    }

    // The drawing holds exactly the points that sample prints.
    RunResult sampled = run({"sample", "Cycloid", "--set", "a=2", "--origin", "100,50"});
    EXPECT_EQ(report.polylines[0].vertices, csvVertices(sampled.out));
    EXPECT_EQ(report.polylines[0].vertices.size(), 64u);
    EXPECT_EQ(report.polylines[1].vertices,
              (std::vector<Vertex>{{-1, 1}, {-0.5, 0.25}, {0, 0}, {0.5, 0.25}, {1, 1}}));
}

TEST_F(CliTest, cli_draw_breaks_curve_at_non_finite_points)
{
    struct Row {
        const char* name;
        std::string expression;
        std::vector<std::vector<Vertex>> polylines;
        std::string note;
        int status;
    } rows[] = {
        {"split at 0", "1/x", {{{-1, -1}, {-0.5, -2}}, {{0.5, 2}, {1, 1}}}, "1 of 5 points are not finite", 0},
        {"sqrt(x) starts at 0", "sqrt(x)", {{{0, 0}, {0.5, 0.7071067811865476}, {1, 1}}},
         "2 of 5 points are not finite", 0},
        {"nothing finite draws nothing, and says so by its status", "sqrt(-1)", {}, "5 of 5 points are not finite",
         6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string drawing = temp_.file(std::string(row.name) + ".dxf");
        RunResult r = run({"draw", "--explicit", row.expression, "--range", "-1:1:0.5", "--out", drawing});
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(lines(r.out).size(), row.polylines.size()) << r.out;
        EXPECT_NE(r.err.find(row.note), std::string::npos) << r.err;

        if (row.polylines.empty()) {
            EXPECT_FALSE(std::filesystem::exists(drawing)) << "nothing drawn, no drawing made";
            continue;
        }
        const std::string text = readAll(drawing);
        EXPECT_EQ(text.find("nan"), std::string::npos);
        EXPECT_EQ(text.find("inf"), std::string::npos);
        DxfReport report = readDxf(drawing);
        EXPECT_TRUE(report.ok);
        ASSERT_EQ(report.polylines.size(), row.polylines.size());
        for (std::size_t i = 0; i < row.polylines.size(); ++i) {
            EXPECT_EQ(report.polylines[i].vertices, row.polylines[i]);
            EXPECT_NE(r.out.find(report.polylines[i].handle + "\n"), std::string::npos);
        }
    }
}

// A drawing made by another program: what it holds stays, and the preview shows it all.
TEST_F(CliTest, cli_draw_into_foreign_drawing_with_preview)
{
    const std::string drawing = temp_.file("foreign.dxf");
    RunResult made = python({"-c",
                             "import ezdxf,sys; d=ezdxf.new('R2000'); m=d.modelspace(); "
                             "m.add_line((0,0),(10,0)); m.add_circle((5,5),2); d.saveas(sys.argv[1])",
                             drawing});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string before = readAll(drawing);

    const std::string preview = temp_.file("preview.svg");
    RunResult r = run({"draw", "--explicit", "x", "--range", "0:10:5", "--origin", "0,-10", "--out", drawing,
                       "--preview", preview});
    ASSERT_EQ(r.status, 0) << r.err;

    DxfReport report = readDxf(drawing);
    EXPECT_TRUE(report.ok);
    ASSERT_EQ(report.entities.size(), 3u);
    EXPECT_EQ(report.entities[0].substr(0, 5), "LINE ");
    EXPECT_EQ(report.entities[1].substr(0, 7), "CIRCLE ");
    EXPECT_EQ(report.polylines.at(0).vertices, (std::vector<Vertex>{{0, -10}, {5, -5}, {10, 0}}));

    // The preview is an SVG document with every entity; y points up, so the curve's
    // first point (lowest) has the largest picture y.
    RunResult svg = python({"-c",
                            "import sys, xml.etree.ElementTree as E\n"
                            "r = E.parse(sys.argv[1]).getroot(); ns = '{http://www.w3.org/2000/svg}'\n"
                            "lines = r.findall('.//' + ns + 'polyline')\n"
                            "print(r.tag == ns + 'svg', len(lines) + len(r.findall('.//' + ns + 'polygon')))\n"
                            "p = [tuple(map(float, q.split(','))) for q in lines[-1].get('points').split()]\n"
                            "print(p[0][1] > p[-1][1], p[0][0] < p[-1][0])\n",
                            preview});
    EXPECT_EQ(svg.out, "True 3\nTrue True\n") << svg.err;

    const std::string drawn = readAll(drawing);
    EXPECT_NE(drawn, before);
    RunResult nothing = run({"draw", "--explicit", "sqrt(-1)", "--out", drawing});
    EXPECT_EQ(nothing.status, 6) << "nothing drawn";
    EXPECT_EQ(nothing.out, "");
    EXPECT_EQ(readAll(drawing), drawn) << "a draw that adds nothing leaves the file as it was";
}

// What a draw must not replace is refused with the reason, and left as it was.
TEST_F(CliTest, cli_draw_refuses_read_only_and_dangling_link)
{
    const std::string readOnly = temp_.file("ro.dxf");
    ASSERT_EQ(run({"draw", "Cycloid", "--out", readOnly}).status, 0);
    ::chmod(readOnly.c_str(), 0444);
    const std::string kept = readAll(readOnly);
    const std::string dangling = temp_.file("link.dxf");
    std::filesystem::create_symlink("gone.dxf", dangling);
    struct Row {
        const char* name;
        std::string path;
        std::string message;
    } rows[] = {
        {"read-only drawing", readOnly, "plotwright: Cannot save \"" + readOnly + "\": the file is read-only.\n"},
        {"symbolic link to nothing", dangling,
         "plotwright: Cannot save \"" + dangling + "\": it is a symbolic link to \"gone.dxf\", which does not exist.\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunResult r = run({"draw", "--explicit", "x", "--out", row.path});
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, row.message);
        EXPECT_EQ(r.out, "") << "no handle for a curve that was not saved";
    }
    EXPECT_EQ(readAll(readOnly), kept);
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(folderEntries(temp_.path()), (std::vector<std::string>{"link.dxf", "ro.dxf"}));
}

TEST_F(CliTest, cli_draw_keeps_hard_and_symbolic_links)
{
    const std::string drawing = temp_.file("a.dxf");
    ASSERT_EQ(run({"draw", "Cycloid", "--out", drawing}).status, 0);
    std::filesystem::create_hard_link(drawing, temp_.file("b.dxf"));
    std::filesystem::create_symlink("a.dxf", temp_.file("c.dxf"));

    RunResult viaHardLink = run({"draw", "--explicit", "x", "--range", "0:1:1", "--out", temp_.file("b.dxf")});
    ASSERT_EQ(viaHardLink.status, 0) << viaHardLink.err;
    RunResult viaSymlink = run({"draw", "--explicit", "x", "--range", "0:2:1", "--out", temp_.file("c.dxf")});
    ASSERT_EQ(viaSymlink.status, 0) << viaSymlink.err;

    EXPECT_EQ(std::filesystem::hard_link_count(drawing), 2u);
    EXPECT_TRUE(std::filesystem::is_symlink(temp_.file("c.dxf")));
    DxfReport report = readDxf(temp_.file("b.dxf"));
    EXPECT_TRUE(report.ok);
    ASSERT_EQ(report.polylines.size(), 3u);
    EXPECT_EQ(report.polylines[1].handle + "\n", viaHardLink.out);
    EXPECT_EQ(report.polylines[2].handle + "\n", viaSymlink.out);
    EXPECT_EQ(readAll(drawing), readAll(temp_.file("b.dxf")));
    EXPECT_EQ(folderEntries(temp_.path()), (std::vector<std::string>{"a.dxf", "b.dxf", "c.dxf"}));
}

// Draws into one drawing at the same time wait for each other: every curve lands, each
// with its own handle.
TEST_F(CliTest, cli_draws_at_once_all_land)
{
    const std::string drawing = temp_.file("shared.dxf");
    ASSERT_EQ(run({"draw", "Cycloid", "--out", drawing}).status, 0);
    std::set<std::string> handles;
    constexpr int rounds = 2, together = 3;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::unique_ptr<Running>> runs;
        for (int i = 0; i < together; ++i)
            runs.push_back(std::make_unique<Running>(
                kTool, std::vector<std::string>{"draw", "--explicit", "sin(x)", "--range", "0:2000:1", "--out", drawing},
                temp_.path(), "draw" + std::to_string(i)));
        for (auto& running : runs) {
            RunResult r = running->finish();
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(lines(r.out).size(), 1u);
            EXPECT_TRUE(handles.insert(r.out).second) << "handle printed twice: " << r.out;
        }
    }
    DxfReport report = readDxf(drawing);
    EXPECT_TRUE(report.ok);
    EXPECT_TRUE(report.problems.empty());
    ASSERT_EQ(report.polylines.size(), 1u + rounds * together);
    for (std::size_t i = 1; i < report.polylines.size(); ++i)
        EXPECT_EQ(handles.count(report.polylines[i].handle + "\n"), 1u) << report.polylines[i].handle;
}

// Ctrl-C (or a TERM) while a large drawing is being saved: the file is the old or the
// new one, and no hidden temporary stays behind.
TEST_F(CliTest, cli_interrupted_draw_leaves_no_temporary)
{
    const std::string drawing = temp_.file("big.dxf");
    ASSERT_EQ(run({"draw", "--explicit", "sin(x)", "--range", "0:300000:1", "--out", drawing}).status, 0);
    std::string current = readAll(drawing);
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delay(0, 1200);
    int interrupted = 0;
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const int signal = i % 2 ? SIGTERM : SIGINT;
        Running draw(kTool, {"draw", "--explicit", "x", "--range", "0:3:1", "--out", drawing}, temp_.path(), "draw");
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        draw.signal(signal);
        RunResult r = draw.finish();
        EXPECT_TRUE(r.signal == signal || r.status == 0) << r.status << " " << r.signal << " " << r.err;
        interrupted += r.signal == signal;
        const std::string now = readAll(drawing);
        if (now != current) {
            EXPECT_GT(now.size(), current.size());
            EXPECT_TRUE(now.ends_with("EOF\n")) << "a whole drawing";
            current = now;
        }
        EXPECT_EQ(folderEntries(temp_.path()), std::vector<std::string>{"big.dxf"});
    }
    std::cout << interrupted << " of 5 draws interrupted\n";
}

TEST_F(CliTest, cli_preview_failures_leave_no_duplicate_curve)
{
    const std::string drawing = temp_.file("d.dxf");
    ASSERT_EQ(run({"draw", "Cycloid", "--out", drawing}).status, 0);
    const std::string before = readAll(drawing);

    // Found before the drawing changes: repeating the command is safe.
    const std::string unwritable = temp_.file("none/p.svg");
    RunResult early = run({"draw", "--explicit", "x", "--out", drawing, "--preview", unwritable});
    EXPECT_EQ(early.status, 3);
    EXPECT_EQ(early.err, "plotwright: " + unwritable + ": the folder \"" + temp_.file("none") + "\" does not exist\n");
    EXPECT_EQ(early.out, "");
    EXPECT_EQ(readAll(drawing), before);

    // Found only when the preview is written (here: an earlier in-place write of it was
    // cut short and its backup is still there): the drawing is saved, status 4.
    const std::string preview = temp_.file("p.svg");
    writeAll(preview, "<svg/>");
    std::filesystem::create_hard_link(preview, temp_.file("q.svg"));
    writeAll(temp_.file(".p.svg.plotwright-backup"), "<svg/>");
    RunResult late = run({"draw", "--explicit", "x", "--out", drawing, "--preview", preview});
    EXPECT_EQ(late.status, 4);
    EXPECT_EQ(late.err, "plotwright: the drawing was saved, but the preview was not: \"" + preview
                            + "\": an earlier save was cut short; \"" + temp_.file(".p.svg.plotwright-backup")
                            + "\" holds the file as it was before it, move it away first\n");
    ASSERT_EQ(lines(late.out).size(), 1u);
    DxfReport report = readDxf(drawing);
    ASSERT_EQ(report.polylines.size(), 2u);
    EXPECT_EQ(report.polylines[1].handle + "\n", late.out);
    EXPECT_EQ(readAll(preview), "<svg/>");
}

} // namespace

namespace {

// --literal-steps reproduces the tool as it was before the end of the range was always
// sampled: the reference files were written by that tool with the same arguments.
TEST_F(CliTest, cli_literal_steps_byte_identical)
{
    const std::string drawing = temp_.file("literal.dxf");
    ASSERT_EQ(run({"draw", "Deltoid", "--literal-steps", "--out", drawing}).status, 0);
    ASSERT_EQ(run({"draw", "--explicit", "1/x", "--range=-1:1:0.1", "--literal-steps", "--out", drawing}).status, 0);
    // Each drawn curve carries its definition, with an id of its own: the rest is fixed.
    EXPECT_EQ(withoutCurveData(readAll(drawing)), readAll(kData + "/literal_steps_reference.dxf"));

    RunResult sampled = run({"sample", "Epicycloid", "--literal-steps"});
    EXPECT_EQ(sampled.out, readAll(kData + "/literal_steps_epicycloid.csv"));

    // By default the Deltoid ends at its range's end and is closed.
    const std::string closed = temp_.file("closed.dxf");
    ASSERT_EQ(run({"draw", "Deltoid", "--out", closed}).status, 0);
    DxfReport report = readDxf(closed);
    ASSERT_EQ(report.polylines.size(), 1u);
    EXPECT_TRUE(report.polylines[0].closed);
    EXPECT_EQ(report.polylines[0].vertices.size(), 63u) << "64 samples, the last one dropped as the first";
}

// Every output kind, adaptive or not, is read by ezdxf with a clean audit.
TEST_F(CliTest, cli_output_kinds_read_back)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string types;   // the model-space entity types, in order
        int closed;          // how many entities ezdxf sees as closed polylines
    } rows[] = {
        {"polyline, closed", {"Epicycloid"}, "LWPOLYLINE", 1},
        {"arcs", {"Epicycloid", "--output", "arcs"}, "LWPOLYLINE", 1},
        {"spline", {"Epicycloid", "--output", "spline"}, "SPLINE", 0},
        {"adaptive tan, broken at its poles", {"--explicit", "tan(x)", "--range=-5:5:0.1", "--tolerance", "0.001"},
         "LWPOLYLINE LWPOLYLINE LWPOLYLINE LWPOLYLINE LWPOLYLINE", 0},
        {"spline per run", {"--explicit", "1/x", "--range=-1:1:0.1", "--tolerance", "0.01", "--output", "spline"},
         "SPLINE SPLINE", 0},
        {"arcs of sqrt", {"--explicit", "sqrt(x)", "--range=-2:2:0.1", "--tolerance", "0.001", "--output", "arcs"},
         "LWPOLYLINE", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string drawing = temp_.file("kinds.dxf");
        std::remove(drawing.c_str());
        std::vector<std::string> args{"draw"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.insert(args.end(), {"--out", drawing});
        RunResult r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        RunResult check = python({"-c",
                                  "import ezdxf,sys\n"
                                  "d = ezdxf.readfile(sys.argv[1]); a = d.audit()\n"
                                  "m = list(d.modelspace())\n"
                                  "print(len(a.errors), ' '.join(e.dxftype() for e in m))\n"
                                  "print(sum(1 for e in m if e.dxftype() == 'LWPOLYLINE' and e.closed))\n",
                                  drawing});
        EXPECT_EQ(check.out, "0 " + row.types + "\n" + std::to_string(row.closed) + "\n") << check.err;
    }
}

// R12 has neither LWPOLYLINE nor SPLINE: arcs become POLYLINE/VERTEX bulges, a spline a
// 3-D polyline through points along it.
TEST_F(CliTest, cli_output_kinds_into_r12)
{
    const std::string drawing = temp_.file("r12.dxf");
    RunResult made = python({"-c", "import ezdxf,sys; ezdxf.new('R12').saveas(sys.argv[1])", drawing});
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_EQ(run({"draw", "Epicycloid", "--output", "arcs", "--out", drawing}).status, 0);
    ASSERT_EQ(run({"draw", "Epicycloid", "--output", "spline", "--out", drawing}).status, 0);
    RunResult check = python({"-c",
                              "import ezdxf,sys\n"
                              "d = ezdxf.readfile(sys.argv[1]); a = d.audit()\n"
                              "m = list(d.modelspace())\n"
                              "print(len(a.errors), ' '.join(e.dxftype() for e in m))\n"
                              "arcs, spline = m\n"
                              "print(arcs.is_2d_polyline, arcs.is_closed, any(v.dxf.bulge != 0 for v in arcs.vertices))\n"
                              "print(spline.is_3d_polyline, len(spline.vertices) > 16)\n",
                              drawing});
    EXPECT_EQ(check.out, "0 POLYLINE POLYLINE\nTrue True True\nTrue True\n") << check.err;
}

// A file with only an ENTITIES section has no place for a curve's definition: the curve
// is drawn, and the user is told that list and redraw will not find it.
TEST_F(CliTest, cli_draw_into_a_file_without_room_for_definitions)
{
    const std::string drawing = temp_.file("bare.dxf");
    writeAll(drawing, "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n");
    const RunResult drawn = run({"draw", "Cycloid", "--out", drawing});
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_NE(drawn.err.find("keeps the curves drawn but not their definitions"), std::string::npos) << drawn.err;
    EXPECT_NE(readAll(drawing).find("POLYLINE"), std::string::npos);
    EXPECT_EQ(run({"list", drawing}).out, "");
}

// A spline read back from a drawing is shown: the preview of a drawing that gained a
// second spline draws both.
TEST_F(CliTest, cli_spline_read_back_for_preview)
{
    const std::string drawing = temp_.file("splines.dxf");
    const std::string preview = temp_.file("splines.svg");
    ASSERT_EQ(run({"draw", "Epicycloid", "--output", "spline", "--out", drawing}).status, 0);
    ASSERT_EQ(run({"draw", "Deltoid", "--output", "spline", "--out", drawing, "--preview", preview}).status, 0);
    const std::string svg = readAll(preview);
    std::size_t shapes = 0;
    for (std::size_t at = svg.find("<polyline"); at != std::string::npos; at = svg.find("<polyline", at + 1))
        ++shapes;
    EXPECT_EQ(shapes, 2u);
}

TEST_F(CliTest, cli_adaptive_options)
{
    // A jump: the runs are separated by a line of nan in csv and of null in json.
    RunResult csv = run({"sample", "--explicit", "if(x < 0.5, 0, 1)", "--range", "0:1:0.25", "--tolerance", "0.001"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    const std::vector<std::string> rows = lines(csv.out);
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(rows.front(), "0,0,0");
    EXPECT_EQ(rows.back(), "1,1,0");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "nan,nan,0"), 1);
    RunResult json = run({"sample", "--explicit", "if(x < 0.5, 0, 1)", "--range", "0:1:0.25", "--tolerance", "0.001",
                          "--format", "json"});
    EXPECT_NE(json.out.find("[null,null,0]"), std::string::npos) << json.out;

    RunResult verbose = run({"draw", "--explicit", "x", "--range", "0:3:1", "--output", "arcs", "--verbose", "--out",
                             temp_.file("verbose.dxf")});
    EXPECT_EQ(verbose.status, 0);
    EXPECT_EQ(verbose.err, "plotwright: tolerance 0.004242640687119285 (1/1000 of the curve's extent; no --tolerance "
                           "given)\n");

    struct Usage {
        std::vector<std::string> args;
        std::string message;
    } usages[] = {
        {{"draw", "Deltoid", "--tolerance", "0", "--out", "x.dxf"}, "plotwright: --tolerance must be a number above 0, not \"0\""},
        {{"draw", "Deltoid", "--output", "circles", "--out", "x.dxf"},
         "plotwright: --output is polyline, arcs or spline, not \"circles\""},
        {{"sample", "Deltoid", "--output", "arcs"}, "plotwright: --output does not apply to this command"},
    };
    for (const Usage& u : usages) {
        RunResult r = run(u.args);
        EXPECT_EQ(r.status, 64);
        EXPECT_EQ(lines(r.err).at(0), u.message);
    }
}

TEST_F(CliTest, cli_version_from_the_project)
{
    RunResult r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "plotwright " PLOTWRIGHT_VERSION "\n");
    EXPECT_EQ(r.err, "");
}

// The word "gallery" names the gallery installed beside the programs (in the build tree,
// its copy at the same place relative to the program).
TEST_F(CliTest, cli_gallery_is_a_library_word)
{
    RunResult curves = run({"curves", "--library", "gallery"});
    EXPECT_EQ(curves.status, 0) << curves.err;
    auto names = lines(curves.out);
    EXPECT_GE(names.size(), 30u);
    EXPECT_EQ(names.front(), "Involute of a circle");

    RunResult drawn = run({"draw", "Rose", "--library", "gallery", "--set", "k=3", "--out", temp_.file("rose.dxf")});
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(readDxf(temp_.file("rose.dxf")).polylines.size(), 1u);

    EXPECT_EQ(run({"library", "check", "gallery"}).out, "well-formed\n");

    // A file of that name is still reachable by its path.
    RunResult local = run({"curves", "--library", "./gallery"});
    EXPECT_EQ(local.status, 3);
    EXPECT_NE(local.err.find("./gallery: "), std::string::npos) << local.err;
}

const std::string kTwoCurves = "<EquationList version=\"7\"><Equation type=\"1\" name=\"Circle\" equationy=\"x\" >"
                               "</Equation><Equation type=\"1\" name=\"Line\" equationy=\"2*x\" ></Equation>"
                               "</EquationList>";
const std::string kCircle = "<EquationList><Equation type=\"1\" name=\"Circle\" equationy=\"3*x\" >"
                            "</Equation></EquationList>";

// `text` with "into.xml" standing for `path`.
std::string withPath(std::string text, const std::string& path)
{
    if (std::size_t at = text.find("into.xml"); at != std::string::npos)
        text.replace(at, 8, path);
    return text;
}

TEST_F(CliTest, cli_library_merge)
{
    struct Row {
        const char* name;
        std::string into;  // empty: no file
        std::vector<std::string> options;
        int status;
        std::string out;
        std::string err;
        std::string curves;  // `curves` of INTO afterwards
    } rows[] = {
        {"into a new file", "", {}, 0, "into.xml: 2 added (0 renamed), 0 replaced\n", "", "Circle\nLine\n"},
        {"taken name numbered", kCircle, {}, 0,
         "added \"Circle\" as \"Circle (2)\"\ninto.xml: 2 added (1 renamed), 0 replaced\n", "",
         "Circle\nCircle (2)\nLine\n"},
        {"taken name replaced", kCircle, {"--replace"}, 0, "into.xml: 1 added (0 renamed), 1 replaced\n", "",
         "Circle\nLine\n"},
        {"target not well-formed", "<EquationList><Equation", {}, 3, "",
         "plotwright: into.xml: not a well-formed curve library (Element tag at offset 14 unterminated); "
         "left unchanged\n",
         ""},
        {"target not a library", "<Curves/>", {}, 3, "",
         "plotwright: into.xml: not a curve library (no EquationList element); left unchanged\n", ""},
    };
    writeAll(temp_.file("from.xml"), kTwoCurves);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string into = temp_.file("into.xml");
        std::remove(into.c_str());
        if (!row.into.empty())
            writeAll(into, row.into);
        std::vector<std::string> args = {"library", "merge", temp_.file("from.xml"), into};
        args.insert(args.end(), row.options.begin(), row.options.end());
        RunResult r = run(args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.out, withPath(row.out, into));
        EXPECT_EQ(r.err, withPath(row.err, into));
        if (row.status != 0) {
            EXPECT_EQ(readAll(into), row.into);
            continue;
        }
        EXPECT_EQ(run({"curves", "--library", into}).out, row.curves);
        // The replaced curve is FROM's; INTO keeps its version.
        RunResult shown = run({"show", "Circle", "--library", into});
        EXPECT_NE(shown.out.find(row.options.empty() && !row.into.empty() ? "y = 3*x" : "y = x\n"), std::string::npos)
            << shown.out;
    }

    // A source that is not a library changes nothing.
    writeAll(temp_.file("into.xml"), kCircle);
    RunResult bad = run({"library", "merge", kData + "/missing.xml", temp_.file("into.xml")});
    EXPECT_EQ(bad.status, 3);
    EXPECT_EQ(readAll(temp_.file("into.xml")), kCircle);
}

} // namespace

namespace {

// plotwright render: the whole drawing as SVG (fitted to --size) or PNG; refusals.
TEST_F(CliTest, cli_render_pictures_of_a_drawing)
{
    const std::string drawing = temp_.file("rich.dxf");
    RunResult made = python({"-c",
                             "import ezdxf,sys; d=ezdxf.new('R2010'); m=d.modelspace(); b=d.blocks.new('B'); "
                             "b.add_circle((0,0),1); m.add_blockref('B',(5,5),dxfattribs={'xscale':2}); "
                             "m.add_line((0,0),(10,0),dxfattribs={'color':1}); "
                             "m.add_text('Größe',dxfattribs={'height':1}).set_pos((1,1)); d.saveas(sys.argv[1])",
                             drawing});
    ASSERT_EQ(made.status, 0) << made.err;

    const std::string svg = temp_.file("rich.svg");
    RunResult r = run({"render", drawing, svg, "--size", "400x300"});
    ASSERT_EQ(r.status, 0) << r.err;
    RunResult checked = python({"-c",
                                "import sys, xml.etree.ElementTree as E\n"
                                "r = E.parse(sys.argv[1]).getroot(); ns = '{http://www.w3.org/2000/svg}'\n"
                                "print(r.get('width'), r.get('height'))\n"
                                "print(len(r.findall('.//' + ns + 'polygon')), len(r.findall('.//' + ns + 'polyline')))\n"
                                "print([t.text for t in r.findall('.//' + ns + 'text')])\n"
                                "print(any(p.get('stroke') == '#ff0000' for p in r.findall('.//' + ns + 'polyline')))\n",
                                svg});
    // The block's circle (a closed polygon), the red line, the text.
    EXPECT_EQ(checked.out, "400.00 300.00\n1 1\n['Größe']\nTrue\n") << checked.err;

    const std::string png = temp_.file("rich.png");
    r = run({"render", drawing, png});
    ASSERT_EQ(r.status, 0) << r.err;
    // Only the tool's own messages: none of Qt's (runtime folder, font sizes).
    EXPECT_EQ(r.err, "");

    // A drawing without its EOF marker is drawn, with a warning.
    const std::string cut = temp_.file("cut.dxf");
    {
        std::ifstream in(drawing, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(cut, std::ios::binary) << text.substr(0, text.rfind("  0\nEOF"));
    }
    r = run({"render", cut, svg});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "plotwright: warning: \"" + cut + "\": the file ends without the EOF marker.\n");
    RunResult header = python({"-c",
                               "import sys, struct\n"
                               "b = open(sys.argv[1], 'rb').read(24)\n"
                               "print(b[:8] == b'\\x89PNG\\r\\n\\x1a\\n', struct.unpack('>II', b[16:24]))\n",
                               png});
    // 1000 pixels for the longer side (x: -0 .. 10, the ellipse reaches 3..7) plus margins.
    EXPECT_EQ(header.out.substr(0, 5), "True ") << header.err;

    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } refusals[] = {
        {{"render", drawing, temp_.file("x.jpg")}, 64, "the picture's name must end in .svg or .png"},
        {{"render", temp_.file("none.dxf"), svg}, 3, "the file does not exist"},
        {{"render", drawing, svg, "--size", "10x10"}, 64, "--size expects WIDTHxHEIGHT"},
        {{"render", drawing}, 64, "missing DRAWING.dxf and OUT.svg or OUT.png"},
    };
    for (const auto& row : refusals) {
        SCOPED_TRACE(row.message);
        RunResult refused = run(row.args);
        EXPECT_EQ(refused.status, row.status);
        EXPECT_NE(refused.err.find(row.message), std::string::npos) << refused.err;
    }
}

} // namespace
