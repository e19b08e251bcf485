// Space and implicit curves from the command line: sample's x,y,z lines and branch
// breaks, draw's 3-D polylines and splines as ezdxf reads them (audited clean), list and
// redraw with a new window, and the refusals before anything is drawn.
#include "cli/run_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using plotwright::test::RunResult;
using plotwright::test::TempFolder;

namespace {

const std::string kTool = PLOTWRIGHT_TOOL;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class CliKindsTest : public ::testing::Test {
protected:
    RunResult run(const std::vector<std::string>& args) { return plotwright::test::runProgram(kTool, args, temp_.path()); }

    std::string ezdxf(const std::string& drawing, const std::string& script)
    {
        RunResult r = plotwright::test::runProgram(
            "/usr/bin/python3",
            {"-c", "import ezdxf, sys\nd = ezdxf.readfile(sys.argv[1])\nassert not d.audit().errors\n"
                   "m = list(d.modelspace())\n" + script,
             drawing},
            temp_.path());
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    TempFolder temp_;
};

} // namespace

TEST_F(CliKindsTest, cli_sample_space_and_implicit)
{
    RunResult helix = run({"sample", "--space", "cos(t)", "sin(t)", "c*t", "--set", "c=2", "--range", "0:PI:PI/2",
                           "--origin", "1,2,3"});
    ASSERT_EQ(helix.status, 0) << helix.err;
    EXPECT_EQ(lines(helix.out).front(), "2,2,3");
    EXPECT_EQ(lines(helix.out).back().substr(lines(helix.out).back().rfind(',')), "," + std::string("9.2831853071795862"));

    // Two loops: one break line between them, every point on the curve within the tolerance.
    RunResult ovals = run({"sample", "--implicit", "(x^2+y^2)^2-2*(x^2-y^2)-(a^4-1)", "--set", "a=0.9", "--window",
                           "-2:2,-1:1", "--tolerance", "0.001"});
    ASSERT_EQ(ovals.status, 0) << ovals.err;
    int breaks = 0;
    for (const std::string& line : lines(ovals.out)) {
        if (line == "nan,nan,0") {
            ++breaks;
            continue;
        }
        // from_chars: the test runs under a decimal-comma locale too.
        double x = 0, y = 0, z = 1;
        const char* p = line.data();
        const char* end = p + line.size();
        for (double* value : {&x, &y, &z}) {
            const auto [next, error] = std::from_chars(p, end, *value);
            ASSERT_EQ(error, std::errc()) << line;
            p = next < end ? next + 1 : next;
        }
        const double r2 = x * x + y * y;
        EXPECT_LE(std::fabs(r2 * r2 - 2 * (x * x - y * y) - (std::pow(0.9, 4) - 1)), 1e-3) << line;
        EXPECT_EQ(z, 0);
    }
    EXPECT_EQ(breaks, 1);
}

TEST_F(CliKindsTest, cli_refusals_before_drawing)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string message;  // a line of standard error (a usage error's is followed by the usage)
    };
    const std::vector<Row> rows = {
        {"implicit without window", {"--implicit", "x-y"}, 64,
         "plotwright: --implicit needs --window XMIN:XMAX,YMIN:YMAX"},
        {"window malformed", {"--implicit", "x-y", "--window", "0:1"}, 64,
         "plotwright: --window expects XMIN:XMAX,YMIN:YMAX, got \"0:1\" (numbers use \".\" as the decimal separator)"},
        {"grid not a count", {"--implicit", "x-y", "--window", "0:1,0:1", "--grid", "0"}, 64,
         "plotwright: --grid expects a whole number of cells above 0, got \"0\""},
        {"range on implicit", {"--implicit", "x-y", "--window", "0:1,0:1", "--range", "0:1:0.1"}, 64,
         "plotwright: --range: an implicit curve has a window (--window), no range"},
        {"window on explicit", {"--explicit", "x", "--window", "0:1,0:1"}, 64,
         "plotwright: --window: only an implicit curve has a window"},
        {"min not below max", {"--implicit", "x-y", "--window", "1:1,0:1"}, 1,
         "plotwright: the window's xmin 1 is not below its xmax 1"},
        {"neither x nor y", {"--implicit", "a-1", "--set", "a=2", "--window", "0:1,0:1"}, 2,
         "plotwright: F = a-1: F uses neither x nor y"},
        {"too many cells", {"--implicit", "x-y", "--window", "0:1,0:1", "--grid", "5000"}, 1,
         "Too many points: the window's grid has 25010001 nodes; at most 10000000 can be sampled (give fewer cells)."},
        {"z nowhere finite", {"--space", "t", "t", "sqrt(-1-t)"}, 2,
         "plotwright: z = sqrt(-1-t): z is not finite anywhere in the range"},
        {"arcs of a space curve", {"--space", "t", "t", "t", "--output", "arcs"}, 1,
         "plotwright: arcs lie in a plane: a space curve is drawn as a polyline or a spline"},
        {"offset of a space curve", {"--space", "cos(t)", "sin(t)", "t", "--offset", "0.1"}, 1,
         "plotwright: an offset is drawn of a plane curve, not of a space curve"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string drawing = temp_.file("refused.dxf");
        std::vector<std::string> args{"draw"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.insert(args.end(), {"--out", drawing});
        const RunResult r = run(args);
        EXPECT_EQ(r.status, row.status) << r.err;
        const std::vector<std::string> said = lines(r.err);
        EXPECT_NE(std::find(said.begin(), said.end(), row.message), said.end()) << r.err;
        EXPECT_FALSE(std::ifstream(drawing).good());
    }
}

TEST_F(CliKindsTest, cli_draw_space_curves_as_3d_entities)
{
    const std::string drawing = temp_.file("space.dxf");
    RunResult polyline = run({"draw", "--space", "r*cos(t)", "r*sin(t)", "t", "--set", "r=5", "--range",
                              "0:4*PI:PI/16", "--origin", "10,0,2", "--out", drawing});
    ASSERT_EQ(polyline.status, 0) << polyline.err;
    RunResult spline = run({"draw", "--space", "cos(t)", "sin(t)", "t/10", "--range", "0:2*PI:PI/8", "--output",
                            "spline", "--tolerance", "0.001", "--out", drawing});
    ASSERT_EQ(spline.status, 0) << spline.err;
    const std::string seen = ezdxf(drawing, R"(
p = [e for e in m if e.dxftype() == 'POLYLINE'][0]
assert p.is_3d_polyline
v = [x.dxf.location for x in p.vertices]
print(len(v), round(v[0].z, 9), round(v[-1].z, 9), round(max(abs((q.x - 10) ** 2 + q.y ** 2 - 25) for q in v), 9))
s = [e for e in m if e.dxftype() == 'SPLINE'][0]
c = s.control_points
print(round(c[0][2], 9), round(c[-1][2], 9))
)");
    const std::vector<std::string> out = lines(seen);
    ASSERT_EQ(out.size(), 2u) << seen;
    EXPECT_NE(out[0].find(" 2.0 14.566370614 0.0"), std::string::npos) << out[0];
    EXPECT_EQ(out[1], "0.0 0.628318531");

    const std::string listed = run({"list", drawing}).out;
    EXPECT_NE(listed.find(", space, pieces"), std::string::npos) << listed;
    EXPECT_NE(listed.find("  z = t\n"), std::string::npos) << listed;
}

TEST_F(CliKindsTest, cli_redraw_implicit_with_new_window)
{
    const std::string drawing = temp_.file("implicit.dxf");
    RunResult drawn = run({"draw", "--implicit", "x^2+y^2-r^2", "--set", "r=1", "--window", "-2:2,-2:2", "--grid",
                           "50", "--out", drawing});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    const std::string listed = run({"list", drawing}).out;
    EXPECT_NE(listed.find("  F = x^2+y^2-r^2\n  window -2:2,-2:2, grid 50\n"), std::string::npos) << listed;
    EXPECT_EQ(ezdxf(drawing, "print(len(m), m[0].dxftype(), m[0].closed)"), "1 LWPOLYLINE True\n");

    // A window that cuts the circle: one open arc from edge to edge.
    RunResult redrawn = run({"redraw", drawing, lines(drawn.out).at(0), "--window", "0:2,-2:2"});
    ASSERT_EQ(redrawn.status, 0) << redrawn.err;
    EXPECT_EQ(ezdxf(drawing, "p = [q for q in m[0].get_points('xy')]\n"
                             "print(len(m), m[0].closed, round(min(q[0] for q in p), 9))"),
              "1 False 0.0\n");
    const std::string json = run({"list", drawing, "--format", "json"}).out;
    EXPECT_NE(json.find("\"window\": {\"xMin\": 0, \"xMax\": 2, \"yMin\": -2, \"yMax\": 2, \"gridCells\": 50"),
              std::string::npos)
        << json;
}
