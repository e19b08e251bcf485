// Saving a drawing read from a file after entities were erased: their records go, with
// their followers and the objects they own, and every other byte stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "dxf/source.h"
#include "dxf/source_edits.h"
#include "support/dxf_check.h"
#include "support/model_space.h"

namespace {

using plotwright::dxf::DxfSource;

// A drawing with complex entities (POLYLINE with VERTEX/SEQEND, INSERT with ATTRIB),
// a circle with an extension dictionary holding an XRECORD, and plain entities. Prints
// the handles: polyline, insert, circle with dictionary, its dictionary, its xrecord.
const char* const kFixtureScript = R"(
import sys
import ezdxf
version, path = sys.argv[1], sys.argv[2]
doc = ezdxf.new(version)
msp = doc.modelspace()
msp.add_line((0, 0), (10, 5))
poly = msp.add_polyline2d([(0, 0), (4, 4), (8, 0)])
block = doc.blocks.new("Tag")
block.add_attdef("NAME", (0, 0))
insert = msp.add_blockref("Tag", (20, 20))
insert.add_attrib("NAME", "first", (20, 20))
owner = msp.add_circle((5, 5), 2.5)
dictionary, record = "-", "-"
if version != "R12":
    xdict = owner.new_extension_dict()
    xrecord = xdict.add_xrecord("NOTES")
    xrecord.reset([(1, "kept with its circle")])
    dictionary, record = xdict.dictionary.dxf.handle, xrecord.dxf.handle
msp.add_circle((9, 9), 1)
doc.saveas(path)
print(poly.dxf.handle, insert.dxf.handle, owner.dxf.handle, dictionary, record)
)";

std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(" \n", at)) != std::string::npos) {
        const std::size_t end = text.find_first_of(" \n", at);
        out.push_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

std::string trim(std::string s)
{
    s.erase(0, s.find_first_not_of(" \r\n"));
    s.erase(s.find_last_not_of(" \r\n") + 1);
    return s;
}

// The pairs of `text` without the records whose handle (group 5) is in `gone`; a record
// runs from its 0 pair to the next one, and VERTEX/ATTRIB/SEQEND records follow the
// fate of the record they belong to.
std::vector<std::pair<std::string, std::string>> withoutRecords(const std::string& text, const std::set<std::string>& gone)
{
    const auto pairs = dxftest::rawPairs(text);
    std::vector<std::pair<std::string, std::string>> out;
    std::vector<std::pair<std::string, std::string>> record;
    bool dropRecord = false;
    bool dropFollowers = false;
    const auto flush = [&] {
        if (!dropRecord)
            out.insert(out.end(), record.begin(), record.end());
        record.clear();
    };
    for (const auto& p : pairs) {
        if (trim(p.first) == "0") {
            flush();
            const std::string type = trim(p.second);
            const bool follower = type == "VERTEX" || type == "ATTRIB" || type == "SEQEND";
            dropRecord = follower && dropFollowers;
            if (!follower)
                dropFollowers = false;
        } else if (trim(p.first) == "5" && gone.count(trim(p.second))) {
            dropRecord = true;
            dropFollowers = true;
        }
        record.push_back(p);
    }
    flush();
    return out;
}

std::unique_ptr<AcDbDatabase> readOrFail(const std::string& path)
{
    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(path, db);
    EXPECT_TRUE(read.ok()) << read.message;
    return db;
}

void eraseHandle(AcDbDatabase& db, const std::string& hex)
{
    AcDbObjectId id;
    ASSERT_EQ(db.getAcDbObjectId(id, false, std::stoull(hex, nullptr, 16)), Acad::eOk) << hex;
    // What was read cannot change, but it can go.
    AcDbEntity* entity = nullptr;
    EXPECT_EQ(acdbOpenObject(entity, id, AcDb::kForWrite), Acad::eNotImplemented);
    ASSERT_EQ(db.eraseEntity(id), Acad::eOk);
}

class DxfErase : public testing::TestWithParam<const char*> {};

TEST_P(DxfErase, drops_the_records_of_erased_entities_and_what_they_own)
{
    const std::string version = GetParam();
    dxftest::TempDir dir;
    const std::string path = dir.file("fixture.dxf");
    const std::vector<std::string> h = words(dxftest::runPythonSource(dir, kFixtureScript, {version, path}));
    ASSERT_EQ(h.size(), 5u);
    const std::string original = dxftest::readFile(path);

    auto db = readOrFail(path);
    ASSERT_TRUE(db);
    for (int i : {0, 1, 2})
        eraseHandle(*db, h[i]);
    const std::string savedPath = dir.file("saved.dxf");
    const plotwright::dxf::DxfResult saved = plotwright::dxf::saveDxf(*db, savedPath);
    ASSERT_TRUE(saved.ok()) << saved.message;
    const std::string after = dxftest::readFile(savedPath);

    std::set<std::string> gone = {h[0], h[1], h[2]};
    if (h[3] != "-")
        gone.insert({h[3], h[4]});
    EXPECT_EQ(dxftest::rawPairs(after), withoutRecords(original, gone));

    const dxftest::CheckReport report = dxftest::checkDxf(savedPath);
    ASSERT_TRUE(report.error.empty()) << report.error;
    EXPECT_EQ(report.auditErrors, std::vector<std::string>{});
    std::vector<std::string> types;
    for (const auto* e : report.ofType("LINE"))
        types.push_back(e->type);
    for (const auto* e : report.ofType("CIRCLE"))
        types.push_back(e->type);
    EXPECT_EQ(types, (std::vector<std::string>{"LINE", "CIRCLE"}));
    EXPECT_TRUE(report.ofType("POLYLINE").empty());
    EXPECT_TRUE(report.ofType("INSERT").empty());

    // The database is unchanged by the save: saving again writes the same bytes.
    const std::string againPath = dir.file("again.dxf");
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, againPath).ok());
    EXPECT_EQ(dxftest::readFile(againPath), after);
}

TEST_P(DxfErase, erasing_and_adding_in_one_save)
{
    const std::string version = GetParam();
    dxftest::TempDir dir;
    const std::string path = dir.file("fixture.dxf");
    const std::vector<std::string> h = words(dxftest::runPythonSource(dir, kFixtureScript, {version, path}));
    ASSERT_EQ(h.size(), 5u);
    auto db = readOrFail(path);
    ASSERT_TRUE(db);
    eraseHandle(*db, h[0]);

    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, AcGePoint2d{1, 2}, 0.0, -1.0, -1.0);
    polyline->addVertexAt(1, AcGePoint2d{3, 4}, 0.0, -1.0, -1.0);
    ASSERT_FALSE(testsupport::appendToModelSpace(*db, polyline).isNull());

    const std::string savedPath = dir.file("saved.dxf");
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, savedPath).ok());
    const dxftest::CheckReport report = dxftest::checkDxf(savedPath);
    ASSERT_TRUE(report.error.empty()) << report.error;
    EXPECT_EQ(report.auditErrors, std::vector<std::string>{});
    EXPECT_EQ(report.handleProblems, std::vector<std::string>{});
    const std::string added = version == std::string("R12") ? "POLYLINE" : "LWPOLYLINE";
    const auto polylines = report.ofType(added);
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_EQ(polylines.front()->vertices.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(versions, DxfErase, testing::Values("R12", "R2000", "R2018"));

TEST(dxf_source_records, spans_name_the_records_of_tables_and_objects)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("fixture.dxf");
    dxftest::runPythonSource(dir, kFixtureScript, {"R2000", path});
    auto db = readOrFail(path);
    ASSERT_TRUE(db);
    const DxfSource* source = plotwright::dxf::dxfSourceOf(*db);
    ASSERT_NE(source, nullptr);
    const std::string& text = source->text;
    const auto startsWithPair = [&](std::size_t at, const std::string& value) {
        const std::size_t valueLine = text.find('\n', at) + 1;
        return trim(text.substr(at, valueLine - at)) == "0" && trim(text.substr(valueLine, text.find('\n', valueLine) - valueLine)) == value;
    };
    std::set<std::string> layers;
    for (const DxfSource::TableRecord& r : source->tableRecords) {
        EXPECT_TRUE(startsWithPair(r.span.begin, r.table == "BLOCK_RECORD" ? "BLOCK_RECORD" : r.table)) << r.name;
        EXPECT_LT(r.span.begin, r.span.end);
        EXPECT_TRUE(startsWithPair(r.span.end, r.table == "BLOCK_RECORD" ? "BLOCK_RECORD" : r.table) ||
                    startsWithPair(r.span.end, "ENDTAB")) << r.name;
        if (r.table == "LAYER")
            layers.insert(r.name);
    }
    EXPECT_EQ(layers, (std::set<std::string>{"0", "Defpoints"}));
    for (const char* table : {"LAYER", "APPID", "LTYPE", "BLOCK_RECORD"}) {
        ASSERT_EQ(source->tableEnds.count(table), 1u) << table;
        EXPECT_TRUE(startsWithPair(source->tableEnds.at(table), "ENDTAB")) << table;
        EXPECT_TRUE(startsWithPair(source->tableHeads.at(table).begin, "TABLE")) << table;
        EXPECT_NE(source->tableHandles.at(table), 0u) << table;
    }
    ASSERT_FALSE(source->objects.empty());
    EXPECT_EQ(source->objects.front().type, "DICTIONARY");
    EXPECT_EQ(source->rootDictionary, source->objects.front().handle);
    EXPECT_TRUE(startsWithPair(source->objectsEnd, "ENDSEC"));
    const auto xrecord = std::find_if(source->objects.begin(), source->objects.end(),
                                      [](const DxfSource::ObjectRecord& o) { return o.type == "XRECORD"; });
    ASSERT_NE(xrecord, source->objects.end());
    EXPECT_NE(xrecord->owner, 0u);
    // Every entity shown from ENTITIES has its span, starting at its own record.
    std::size_t shown = 0;
    db->forEachEntity([&](const AcDbEntity& e) {
        const DxfSource::SourceSpan* span = plotwright::dxf::sourceSpanOf(*db, e);
        ASSERT_NE(span, nullptr);
        ++shown;
    });
    EXPECT_EQ(shown, 5u);
}

TEST(dxf_source_records, overlapping_changes_are_refused)
{
    using plotwright::dxf::detail::TextPatch;
    std::vector<TextPatch> disjoint = {{10, 5, "b"}, {0, 3, "a"}, {10, 0, "first"}, {15, 0, "after"}};
    ASSERT_TRUE(plotwright::dxf::detail::orderPatches(disjoint));
    std::vector<std::string> order;
    for (const TextPatch& p : disjoint)
        order.push_back(p.text);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "first", "b", "after"}));
    std::vector<TextPatch> overlapping = {{0, 10, ""}, {5, 10, ""}};
    EXPECT_FALSE(plotwright::dxf::detail::orderPatches(overlapping));
}

} // namespace
