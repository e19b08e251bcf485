// What a drawing made by another program shows: every kind, drawn by the entity
// services, agrees with the geometry ezdxf computes for the same entities; and the
// reader's handling of odd input (colour numbers, line endings, section names).
#include "base/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "db/database.h"
#include "render/display_shapes.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "ezdxf_compare.h"
#include "support/dxf_check.h"

namespace {

using plotwright::db::DisplayPoint;
using plotwright::db::DisplayShape;
using plotwright::dxf::DxfStatus;

std::string hex(AcDbHandle handle)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle));
    return text;
}

TEST(dxf_display, every_kind_agrees_with_ezdxf)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("kinds.dxf");
    const std::string report = dxftest::runPython(PLOTWRIGHT_TEST_SOURCE "/dxf/display_kinds.py", {path});
    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(path, db);
    ASSERT_TRUE(read.ok()) << read.message;
    int compared = 0, textsCompared = 0;
    dxftest::compareWithEzdxf(*db, report, compared, textsCompared);
    EXPECT_EQ(compared, 21);
    EXPECT_EQ(textsCompared, 9);  // the multi-line text in four stretches of one format
}

// Colour numbers outside what the format allows: the entity shows in its layer's colour;
// a layer takes colour 7. None of them may reach arithmetic that overflows.
TEST(dxf_display, colour_numbers_outside_the_range)
{
    const struct {
        const char* entity;
        const char* layer;
        int entityColor;
        int layerColor;
        bool layerOff;
    } rows[] = {
        {"3", "5", 3, 5, false},
        {"-9223372036854775808", "-9223372036854775808", 256, 7, true},
        {"2147483648", "2147483648", 256, 7, false},
        {"-2147483648", "-2147483648", 256, 7, true},
        {"257", "-4", 256, 4, true},
        {"-1", "0", 256, 7, false},
        {"0", "256", 0, 7, false},
        {"99999999999999999999", "x", 256, 7, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entity);
        const std::string text = std::string("  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nLAYER\n  2\nL\n 62\n") +
                                 row.layer + "\n 70\n0\n  0\nENDTAB\n  0\nENDSEC\n"
                                 "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\nL\n 62\n" + row.entity +
                                 "\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n  0\nENDSEC\n  0\nEOF\n";
        std::unique_ptr<AcDbDatabase> db;
        ASSERT_TRUE(plotwright::dxf::readDxfText(text, "colours.dxf", db).ok());
        int color = -1000;
        db->forEachEntity([&](const AcDbEntity& e) { color = e.colorIndex(); });
        EXPECT_EQ(color, row.entityColor);
        EXPECT_EQ(db->layerAppearance(L"L").colorIndex, row.layerColor);
        EXPECT_EQ(db->layerAppearance(L"L").off, row.layerOff);
        EXPECT_EQ(plotwright::db::tessellateModelSpace(*db, {}).size(), row.layerOff ? 0u : 1u);
    }
}

TEST(dxf_display, lower_case_section_names_are_refused)
{
    const struct {
        std::string text;
        std::string reason;
    } rows[] = {
        {"  0\nSECTION\n  2\nheader\n  0\nENDSEC\n  0\nEOF\n", "line 3: the section name \"header\" must be written \"HEADER\""},
        {"  0\nSECTION\n  2\nEntities\n  0\nENDSEC\n  0\nEOF\n",
         "line 3: the section name \"Entities\" must be written \"ENTITIES\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        std::unique_ptr<AcDbDatabase> db;
        const plotwright::dxf::DxfResult result = plotwright::dxf::readDxfText(row.text, "lower.dxf", db);
        EXPECT_EQ(result.status, DxfStatus::malformed);
        EXPECT_EQ(result.message, "Cannot open \"lower.dxf\": " + row.reason + ".");
        EXPECT_EQ(db, nullptr);
    }
}

void appendPolyline(AcDbDatabase& db)
{
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, {1, 2});
    polyline->addVertexAt(1, {3, 4});
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db.getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* model = nullptr;
    ASSERT_EQ(table->getAt(L"*Model_Space", model, AcDb::kForWrite), Acad::eOk);
    table->close();
    ASSERT_EQ(model->appendAcDbEntity(polyline), Acad::eOk);
    polyline->close();
    model->close();
}

int countShown(const AcDbDatabase& db)
{
    int n = 0;
    db.forEachEntity([&](const AcDbEntity&) { ++n; });
    return n;
}

// Files that other readers open: lines ending in CR alone, and an R2000 file of
// nothing but a HEADER and ENTITIES. Both are read and take a new polyline.
TEST(dxf_display, cr_only_and_minimal_files_are_read_and_drawn_into)
{
    const std::string r2000 = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
                              "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  5\n20\n  8\n0\n 10\n0\n 20\n0\n 11\n5\n 21\n5\n"
                              "  0\nENDSEC\n  0\nEOF\n";
    std::string crOnly = r2000;
    for (char& c : crOnly) {
        if (c == '\n')
            c = '\r';
    }
    const struct {
        const char* name;
        std::string text;
        const char* newline;
    } rows[] = {{"CR only", crOnly, "\r"}, {"no TABLES", r2000, "\n"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dxftest::TempDir dir;
        const std::string path = dir.file("in.dxf");
        dxftest::writeFile(path, row.text);
        std::unique_ptr<AcDbDatabase> db;
        const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(path, db);
        ASSERT_TRUE(read.ok()) << read.message;
        EXPECT_EQ(countShown(*db), 1);
        appendPolyline(*db);
        const plotwright::dxf::DxfResult saved = plotwright::dxf::saveDxf(*db, path);
        ASSERT_TRUE(saved.ok()) << saved.message;
        const std::string after = dxftest::readFile(path);
        EXPECT_EQ(after.find(std::string(row.newline) == "\r" ? "\n" : "\r"), std::string::npos);
        std::unique_ptr<AcDbDatabase> again;
        ASSERT_TRUE(plotwright::dxf::readDxf(path, again).ok());
        EXPECT_EQ(countShown(*again), 2);
        if (std::string(row.newline) == "\n") {
            const dxftest::CheckReport check = dxftest::checkDxf(path);
            EXPECT_TRUE(check.ok) << check.error;
            EXPECT_EQ(check.ofType("LWPOLYLINE").size(), 1u);
            EXPECT_EQ(check.ofType("LINE").size(), 1u);
        }
    }
}

TEST(dxf_display, kinds_that_cannot_be_shown_are_counted)
{
    const std::string text =
        "  0\nSECTION\n  2\nENTITIES\n"
        "  0\n3DSOLID\n  8\n0\n  0\n3DSOLID\n  8\n0\n  0\nACAD_PROXY_ENTITY\n  8\n0\n"
        "  0\nIMAGE\n 67\n1\n  8\n0\n"  // in paper space: not counted
        "  0\nPOLYLINE\n 66\n1\n 70\n0\n  0\nVERTEX\n 10\n0\n 20\n0\n  0\nVERTEX\n 10\n1\n 20\n0\n  0\nSEQEND\n"
        "  0\nENDSEC\n  0\nEOF\n";
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxfText(text, "unshown.dxf", db).ok());
    EXPECT_EQ(db->unshownEntities(), (std::map<std::wstring, std::size_t>{{L"3DSOLID", 2}, {L"ACAD_PROXY_ENTITY", 1}}));
    EXPECT_EQ(plotwright::db::unshownSummary(*db), L"2 3DSOLID, 1 ACAD_PROXY_ENTITY not shown");
    EXPECT_EQ(countShown(*db), 1);
}

} // namespace

namespace {

// The arrowhead lengths along x of the fills drawn for each leader, in file order.
std::vector<double> arrowLengths(const AcDbDatabase& db)
{
    std::vector<double> lengths;
    for (const DisplayShape& s : plotwright::db::tessellateModelSpace(db, {1e-3})) {
        if (s.type != DisplayShape::Type::kFill)
            continue;
        double reach = 0;
        for (const DisplayPoint& p : s.points)
            reach = std::max(reach, std::abs(p.x - s.points[0].x));
        lengths.push_back(reach);
    }
    return lengths;
}

} // namespace

// Arrowhead size DIMASZ x DIMSCALE from the leader's overrides, else its dimension
// style, else the header; no arrowhead when the leader's flag says so.
TEST(dxf_display, leader_arrowheads_take_their_size_from_overrides_style_or_header)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("leaders.dxf");
    dxftest::runPythonSource(dir, R"(
import sys
import ezdxf
doc = ezdxf.new("R2000")
doc.dimstyles.new("Big", dxfattribs={"dimasz": 3, "dimscale": 2})
msp = doc.modelspace()
msp.add_leader([(0, 0), (10, 0)], dimstyle="big")
msp.add_leader([(0, 10), (10, 10)], dimstyle="Big", override={"dimasz": 1})
msp.add_leader([(0, 20), (10, 20)], dimstyle="Big").dxf.has_arrowhead = 0
doc.saveas(sys.argv[1])
)", {path});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    const std::vector<double> lengths = arrowLengths(*db);
    ASSERT_EQ(lengths.size(), 2u);
    EXPECT_NEAR(lengths[0], 6.0, 1e-12);
    EXPECT_NEAR(lengths[1], 2.0, 1e-12);

    struct Row {
        const char* name;
        const char* header;
        double length;
    };
    const Row rows[] = {
        {"header size and scale", "  9\n$DIMASZ\n 40\n0.25\n  9\n$DIMSCALE\n 40\n4\n", 1.0},
        {"scale 0 is 1", "  9\n$DIMASZ\n 40\n0.5\n  9\n$DIMSCALE\n 40\n0\n", 0.5},
        {"no header values", "", 0.18},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string text = std::string("  0\nSECTION\n  2\nHEADER\n") + row.header +
                                 "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n"
                                 "  0\nLEADER\n  8\n0\n 10\n0\n 20\n0\n 10\n10\n 20\n0\n  0\nENDSEC\n  0\nEOF\n";
        std::unique_ptr<AcDbDatabase> plain;
        ASSERT_TRUE(plotwright::dxf::readDxfText(text, "leader.dxf", plain).ok());
        EXPECT_EQ(arrowLengths(*plain), std::vector<double>{row.length});
    }
}

// Wrapped MTEXT breaks where ezdxf's own layout engine breaks it when given the same
// character widths (tests/dxf/mtext_wrap.py): the number of words on each line.
TEST(dxf_display, mtext_wraps_where_ezdxf_layout_does)
{
    const std::vector<std::string> cases = {
        "one two three four\\Pfive", "6.4",
        "The quick brown fox jumps over the lazy dog", "10",
        "The quick brown fox jumps over the lazy dog", "23",
        "a bb ccc dddd eeeee ffffff ggggggg", "5",
        "short\\Pa paragraph that is longer than the width of the column", "9.5",
        "incomprehensibilities within", "4",
    };
    dxftest::TempDir dir;
    const std::string path = dir.file("wrap.dxf");
    std::vector<std::string> args = {path};
    args.insert(args.end(), cases.begin(), cases.end());
    const std::string report = dxftest::runPython(PLOTWRIGHT_TEST_SOURCE "/dxf/mtext_wrap.py", args);
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());

    std::vector<std::string> handles;
    db->forEachEntity([&](const AcDbEntity& e) { handles.push_back(hex(e.handle())); });
    std::vector<std::size_t> source;
    const std::vector<DisplayShape> shapes = plotwright::db::tessellateModelSpace(*db, {1e-3}, &source);
    std::map<std::string, std::string> ours;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        std::size_t words = 0;
        std::istringstream line(std::string(shapes[i].text->text.begin(), shapes[i].text->text.end()));
        for (std::string w; line >> w;)
            ++words;
        std::string& counts = ours[handles.at(source.at(i))];
        counts += (counts.empty() ? "" : " ") + std::to_string(words);
    }
    std::istringstream lines(report);
    int compared = 0;
    for (std::string line; std::getline(lines, line);) {
        SCOPED_TRACE(line);
        std::istringstream fields(line);
        std::string tag, handle, theirs;
        fields >> tag >> handle;
        std::getline(fields, theirs);
        EXPECT_EQ(ours[handle], theirs.substr(1));
        ++compared;
    }
    EXPECT_EQ(compared, 6);
}
