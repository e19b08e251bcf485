// Curves that stay curves: `draw` keeps each curve's definition in the drawing, `list`
// gives it back, `redraw` draws it again with changes. Checked end to end with the built
// tool, and against ezdxf as the independent reader and as the other program that edits
// and saves the drawing.
#include "cli/run_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using plotwright::test::readAll;
using plotwright::test::RunResult;
using plotwright::test::TempFolder;

namespace {

const std::string kTool = PLOTWRIGHT_TOOL;
const std::string kPython = "/usr/bin/python3";
const std::string kCurveData = CURVE_DATA_SCRIPT;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

// One model-space entity as ezdxf sees it, with the curve data it finds.
struct Piece {
    std::string type, handle, layer, color, form, id, index, count;
};

class CurveDataTest : public ::testing::Test {
protected:
    RunResult run(const std::vector<std::string>& args) { return plotwright::test::runProgram(kTool, args, temp_.path()); }

    RunResult python(const std::vector<std::string>& args)
    {
        std::vector<std::string> all{kCurveData};
        all.insert(all.end(), args.begin(), args.end());
        RunResult r = plotwright::test::runProgram(kPython, all, temp_.path());
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    }

    // ezdxf's audit must be clean; the entities with their curve data.
    std::vector<Piece> pieces(const std::string& path)
    {
        std::vector<Piece> out;
        for (const std::string& line : lines(python({"check", path}).out)) {
            const auto w = words(line);
            if (w.size() == 2 && w[0] == "audit") {
                EXPECT_EQ(w[1], "0") << "ezdxf's audit of " << path;
            }
            if (w.size() == 9 && w[0] == "entity")
                out.push_back({w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8]});
        }
        return out;
    }

    // The vertices (and bulges) ezdxf reads, one line each, pieces marked by type only.
    std::vector<std::string> geometry(const std::string& path)
    {
        std::vector<std::string> out;
        for (const std::string& line : lines(python({"geometry", path}).out))
            out.push_back(line.starts_with("piece ") ? words(line)[1] : line);
        return out;
    }

    std::string draw(const std::vector<std::string>& args, const std::string& path)
    {
        std::vector<std::string> all{"draw"};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"--out", path});
        RunResult r = run(all);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    std::string listJson(const std::string& path)
    {
        RunResult r = run({"list", path, "--format", "json"});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    TempFolder temp_;
};

// `dxf` without the record (and its followers) of the entity `handle`, and with the
// $HANDSEED value blanked: what a redraw may change besides the records it adds.
std::string withoutRecord(std::string dxf, const std::string& handle)
{
    const std::size_t at = dxf.find("\n  5\n" + handle + "\n");
    if (at != std::string::npos) {
        const std::size_t begin = dxf.rfind("\n  0\n", at) + 1;
        const std::size_t end = dxf.find("\n  0\n", at + 1) + 1;
        dxf.erase(begin, end - begin);
    }
    return dxf;
}

std::string withoutSeed(std::string dxf)
{
    const std::size_t at = dxf.find("$HANDSEED\n  5\n");
    if (at != std::string::npos) {
        const std::size_t value = at + 15;
        dxf.erase(value, dxf.find('\n', value) - value);
    }
    return dxf;
}

double toNumber(const std::string& text) { return std::stod(text); }

// Vertex lines "v X Y" and "b B" of two geometries agree within `tolerance`.
void expectSameGeometry(const std::vector<std::string>& a, const std::vector<std::string>& b, double tolerance)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto wa = words(a[i]), wb = words(b[i]);
        ASSERT_EQ(wa.size(), wb.size()) << a[i] << " / " << b[i];
        ASSERT_EQ(wa[0], wb[0]);
        for (std::size_t k = 1; k < wa.size(); ++k)
            EXPECT_NEAR(toNumber(wa[k]), toNumber(wb[k]), tolerance) << "line " << i << ": " << a[i] << " / " << b[i];
    }
}

struct KindRow {
    const char* name;
    std::vector<std::string> curve;
    std::vector<std::string> expected;  // texts the json must hold
};

struct OutputRow {
    const char* output;
    std::vector<std::string> options;
    const char* expected;
};

TEST_F(CurveDataTest, list_gives_back_what_was_drawn_for_each_kind_and_output)
{
    const std::vector<KindRow> kinds = {
        {"explicit",
         {"--explicit", "x^3/7", "--range=-2:2.0000000000000004:0.1", "--origin", "0.30000000000000004,-7.5"},
         {"\"kind\": 1", "\"name\": \"\"", "\"equationY\": \"x^3/7\"",
          "\"range\": {\"variable\": \"x\", \"min\": -2, \"max\": 2.0000000000000004, \"step\": 0.1}",
          "\"origin\": [0.30000000000000004, -7.5, 0]"}},
        {"parametric",
         {"Cycloid", "--set", "a=2.0000000000000004", "--origin", "1e-300,12345.678901234567,3"},
         {"\"kind\": 2", "\"name\": \"Cycloid\"", "\"equationX\": \"a*(t-sin(t))\"",
          "\"equationY\": \"a*(1-cos(t))\"", "{\"name\": \"a\", \"type\": 2, \"value\": 2.0000000000000004",
          "\"origin\": [1e-300, 12345.678901234567, 3]"}},
        {"polar",
         {"Cayley's Sextic", "--set", "a=0.30000000000000004", "--range", "0:9.42477796076938:0.05"},
         {"\"kind\": 3", "\"name\": \"Cayley's Sextic\"", "\"value\": 0.30000000000000004",
          "\"min\": 0, \"max\": 9.42477796076938, \"step\": 0.05}", "\"origin\": [0, 0, 0]"}},
    };
    const std::vector<OutputRow> outputs = {
        {"polyline", {"--literal-steps"}, "{\"output\": \"polyline\", \"tolerance\": null, \"literalSteps\": true}"},
        {"arcs", {"--tolerance", "0.0010000000000000002"},
         "{\"output\": \"arcs\", \"tolerance\": 0.0010000000000000002, \"literalSteps\": false}"},
        {"spline", {}, "{\"output\": \"spline\", \"tolerance\": null, \"literalSteps\": false}"},
        {"arcs", {"--rotate", "12.5", "--scale", "0.5", "--mirror", "--offset", "-0.01"},
         "{\"output\": \"arcs\", \"tolerance\": null, \"literalSteps\": false, \"rotation\": 12.5, \"scale\": 0.5, "
         "\"mirror\": true, \"offset\": -0.01, \"offsetBothSides\": false}"},
    };
    for (const KindRow& kind : kinds) {
        for (const OutputRow& output : outputs) {
            SCOPED_TRACE(std::string(kind.name) + " as " + output.output);
            const std::string path = temp_.file(std::string(kind.name) + "-" + output.output + "-" +
                                                std::to_string(&output - outputs.data()) + ".dxf");
            std::vector<std::string> args = kind.curve;
            args.insert(args.end(), output.options.begin(), output.options.end());
            args.insert(args.end(), {"--output", output.output});
            const std::vector<std::string> handles = lines(draw(args, path));
            ASSERT_FALSE(handles.empty());

            const std::string json = listJson(path);
            for (const std::string& text : kind.expected)
                EXPECT_NE(json.find(text), std::string::npos) << text << "\nin\n" << json;
            EXPECT_NE(json.find(output.expected), std::string::npos) << output.expected << "\nin\n" << json;
            std::string handleList;
            for (const std::string& h : handles)
                handleList += (handleList.empty() ? "\"" : ", \"") + h + "\"";
            EXPECT_NE(json.find("\"handles\": [" + handleList + "]"), std::string::npos) << json;

            // ezdxf finds the data under the registered application, one id for all pieces.
            const std::vector<Piece> found = pieces(path);
            ASSERT_EQ(found.size(), handles.size());
            for (std::size_t i = 0; i < found.size(); ++i) {
                EXPECT_EQ(found[i].form, "xdata");
                EXPECT_EQ(found[i].id, found[0].id);
                EXPECT_EQ(found[i].index, std::to_string(i));
                EXPECT_EQ(found[i].count, std::to_string(found.size()));
            }
            EXPECT_NE(json.find("\"id\": \"" + found[0].id + "\""), std::string::npos);
        }
    }
}

TEST_F(CurveDataTest, list_shows_nothing_for_curves_without_definition)
{
    const std::string path = temp_.file("plain.dxf");
    const std::string text = "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n5\n2A\n8\n0\n90\n2\n70\n0\n"
                             "10\n0\n20\n0\n10\n1\n20\n1\n0\nENDSEC\n0\nEOF\n";
    plotwright::test::writeAll(path, text);
    EXPECT_EQ(listJson(path), "[]\n");
    RunResult r = run({"list", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(CurveDataTest, two_expressions_of_ten_thousand_characters_go_to_an_xrecord_and_come_back)
{
    std::string x = "sin(t)", y = "cos(t)";
    while (x.size() < 9994) {
        x += "+0*t";
        y += "+0*t";
    }
    x += "+0.125";
    y += "-0.125";
    ASSERT_EQ(x.size(), 10000u);
    const std::string path = temp_.file("long.dxf");
    draw({"--parametric", x, y, "--range", "0:1:0.25"}, path);

    const std::vector<Piece> found = pieces(path);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].form, "xrecord");
    const std::string json = listJson(path);
    EXPECT_NE(json.find("\"equationX\": \"" + x + "\", \"equationY\": \"" + y + "\""), std::string::npos);

    // Saved again by another program, the definition is still found.
    const std::string again = temp_.file("long-again.dxf");
    python({"resave", path, again});
    EXPECT_NE(listJson(again).find("\"equationY\": \"" + y + "\""), std::string::npos);
}

struct RedrawRow {
    const char* name;
    std::vector<std::string> drawn;    // the first draw
    std::vector<std::string> changes;  // given to redraw
    std::vector<std::string> fresh;    // a fresh draw that must give the same vertices
};

TEST_F(CurveDataTest, redraw_with_changes_gives_what_a_fresh_draw_gives)
{
    const std::vector<RedrawRow> rows = {
        {"cycloid, new constant",
         {"Cycloid", "--origin", "10.25,-3.5"},
         {"--set", "a=2.5"},
         {"Cycloid", "--origin", "10.25,-3.5", "--set", "a=2.5"}},
        {"polar as arcs, new constant and range",
         {"Cayley's Sextic", "--output", "arcs", "--tolerance", "0.01", "--origin", "1,2"},
         {"--set", "a=3", "--range", "0:6:0.05"},
         {"Cayley's Sextic", "--output", "arcs", "--tolerance", "0.01", "--origin", "1,2", "--set", "a=3", "--range",
          "0:6:0.05"}},
        {"explicit as spline, new origin and output",
         {"--explicit", "sin(x)*x", "--range=-3:3:0.1", "--output", "spline"},
         {"--origin", "7,8", "--output", "polyline", "--literal-steps"},
         {"--explicit", "sin(x)*x", "--range=-3:3:0.1", "--origin", "7,8", "--literal-steps"}},
        {"turned, mirrored and offset; a new turn and both sides",
         {"Epicycloid", "--set", "b=2.5", "--rotate", "30", "--mirror", "--offset", "1", "--tolerance", "0.05"},
         {"--rotate", "45", "--offset-both", "0.5"},
         {"Epicycloid", "--set", "b=2.5", "--rotate", "45", "--mirror", "--offset-both", "0.5", "--tolerance", "0.05"}},
        {"scaled arcs keep their scale; the mirror taken away",
         {"Cycloid", "--output", "arcs", "--scale", "2", "--mirror", "--origin", "3,4"},
         {"--no-mirror", "--set", "a=2"},
         {"Cycloid", "--output", "arcs", "--scale", "2", "--origin", "3,4", "--set", "a=2"}},
    };
    for (const RedrawRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = temp_.file("redraw.dxf"), fresh = temp_.file("fresh.dxf");
        std::remove(path.c_str());
        std::remove(fresh.c_str());
        // Another curve in the same drawing must stay as it was, byte for byte.
        const std::string other = lines(draw({"Deltoid", "--origin", "-50,0"}, path)).at(0);
        const std::vector<std::string> old = lines(draw(row.drawn, path));
        const std::string before = readAll(path);
        const std::string id = pieces(path).back().id;

        std::vector<std::string> args{"redraw", path, id};
        args.insert(args.end(), row.changes.begin(), row.changes.end());
        RunResult r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> added = lines(r.out);
        draw(row.fresh, fresh);

        // The Deltoid's lines come first; the rest is the redrawn curve.
        std::vector<std::string> redrawn = geometry(path);
        const auto firstNew = std::find_if(redrawn.begin() + 1, redrawn.end(),
                                           [](const std::string& l) { return !l.starts_with("v ") && !l.starts_with("b "); });
        redrawn.erase(redrawn.begin(), firstNew);
        expectSameGeometry(redrawn, geometry(fresh), 0.0);

        // The same id, the new handles, the changes listed; nothing else in the file changed.
        const std::vector<Piece> found = pieces(path);
        ASSERT_EQ(found.size(), 1 + added.size());
        EXPECT_EQ(found[0].handle, other);
        for (std::size_t i = 1; i < found.size(); ++i) {
            EXPECT_EQ(found[i].id, id);
            EXPECT_EQ(found[i].handle, added[i - 1]);
        }
        std::string after = readAll(path), expected = before;
        for (const std::string& h : added)
            after = withoutRecord(after, h);
        for (const std::string& h : old)
            expected = withoutRecord(expected, h);
        EXPECT_EQ(withoutSeed(after), withoutSeed(expected));
    }
}

TEST_F(CurveDataTest, redraw_replaces_every_piece_of_a_broken_curve)
{
    const std::string path = temp_.file("broken.dxf");
    const std::vector<std::string> old = lines(draw({"--explicit", "1/(x-0.5)", "--range=-1:2:0.25"}, path));
    ASSERT_EQ(old.size(), 2u);
    // Named by its second piece; a wider range is still broken at its pole.
    RunResult r = run({"redraw", path, old[1], "--range=-1:2.5:0.25", "--set", "x=1"});
    EXPECT_EQ(r.status, 64) << "x is the running variable";
    r = run({"redraw", path, old[1], "--range=-1:3:0.25"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> added = lines(r.out);
    const std::vector<Piece> found = pieces(path);
    ASSERT_EQ(found.size(), added.size());
    ASSERT_EQ(found.size(), 2u);
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].handle, added[i]);
        EXPECT_EQ(found[i].index, std::to_string(i));
        EXPECT_EQ(found[i].count, "2");
        EXPECT_NE(found[i].handle, old[0]);
        EXPECT_NE(found[i].handle, old[1]);
    }
}

TEST_F(CurveDataTest, redraw_keeps_a_move_and_refuses_hand_edits_without_force)
{
    const std::string path = temp_.file("moved.dxf"), fresh = temp_.file("fresh.dxf");
    draw({"Cycloid", "--origin", "10,5"}, path);
    draw({"--explicit", "1/(x-0.5)", "--range=-1:2:0.25", "--origin", "10,5"}, path);
    python({"move", path, "3", "4"});  // another program moves everything, and restyles it
    python({"restyle", path, "Curves", "3"});

    RunResult r = run({"redraw", path, pieces(path).at(0).id, "--set", "a=3"});
    ASSERT_EQ(r.status, 0) << r.err;
    draw({"Cycloid", "--origin", "13,9", "--set", "a=3"}, fresh);
    // The redrawn cycloid is the last entity now.
    std::vector<std::string> redrawn = geometry(path);
    redrawn.erase(redrawn.begin(), std::find(redrawn.rbegin(), redrawn.rend(), "LWPOLYLINE").base() - 1);
    std::vector<std::string> freshLines = geometry(fresh);
    expectSameGeometry(redrawn, freshLines, 1e-9);
    EXPECT_NE(listJson(path).find("\"origin\": [13, 9, 0]"), std::string::npos) << listJson(path);
    for (const Piece& p : pieces(path)) {
        EXPECT_EQ(p.layer, "Curves") << "the redrawn piece stays on its layer";
        EXPECT_EQ(p.color, "3");
    }

    // A vertex moved by hand: refused, the file untouched; --force replaces the edit.
    python({"edit", path});
    const std::string edited = readAll(path);
    const std::string piece = pieces(path).at(0).handle;
    r = run({"redraw", path, piece});
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.err.find("was changed by hand"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(readAll(path), edited);
    r = run({"redraw", path, piece, "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("the changes are replaced"), std::string::npos) << r.err;
    EXPECT_EQ(pieces(path).size(), 3u);
}

TEST_F(CurveDataTest, a_curve_moved_off_its_plane_counts_as_changed)
{
    const std::string path = temp_.file("lifted.dxf");
    draw({"Cycloid"}, path);
    python({"move", path, "1", "1", "2"});
    const std::string lifted = readAll(path);
    RunResult r = run({"redraw", path, pieces(path).at(0).id});
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.err.find("moved off its plane"), std::string::npos) << r.err;
    EXPECT_EQ(readAll(path), lifted);
}

TEST_F(CurveDataTest, refused_redraws_leave_the_file_untouched)
{
    const std::string path = temp_.file("refused.dxf");
    const std::string handle = lines(draw({"Cycloid"}, path)).at(0);
    const std::string before = readAll(path);
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
    } rows[] = {
        {"no such curve", {"0123456789abcdef0123456789abcdef"}, 5},
        {"a handle of no curve", {"FFFF"}, 5},
        {"an empty range", {handle, "--range", "5:1:0.1"}, 1},
        {"no such constant", {handle, "--set", "q=1"}, 64},
        {"an option of draw only", {handle, "--out", "x.dxf"}, 64},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args{"redraw", path};
        args.insert(args.end(), row.args.begin(), row.args.end());
        EXPECT_EQ(run(args).status, row.status);
        EXPECT_EQ(readAll(path), before);
    }
}

TEST_F(CurveDataTest, a_drawing_saved_by_another_program_still_lists_and_redraws)
{
    const std::string path = temp_.file("theirs.dxf"), again = temp_.file("again.dxf");
    draw({"Cycloid", "--set", "a=0.1"}, path);
    std::string x = "t", y = "t";
    while (x.size() < 9997) {
        x += "+0*t";
        y += "-0*t";
    }
    draw({"--parametric", x + "+00", y + "+00", "--range", "0:1:0.5"}, path);
    python({"resave", path, again});

    const std::vector<Piece> found = pieces(again);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1].form, "xrecord");
    const std::string json = listJson(again);
    EXPECT_NE(json.find("\"value\": 0.1"), std::string::npos) << json;
    for (const Piece& p : found) {
        RunResult r = run({"redraw", again, p.id, "--range", "0:2:0.5"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // ezdxf audits the result clean (pieces() checks), the old extension dictionary and
    // its XRECORD went with the old piece.
    const std::vector<Piece> redrawn = pieces(again);
    ASSERT_EQ(redrawn.size(), 2u);
    EXPECT_EQ(redrawn[0].id, found[0].id);
    EXPECT_EQ(redrawn[1].id, found[1].id);
    EXPECT_EQ(redrawn[1].form, "xrecord");
    const std::string text = readAll(again);
    std::size_t records = 0;
    for (std::size_t at = text.find("PLOTWRIGHT_CURVE"); at != std::string::npos; at = text.find("PLOTWRIGHT_CURVE", at + 1))
        ++records;
    EXPECT_EQ(records, 1u);
}

} // namespace
