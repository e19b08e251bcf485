// Text of drawings before R2007 in the code page their header names: read back to the
// right characters, and added entities' text written in the same code page.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "base/utf8_text.h"
#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "dxf/file.h"
#include "support/dxf_check.h"
#include "support/model_space.h"

namespace {

using plotwright::base::wideFromUtf8;

// An R2000 drawing in code page argv[1] with a TEXT, a two-line MTEXT and a layer, all
// holding argv[3] (no spaces: the checker's report splits at them). Fails unless ezdxf
// wrote the text as code page bytes (no escapes).
const char* const kFixtureScript = R"(
import sys
import ezdxf
encoding, path, text = sys.argv[1], sys.argv[2], sys.argv[3]
doc = ezdxf.new("R2000")
doc.encoding = encoding
doc.layers.add(text)
msp = doc.modelspace()
msp.add_text(text, dxfattribs={"layer": text, "height": 1.0})
msp.add_mtext(text + "\\P" + text, dxfattribs={"char_height": 1.0})
doc.saveas(path)
raw = open(path, "rb").read()
assert text.encode(encoding) in raw and b"\\U+" not in raw, "not written in the code page"
)";

struct CodePageRow {
    const char* name;
    const char* encoding;
    const char* text;  // UTF-8
};

// Reads an ezdxf drawing in the row's code page: its TEXT, MTEXT and layer name come
// back as the row's text.
void expectReadBack(const CodePageRow& row)
{
    dxftest::TempDir dir;
    const std::string path = dir.file("cp.dxf");
    dxftest::runPythonSource(dir, kFixtureScript, {row.encoding, path, row.text});
    std::unique_ptr<AcDbDatabase> db;
    const auto read = plotwright::dxf::readDxf(path, db);
    ASSERT_TRUE(read.ok()) << read.message;
    const std::wstring expected = wideFromUtf8(row.text);
    std::vector<std::wstring> texts;
    std::vector<std::wstring> layers;
    db->forEachEntity([&](const AcDbEntity& e) {
        layers.push_back(e.layer());
        if (e.kind() == AcDbEntity::Kind::kText)
            texts.push_back(static_cast<const AcDbText&>(e).props().text);
        else if (e.kind() == AcDbEntity::Kind::kMText)
            texts.push_back(static_cast<const AcDbMText&>(e).props().contents);
    });
    EXPECT_EQ(texts, (std::vector<std::wstring>{expected, expected + L"\\P" + expected}));
    ASSERT_FALSE(layers.empty());
    EXPECT_EQ(layers.front(), expected);
}

class DxfCodePage : public testing::TestWithParam<CodePageRow> {};

TEST_P(DxfCodePage, text_and_layer_names_read_back)
{
    expectReadBack(GetParam());
}

TEST_P(DxfCodePage, added_entity_layer_is_written_in_the_code_page)
{
    const CodePageRow& row = GetParam();
    dxftest::TempDir dir;
    const std::string path = dir.file("cp.dxf");
    dxftest::runPythonSource(dir, kFixtureScript, {row.encoding, path, row.text});
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, {0, 0}, 0.0, -1.0, -1.0);
    polyline->addVertexAt(1, {3, 4}, 0.0, -1.0, -1.0);
    polyline->setAppearance(wideFromUtf8(row.text), 256, -1);
    ASSERT_FALSE(testsupport::appendToModelSpace(*db, polyline).isNull());
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, path).ok());

    const std::string saved = dxftest::readFile(path);
    EXPECT_EQ(saved.find("\\U+"), std::string::npos) << "escaped although the code page has the characters";
    const dxftest::CheckReport check = dxftest::checkDxf(path);
    ASSERT_TRUE(check.ok) << check.error;
    const auto polylines = check.ofType("LWPOLYLINE");
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_EQ(polylines[0]->layer, row.text);
}

const CodePageRow kCodePages[] = {
    {"cyrillic_1251", "cp1251", "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82_\xd0\x81\xd0\xb6"},  // Привет_Ёж
    {"western_1252", "cp1252", "caf\xc3\xa9_\xe2\x82\xac_\xc5\x93"},                               // café_€_œ
    {"central_european_1250", "cp1250", "\xc5\x81\xc3\xb3\x64\xc5\xba_\xc5\x99"},                  // Łódź_ř
    {"greek_1253", "cp1253", "\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1"},                          // Ωμέγα
    {"turkish_1254", "cp1254", "\xc4\xb0stanbul_\xc4\x9f\xc5\x9f"},                                // İstanbul_ğş
    {"baltic_1257", "cp1257", "R\xc4\xab\x67\x61_\xc5\xb3\xc4\x97"},                               // Rīga_ųė
};

INSTANTIATE_TEST_SUITE_P(pages, DxfCodePage, testing::ValuesIn(kCodePages),
                         [](const testing::TestParamInfo<CodePageRow>& row) { return std::string(row.param.name); });

// The pages read through the C library's converter, double-byte East Asian ones among them.
class DxfConvertedCodePage : public testing::TestWithParam<CodePageRow> {};

TEST_P(DxfConvertedCodePage, text_and_layer_names_read_back)
{
    expectReadBack(GetParam());
}

const CodePageRow kConvertedPages[] = {
    {"japanese_932", "cp932", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e_\xe3\x81\x82"},  // 日本語_あ
    {"simplified_chinese_936", "gbk", "\xe4\xb8\xad\xe6\x96\x87"},                    // 中文
    {"korean_949", "cp949", "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4"},                  // 한국어
    {"traditional_chinese_950", "cp950", "\xe7\xb9\x81\xe9\xab\x94"},                   // 繁體
    {"thai_874", "cp874", "\xe0\xb8\xaa\xe0\xb8\xa7\xe0\xb8\xb1\xe0\xb8\xaa"},      // สวัส
    {"hebrew_1255", "cp1255", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d"},                    // שלום
    {"arabic_1256", "cp1256", "\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7"},            // مرحبا
    {"vietnamese_1258", "cp1258", "\xc4\x91\xc6\xa1n"},                                  // đơn
};

INSTANTIATE_TEST_SUITE_P(pages, DxfConvertedCodePage, testing::ValuesIn(kConvertedPages),
                         [](const testing::TestParamInfo<CodePageRow>& row) { return std::string(row.param.name); });

// Bytes a double-byte code page does not define, and a code page nobody knows, fall back
// to one byte per character: nothing is lost.
TEST(dxf_code_page, undefined_bytes_and_unknown_code_pages_fall_back_without_damage)
{
    const struct {
        const char* page;
        const char* bytes;
        std::wstring shown;
    } rows[] = {
        {"ANSI_932", "A\x82\xa0", L"A\u3042"},                     // Shift-JIS for あ
        {"ANSI_932", "A\x82\xa0\xff", L"A\u0082\u00a0\u00ff"},   // 0xFF is no Shift-JIS byte
        {"ANSI_999", "A\x82\xa0\xe9", L"A\u0082\u00a0\u00e9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.page) + " " + row.bytes);
        const std::string text = std::string("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  9\n$DWGCODEPAGE\n  3\n") +
                                 row.page + "\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  8\n0\n 10\n0\n 20\n0\n 40\n1\n  1\n" +
                                 row.bytes + "\n  0\nENDSEC\n  0\nEOF\n";
        std::unique_ptr<AcDbDatabase> db;
        ASSERT_TRUE(plotwright::dxf::readDxfText(text, "page.dxf", db).ok());
        std::wstring shown;
        db->forEachEntity([&](const AcDbEntity& e) { shown = static_cast<const AcDbText&>(e).props().text; });
        EXPECT_EQ(shown, row.shown);
    }
}

// A drawing that declares a code page but holds UTF-8 (as some programs write) keeps
// its characters; plain ASCII is the same in every code page.
TEST(dxf_code_page, utf8_in_an_old_file_stays_utf8)
{
    const std::string text = "  0\nSECTION\n  2\nHEADER\n  9\n$DWGCODEPAGE\n  3\nansi_1251\n  0\nENDSEC\n"
                             "  0\nSECTION\n  2\nENTITIES\n"
                             "  0\nTEXT\n  8\nLayer\xd0\xaf\n 10\n0\n 20\n0\n 40\n1\n  1\n\xd0\xaf\n"
                             "  0\nTEXT\n  8\n\xdf\n 10\n0\n 20\n0\n 40\n1\n  1\n\xdf\n"
                             "  0\nENDSEC\n  0\nEOF\n";
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxfText(text, "mixed.dxf", db).ok());
    std::vector<std::wstring> shown;
    db->forEachEntity([&](const AcDbEntity& e) {
        shown.push_back(e.layer());
        shown.push_back(static_cast<const AcDbText&>(e).props().text);
    });
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"Layer\u042f", L"\u042f", L"\u042f", L"\u042f"}));
}

// Every byte has one character and back, in every table.
TEST(dxf_code_page, every_byte_round_trips)
{
    using plotwright::base::CodePage;
    for (CodePage page : {CodePage::latin1, CodePage::windows1250, CodePage::windows1251, CodePage::windows1252,
                          CodePage::windows1253, CodePage::windows1254, CodePage::windows1257}) {
        for (unsigned b = 0; b < 256; ++b) {
            SCOPED_TRACE(std::to_string(static_cast<int>(page)) + " byte " + std::to_string(b));
            unsigned char back = 0;
            ASSERT_TRUE(plotwright::base::toCodePage(page, plotwright::base::fromCodePage(page, static_cast<unsigned char>(b)), back));
            EXPECT_EQ(back, b);
        }
    }
    unsigned char b = 0;
    EXPECT_FALSE(plotwright::base::toCodePage(CodePage::windows1251, L'\u00e9', b));
}

} // namespace

// An R12 file, or one without a version, that names no code page knows no \U+ escapes:
// a new layer's name goes in Latin-1, as the file is read, and ezdxf takes it.
TEST(dxf_code_page, new_layer_of_an_old_file_without_code_page_is_written_in_latin1)
{
    const std::string text = "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n0\nENDSEC\n0\nEOF\n";
    dxftest::TempDir dir;
    const std::string path = dir.file("old.dxf");
    dxftest::writeFile(path, text);
    std::unique_ptr<AcDbDatabase> db;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, db).ok());
    ASSERT_EQ(db->addLayer(L"Stra\u00dfe", {}), Acad::eOk);
    ASSERT_EQ(db->setClayer(L"Stra\u00dfe"), Acad::eOk);
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, {0, 0}, 0.0, -1.0, -1.0);
    polyline->addVertexAt(1, {3, 4}, 0.0, -1.0, -1.0);
    polyline->setDatabaseDefaults(db.get());
    ASSERT_FALSE(testsupport::appendToModelSpace(*db, polyline).isNull());
    ASSERT_TRUE(plotwright::dxf::saveDxf(*db, path).ok());

    const std::string saved = dxftest::readFile(path);
    EXPECT_EQ(saved.find("\\U+"), std::string::npos);
    EXPECT_NE(saved.find("\n  8\nStra\xdf" "e\n"), std::string::npos) << saved;
    std::unique_ptr<AcDbDatabase> again;
    ASSERT_TRUE(plotwright::dxf::readDxf(path, again).ok());
    std::vector<std::wstring> layers;
    again->forEachEntity([&](const AcDbEntity& e) { layers.push_back(e.layer()); });
    EXPECT_EQ(layers, (std::vector<std::wstring>{L"0", L"Stra\u00dfe"}));
    const dxftest::CheckReport check = dxftest::checkDxf(path);
    ASSERT_TRUE(check.ok) << check.error;
}
