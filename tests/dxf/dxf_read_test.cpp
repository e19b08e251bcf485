// Opening files that are not ASCII DXF drawings: each is refused with a message that
// names the file and the reason, and the file stays as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "dxf/file.h"
#include "dxf/scan.h"
#include "db/entities.h"
#include "support/dxf_check.h"
#include "support/model_space.h"

namespace {

using plotwright::dxf::DxfStatus;

const std::string kValid =
    "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
    "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  8\n0\n 10\n1\n 20\n2\n 30\n0\n  0\nENDSEC\n  0\nEOF\n";

TEST(dxf_open_refused, names_the_file_and_the_reason)
{
    constexpr plotwright::Status kNotDrawing = plotwright::Status::notDrawing;
    constexpr plotwright::Status kDamaged = plotwright::Status::damagedDrawing;
    const struct {
        const char* name;
        std::string bytes;
        DxfStatus status;
        plotwright::Status kind;    // the status of the programs' result type
        std::string reason;
        long line = -1;             // where the result puts the fault: the code line
        std::int64_t offset = -1;   // and the byte offset where it starts
    } rows[] = {
        {"empty file", "", DxfStatus::notDxf, kNotDrawing, "the file is empty"},
        {"only blank lines", "\n \r\n\n", DxfStatus::notDxf, kNotDrawing, "the file is empty"},
        {"binary DXF", std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0", 25), DxfStatus::binaryDxf, kNotDrawing,
         "it is a binary DXF file; only ASCII DXF files can be opened"},
        {"DWG drawing", std::string("AC1015\0\0\0\0\0\x0f\x01", 13), DxfStatus::notDxf, kNotDrawing,
         "it is a DWG drawing, not a DXF file"},
        {"plain text", "Dear reader,\nthis is a letter.\n", DxfStatus::notDxf, kNotDrawing,
         "it is not a DXF file (it does not begin with a SECTION)"},
        {"numbers but no section", "  0\nLINE\n  8\n0\n", DxfStatus::notDxf, kNotDrawing,
         "it is not a DXF file (it does not begin with a SECTION)"},
        {"cut inside a section", kValid.substr(0, kValid.find("  0\nENDSEC\n  0\nEOF")), DxfStatus::truncated,
         kDamaged, "the file ends inside the ENTITIES section", 25,
         static_cast<std::int64_t>(kValid.find("  0\nENDSEC\n  0\nEOF"))},
        {"cut after a group code", kValid.substr(0, kValid.find("POINT")), DxfStatus::truncated,
         kDamaged, "the file ends after the group code on line 15", 15, 83},
        {"text where a group code belongs", "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\nten\n1\n", DxfStatus::malformed,
         kDamaged, "line 7: a group code was expected, found \"ten\"", 7, 35},
        {"section without a name before an entity", "  0\nSECTION\n  0\nLINE\n  0\nENDSEC\n  0\nEOF\n",
         DxfStatus::malformed, kDamaged, "line 3: a section name was expected", 3, 12},
        {"entity outside a section", "  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nLINE\n  0\nEOF\n",
         DxfStatus::malformed, kDamaged, "line 7: \"LINE\" outside a section", 7, 34},
        {"a second ENTITIES section",
         "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n",
         DxfStatus::malformed, kDamaged, "line 9: the ENTITIES section appears twice", 9, 48},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dxftest::TempDir dir;
        const std::string path = dir.file("input.dxf");
        dxftest::writeFile(path, row.bytes);
        std::unique_ptr<AcDbDatabase> db;
        const plotwright::dxf::DxfResult result = plotwright::dxf::readDxf(path, db);
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.message, "Cannot open \"" + path + "\": " + row.reason + ".");
        // The same outcome as the programs' result type, with the place of the fault.
        const plotwright::Result converted = result.toResult();
        EXPECT_EQ(converted.status, row.kind);
        EXPECT_EQ(converted.message, std::wstring(result.message.begin(), result.message.end()));
        EXPECT_EQ(converted.where.file, path);
        EXPECT_EQ(converted.where.line, row.line);
        EXPECT_EQ(converted.where.offset, row.offset);
        EXPECT_EQ(db, nullptr);
        EXPECT_EQ(dxftest::readFile(path), row.bytes);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"input.dxf"});
    }
}

TEST(dxf_open_refused, binary_dxf_from_an_independent_writer)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("binary.dxf");
    dxftest::runPythonSource(dir,
                             "import sys, ezdxf\n"
                             "doc = ezdxf.new('R2010')\n"
                             "doc.modelspace().add_line((0, 0), (1, 1))\n"
                             "doc.saveas(sys.argv[1], fmt='bin')\n",
                             {path});
    const std::string before = dxftest::readFile(path);
    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult result = plotwright::dxf::readDxf(path, db);
    EXPECT_EQ(result.status, DxfStatus::binaryDxf);
    EXPECT_EQ(result.message, "Cannot open \"" + path +
                                  "\": it is a binary DXF file; only ASCII DXF files can be opened.");
    EXPECT_EQ(dxftest::readFile(path), before);
}

TEST(dxf_open_refused, folders_and_missing_files)
{
    dxftest::TempDir dir;
    std::unique_ptr<AcDbDatabase> db;
    EXPECT_EQ(plotwright::dxf::readDxf(dir.root(), db).message,
              "Cannot open \"" + dir.root() + "\": it is a folder, not a file.");
    const std::string missing = dir.file("nothing.dxf");
    EXPECT_EQ(plotwright::dxf::readDxf(missing, db).message,
              "Cannot open \"" + missing + "\": the file does not exist.");
}

TEST(dxf_open, lenient_where_the_format_allows)
{
    // A byte order mark, comments, text after EOF, and a file without its final newline.
    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"byte order mark", "\xEF\xBB\xBF" + kValid},
        {"comment first", "999\nmade by hand\n" + kValid},
        {"after EOF", kValid + "trailing words\n"},
        {"no final newline", kValid.substr(0, kValid.size() - 1)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<AcDbDatabase> db;
        const plotwright::dxf::DxfResult result = plotwright::dxf::readDxfText(row.text, "memory.dxf", db);
        ASSERT_TRUE(result.ok()) << result.message;
        int points = 0;
        db->forEachEntity([&](const AcDbEntity& e) { points += e.kind() == AcDbEntity::Kind::kPoint; });
        EXPECT_EQ(points, 1);
    }
}

// kValid with a TABLES section (from line 11; its first table begins on line 15).
std::string withTables(const std::string& tables)
{
    const std::size_t entities = kValid.find("  0\nSECTION\n  2\nENTITIES");
    return kValid.substr(0, entities) + "  0\nSECTION\n  2\nTABLES\n" + tables + "  0\nENDSEC\n" +
           kValid.substr(entities);
}

std::string table(const std::string& name) { return "  0\nTABLE\n  2\n" + name + "\n"; }
const std::string kEndTable = "  0\nENDTAB\n";
// Six lines: layer `name` in colour 3.
std::string layerRecord(const std::string& name) { return "  0\nLAYER\n  2\n" + name + "\n 62\n3\n"; }

// What other readers open and loses nothing is read, with a warning; the drawing is
// shown but never written back into its file, changed or not. Tables a save could not
// patch so that every reader takes the change (a layer's records in two places) are
// read so too.
// The byte offset where the 1-based `line` of `text` starts (its size: the line after the last).
std::int64_t lineStart(const std::string& text, long line)
{
    std::size_t at = 0;
    for (long l = 1; l < line && at < text.size(); ++l) {
        const std::size_t end = text.find('\n', at);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return static_cast<std::int64_t>(at);
}

TEST(dxf_open, leniently_with_a_warning_and_no_saving)
{
    const std::string noEof = kValid.substr(0, kValid.find("  0\nEOF"));
    const struct {
        const char* name;
        std::string text;
        std::string warning;
        long line;  // where the first thing let pass is (the line after the last, for a missing EOF)
        const wchar_t* layer = nullptr;  // a layer of the tables, shown in colour 3
    } rows[] = {
        {"no EOF", noEof, "the file ends without the EOF marker", 27},
        {"empty section before EOF", noEof + "  0\nSECTION\n  0\nEOF\n", "line 29: an empty section without a name",
         29},
        {"empty ended section", noEof + "  0\nSECTION\n  0\nENDSEC\n  0\nEOF\n",
         "line 29: an empty section without a name", 29},
        {"both", noEof + "  0\nSECTION\n  0\nENDSEC\n",
         "line 29: an empty section without a name; the file ends without the EOF marker", 29},
        {"layer record in the APPID table",
         withTables(table("LAYER") + layerRecord("0") + kEndTable + table("APPID") + layerRecord("M") + kEndTable),
         "line 31: a \"LAYER\" record in the APPID table", 31, L"M"},
        {"LAYER table twice",
         withTables(table("LAYER") + layerRecord("M") + kEndTable + table("LAYER") + layerRecord("M") + kEndTable),
         "line 27: the LAYER table appears twice", 27, L"M"},
        {"second LAYER table before the first ends",
         withTables(table("LAYER") + layerRecord("M") + table("LAYER") + layerRecord("M") + kEndTable),
         "line 25: a table begins inside the LAYER table", 25, L"M"},
        {"layer record after its table", withTables(table("LAYER") + kEndTable + layerRecord("M")),
         "line 21: a \"LAYER\" record outside a table", 21, L"M"},
        {"table without its end", withTables(table("LAYER") + layerRecord("M")), "line 25: the LAYER table has no end",
         25, L"M"},
        {"end of a table twice", withTables(table("LAYER") + layerRecord("M") + kEndTable + kEndTable),
         "line 27: an ENDTAB outside a table", 27, L"M"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dxftest::TempDir dir;
        const std::string path = dir.file("lenient.dxf");
        dxftest::writeFile(path, row.text);
        std::unique_ptr<AcDbDatabase> db;
        const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(path, db);
        ASSERT_TRUE(read.ok()) << read.message;
        EXPECT_EQ(read.warning, "\"" + path + "\": " + row.warning + ".");
        // The programs' result type keeps the warning apart from a failure.
        const plotwright::Result converted = read.toResult();
        EXPECT_TRUE(converted.ok());
        EXPECT_EQ(converted.warning, std::wstring(read.warning.begin(), read.warning.end()));
        EXPECT_EQ(converted.where.file, path);
        // The warning's place: its line, and the byte offset where that line starts.
        EXPECT_EQ(read.warningLine, row.line);
        EXPECT_EQ(converted.warningAt.file, path);
        EXPECT_EQ(converted.warningAt.line, row.line);
        EXPECT_EQ(converted.warningAt.offset, lineStart(row.text, row.line));
        int points = 0;
        db->forEachEntity([&](const AcDbEntity& e) { points += e.kind() == AcDbEntity::Kind::kPoint; });
        EXPECT_EQ(points, 1);
        if (row.layer) {
            const AcDbLayerInfo* layer = db->layer(row.layer);
            ASSERT_NE(layer, nullptr);
            EXPECT_EQ(layer->appearance.colorIndex, 3);
        }
        const std::string refusal = "Cannot save \"" + path + "\": the file was read leniently (" + row.warning +
                                    "); it is not written to, so that nothing in it is lost.";
        EXPECT_EQ(plotwright::dxf::saveDxf(*db, path).message, refusal);
        testsupport::appendToModelSpace(*db, new AcDbLine({0, 0, 0}, {1, 1, 0}));
        const plotwright::dxf::DxfResult saved = plotwright::dxf::saveDxf(*db, path);
        EXPECT_EQ(saved.status, DxfStatus::unsupported);
        EXPECT_EQ(saved.message, refusal);
        EXPECT_EQ(saved.toResult().status, plotwright::Status::unsupportedDrawing);
        EXPECT_EQ(saved.toResult().where.file, path);
        EXPECT_EQ(dxftest::readFile(path), row.text);
    }
    // A file read in full has no warning.
    std::unique_ptr<AcDbDatabase> db;
    EXPECT_EQ(plotwright::dxf::readDxfText(kValid, "memory.dxf", db).warning, "");
}

} // namespace

namespace {

// The pair scanner over every kind of line ending, one row a text: each pair's code,
// value, where its code line starts, its line number, and where the pair ends.
TEST(dxf_scanner, line_endings_of_every_kind)
{
    using plotwright::dxf::detail::DxfPair;
    using plotwright::dxf::detail::DxfPairScanner;
    struct Pair {
        int code;
        std::string value;
        std::size_t offset, line, end;
    };
    const struct {
        const char* name;
        std::string text;
        std::vector<Pair> pairs;
        DxfPairScanner::Step last;
    } rows[] = {
        {"LF", "  0\nLINE\n 8\nA\n", {{0, "LINE", 0, 1, 9}, {8, "A", 9, 3, 14}}, DxfPairScanner::Step::end},
        {"CR LF", "0\r\nLINE\r\n8\r\nA\r\n", {{0, "LINE", 0, 1, 9}, {8, "A", 9, 3, 15}}, DxfPairScanner::Step::end},
        {"CR alone", "0\rLINE\r8\rA\r", {{0, "LINE", 0, 1, 7}, {8, "A", 7, 3, 11}}, DxfPairScanner::Step::end},
        {"mixed", "0\nLINE\r\n8\rA\n", {{0, "LINE", 0, 1, 8}, {8, "A", 8, 3, 12}}, DxfPairScanner::Step::end},
        // LF then CR: two line ends, so the value after the code is empty.
        {"LF CR", "0\n\r8\nA\n", {{0, "", 0, 1, 3}, {8, "A", 3, 3, 7}}, DxfPairScanner::Step::end},
        {"no last ending", "0\nEOF", {{0, "EOF", 0, 1, 5}}, DxfPairScanner::Step::end},
        {"empty value", "1\n\n0\nX\n", {{1, "", 0, 1, 3}, {0, "X", 3, 3, 7}}, DxfPairScanner::Step::end},
        {"code without value", "0\nLINE\n8\n", {{0, "LINE", 0, 1, 7}}, DxfPairScanner::Step::missingValue},
        {"code not a number", "0\nLINE\nx8\nA\n", {{0, "LINE", 0, 1, 7}}, DxfPairScanner::Step::badCode},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DxfPairScanner scanner(row.text, 0);
        DxfPair pair;
        std::size_t i = 0;
        DxfPairScanner::Step step;
        while ((step = scanner.next(pair)) == DxfPairScanner::Step::pair) {
            ASSERT_LT(i, row.pairs.size());
            const Pair& want = row.pairs[i++];
            EXPECT_EQ(pair.code, want.code);
            EXPECT_EQ(pair.value, want.value);
            EXPECT_EQ(pair.offset, want.offset);
            EXPECT_EQ(pair.line, want.line);
            EXPECT_EQ(pair.end, want.end);
        }
        EXPECT_EQ(i, row.pairs.size());
        EXPECT_EQ(step, row.last);
    }
}

} // namespace
