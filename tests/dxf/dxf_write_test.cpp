// Saving drawings: a new drawing read back by ezdxf with exact vertices and sound
// handles; numbers that cannot be written; atomic replacement of the file.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "db/database.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "support/dxf_check.h"
#include "support/model_space.h"

namespace {

using plotwright::dxf::DxfStatus;

AcDbObjectId addPolyline(AcDbDatabase& db, const std::vector<AcGePoint2d>& points, double elevation = 0.0,
                         bool closed = false)
{
    auto* polyline = new AcDbPolyline;
    for (const AcGePoint2d& p : points)
        polyline->addVertexAt(polyline->numVerts(), p, 0.0, -1.0, -1.0);
    polyline->setElevation(elevation);
    polyline->setClosed(closed);
    polyline->minimizeMemory();
    const AcDbObjectId id = testsupport::appendToModelSpace(db, polyline);
    EXPECT_FALSE(id.isNull());
    return id;
}

std::string hex(AcDbHandle handle)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle));
    return text;
}

void expectVertices(const dxftest::CheckedEntity& entity, const std::vector<AcGePoint2d>& points)
{
    ASSERT_EQ(entity.vertices.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "vertex " << i);
        ASSERT_GE(entity.vertices[i].size(), 2u);
        EXPECT_TRUE(dxftest::sameDouble(entity.vertices[i][0], points[i].x)) << entity.vertices[i][0];
        EXPECT_TRUE(dxftest::sameDouble(entity.vertices[i][1], points[i].y)) << entity.vertices[i][1];
    }
}

TEST(dxf_save_new, reads_back_exactly_with_an_independent_reader)
{
    const double tiny = std::numeric_limits<double>::denorm_min();
    const struct {
        const char* name;
        AcGePoint2d point;
    } rows[] = {
        {"tiny", {1e-20, -1e-20}},          {"huge", {1e300, -1e300}},
        {"beyond a fixed writer", {1e238, 1.7976931348623157e308}},
        {"negative zero", {-0.0, 0.0}},     {"decimal sum", {0.1 + 0.2, 1.0 / 3.0}},
        {"subnormal", {tiny, -tiny * 3}},   {"integers", {5.0, -7.0}},
        {"long mantissa", {123456789.12345678, -0.000123456789012345678}},
    };
    dxftest::TempDir dir;
    AcDbDatabase db;
    std::vector<AcGePoint2d> points;
    for (const auto& row : rows)
        points.push_back(row.point);
    const AcDbObjectId open = addPolyline(db, points);
    const AcDbObjectId closed = addPolyline(db, {{5, 7}, {6, 8}}, 2.5, true);
    const std::string path = dir.file("new.dxf");
    const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(db, path);
    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(db.numOpenObjects(), 0);

    const dxftest::CheckReport report = dxftest::checkDxf(path);
    ASSERT_TRUE(report.error.empty()) << report.error;
    EXPECT_TRUE(report.ok);
    EXPECT_EQ(report.version, "AC1015");
    EXPECT_EQ(report.auditErrors, std::vector<std::string>{});
    EXPECT_EQ(report.handleProblems, std::vector<std::string>{});
    EXPECT_EQ(report.handseed, hex(db.handseed()));
    const auto polylines = report.ofType("LWPOLYLINE");
    ASSERT_EQ(polylines.size(), 2u);
    EXPECT_EQ(polylines[0]->handle, hex(open.handle()));
    EXPECT_EQ(polylines[0]->keys, "closed=False elevation=0.0 count=8 owner=12");
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_TRUE(dxftest::sameDouble(polylines[0]->vertices[i][0], rows[i].point.x)) << polylines[0]->vertices[i][0];
        EXPECT_TRUE(dxftest::sameDouble(polylines[0]->vertices[i][1], rows[i].point.y)) << polylines[0]->vertices[i][1];
    }
    EXPECT_EQ(polylines[1]->handle, hex(closed.handle()));
    EXPECT_EQ(polylines[1]->keys, "closed=True elevation=2.5 count=2 owner=12");
    expectVertices(*polylines[1], {{5, 7}, {6, 8}});
}

TEST(dxf_save_new, record_text_is_minimal_and_locale_free)
{
    dxftest::TempDir dir;
    AcDbDatabase db;
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, {1.5, -2.25});
    polyline->addVertexAt(1, {0.1, 3}, 0.5);
    AcDbBlockTable* table = nullptr;
    db.getSymbolTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    table->getAt(L"*Model_Space", model, AcDb::kForWrite);
    table->close();
    model->appendAcDbEntity(polyline);
    polyline->close();
    model->close();
    const std::string path = dir.file("record.dxf");
    ASSERT_TRUE(plotwright::dxf::saveDxf(db, path).ok());
    const std::string text = dxftest::readFile(path);
    // No elevation when it is 0, a bulge only where there is one, "." whatever the locale.
    const std::string record = "  0\nLWPOLYLINE\n  5\n30\n330\n12\n100\nAcDbEntity\n  8\n0\n100\nAcDbPolyline\n"
                               " 90\n2\n 70\n0\n 10\n1.5\n 20\n-2.25\n 10\n0.1\n 20\n3\n 42\n0.5\n  0\nENDSEC\n";
    EXPECT_NE(text.find(record), std::string::npos) << text.substr(text.find("LWPOLYLINE") - 4, 300);
    EXPECT_EQ(text.substr(text.size() - 8), "  0\nEOF\n");
}

TEST(dxf_save_new, empty_drawing_is_valid)
{
    dxftest::TempDir dir;
    AcDbDatabase db;
    const std::string path = dir.file("empty.dxf");
    ASSERT_TRUE(plotwright::dxf::saveDxf(db, path).ok());
    const dxftest::CheckReport report = dxftest::checkDxf(path);
    EXPECT_TRUE(report.ok) << report.error;
    EXPECT_TRUE(report.entities.empty());
}

TEST(dxf_save_new, non_finite_numbers_are_refused_and_nothing_is_written)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        AcGePoint2d point;
        double elevation;
        const char* where;
    } rows[] = {
        {"NaN x", {nan, 0}, 0.0, "vertex 1"},
        {"infinite y", {0, -inf}, 0.0, "vertex 1"},
        {"infinite elevation", {0, 0}, inf, "its elevation, width or normal"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dxftest::TempDir dir;
        AcDbDatabase db;
        const AcDbObjectId id = addPolyline(db, {{1, 1}, row.point}, row.elevation);
        const std::string path = dir.file("bad.dxf");
        const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(db, path);
        EXPECT_EQ(result.status, DxfStatus::nonFinite);
        EXPECT_EQ(result.toResult().status, plotwright::Status::refused);
        EXPECT_EQ(result.message, "Cannot save \"" + path + "\": entity " + hex(id.handle()) +
                                      " has a number that is not finite (" + row.where + ").");
        EXPECT_EQ(dir.entries(), std::vector<std::string>{});
        EXPECT_TRUE(db.isModified());
    }
}

TEST(dxf_save_atomic, missing_folder_is_reported)
{
    dxftest::TempDir dir;
    AcDbDatabase db;
    const std::string folder = dir.file("no-such-folder");
    const std::string path = folder + "/drawing.dxf";
    const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(db, path);
    EXPECT_EQ(result.status, DxfStatus::writeFailed);
    EXPECT_EQ(result.toResult().status, plotwright::Status::writeFailed);
    EXPECT_EQ(result.message, "Cannot save \"" + path + "\": the folder \"" + folder + "\" does not exist.");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

TEST(dxf_save_atomic, failed_write_keeps_the_old_drawing_and_leaves_no_temporary)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("kept.dxf");
    AcDbDatabase small;
    addPolyline(small, {{1, 2}, {3, 4}});
    ASSERT_TRUE(plotwright::dxf::saveDxf(small, path).ok());
    const std::string before = dxftest::readFile(path);

    // A drawing larger than the file size limit: the write fails half way.
    AcDbDatabase big;
    std::vector<AcGePoint2d> points(20000, AcGePoint2d{0.123456789, 9.87654321});
    addPolyline(big, points);
    rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 64 * 1024;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(big, path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(result.status, DxfStatus::writeFailed);
    EXPECT_EQ(result.toResult().status, plotwright::Status::writeFailed);
    EXPECT_EQ(result.message.rfind("Cannot save \"" + path + "\": ", 0), 0u) << result.message;
    EXPECT_EQ(dxftest::readFile(path), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"kept.dxf"});
    EXPECT_TRUE(big.isModified());
}

TEST(dxf_save_atomic, saving_over_a_folder_is_refused)
{
    dxftest::TempDir dir;
    AcDbDatabase db;
    const plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(db, dir.root());
    EXPECT_EQ(result.status, DxfStatus::writeFailed);
    EXPECT_EQ(result.toResult().status, plotwright::Status::writeFailed);
    EXPECT_EQ(result.message, "Cannot save \"" + dir.root() + "\": it is a folder.");
}

} // namespace
