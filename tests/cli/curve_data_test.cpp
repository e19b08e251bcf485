// Curves that stay curves: `draw` keeps each curve's definition in the drawing, `list`
// gives it back, `redraw` draws it again with changes. Checked end to end with the built
// tool, and against ezdxf as the independent reader and as the other program that edits
// and saves the drawing.
#include "cli/run_tool.h"

#include <gtest/gtest.h>

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
    };
    for (const KindRow& kind : kinds) {
        for (const OutputRow& output : outputs) {
            SCOPED_TRACE(std::string(kind.name) + " as " + output.output);
            const std::string path = temp_.file(std::string(kind.name) + "-" + output.output + ".dxf");
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

} // namespace
