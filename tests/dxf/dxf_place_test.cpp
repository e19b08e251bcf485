// Saving a drawing read from a file after entities were turned, scaled, mirrored or
// copied: the changed records get only their values patched (ezdxf's own transformation
// of the original is the reference), copies are new records, every other byte stays.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/number_text.h"
#include "db/database.h"
#include "db/entity_copy.h"
#include "dxf/file.h"
#include "dxf/source_moves.h"
#include "support/dxf_check.h"

namespace {

// Every kind a turn, scale or mirror reaches, with the values that must follow:
// radii, widths, bulges, arc angles, the ellipse's axis and parameters, tangents.
const char* const kFixture = R"(
import sys
import ezdxf
version, path = sys.argv[1], sys.argv[2]
doc = ezdxf.new(version)
msp = doc.modelspace()
msp.add_line((0, 0, 1), (10, 5, 2))
msp.add_polyline2d([(0, 0, 0, 0, 0.5), (4, 4, 1, 2, -0.4), (8, 0)], format="xyseb")
msp.add_polyline3d([(0, 0, 1), (4, 4, 2)])
msp.add_circle((5, 5), 2.5)
msp.add_arc((1, 2), 3, 10, 200)
msp.add_point((7, 7))
if version != "R12":
    msp.add_lwpolyline([(0.5, 0.25, 0.5, 1, 0.5), (3.25, 4.5, 0, 0, -1), (6, 1, 0, 0, 0)], format="xyseb")
    msp.add_ellipse((2, 3), major_axis=(4, 1), ratio=0.5, start_param=0.5, end_param=4)
    s = msp.add_spline([(0, 0), (2, 3), (5, 1), (7, 4)])
    s.dxf.start_tangent = (1, 0, 0)
    s.dxf.end_tangent = (0, 1, 0)
doc.saveas(path)
)";

// Compares each entity of the saved file with ezdxf's transformation of the original
// (by the matrix in the arguments), as point sets along the curves: the representation
// may differ (ezdxf mirrors an arc by turning its normal over). Then the audit.
const char* const kCheck = R"(
import sys
import ezdxf
from ezdxf import path
from ezdxf.math import Matrix44, Vec3
a, b = ezdxf.readfile(sys.argv[1]), ezdxf.readfile(sys.argv[2])
xx, xy, yx, yy, zz, dx, dy = map(float, sys.argv[3:10])
m = Matrix44([xx, yx, 0, 0, xy, yy, 0, 0, 0, 0, zz, 0, dx, dy, 0, 1])
def samples(e):
    if e.dxftype() == "POINT":
        return [Vec3(e.dxf.location)]
    return list(path.make_path(e).flattening(0.001))
def far(points, line):
    worst = 0
    for p in points:
        best = min((p - q).magnitude for q in line)
        for q, r in zip(line, line[1:]):
            d = r - q
            if d.magnitude > 0:
                t = max(0, min(1, (p - q).dot(d) / d.magnitude_square))
                best = min(best, (p - (q + d * t)).magnitude)
        worst = max(worst, best)
    return worst
ea, eb = list(a.modelspace()), list(b.modelspace())
if len(ea) != len(eb):
    print("count", len(ea), len(eb))
for x, y in zip(ea, eb):
    want = x.copy()
    want.transform(m)
    s, t = samples(want), samples(y)
    if far(s, t) > 0.005 or far(t, s) > 0.005:
        print("differs", x.dxftype(), far(s, t), far(t, s))
    if x.dxftype() in ("LWPOLYLINE", "POLYLINE"):
        w = [abs(v) for p in (x.get_points("se") if x.dxftype() == "LWPOLYLINE" else [(v.dxf.start_width, v.dxf.end_width) for v in x.vertices]) for v in p]
        v = [abs(v) for p in (y.get_points("se") if y.dxftype() == "LWPOLYLINE" else [(v.dxf.start_width, v.dxf.end_width) for v in y.vertices]) for v in p]
        if [u * zz for u in w] != v:
            print("widths", x.dxftype(), w, v)
print("audit", len(b.audit().errors))
)";

struct Row {
    const char* name;
    AcDbPlacement by;
};

std::vector<std::string> matrixArgs(const AcDbPlacement& p)
{
    std::vector<std::string> args;
    for (double v : {p.xx, p.xy, p.yx, p.yy, p.zz, p.dx, p.dy})
        args.push_back(plotwright::base::formatShortest(v));  // "." in every locale
    return args;
}

std::string trim(std::string s)
{
    s.erase(0, s.find_first_not_of(" \r\n"));
    s.erase(s.find_last_not_of(" \r\n") + 1);
    return s;
}

class DxfPlace : public testing::TestWithParam<std::tuple<const char*, Row>> {};

TEST_P(DxfPlace, patches_the_values_that_follow_and_nothing_else)
{
    const auto& [version, row] = GetParam();
    dxftest::TempDir dir;
    const std::string original = dir.file("original.dxf");
    dxftest::runPythonSource(dir, kFixture, {version, original});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(original, db).ok());
    std::vector<AcDbObjectId> ids;
    db->forEachEntity([&](const AcDbEntity& e) { ids.push_back(e.objectId()); });
    for (const AcDbObjectId& id : ids)
        ASSERT_EQ(db->placeEntity(id, row.by), Acad::eOk) << row.name;
    const std::string saved = dir.file("saved.dxf");
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, saved).ok());

    // Pair by pair: same codes, and only values of the groups that follow a placement differ.
    const auto before = dxftest::rawPairs(dxftest::readFile(original));
    const auto after = dxftest::rawPairs(dxftest::readFile(saved));
    ASSERT_EQ(before.size(), after.size());
    static const std::set<std::string> kFollow = {"10", "20", "30", "11", "21", "31", "12", "22", "13", "23",
                                                  "38", "40", "41", "42", "43", "50", "51"};
    int changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        ASSERT_EQ(before[i].first, after[i].first) << i;
        if (before[i].second != after[i].second) {
            ++changed;
            EXPECT_TRUE(kFollow.count(trim(before[i].first))) << row.name << ": group " << before[i].first << " at " << i;
        }
    }
    EXPECT_GT(changed, 10);
    std::vector<std::string> args = {original, saved};
    for (const std::string& a : matrixArgs(row.by))
        args.push_back(a);
    EXPECT_EQ(trim(dxftest::runPythonSource(dir, kCheck, args)), "audit 0") << row.name << " " << version;

    // Placed back, the file is the original again, byte for byte.
    for (const AcDbObjectId& id : ids)
        ASSERT_EQ(db->placeEntity(id, AcDbPlacement{}), Acad::eOk);
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, saved).ok());
    EXPECT_EQ(dxftest::readFile(saved), dxftest::readFile(original)) << row.name;
}

INSTANTIATE_TEST_SUITE_P(
    placements, DxfPlace,
    testing::Combine(testing::Values("R12", "R2018"),
                     testing::Values(Row{"quarter turn", AcDbPlacement::rotation({1, 2, 0}, 90)},
                                     Row{"turn by 30 degrees", AcDbPlacement::rotation({-3, 0.5, 0}, 30)},
                                     Row{"scale by 2", AcDbPlacement::scaling({1, 1, 0}, 2)},
                                     Row{"mirror in x = 3", AcDbPlacement::mirror({3, 0, 0}, {3, 1, 0})},
                                     Row{"mirror in a slanted line", AcDbPlacement::mirror({0, 1, 0}, {2, 2, 0})})));

// Kinds whose records carry what a turn cannot follow exactly are refused by the file
// as by the entity; a move still reaches them.
TEST(DxfPlace, texts_and_block_references_only_move)
{
    dxftest::TempDir dir;
    const std::string original = dir.file("texts.dxf");
    dxftest::runPythonSource(dir, R"(
import sys
import ezdxf
doc = ezdxf.new("R2018")
msp = doc.modelspace()
msp.add_text("Hi", dxfattribs={"insert": (1, 1)})
msp.add_mtext("Notes", dxfattribs={"insert": (9, 9)})
doc.blocks.new("B").add_line((0, 0), (1, 0))
msp.add_blockref("B", (20, 20))
doc.saveas(sys.argv[1])
)",
                             {original});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(original, db).ok());
    int seen = 0;
    db->forEachEntity([&](const AcDbEntity& e) {
        ++seen;
        const AcDbPlacement turn = AcDbPlacement::rotation({}, 90);
        EXPECT_FALSE(e.canPlace(turn) && plotwright::dxf::canPlaceInSource(*db, e, turn)) << e.handle();
        EXPECT_TRUE(e.canPlace(AcDbPlacement::translation(1, 2)));
        EXPECT_TRUE(plotwright::dxf::canMoveInSource(*db, e));
        EXPECT_EQ(copyOfEntity(e), nullptr);
    });
    EXPECT_EQ(seen, 3);
}

// A copy of an entity read from a file is a new record that keeps its layer, colour and
// line type; the original records stay byte for byte.
TEST(DxfPlace, copies_are_new_records_with_the_originals_appearance)
{
    dxftest::TempDir dir;
    const std::string original = dir.file("copies.dxf");
    dxftest::runPythonSource(dir, R"(
import sys
import ezdxf
doc = ezdxf.new("R2018", setup=True)
doc.layers.add("Walls", color=3)
msp = doc.modelspace()
msp.add_line((0, 0), (4, 0), dxfattribs={"layer": "Walls", "color": 1, "linetype": "DASHED", "ltscale": 2})
msp.add_lwpolyline([(0, 0, 0, 0, 1), (2, 0, 0, 0, 0)], format="xyseb", dxfattribs={"true_color": 0x123456})
doc.saveas(sys.argv[1])
)",
                             {original});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(original, db).ok());
    std::vector<std::unique_ptr<AcDbEntity>> copies;
    db->forEachEntity([&](const AcDbEntity& e) { copies.push_back(copyOfEntity(e)); });
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(table->getAt(L"*Model_Space", space, AcDb::kForWrite), Acad::eOk);
    table->close();
    for (auto& c : copies) {
        ASSERT_TRUE(c);
        ASSERT_EQ(c->setPlacement(AcDbPlacement::mirror({0, 5, 0}, {1, 5, 0})), Acad::eOk);
        ASSERT_EQ(space->appendAcDbEntity(c.get()), Acad::eOk);
        c.release()->close();
    }
    space->close();
    const std::string saved = dir.file("saved.dxf");
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, saved).ok());
    const std::string out = dxftest::runPythonSource(dir, R"(
import sys
import ezdxf
from ezdxf import path
doc = ezdxf.readfile(sys.argv[1])
msp = list(doc.modelspace())
for e in msp[2:]:
    print(e.dxftype(), e.dxf.layer, e.dxf.color, e.dxf.linetype, e.dxf.ltscale, e.dxf.get("true_color"))
line, arc = msp[2], msp[3]
print(tuple(line.dxf.start), tuple(line.dxf.end))
ys = [p.y for p in path.make_path(arc).flattening(0.01)]
print(round(min(ys), 6), round(max(ys), 6))
print("audit", len(doc.audit().errors))
)",
                                                     {saved});
    EXPECT_EQ(out, "LINE Walls 1 DASHED 2.0 None\n"
                   "LWPOLYLINE 0 256 BYLAYER 1.0 1193046\n"
                   "(0.0, 10.0, 0.0) (4.0, 10.0, 0.0)\n"
                   "10.0 11.0\n"
                   "audit 0\n");
}

} // namespace
