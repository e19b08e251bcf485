// Draw-order tables: the entities of model space and of a block are held (and so drawn
// by every display) in the order ezdxf's reorder module gives for the same file.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "db/access.h"
#include "db/database.h"
#include "dxf/file.h"
#include "support/dxf_check.h"

namespace {

using Access = plotwright::db::detail::DatabaseAccess;

// The handles of a record's entities as ezdxf prints them: upper-case hexadecimal.
std::string handlesOf(const AcDbDatabase& db, const wchar_t* record)
{
    const AcDbBlockTableRecord* r = Access::record(db, record);
    if (!r)
        return "(no record)";
    std::string out;
    for (const AcDbEntity* e : Access::entities(*r)) {
        char hex[20];
        std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(e->handle()));
        out += (out.empty() ? "" : " ") + std::string(hex);
    }
    return out;
}

class dxf_draw_order : public testing::TestWithParam<const char*> {};

TEST_P(dxf_draw_order, follows_the_table_as_ezdxf_does)
{
    dxftest::TempDir dir;
    const std::string path = dir.file(std::string(GetParam()) + ".dxf");
    const std::string report = dxftest::runPython(PLOTWRIGHT_TEST_SOURCE "/dxf/draw_order.py", {GetParam(), path});
    std::istringstream lines(report);
    std::string model, block;
    std::getline(lines, model);
    std::getline(lines, block);
    ASSERT_EQ(model.substr(0, 2), "M ") << report;
    ASSERT_EQ(block.substr(0, 2), "B ") << report;

    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(path, db);
    ASSERT_TRUE(read.ok()) << read.message;
    EXPECT_EQ(handlesOf(*db, L"*Model_Space"), model.substr(2));
    EXPECT_EQ(handlesOf(*db, L"B"), block.substr(2));
}

INSTANTIATE_TEST_SUITE_P(cases, dxf_draw_order, testing::Values("none", "to_back", "equal_keys", "in_block"));

// A reordered drawing is saved with its records where they were: the order lives in the
// table, not in the file's sequence of records.
TEST(dxf_draw_order_saved, leaves_the_records_in_place)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("to_back.dxf");
    dxftest::runPython(PLOTWRIGHT_TEST_SOURCE "/dxf/draw_order.py", {"to_back", path});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    const std::string copy = dir.file("copy.dxf");
    const plotwright::dxf::DxfResult saved = plotwright::dxf::saveDxf(*db, copy);
    ASSERT_TRUE(saved.ok()) << saved.message;
    EXPECT_EQ(dxftest::readFile(copy), dxftest::readFile(path));
    std::unique_ptr<AcDbDatabase> again;
    ASSERT_TRUE(plotwright::dxf::readDxf(copy, again).ok());
    EXPECT_EQ(handlesOf(*again, L"*Model_Space"), handlesOf(*db, L"*Model_Space"));
}

} // namespace
