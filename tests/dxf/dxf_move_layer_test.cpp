// Saving a drawing read from a file after entities were moved and layers changed: the
// moved records get only their point values patched, the LAYER table only the groups
// that changed and the new records; every other byte stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "support/dxf_check.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string trim(std::string s)
{
    s.erase(0, s.find_first_not_of(" \r\n"));
    s.erase(s.find_last_not_of(" \r\n") + 1);
    return s;
}

double number(const std::string& text)
{
    const std::string t = trim(text);
    double value = 0;
    std::from_chars(t.data(), t.data() + t.size(), value);
    return value;
}

std::unique_ptr<AcDbDatabase> read(const std::string& path)
{
    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult result = plotwright::dxf::readDxf(path, db);
    EXPECT_TRUE(result.ok()) << result.message;
    return db;
}

// Every kind whose points a move patches, with the groups that must not move: the
// POLYLINE head's elevation point, the ellipse's axis, the spline's tangents.
const char* const kMoveFixture = R"(
import sys
import ezdxf
version, path = sys.argv[1], sys.argv[2]
doc = ezdxf.new(version)
msp = doc.modelspace()
msp.add_line((0, 0), (10, 5))
msp.add_polyline2d([(0, 0), (4, 4), (8, 0)], dxfattribs={"elevation": (0, 0, 0)})
msp.add_polyline3d([(0, 0, 1), (4, 4, 2)])
msp.add_circle((5, 5), 2.5)
msp.add_arc((1, 2), 3, 10, 200)
msp.add_point((7, 7))
msp.add_text("Hi", dxfattribs={"insert": (1, 1), "align_point": (3, 1), "halign": 2})
block = doc.blocks.new("Tag")
block.add_attdef("NAME", (0, 0))
insert = msp.add_blockref("Tag", (20, 20))
insert.add_attrib("NAME", "first", (21, 20))
if version != "R12":
    msp.add_lwpolyline([(0.1, 0.2), (3.3, 4.4)])
    msp.add_ellipse((2, 3), major_axis=(4, 1), ratio=0.5)
    s = msp.add_spline([(0, 0), (2, 3), (5, 1), (7, 4)])
    s.dxf.start_tangent = (1, 0, 0)
    s.dxf.end_tangent = (0, 1, 0)
    msp.add_mtext("Notes", dxfattribs={"insert": (9, 9), "text_direction": (1, 0, 0)})
doc.saveas(path)
)";

// Reads both files and compares each entity's points: moved ones by (dx, dy), vectors
// and the rest equal. Prints one line per problem, then the audit's error count.
const char* const kMoveCheck = R"(
import sys
import ezdxf
a, b = ezdxf.readfile(sys.argv[1]), ezdxf.readfile(sys.argv[2])
dx, dy = float(sys.argv[3]), float(sys.argv[4])
moved = {"LINE": ["start", "end"], "CIRCLE": ["center"], "ARC": ["center"], "POINT": ["location"],
         "TEXT": ["insert", "align_point"], "ATTRIB": ["insert", "align_point"], "INSERT": ["insert"],
         "ELLIPSE": ["center"], "MTEXT": ["insert"]}
kept = {"ELLIPSE": ["major_axis"], "SPLINE": ["start_tangent", "end_tangent"], "MTEXT": ["text_direction"],
        "POLYLINE": ["elevation"]}
def pts(e):
    t = e.dxftype()
    if t == "LWPOLYLINE":
        return [(x, y) for x, y, *_ in e.get_points()]
    if t == "POLYLINE":
        return [(v.dxf.location[0], v.dxf.location[1]) for v in e.vertices]
    if t == "SPLINE":
        return [(p[0], p[1]) for p in list(e.control_points) + list(e.fit_points)]
    return [(e.dxf.get(k)[0], e.dxf.get(k)[1]) for k in moved.get(t, []) if e.dxf.hasattr(k)]
def subs(e):
    return list(e.attribs) if e.dxftype() == "INSERT" else []
ea = list(a.modelspace()); eb = list(b.modelspace())
if len(ea) != len(eb):
    print("count", len(ea), len(eb))
for x, y in zip(ea, eb):
    for p, q in zip([x] + subs(x), [y] + subs(y)):
        for (px, py), (qx, qy) in zip(pts(p), pts(q)):
            if qx != px + dx or qy != py + dy:
                print("moved", p.dxftype(), (px, py), (qx, qy))
        for k in kept.get(p.dxftype(), []):
            if p.dxf.hasattr(k) and tuple(p.dxf.get(k)) != tuple(q.dxf.get(k)):
                print("kept", p.dxftype(), k)
print("audit", len(b.audit().errors))
)";

class DxfMove : public testing::TestWithParam<const char*> {};

TEST_P(DxfMove, patches_only_the_point_values_of_moved_records)
{
    dxftest::TempDir dir;
    const std::string original = dir.file("original.dxf");
    dxftest::runPythonSource(dir, kMoveFixture, {GetParam(), original});
    std::unique_ptr<AcDbDatabase> db = read(original);
    ASSERT_TRUE(db);
    // Offsets with exact sums, so that ezdxf's comparison is exact.
    const double dx = 1.5, dy = -2.25;
    std::vector<AcDbObjectId> ids;
    db->forEachEntity([&](const AcDbEntity& e) { ids.push_back(e.objectId()); });
    for (const AcDbObjectId& id : ids)
        ASSERT_EQ(db->displaceEntity(id, {dx, dy, 0}), Acad::eOk);
    const std::string saved = dir.file("saved.dxf");
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, saved).ok());

    // Pair by pair: only values of the point groups differ, each by the offset.
    const Pairs before = dxftest::rawPairs(dxftest::readFile(original));
    const Pairs after = dxftest::rawPairs(dxftest::readFile(saved));
    ASSERT_EQ(before.size(), after.size());
    int changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        ASSERT_EQ(before[i].first, after[i].first) << i;
        if (before[i].second == after[i].second)
            continue;
        ++changed;
        const std::string code = trim(before[i].first);
        ASSERT_TRUE(code == "10" || code == "20" || code == "11" || code == "21") << code << " at pair " << i;
        EXPECT_EQ(number(after[i].second), number(before[i].second) + (code[0] == '1' ? dx : dy)) << i;
    }
    EXPECT_GT(changed, 20);
    EXPECT_EQ(trim(dxftest::runPythonSource(dir, kMoveCheck, {original, saved, "1.5", "-2.25"})), "audit 0");

    // Moved back exactly, the file is the original again.
    for (const AcDbObjectId& id : ids)
        ASSERT_EQ(db->displaceEntity(id, {0, 0, 0}), Acad::eOk);
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, saved).ok());
    EXPECT_EQ(dxftest::readFile(saved), dxftest::readFile(original));
}

INSTANTIATE_TEST_SUITE_P(versions, DxfMove, testing::Values("R12", "R2000", "R2018"));

// Layers of every state, and the current layer in $CLAYER.
const char* const kLayerFixture = R"(
import sys
import ezdxf
version, path = sys.argv[1], sys.argv[2]
doc = ezdxf.new(version)
doc.layers.add("Curves", color=3)
doc.layers.add("Hidden", color=2).off()
doc.layers.add("Cold", color=4)
doc.header["$CLAYER"] = "Curves"
doc.modelspace().add_line((0, 0), (1, 1), dxfattribs={"layer": "Curves"})
doc.saveas(path)
)";

const char* const kLayerCheck = R"(
import sys
import ezdxf
doc = ezdxf.readfile(sys.argv[1])
for layer in sorted(doc.layers, key=lambda l: l.dxf.name.lower()):
    if layer.dxf.name != "Defpoints":
        print(layer.dxf.name, layer.dxf.color, layer.is_off(), layer.is_frozen())
for e in doc.modelspace():
    print(e.dxftype(), e.dxf.layer)
print("audit", len(doc.audit().errors))
)";

// The pairs of the LAYER table (from its TABLE pair to its ENDTAB) taken out of `pairs`.
Pairs takeLayerTable(Pairs& pairs)
{
    Pairs table;
    for (std::size_t i = 0; i + 1 < pairs.size(); ++i) {
        if (trim(pairs[i].second) != "TABLE" || trim(pairs[i + 1].second) != "LAYER")
            continue;
        std::size_t end = i;
        while (end < pairs.size() && !(trim(pairs[end].first) == "0" && trim(pairs[end].second) == "ENDTAB"))
            ++end;
        table.assign(pairs.begin() + std::ptrdiff_t(i), pairs.begin() + std::ptrdiff_t(end + 1));
        pairs.erase(pairs.begin() + std::ptrdiff_t(i), pairs.begin() + std::ptrdiff_t(end + 1));
        break;
    }
    return table;
}

class DxfLayers : public testing::TestWithParam<const char*> {};

TEST_P(DxfLayers, changes_and_additions_touch_only_the_layer_table)
{
    dxftest::TempDir dir;
    const std::string original = dir.file("original.dxf");
    dxftest::runPythonSource(dir, kLayerFixture, {GetParam(), original});
    std::unique_ptr<AcDbDatabase> db = read(original);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->clayer(), L"Curves");

    AcDbLayerAppearance curves = db->layer(L"Curves")->appearance;
    curves.colorIndex = 5;
    ASSERT_EQ(db->setLayerAppearance(L"CURVES", curves), Acad::eOk);
    AcDbLayerAppearance hidden = db->layer(L"Hidden")->appearance;
    hidden.off = false;
    ASSERT_EQ(db->setLayerAppearance(L"Hidden", hidden), Acad::eOk);
    AcDbLayerAppearance cold = db->layer(L"Cold")->appearance;
    cold.frozen = true;
    ASSERT_EQ(db->setLayerAppearance(L"Cold", cold), Acad::eOk);
    ASSERT_EQ(db->addLayer(L"Fresh", {6, -1, false, false}), Acad::eOk);
    ASSERT_EQ(db->setClayer(L"Fresh"), Acad::eOk);
    ASSERT_EQ(db->setClayer(L"Cold"), Acad::eNotApplicable);

    // A curve on the current layer, as the drawing commands append it.
    auto* curve = new AcDbPolyline;
    curve->addVertexAt(0, {0, 0});
    curve->addVertexAt(1, {2, 1});
    curve->setDatabaseDefaults(db.get());
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* model = nullptr;
    ASSERT_EQ(table->getAt(L"*Model_Space", model, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(model->appendAcDbEntity(curve), Acad::eOk);
    curve->close();
    model->close();
    table->close();

    const std::string saved = dir.file("saved.dxf");
    const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(*db, saved);
    ASSERT_TRUE(result.ok()) << result.message;
    const bool r12 = std::string(GetParam()) == "R12";
    EXPECT_EQ(dxftest::runPythonSource(dir, kLayerCheck, {saved}),
              "0 7 False False\nCold 4 False True\nCurves 5 False False\nFresh 6 False False\n"
              "Hidden 2 False False\nLINE Curves\n" +
                  std::string(r12 ? "POLYLINE" : "LWPOLYLINE") + " Fresh\naudit 0\n");

    // Outside the LAYER table: the original, plus the new entity, the new current layer
    // and the new $HANDSEED.
    Pairs before = dxftest::rawPairs(dxftest::readFile(original));
    Pairs after = dxftest::rawPairs(dxftest::readFile(saved));
    const Pairs tableBefore = takeLayerTable(before);
    const Pairs tableAfter = takeLayerTable(after);
    std::size_t i = 0;
    // The first differences are the values of two variables (R12 files of ezdxf have a
    // seed too), in the file's order.
    std::set<std::string> variables;
    for (int k = 0; k < 2; ++k) {
        while (i < before.size() && before[i] == after[i])
            ++i;
        ASSERT_LT(i, before.size());
        variables.insert(trim(before[i - 1].second));
        if (trim(before[i - 1].second) == "$CLAYER") {
            EXPECT_EQ(trim(after[i].second), "Fresh");
        }
        ++i;
    }
    EXPECT_EQ(variables, (std::set<std::string>{"$CLAYER", "$HANDSEED"}));
    while (i < before.size() && before[i] == after[i])
        ++i;
    // Then one block inserted (the new entity), and the rest as it was.
    ASSERT_GT(after.size(), before.size());
    const std::size_t added = after.size() - before.size();
    EXPECT_TRUE(std::equal(before.begin() + std::ptrdiff_t(i), before.end(), after.begin() + std::ptrdiff_t(i + added)))
        << "more than the seed and the added entity changed";
    bool onFresh = false;
    for (std::size_t k = i; k < i + added; ++k)
        onFresh = onFresh || (trim(after[k].first) == "8" && trim(after[k].second) == "Fresh");
    EXPECT_TRUE(onFresh);

    // Inside it: the same pairs but for the changed values, and one record more.
    ASSERT_GT(tableAfter.size(), tableBefore.size());
    std::set<std::string> changedCodes;
    for (std::size_t k = 0; k < tableBefore.size() - 1; ++k) {
        ASSERT_EQ(tableBefore[k].first, tableAfter[k].first) << k;
        if (tableBefore[k].second != tableAfter[k].second)
            changedCodes.insert(trim(tableBefore[k].first));
    }
    EXPECT_EQ(changedCodes, (std::set<std::string>{"62", "70"}));
}

INSTANTIATE_TEST_SUITE_P(versions, DxfLayers, testing::Values("R12", "R2000", "R2018"));

// Only the current layer changed: the one value differs, pair by pair, and the file
// reads back with that layer current; a file without the variable gets it in its HEADER.
TEST(DxfCurrentLayer, only_the_value_of_clayer_changes)
{
    struct Row {
        const char* name;
        const char* version;
        bool dropVariable;  // the file has no $CLAYER
    };
    for (const Row row : {Row{"R12", "R12", false}, Row{"R2000", "R2000", false}, Row{"R2018", "R2018", false},
                          Row{"R2000 without the variable", "R2000", true}}) {
        SCOPED_TRACE(row.name);
        dxftest::TempDir dir;
        const std::string original = dir.file("original.dxf");
        dxftest::runPythonSource(dir, kLayerFixture, {row.version, original});
        if (row.dropVariable) {
            std::string text = dxftest::readFile(original);
            const std::size_t at = text.find("$CLAYER");
            ASSERT_NE(at, std::string::npos);
            const std::size_t start = text.rfind("\n", text.rfind("\n", at) - 1) + 1;  // the "9" line
            std::size_t end = at;
            for (int lines = 0; lines < 3; ++lines)  // $CLAYER, 8, the name
                end = text.find('\n', end) + 1;
            text.erase(start, end - start);
            dxftest::writeFile(original, text);
        }
        std::unique_ptr<AcDbDatabase> db = read(original);
        ASSERT_TRUE(db);
        EXPECT_EQ(db->clayer(), row.dropVariable ? L"0" : L"Curves");
        ASSERT_EQ(db->setClayer(L"Hidden"), Acad::eOk);
        const std::string saved = dir.file("saved.dxf");
        const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(*db, saved);
        ASSERT_TRUE(result.ok()) << result.message;

        const Pairs before = dxftest::rawPairs(dxftest::readFile(original));
        const Pairs after = dxftest::rawPairs(dxftest::readFile(saved));
        if (row.dropVariable) {
            ASSERT_EQ(after.size(), before.size() + 2);
            std::size_t i = 0;
            while (before[i] == after[i])
                ++i;
            EXPECT_EQ(trim(after[i].second), "$CLAYER");
            EXPECT_EQ(trim(after[i + 1].second), "Hidden");
            EXPECT_TRUE(std::equal(before.begin() + std::ptrdiff_t(i), before.end(), after.begin() + std::ptrdiff_t(i + 2)));
        } else {
            ASSERT_EQ(after.size(), before.size());
            std::vector<std::string> changed;
            for (std::size_t i = 0; i < before.size(); ++i)
                if (before[i] != after[i])
                    changed.push_back(trim(before[i - 1].second) + ": " + trim(before[i].second) + " -> " +
                                      trim(after[i].second));
            EXPECT_EQ(changed, (std::vector<std::string>{"$CLAYER: Curves -> Hidden"}));
        }
        std::unique_ptr<AcDbDatabase> again = read(saved);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->clayer(), L"Hidden");
        EXPECT_EQ(dxftest::runPythonSource(dir, "import sys, ezdxf; d = ezdxf.readfile(sys.argv[1]); "
                                                "print(d.header['$CLAYER'], len(d.audit().errors))",
                                           {saved}),
                  "Hidden 0\n");
    }
}

} // namespace

namespace {

// Making another layer current reaches the file: $CLAYER's value is replaced, or the
// variable added to a HEADER without it; back to the layer read, the file is unchanged.
TEST(DxfCurrentLayer, current_layer_change_is_saved_into_the_kept_text)
{
    const auto drawing = [](const std::string& clayer) {
        return "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n" + clayer +
               "0\nENDSEC\n0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n3\n"
               "0\nLAYER\n2\n0\n70\n0\n62\n7\n0\nLAYER\n2\nA\n70\n0\n62\n1\n0\nLAYER\n2\nB\n70\n0\n62\n2\n"
               "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n";
    };
    struct Row {
        const char* name;
        std::string header;  // the $CLAYER variable as the file has it
        const wchar_t* made;
        std::string expected;
    } rows[] = {
        {"another layer made current", "9\n$CLAYER\n8\nA\n", L"B", drawing("9\n$CLAYER\n8\nB\n")},
        {"no variable in the file", "", L"B", drawing("  9\n$CLAYER\n  8\nB\n")},
        {"the layer read made current again", "9\n$CLAYER\n8\nA\n", L"A", drawing("9\n$CLAYER\n8\nA\n")},
        {"layer 0 of a file without the variable", "", L"0", drawing("")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dxftest::TempDir dir;
        const std::string path = dir.file("layers.dxf");
        dxftest::writeFile(path, drawing(row.header));
        std::unique_ptr<AcDbDatabase> db = read(path);
        ASSERT_TRUE(db);
        ASSERT_EQ(db->setClayer(L"B"), Acad::eOk);
        ASSERT_EQ(db->setClayer(row.made), Acad::eOk);
        ASSERT_TRUE(plotwright::dxf::saveDxf(*db, path).ok());
        EXPECT_EQ(dxftest::readFile(path), row.expected);
        EXPECT_EQ(read(path)->clayer(), row.made);
    }
}

} // namespace

namespace {

// A layer whose name stands in two records of the table (the reader takes the last,
// another program perhaps the first): a change reaches both, so every reader sees it.
TEST(DxfLayers, a_layer_named_twice_changes_in_every_record)
{
    const auto drawing = [](const std::string& second, const std::string& values) {
        return "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n0\nENDSEC\n0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n"
               "70\n3\n0\nLAYER\n2\n0\n70\n0\n62\n7\n0\nLAYER\n5\n10\n2\nA\n" + values + "0\nLAYER\n" + second + values +
               "0\nLAYER\n2\nB\n70\n0\n62\n2\n0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n";
    };
    const std::string asRead = "70\n0\n62\n1\n";
    const std::string changed = "70\n1\n62\n5\n";
    struct Row {
        const char* name;
        std::string second;  // the second record's handle and name
    } rows[] = {
        {"the same name", "2\nA\n"},
        {"the name in another case", "2\na\n"},
        {"both with handles", "5\n11\n2\nA\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dxftest::TempDir dir;
        const std::string path = dir.file("layers.dxf");
        dxftest::writeFile(path, drawing(row.second, asRead));
        std::unique_ptr<AcDbDatabase> db = read(path);
        ASSERT_TRUE(db);
        AcDbLayerAppearance look = db->layer(L"A")->appearance;
        look.colorIndex = 5;
        look.frozen = true;
        ASSERT_EQ(db->setLayerAppearance(L"A", look), Acad::eOk);
        ASSERT_TRUE(plotwright::dxf::saveDxf(*db, path).ok());
        EXPECT_EQ(dxftest::readFile(path), drawing(row.second, changed));
        const std::unique_ptr<AcDbDatabase> reread = read(path);
        ASSERT_TRUE(reread);
        const AcDbLayerInfo* back = reread->layer(L"A");
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->appearance.colorIndex, 5);
        EXPECT_TRUE(back->appearance.frozen);
        EXPECT_EQ(reread->layer(L"B")->appearance.colorIndex, 2);
    }
}

} // namespace
