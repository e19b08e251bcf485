// A curve's definition as application data: the layout round trip (every bit of every
// number, every character of every text), its DXF forms (extended data, or an XRECORD of
// the extension dictionary when too large) in new drawings and in drawings of other
// programs of each version, and what the reader refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/polyline.h"
#include "core/curve_data.h"
#include "dxf/file.h"
#include "support/dxf_check.h"
#include "support/model_space.h"

namespace {

using plotwright::curve::CurveDefinition;
using plotwright::curve::CurveOutput;
using plotwright::core::curveDefinitionOf;
using plotwright::core::decodeCurveData;
using plotwright::core::encodeCurveData;

CurveDefinition cycloid()
{
    CurveDefinition d;
    d.name = L"Cycloid";
    d.kind = 2;
    d.equationX = L"a*(t-sin(t))";
    d.equationY = L"a*(1-cos(t))";
    d.createdBy = 1;
    d.parameters.push_back({.name = L"t", .type = 1, .increment = 0.1, .minValue = 0, .maxValue = 6.283185307179586});
    d.parameters.push_back({.name = L"a", .type = 2, .min = 1, .max = 20, .value = 2.0000000000000004});
    d.origin = {0.1, -0.0, 1e-310};
    d.curveId = "0123456789abcdef0123456789abcdef";
    d.pieceIndex = 1;
    d.pieceCount = 3;
    d.fingerprint = {64, {1.5, 2.5, 0}, {-3, 4, 0}, {0.1, -2, 3e-300, 4, 5, 6, 7, 8, 9, 10, 11, -0.0}, 0};
    return d;
}

struct Row {
    const char* name;
    CurveDefinition definition;
};

std::vector<Row> rows()
{
    std::vector<Row> out;
    out.push_back({"library curve", cycloid()});
    CurveDefinition d = cycloid();
    d.name = L"Spirale \u00e9 \u03c0 \U0001F600 \\U+0041 back\\slash\ttab";
    d.equationY = L"";
    d.options = {true, 0.0010000000000000002, CurveOutput::Spline};
    out.push_back({"characters beyond ASCII, escapes, control characters, empty text", d});
    d = cycloid();
    d.fingerprint.digest.clear();
    out.push_back({"a definition kept before the digest", d});
    d = cycloid();
    d.parameters[1].min = -std::numeric_limits<double>::infinity();
    d.parameters[1].max = std::numeric_limits<double>::infinity();
    d.parameters[1].defaultValue = std::numeric_limits<double>::quiet_NaN();
    d.parameters[1].minSet = -2147483647;
    d.kind = 7;
    out.push_back({"numbers that are not finite, extreme integers", d});
    d = cycloid();
    d.equationX.assign(300, L'\u00e9');  // two bytes in UTF-8, an escape before R2007
    d.equationY = L"t";
    d.options.output = CurveOutput::Arcs;
    out.push_back({"text over several chunks", d});
    d = cycloid();
    d.equationX = L"t";
    d.equationY = L"t";
    while (d.equationX.size() < 10000) {
        d.equationX += L"+0*t";
        d.equationY += L"-0*t";
    }
    out.push_back({"too large for extended data", d});
    d = cycloid();
    d.options.rotation = -0.0;  // a turn by -0 is kept as written
    d.options.scale = 1e-7;
    d.options.mirror = true;
    d.options.offset = 2.5;
    d.options.offsetBothSides = true;
    out.push_back({"turned, scaled, mirrored and offset", d});
    d.fingerprint.digest.clear();
    d.options.rotation = 90;
    d.options.offsetBothSides = false;
    out.push_back({"placed, without a digest", d});
    d.kind = SpaceCurve;
    d.equationZ = L"c*t";
    out.push_back({"placed space curve with its z", d});
    d = cycloid();
    d.kind = ImplicitCurve;
    d.window = {-2.5, 2.5, -1, 1.0 / 3, 300, 0};
    d.fingerprint.digest.clear();  // the window follows an empty digest
    out.push_back({"implicit curve with its window, no digest", d});
    d.window = {0, 1, 0, 1, 0, 1e-3};
    out.push_back({"implicit curve by cell size", d});
    return out;
}

TEST(curve_data, layout_round_trip_keeps_every_bit)
{
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.name);
        const std::optional<CurveDefinition> back = decodeCurveData(encodeCurveData(row.definition));
        ASSERT_TRUE(back.has_value());
        EXPECT_TRUE(*back == row.definition);
        EXPECT_TRUE(std::signbit(back->origin.y)) << "-0 stays -0";
    }
}

TEST(curve_data, decoding_refuses_values_off_the_layout)
{
    const AcDbAppData good = encodeCurveData(cycloid());
    struct Case {
        const char* name;
        AcDbAppData data;
    };
    std::vector<Case> cases;
    AcDbAppData d = good;
    d[0].integer = 2;
    cases.push_back({"another layout version", d});
    d = good;
    d.resize(d.size() - 1);
    cases.push_back({"cut short", d});
    d = good;
    d[3].type = AcDbAppDataValue::Type::kReal;  // the piece index
    cases.push_back({"a real where an integer belongs", d});
    d = good;
    d[3].integer = 5;  // piece 5 of 3
    cases.push_back({"a piece index beyond the count", d});
    d = good;
    d[1].integer = 0;  // no chunks of the id: the id is empty, the rest shifts
    cases.push_back({"an empty id", d});
    cases.push_back({"nothing", {}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(decodeCurveData(c.data).has_value());
    }
    AcDbAppData longer = good;
    longer.push_back({AcDbAppDataValue::Type::kText, L"later", 0.0, 0});
    EXPECT_TRUE(decodeCurveData(longer).has_value()) << "values after the layout's last are left for later versions";

    // Placement comes as a tagged group after the digest; a group this version cannot
    // read is skipped, never a reason to lose the definition.
    CurveDefinition placed = cycloid();
    placed.options.rotation = 30;
    placed.options.offset = -1;
    AcDbAppData withLater = encodeCurveData(placed);
    withLater.push_back({AcDbAppDataValue::Type::kInt32, L"", 0.0, 1});
    withLater.push_back({AcDbAppDataValue::Type::kText, L"shading", 0.0, 0});
    const std::optional<CurveDefinition> later = decodeCurveData(withLater);
    ASSERT_TRUE(later.has_value());
    EXPECT_EQ(later->options.rotation, 30);
    EXPECT_EQ(later->options.offset, -1);
    AcDbAppData broken = encodeCurveData(placed);
    broken.back().type = AcDbAppDataValue::Type::kText;  // the both-sides flag
    const std::optional<CurveDefinition> unread = decodeCurveData(broken);
    ASSERT_TRUE(unread.has_value());
    EXPECT_EQ(unread->options.rotation, 0) << "a malformed group reads as no placement";
    EXPECT_EQ(unread->options.scale, 1);
}

// A drawing by another program with its own extended data on an entity, in `version`.
const char* const kFixture = R"(
import sys
import ezdxf
version, path = sys.argv[1], sys.argv[2]
doc = ezdxf.new(version)
doc.appids.new("OTHERAPP")
line = doc.modelspace().add_line((0, 0), (10, 5))
line.set_xdata("OTHERAPP", [(1000, "theirs"), (1040, 1.5)])
doc.saveas(path)
)";

AcDbObjectId drawInto(AcDbDatabase& db, const CurveDefinition& definition)
{
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, {1.5, 2.5}, 0.0, -1.0, -1.0);
    polyline->addVertexAt(1, {-3, 4}, 0.0, -1.0, -1.0);
    EXPECT_EQ(polyline->setAppData(encodeCurveData(definition)), Acad::eOk);
    const AcDbObjectId id = testsupport::appendToModelSpace(db, polyline);
    EXPECT_FALSE(id.isNull());
    return id;
}

std::vector<CurveDefinition> definitionsIn(const AcDbDatabase& db)
{
    std::vector<CurveDefinition> out;
    db.forEachEntity([&](const AcDbEntity& e) {
        if (auto d = curveDefinitionOf(e))
            out.push_back(*d);
    });
    return out;
}

// Every pair of `original` is in `saved`, in order, the $HANDSEED value aside.
void expectKept(const std::string& original, const std::string& saved)
{
    const auto before = dxftest::rawPairs(original);
    const auto after = dxftest::rawPairs(saved);
    std::size_t j = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const bool seed = i > 0 && before[i - 1].second.find("$HANDSEED") != std::string::npos;
        while (j < after.size() && after[j] != before[i] && !(seed && after[j].first == before[i].first))
            ++j;
        ASSERT_LT(j, after.size()) << "original pair " << i << " is missing: " << before[i].first << before[i].second;
        ++j;
    }
}

class CurveDataFile : public testing::TestWithParam<const char*> {};

TEST_P(CurveDataFile, definitions_come_back_from_the_file_and_ezdxf_audits_clean)
{
    const std::string version = GetParam();
    dxftest::TempDir dir;
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.name);
        const std::string path = dir.file("curve.dxf");
        std::string original;
        std::unique_ptr<AcDbDatabase> db;
        if (version == "new") {
            db = std::make_unique<AcDbDatabase>();
        } else {
            dxftest::runPythonSource(dir, kFixture, {version, path});
            original = dxftest::readFile(path);
            ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
        }
        drawInto(*db, row.definition);
        const plotwright::dxf::DxfResult written = plotwright::dxf::saveDxf(*db, path);
        ASSERT_TRUE(written.ok());
        const std::string saved = dxftest::readFile(path);
        if (!original.empty())
            expectKept(original, saved);
        // No value line of the extended data is longer than a group may be.
        for (const auto& [code, value] : dxftest::rawPairs(saved)) {
            if (code.find("1000") != std::string::npos) {
                EXPECT_LE(value.find_last_not_of("\r\n") + 1, 255u);
            }
        }

        std::unique_ptr<AcDbDatabase> back;
        ASSERT_TRUE(plotwright::dxf::readDxf(path, back).ok());
        const std::vector<CurveDefinition> found = definitionsIn(*back);
        const bool tooLarge = std::string(row.name) == "too large for extended data";
        // A definition the file cannot hold is dropped, and the save says so.
        EXPECT_EQ(written.notice.empty(), !found.empty()) << written.notice;
        if (version == "R12" && tooLarge) {
            EXPECT_TRUE(found.empty()) << "R12 has no OBJECTS for an XRECORD";
        } else {
            ASSERT_EQ(found.size(), 1u);
            EXPECT_TRUE(found[0] == row.definition);
        }

        const dxftest::CheckReport report = dxftest::checkDxf(path);
        EXPECT_TRUE(report.ok) << report.error;
        EXPECT_TRUE(report.auditErrors.empty()) << report.auditErrors.front();
        // Saving again gives the same bytes: the patches derive from the state alone.
        ASSERT_TRUE(plotwright::dxf::saveDxf(*back, path).ok());
        EXPECT_EQ(dxftest::readFile(path), saved);
        std::remove(path.c_str());
    }
}

// ezdxf writes text beyond ASCII in the file's code page (R2000: cp1252, escapes for the
// rest) or as UTF-8 (R2018): the definition still comes back whole.
TEST(curve_data, text_beyond_ascii_survives_another_program_saving_the_drawing)
{
    dxftest::TempDir dir;
    const CurveDefinition definition = rows()[1].definition;
    for (const char* version : {"R2000", "R2018"}) {
        SCOPED_TRACE(version);
        const std::string path = dir.file(std::string("theirs-") + version + ".dxf");
        dxftest::runPythonSource(dir, kFixture, {version, path});
        std::unique_ptr<AcDbDatabase> db;
        ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
        drawInto(*db, definition);
        ASSERT_TRUE(plotwright::dxf::saveDxf(*db, path).ok());
        dxftest::runPythonSource(dir, "import sys, ezdxf\nezdxf.readfile(sys.argv[1]).save()\n", {path});
        std::unique_ptr<AcDbDatabase> back;
        ASSERT_TRUE(plotwright::dxf::readDxf(path, back).ok());
        const std::vector<CurveDefinition> found = definitionsIn(*back);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_TRUE(found[0] == definition);
    }
}

INSTANTIATE_TEST_SUITE_P(versions, CurveDataFile, testing::Values("new", "R12", "R2000", "R2018"));

} // namespace
