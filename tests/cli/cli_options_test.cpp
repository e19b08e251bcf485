// The command line as makers use it: constants of curves typed on it, layer, colour and
// units of the drawing, values written as expressions, previews by their ending, draws
// racing to create one drawing, and redraw noticing any edited vertex. Run end to end
// with the built tool; drawings read back by ezdxf.
#include "cli/run_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using plotwright::test::readAll;
using plotwright::test::Running;
using plotwright::test::RunResult;
using plotwright::test::TempFolder;

namespace {

const std::string kTool = PLOTWRIGHT_TOOL;
const std::string kPython = "/usr/bin/python3";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class CliOptionsTest : public ::testing::Test {
protected:
    RunResult run(const std::vector<std::string>& args) { return plotwright::test::runProgram(kTool, args, temp_.path()); }

    // ezdxf runs `script` with the drawing as sys.argv[1] (as `d`, audited clean first).
    std::string ezdxf(const std::string& drawing, const std::string& script)
    {
        RunResult r = plotwright::test::runProgram(
            kPython,
            {"-c", "import ezdxf, sys\nd = ezdxf.readfile(sys.argv[1])\nassert not d.audit().errors\nm = list(d.modelspace())\n" + script,
             drawing},
            temp_.path());
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    TempFolder temp_;
};

// --layer, --color and --units as ezdxf reads them: the entity's layer and colour, the
// layer's colour when it was made, the header's units.
TEST_F(CliOptionsTest, cli_layer_color_and_units_read_by_ezdxf)
{
    struct Row {
        const char* name;
        std::vector<std::string> options;
        std::string read;  // layer, colour, true colour, layer's colour, $INSUNITS, $MEASUREMENT
    } rows[] = {
        {"defaults as before", {}, "0 256 None 7 None None"},
        {"a new layer in red, millimetres", {"--layer", "CUT", "--color", "1", "--units", "mm"}, "CUT 1 None 1 4 1"},
        {"true colour, inches", {"--layer", "Engrave", "--color", "#FF8000", "--units", "in"},
         "Engrave 30 16744448 30 1 0"},
        {"colour alone keeps the current layer", {"--color", "5", "--units", "ft"}, "0 5 None 7 2 0"},
        {"a new layer by layer", {"--layer", "Mark", "--color", "BYLAYER", "--units", "cm"}, "Mark 256 None 7 5 1"},
        {"metres", {"--units", "m"}, "0 256 None 7 6 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string drawing = temp_.file("options.dxf");
        std::filesystem::remove(drawing);
        std::vector<std::string> args{"draw", "Deltoid", "--out", drawing};
        args.insert(args.end(), row.options.begin(), row.options.end());
        RunResult r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ezdxf(drawing, "e = m[0]\n"
                                 "tc = e.dxf.true_color if e.dxf.hasattr('true_color') else None\n"
                                 "print(e.dxf.layer, e.dxf.color, tc, d.layers.get(e.dxf.layer).dxf.color,\n"
                                 "      d.header.get('$INSUNITS'), d.header.get('$MEASUREMENT'))\n"),
                  row.read + "\n");
    }

    // An existing drawing keeps its units and layer colours; redraw moves a curve to
    // another layer and colour.
    const std::string drawing = temp_.file("existing.dxf");
    ASSERT_EQ(run({"draw", "Cycloid", "--units", "mm", "--layer", "CUT", "--color", "1", "--out", drawing}).status, 0);
    RunResult again = run({"draw", "Deltoid", "--units", "in", "--layer", "cut", "--color", "3", "--out", drawing});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err, "plotwright: warning: " + drawing + " exists and keeps its units; --units applies to new "
                         "drawings\n");
    RunResult redrawn = run({"redraw", drawing, lines(again.out).at(0), "--layer", "Plot", "--color", "#0000FF"});
    ASSERT_EQ(redrawn.status, 0) << redrawn.err;
    EXPECT_EQ(ezdxf(drawing, "print(d.header.get('$INSUNITS'), [(e.dxf.layer, e.dxf.color) for e in m],\n"
                             "      d.layers.get('CUT').dxf.color, d.layers.get('Plot').dxf.true_color)\n"),
              "4 [('CUT', 1), ('Plot', 5)] 1 255\n");

    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {{"--color", "256"}, "plotwright: --color is a colour number 1 to 255, BYLAYER or #RRGGBB, not \"256\""},
        {{"--color", "#12345"}, "plotwright: --color is a colour number 1 to 255, BYLAYER or #RRGGBB, not \"#12345\""},
        {{"--layer", "a/b"}, "plotwright: --layer: \"a/b\" is no layer name (empty, or one of <>/\\\":;?*|=` in it)"},
        {{"--units", "yd"}, "plotwright: --units is mm, cm, m, in or ft, not \"yd\""},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.message);
        std::vector<std::string> args{"draw", "Deltoid", "--out", temp_.file("refused.dxf")};
        args.insert(args.end(), row.args.begin(), row.args.end());
        RunResult r = run(args);
        EXPECT_EQ(r.status, 64);
        EXPECT_EQ(lines(r.err).at(0), row.message);
    }
    EXPECT_EQ(run({"redraw", drawing, "X", "--units", "mm"}).status, 64) << "units belong to new drawings";
}

// --set gives a curve typed on the command line its constants; list shows them and
// redraw changes them.
TEST_F(CliOptionsTest, cli_set_defines_constants_of_a_typed_curve)
{
    RunResult sampled = run({"sample", "--parametric", "a*cos(t)", "a*sin(t)+b", "--set", "a=5", "--set", "b=1",
                             "--range", "0:PI:PI/2"});
    ASSERT_EQ(sampled.status, 0) << sampled.err;
    EXPECT_EQ(lines(sampled.out).at(0), "5,1,0");
    EXPECT_EQ(lines(sampled.out).at(1).substr(lines(sampled.out).at(1).find(',')), ",6,0");

    const std::string drawing = temp_.file("typed.dxf");
    RunResult drawn = run({"draw", "--polar", "r0+k*t", "--set", "r0=2", "--set", "k=0.5", "--out", drawing});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    const std::string listed = run({"list", drawing}).out;
    for (const char* constant : {"  r0 = 2\n", "  k = 0.5\n"})
        EXPECT_NE(listed.find(constant), std::string::npos) << listed;
    RunResult redrawn = run({"redraw", drawing, lines(drawn.out).at(0), "--set", "k=2"});
    ASSERT_EQ(redrawn.status, 0) << redrawn.err;
    const std::string json = run({"list", drawing, "--format", "json"}).out;
    EXPECT_NE(json.find("\"value\": 2"), std::string::npos) << json;
    EXPECT_NE(json.find("\"r0\""), std::string::npos) << json;

    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {{"--explicit", "a*x", "--set", "q=1"}, "plotwright: --set: the curve has no constant named \"q\""},
        {{"--explicit", "a*x", "--set", "x=1"}, "plotwright: --set: \"x\" is the running variable; set its range "
                                                "with --range"},
        {{"--explicit", "a*sin(x)", "--set", "sin=1"}, "plotwright: --set: the curve has no constant named \"sin\""},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.message);
        std::vector<std::string> args{"sample"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        RunResult r = run(args);
        EXPECT_EQ(r.status, 64);
        EXPECT_EQ(lines(r.err).at(0), row.message);
    }
}

// Values of --set, --range, --origin and --tolerance may be expressions without variables.
TEST_F(CliOptionsTest, cli_values_as_constant_expressions)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string out;
    } rows[] = {
        {"range in PI", {"--polar", "1", "--range", "0:2*PI:PI"}, "1,0,0\n-1,1.2246467991473532e-16,0\n1,"
                                                                  "-2.4492935982947064e-16,0\n"},
        {"set as a quotient", {"--explicit", "a", "--set", "a=360/8", "--range", "0:1:1"}, "0,45,0\n1,45,0\n"},
        {"origin with a call", {"--explicit", "0", "--origin", "max(1,2),hypot(3,4)", "--range", "0:1:1"},
         "2,5,0\n3,5,0\n"},
        {"tolerance as a power", {"--explicit", "x", "--tolerance", "10^-3", "--range", "0:1:1"}, "0,0,0\n1,1,0\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args{"sample"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        RunResult r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, row.out);
    }
    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {{"--set", "a=2*pie"}, "plotwright: --set a: \"2*pie\" is not a finite number (unknown name \"pie\" at "
                               "character 3)"},
        {{"--range", "0:1/0:1"}, "plotwright: --range MAX: \"1/0\" is not a finite number"},
        {{"--origin", "1,(2"}, "plotwright: --origin Y: \"(2\" is not a finite number (missing parenthesis at "
                               "character 3)"},
        {{"--tolerance", "-PI"}, "plotwright: --tolerance must be a number above 0, not \"-PI\""},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.message);
        std::vector<std::string> args{"sample", "Cycloid"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        RunResult r = run(args);
        EXPECT_EQ(r.status, 64);
        EXPECT_EQ(lines(r.err).at(0), row.message);
    }
}

// --preview writes the picture its name asks for, or is refused before anything is drawn.
TEST_F(CliOptionsTest, cli_preview_by_its_ending)
{
    struct Row {
        const char* file;
        int status;
        std::string starts;  // the picture's first bytes; empty: no picture
    } rows[] = {
        {"p.svg", 0, "<"},
        {"p.PNG", 0, "\x89PNG\r\n\x1a\n"},
        {"p.jpg", 64, ""},
        {"p", 64, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string drawing = temp_.file(std::string(row.file) + ".dxf");
        const std::string picture = temp_.file(row.file);
        RunResult r = run({"draw", "Deltoid", "--out", drawing, "--preview", picture});
        EXPECT_EQ(r.status, row.status) << r.err;
        if (row.starts.empty()) {
            EXPECT_EQ(lines(r.err).at(0), "plotwright: --preview: the picture's name must end in .svg or .png: " + picture);
            EXPECT_FALSE(std::filesystem::exists(drawing)) << "refused before drawing";
            EXPECT_FALSE(std::filesystem::exists(picture));
            continue;
        }
        EXPECT_EQ(readAll(picture).substr(0, row.starts.size()), row.starts);
    }
}

// Ten draws started at once into a drawing that does not exist: one creates it, the
// others add to it; all ten curves land, each with its own handle.
TEST_F(CliOptionsTest, cli_draws_at_once_into_a_new_drawing_all_land)
{
    const std::string drawing = temp_.file("new.dxf");
    std::vector<std::unique_ptr<Running>> runs;
    for (int i = 0; i < 10; ++i)
        runs.push_back(std::make_unique<Running>(
            kTool, std::vector<std::string>{"draw", "--explicit", "x+" + std::to_string(i), "--range", "0:5:1", "--out", drawing},
            temp_.path(), "draw" + std::to_string(i)));
    std::set<std::string> handles;
    for (auto& running : runs) {
        RunResult r = running->finish();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(handles.insert(r.out).second) << "handle printed twice: " << r.out;
    }
    EXPECT_EQ(ezdxf(drawing, "print(len(m), len({e.dxf.handle for e in m}), sorted(round(e[0][1]) for e in m))\n"),
              "10 10 [0, 1, 2, 3, 4, 5, 6, 7, 8, 9]\n");
}

// redraw compares every vertex: an inner one moved by another program is a change by
// hand, refused without --force; a move of the whole curve is not.
TEST_F(CliOptionsTest, cli_redraw_notices_an_inner_vertex_edit)
{
    const std::string drawing = temp_.file("edited.dxf");
    RunResult drawn = run({"draw", "Epicycloid", "--origin", "1000,2000", "--out", drawing});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    const std::string handle = lines(drawn.out).at(0);
    auto curveData = [&](const std::vector<std::string>& args) {
        std::vector<std::string> all{CURVE_DATA_SCRIPT};
        all.insert(all.end(), args.begin(), args.end());
        RunResult r = plotwright::test::runProgram(kPython, all, temp_.path());
        EXPECT_EQ(r.status, 0) << r.err;
    };
    curveData({"move", drawing, "123.456", "-0.001"});
    RunResult moved = run({"redraw", drawing, handle});
    ASSERT_EQ(moved.status, 0) << "a moved curve is no edit: " << moved.err;

    const std::string redrawnHandle = lines(moved.out).at(0);
    curveData({"edit-inner", drawing, "0.001"});
    const std::string edited = readAll(drawing);
    RunResult refused = run({"redraw", drawing, redrawnHandle});
    EXPECT_EQ(refused.status, 5);
    EXPECT_EQ(refused.err, "plotwright: curve " + lines(run({"list", drawing}).out).at(0).substr(0, 32)
                               + " was changed by hand (piece " + redrawnHandle
                               + " was changed); --force draws it again from its definition, replacing the changes\n");
    EXPECT_EQ(readAll(drawing), edited);
    RunResult forced = run({"redraw", drawing, redrawnHandle, "--force"});
    EXPECT_EQ(forced.status, 0);

    // A definition kept before the digest is still read, and compared by its ends.
    curveData({"undigest", drawing});
    curveData({"edit-inner", drawing, "0.001"});
    RunResult old = run({"redraw", drawing, lines(forced.out).at(0), "--set", "a=3"});
    EXPECT_EQ(old.status, 0) << old.err;
    EXPECT_NE(run({"list", drawing, "--format", "json"}).out.find("\"value\": 3"), std::string::npos);
}

} // namespace
