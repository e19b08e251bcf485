// Text fields of library files: the encoded attribute text, and what a reader gets
// back after the markup parser and the field decoder.
#include "model/equation_list.h"
#include "model/field_text.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Writes `text` as an equation name and reads the document back.
std::wstring throughDocument(const std::wstring& text)
{
    CEquationList list;
    auto equation = std::make_shared<CEquation>();
    equation->SetName(text);
    list.AddEquation(equation);
    CEquationList read;
    EXPECT_EQ(read.LoadFromXml(list.ToXml()), 1);
    EXPECT_EQ(read.GetEquations().size(), 1u);
    return read.GetEquations().empty() ? L"<none>" : read.GetEquations()[0]->GetName();
}

struct EncodeRow {
    const char* name;
    std::wstring text;
    std::wstring encoded;
    std::wstring readBack;
};

const EncodeRow kEncodeRows[] = {
    {"less than becomes a reference", L"a<b", L"a&lt;b", L"a<b"},
    {"all five markup characters", L"<&>'\"", L"&lt;&amp;&gt;&apos;&quot;", L"<&>'\""},
    {"equals sign is hex quoted", L"x=2", L"x=3D2", L"x=2"},
    {"text that looks hex quoted", L"=3D", L"=3D3D", L"=3D"},
    {"latin letter in three groups", L"caf\u00e9", L"caf=EF=BF=A9", L"caf\u00e9"},
    {"euro sign byte 0x80", L"\u20ac", L"=EF=BE=80", L"\u20ac"},
    {"y diaeresis byte 0xFF", L"\u00ff", L"=EF=BF=BF", L"\u00ff"},
    {"no-break space byte 0xA0", L"\u00a0", L"=EF=BE=A0", L"\u00a0"},
    {"undefined byte 0x81 kept as control", L"\u0081", L"=EF=BE=81", L"\u0081"},
    {"outside the code page becomes question mark", L"\u4e2d\u03c0", L"??", L"??"},
    {"beyond sixteen bits becomes question mark", L"a\U0001F600b", L"a?b", L"a?b"},
    {"named reference kept and decoded on reading", L"&lt;", L"&lt;", L"<"},
    {"numeric reference kept and decoded on reading", L"&#65;", L"&#65;", L"A"},
    {"unknown reference kept both ways", L"&pi;", L"&pi;", L"&pi;"},
    {"reference with latin letter", L"&\u00e9;", L"&=EF=BF=A9;", L"&\u00e9;"},
    {"ampersand and space", L"& b", L"&amp; b", L"& b"},
    {"ampersand without semicolon", L"a&b", L"a&amp;b", L"a&b"},
    {"ampersand at the end", L"a&", L"a&amp;", L"a&"},
    {"ampersand before a digit", L"&1;", L"&amp;1;", L"&1;"},
    {"empty reference name", L"&;", L"&amp;;", L"&;"},
    {"expression stays readable", L"(a+b)*sin(fi)-b", L"(a+b)*sin(fi)-b", L"(a+b)*sin(fi)-b"},
    {"tab and newline pass", L"a\tb\nc", L"a\tb\nc", L"a\tb\nc"},
    {"empty", L"", L"", L""},
};

class EncodeRows : public testing::TestWithParam<EncodeRow> {};

TEST_P(EncodeRows, encodes_and_reads_back)
{
    const EncodeRow& row = GetParam();
    const std::wstring encoded = EncodeFieldText(row.text);
    EXPECT_EQ(encoded, row.encoded) << narrow(encoded);
    for (wchar_t c : encoded)
        EXPECT_LT(static_cast<unsigned long>(c), 0x80u) << "encoded text is ASCII";
    EXPECT_EQ(throughDocument(row.text), row.readBack);
}

INSTANTIATE_TEST_SUITE_P(field_text, EncodeRows, testing::ValuesIn(kEncodeRows), rowName<EncodeRow>);

TEST(field_text, every_code_page_character_survives_a_document)
{
    // Bytes 0x80..0x9F stand for these characters; the others for themselves.
    const std::wstring high = L"\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152"
                              L"\u008d\u017d\u008f\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc"
                              L"\u2122\u0161\u203a\u0153\u009d\u017e\u0178";
    std::wstring text;
    for (unsigned b = 1; b < 256; ++b)
        text += b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<wchar_t>(b);
    EXPECT_EQ(HexUnquote(HexQuote(text)), text);
    EXPECT_EQ(throughDocument(text), text);
}

struct UnquoteRow {
    const char* name;
    std::wstring text;
    std::wstring decoded;
};

const UnquoteRow kUnquoteRows[] = {
    {"plain text is copied", L"abc", L"abc"},
    {"one group", L"=41", L"A"},
    {"equals sign at the end is dropped", L"ab=", L"ab"},
    {"one character after equals stops decoding", L"ab=4", L"ab"},
    {"zero digit counts as zero", L"=30", L"0"},
    {"lower case digit counts as zero", L"=3d", L"0"},
    {"non hex digit counts as zero", L"=4G", L"@"},
    {"both digits invalid give a zero byte", L"=xyz", std::wstring(L"\0z", 2)},
    {"top of the single group range", L"=7E", L"~"},
    {"0x7F consumes only the equals sign", L"=7Fx", L"7Fx"},
    {"0x80 consumes only the equals sign", L"=80=41", L"80A"},
    {"0xFE and 0xFF consume only the equals sign", L"=FE=FF", L"FEFF"},
    {"two groups", L"=C3=A9", L"\u00e9"},
    {"two groups cut short stop", L"a=C3=A", L"a"},
    {"three groups", L"=EF=BF=A9x", L"\u00e9x"},
    {"three groups of byte 0x80", L"=EF=BE=80", L"\u20ac"},
    {"three groups cut short stop", L"a=EF=BF=A", L"a"},
    {"four groups use the last two", L"=F0=90=BF=A9", L"\u00e9"},
    {"five groups use the last two", L"=F8=88=80=BF=A9", L"\u00e9"},
    {"six groups use the last two", L"=FC=84=80=80=BF=A9", L"\u00e9"},
    {"six groups cut short stop", L"=FC=84=80=80=BF=A", L""},
    {"group markers are not checked", L"=C3xA9", L"\u00e9"},
    {"outside the code page reads as question mark", L"\u4e2d=41", L"?A"},
};

class UnquoteRows : public testing::TestWithParam<UnquoteRow> {};

TEST_P(UnquoteRows, decodes)
{
    EXPECT_EQ(HexUnquote(GetParam().text), GetParam().decoded) << narrow(HexUnquote(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(field_text, UnquoteRows, testing::ValuesIn(kUnquoteRows), rowName<UnquoteRow>);

} // namespace
