// Drawing into existing files: everything that was there survives unchanged and in
// order, the new polyline lands in model space with fresh handles, and what the file
// holds in model space is read for display.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "support/dxf_check.h"
#include "support/model_space.h"

namespace {

// Makes a drawing with ezdxf: several entity kinds and layers, a block with an INSERT,
// text, paper-space entities. Prints the model-space record's handle and $HANDSEED.
const char* const kFixtureScript = R"(
import sys
import ezdxf
version, path = sys.argv[1], sys.argv[2]
doc = ezdxf.new(version, setup=True)
doc.layers.add("Curves", color=3)
msp = doc.modelspace()
msp.add_line((0, 0), (10, 5), dxfattribs={"layer": "Curves"})
msp.add_circle((5, 5), 2.5, dxfattribs={"color": 1})
msp.add_arc((0, 0), 3, 0, 90)
msp.add_point((1, 2))
if version != "R12":
    msp.add_lwpolyline([(0, 0, 0, 0, 0.5), (1, 1), (2, 0)], dxfattribs={"layer": "Curves"})
msp.add_polyline2d([(0, 0), (4, 4), (8, 0)], close=True)
msp.add_polyline3d([(0, 0, 0), (1, 2, 3)])
msp.add_text("Hello", dxfattribs={"height": 1.0})
block = doc.blocks.new("Mark")
block.add_circle((0, 0), 1)
msp.add_blockref("Mark", (20, 20))
paper = doc.layouts.get("Layout1")
paper.add_line((0, 0), (100, 100))
paper.add_circle((50, 50), 10)
doc.saveas(path)
print(doc.modelspace().block_record_handle if version != "R12" else "-")
print(doc.header.get("$HANDSEED", "-"))
)";

struct Fixture {
    std::string path;
    std::string modelSpaceRecord;
    std::string handseed;
};

Fixture makeFixture(const dxftest::TempDir& dir, const std::string& version)
{
    Fixture f;
    f.path = dir.file("fixture-" + version + ".dxf");
    const std::string out = dxftest::runPythonSource(dir, kFixtureScript, {version, f.path});
    const std::size_t newline = out.find('\n');
    f.modelSpaceRecord = out.substr(0, newline);
    f.handseed = out.substr(newline + 1, out.find('\n', newline + 1) - newline - 1);
    return f;
}

AcDbObjectId drawInto(AcDbDatabase& db, const std::vector<AcGePoint2d>& points)
{
    auto* polyline = new AcDbPolyline;
    for (const AcGePoint2d& p : points)
        polyline->addVertexAt(polyline->numVerts(), p, 0.0, -1.0, -1.0);
    const AcDbObjectId id = testsupport::appendToModelSpace(db, polyline);
    EXPECT_FALSE(id.isNull());
    return id;
}

// Every pair of `original` is in `saved`, in order and unchanged, except the $HANDSEED
// value; the added pairs form one block right before the ENTITIES section's ENDSEC.
// Returns the added pairs.
std::vector<std::pair<std::string, std::string>> expectPreserved(const std::string& original, const std::string& saved)
{
    const auto before = dxftest::rawPairs(original);
    const auto after = dxftest::rawPairs(saved);
    std::vector<std::pair<std::string, std::string>> added;
    std::size_t insertedBefore = std::string::npos;
    std::size_t j = 0;
    bool inEntities = false;
    std::size_t entitiesEnd = std::string::npos;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const auto trim = [](std::string s) {
            s.erase(0, s.find_first_not_of(" \r\n"));
            s.erase(s.find_last_not_of(" \r\n") + 1);
            return s;
        };
        if (trim(before[i].first) == "2" && trim(before[i].second) == "ENTITIES")
            inEntities = true;
        if (inEntities && trim(before[i].first) == "0" && trim(before[i].second) == "ENDSEC") {
            entitiesEnd = i;
            inEntities = false;
        }
        // Without an ENTITIES section, a new one goes in before EOF.
        if (entitiesEnd == std::string::npos && trim(before[i].first) == "0" && trim(before[i].second) == "EOF")
            entitiesEnd = i;
        const bool handseedValue =
            i > 0 && trim(before[i - 1].second) == "$HANDSEED" && trim(before[i].first) == "5";
        while (j < after.size() && after[j] != before[i] && !(handseedValue && after[j].first == before[i].first)) {
            if (insertedBefore == std::string::npos)
                insertedBefore = i;
            EXPECT_EQ(insertedBefore, i) << "added pairs in more than one place";
            added.push_back(after[j]);
            ++j;
        }
        if (j == after.size()) {
            ADD_FAILURE() << "original pair " << i << " is missing: " << before[i].first << before[i].second;
            return added;
        }
        ++j;
    }
    EXPECT_EQ(j, after.size()) << "pairs added after the end";
    EXPECT_EQ(insertedBefore, entitiesEnd);
    return added;
}

std::string hex(AcDbHandle handle)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle));
    return text;
}

std::map<AcDbEntity::Kind, int> shownKinds(const AcDbDatabase& db)
{
    std::map<AcDbEntity::Kind, int> kinds;
    db.forEachEntity([&](const AcDbEntity& e) { ++kinds[e.kind()]; });
    return kinds;
}

class DxfAppend : public testing::TestWithParam<const char*> {};

TEST_P(DxfAppend, keeps_every_record_and_adds_the_curve_to_model_space)
{
    const std::string version = GetParam();
    const bool r12 = version == "R12";
    dxftest::TempDir dir;
    const Fixture fixture = makeFixture(dir, version);
    const std::string original = dxftest::readFile(fixture.path);

    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(fixture.path, db);
    ASSERT_TRUE(read.ok()) << read.message;

    // Shown: model space only, its text and block reference, nothing of paper space.
    std::map<AcDbEntity::Kind, int> expectedKinds = {
        {AcDbEntity::Kind::kLine, 1},     {AcDbEntity::Kind::kCircle, 1},
        {AcDbEntity::Kind::kArc, 1},      {AcDbEntity::Kind::kPoint, 1},
        {AcDbEntity::Kind::kPolyline, r12 ? 1 : 2}, {AcDbEntity::Kind::k3dPolyline, 1},
        {AcDbEntity::Kind::kText, 1},     {AcDbEntity::Kind::kBlockReference, 1}};
    EXPECT_EQ(shownKinds(*db), expectedKinds);
    EXPECT_EQ(db->layerColorIndex(L"Curves"), 3);
    db->forEachEntity([](const AcDbEntity& e) {
        if (e.kind() == AcDbEntity::Kind::kLine) {
            EXPECT_EQ(e.layer(), L"Curves");
            EXPECT_EQ(static_cast<const AcDbLine&>(e).endPoint(), (AcGePoint3d{10, 5, 0}));
        } else if (e.kind() == AcDbEntity::Kind::kCircle) {
            EXPECT_EQ(e.colorIndex(), 1);
        } else if (e.kind() == AcDbEntity::Kind::kArc) {
            EXPECT_NEAR(static_cast<const AcDbArc&>(e).endAngle(), 1.5707963267948966, 1e-15);
        }
    });
    EXPECT_FALSE(db->isModified());

    const std::vector<AcGePoint2d> curve = {{0.1, 0.2}, {1e-20, -0.0}, {1e300, 5}};
    const AcDbObjectId id = drawInto(*db, curve);
    if (fixture.handseed != "-") {
        EXPECT_GE(id.handle(), std::stoull(fixture.handseed, nullptr, 16));
    }
    const std::string savedPath = dir.file("saved.dxf");
    const plotwright::dxf::DxfResult saved = plotwright::dxf::saveDxf(*db, savedPath);
    ASSERT_TRUE(saved.ok()) << saved.message;

    const auto added = expectPreserved(original, dxftest::readFile(savedPath));
    ASSERT_FALSE(added.empty());
    EXPECT_EQ(added.front().second, r12 ? "POLYLINE\n" : "LWPOLYLINE\n");

    const dxftest::CheckReport report = dxftest::checkDxf(savedPath);
    ASSERT_TRUE(report.error.empty()) << report.error;
    EXPECT_TRUE(report.ok);
    EXPECT_EQ(report.auditErrors, std::vector<std::string>{});
    EXPECT_EQ(report.handleProblems, std::vector<std::string>{});
    const auto found = std::find_if(report.entities.begin(), report.entities.end(),
                                    [&](const dxftest::CheckedEntity& e) { return e.handle == hex(id.handle()); });
    ASSERT_NE(found, report.entities.end());
    EXPECT_EQ(found->space, "modelspace");
    EXPECT_EQ(found->type, r12 ? "POLYLINE" : "LWPOLYLINE");
    if (!r12) {
        EXPECT_NE(found->keys.find("owner=" + fixture.modelSpaceRecord), std::string::npos) << found->keys;
    }
    ASSERT_EQ(found->vertices.size(), curve.size());
    for (std::size_t i = 0; i < curve.size(); ++i) {
        EXPECT_TRUE(dxftest::sameDouble(found->vertices[i][0], curve[i].x)) << found->vertices[i][0];
        EXPECT_TRUE(dxftest::sameDouble(found->vertices[i][1], curve[i].y)) << found->vertices[i][1];
    }
    EXPECT_EQ(report.ofType("LINE", "paperspace").size(), 1u);
    EXPECT_EQ(report.ofType("TEXT").size(), 1u);
    EXPECT_EQ(report.ofType("INSERT").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(versions, DxfAppend, testing::Values("R12", "R2000", "R2018"));

TEST(dxf_append, nothing_added_saves_the_same_bytes)
{
    dxftest::TempDir dir;
    const Fixture fixture = makeFixture(dir, "R2018");
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(fixture.path, db).ok());
    const std::size_t mark = db->undoMark();
    drawInto(*db, {{1, 1}});
    ASSERT_EQ(db->undoToMark(mark), Acad::eOk);
    const std::string saved = dir.file("same.dxf");
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, saved).ok());
    EXPECT_EQ(dxftest::readFile(saved), dxftest::readFile(fixture.path));
}

TEST(dxf_append, file_entities_cannot_be_changed)
{
    dxftest::TempDir dir;
    const Fixture fixture = makeFixture(dir, "R2000");
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(fixture.path, db).ok());
    AcDbObjectId first;
    db->forEachEntity([&](const AcDbEntity& e) {
        if (first.isNull())
            first = e.objectId();
    });
    AcDbEntity* entity = nullptr;
    EXPECT_EQ(acdbOpenAcDbEntity(entity, first, AcDb::kForWrite), Acad::eNotImplemented);
    EXPECT_EQ(db->numOpenObjects(), 0);
}

// Hand-written files for the traps of the format: padded codes, CRLF, no HEADER.
TEST(dxf_append, legacy_and_crlf_files)
{
    const struct {
        const char* name;
        std::string text;
        const char* firstAdded;
        bool handles;
    } rows[] = {
        {"R12 without header or handles",
         "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n1.0\n 21\n1.0\n 31\n0.0\n"
         "  0\nENDSEC\n  0\nEOF\n",
         "POLYLINE\n", false},
        {"R12 without an ENTITIES section",
         "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n  0\nEOF\n", "SECTION\n", false},
        {"CRLF with codes padded on both sides",
         "0 \r\nSECTION\r\n  2  \r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n  9\r\n$HANDLING\r\n 70\r\n1\r\n"
         "  9\r\n$HANDSEED\r\n  5\r\n20\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nPOINT\r\n"
         "  5\r\n1F\r\n  8\r\n0\r\n 10\r\n1\r\n 20\r\n2\r\n 30\r\n0\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n",
         "POLYLINE\r\n", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dxftest::TempDir dir;
        const std::string path = dir.file("legacy.dxf");
        dxftest::writeFile(path, row.text);
        std::unique_ptr<AcDbDatabase> db;
        const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(path, db);
        ASSERT_TRUE(read.ok()) << read.message;
        const AcDbObjectId id = drawInto(*db, {{1.5, 2.5}, {3, 4}});
        ASSERT_TRUE(plotwright::dxf::saveDxf(*db, path).ok());
        const std::string saved = dxftest::readFile(path);
        const auto added = expectPreserved(row.text, saved);
        ASSERT_FALSE(added.empty());
        EXPECT_EQ(added.front().second, row.firstAdded);
        EXPECT_EQ(saved.find("\n  5\n") != std::string::npos || saved.find("\r\n  5\r\n") != std::string::npos,
                  row.handles);
        const dxftest::CheckReport report = dxftest::checkDxf(path);
        ASSERT_TRUE(report.error.empty()) << report.error;
        EXPECT_EQ(report.auditErrors, std::vector<std::string>{});
        EXPECT_EQ(report.handleProblems, std::vector<std::string>{});
        const auto polylines = report.ofType("POLYLINE");
        ASSERT_EQ(polylines.size(), 1u);
        ASSERT_EQ(polylines[0]->vertices.size(), 2u);
        EXPECT_EQ(polylines[0]->vertices[0], (std::vector<std::string>{"1.5", "2.5", "0.0"}));
        if (row.handles) {
            EXPECT_EQ(polylines[0]->handle, hex(id.handle()));
            EXPECT_EQ(report.handseed, hex(id.handle() + 4));  // two VERTEX and a SEQEND after the POLYLINE
        }
    }
}

TEST(dxf_append, stale_handseed_does_not_reuse_handles)
{
    // The file's $HANDSEED (10) is below a handle it uses (2A): new handles go above both.
    const std::string text =
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  9\n$HANDSEED\n  5\n10\n  0\nENDSEC\n"
        "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nBLOCK_RECORD\n  5\n1\n100\nAcDbSymbolTable\n 70\n1\n"
        "  0\nBLOCK_RECORD\n  5\n2\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n*Model_Space\n"
        "  0\nENDTAB\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  5\n2A\n330\n2\n100\nAcDbEntity\n"
        "  8\n0\n100\nAcDbPoint\n 10\n0\n 20\n0\n 30\n0\n  0\nENDSEC\n  0\nEOF\n";
    dxftest::TempDir dir;
    const std::string path = dir.file("stale.dxf");
    dxftest::writeFile(path, text);
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    const AcDbObjectId id = drawInto(*db, {{0, 0}});
    EXPECT_GT(id.handle(), 0x2Au);
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, path).ok());
    const std::string saved = dxftest::readFile(path);
    EXPECT_NE(saved.find("$HANDSEED\n  5\n" + hex(id.handle() + 1) + "\n"), std::string::npos);
    EXPECT_NE(saved.find("LWPOLYLINE\n  5\n" + hex(id.handle()) + "\n330\n2\n"), std::string::npos);
    const dxftest::CheckReport report = dxftest::checkDxf(path);
    EXPECT_EQ(report.handleProblems, std::vector<std::string>{});
}

TEST(dxf_append, r13_files_are_shown_but_not_drawn_into)
{
    const std::string text = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1012\n  0\nENDSEC\n"
                             "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  8\n0\n 10\n1\n 20\n2\n 30\n0\n"
                             "  0\nENDSEC\n  0\nEOF\n";
    dxftest::TempDir dir;
    const std::string path = dir.file("r13.dxf");
    dxftest::writeFile(path, text);
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    drawInto(*db, {{0, 0}});
    const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(*db, path);
    EXPECT_EQ(result.status, plotwright::dxf::DxfStatus::unsupported);
    EXPECT_EQ(result.message, "Cannot save \"" + path +
                                  "\": adding entities to R13 (AC1012) drawings is not supported; "
                                  "save the drawing as R2000 or later first.");
    EXPECT_EQ(dxftest::readFile(path), text);
}

} // namespace
