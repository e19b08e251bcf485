// The library document: the writer's exact text, the reader's leniency, and the
// built-in default list.
#include "model/default_library.h"
#include "model/equation_list.h"
#include "model/start_tag_attributes.h"
#include "markup/xml_document.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <numbers>
#include <string>

namespace {

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// "name(p,q);other()" for every equation in order, with its parameter names.
std::wstring summary(const CEquationList& list)
{
    std::wstring out;
    for (const CEquationPtr& e : list.GetEquations()) {
        if (!out.empty())
            out += L';';
        out += e->GetName() + L'(';
        for (std::size_t i = 0; i < e->GetParameters().size(); ++i)
            out += (i ? L"," : L"") + e->GetParameters()[i]->GetName();
        out += L')';
    }
    return out;
}

bool sameBits(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

void expectSameParameter(const CEquationParameter& a, const CEquationParameter& b)
{
    const ParameterFields& x = a.Fields();
    const ParameterFields& y = b.Fields();
    EXPECT_EQ(x.name, y.name);
    EXPECT_EQ(x.type, y.type);
    EXPECT_EQ(x.minSet, y.minSet);
    EXPECT_EQ(x.maxSet, y.maxSet);
    const double ParameterFields::*reals[] = {&ParameterFields::defaultValue, &ParameterFields::min,
                                              &ParameterFields::max, &ParameterFields::defaultMin,
                                              &ParameterFields::defaultMax, &ParameterFields::increment,
                                              &ParameterFields::value, &ParameterFields::minValue,
                                              &ParameterFields::maxValue, &ParameterFields::defaultIncrement};
    for (auto field : reals)
        EXPECT_TRUE(sameBits(x.*field, y.*field)) << x.*field << " read back as " << y.*field;
}

CEquationList sampleList()
{
    CEquationList list;
    list.SetVersion(L"1.0");
    auto cycloid = std::make_shared<CEquation>();
    cycloid->SetType(ParametricCartesian);
    cycloid->SetName(L"Cycloid");
    cycloid->SetEquationY(L"a*(1-cos(t))");
    cycloid->SetEquationX(L"a*(t-sin(t))");
    cycloid->SetCreatedBy(2);
    cycloid->SetSelected(1);
    cycloid->AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"t", .type = RunningVariable, .defaultMax = 6.28319, .increment = 0.005,
        .minValue = -1234.5, .maxValue = 2 * std::numbers::pi, .defaultIncrement = 0.001}));
    cycloid->AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"a", .type = Constant, .defaultValue = 1, .min = -1, .max = 0.1, .minSet = -3, .maxSet = 7,
        .value = 12345678.9}));
    list.AddEquation(cycloid);
    return list;
}

const wchar_t kSampleText[] =
    L"<EquationList version=\"1.0\" >"
    L"<Equation type=\"2\" name=\"Cycloid\" equationy=\"a*(1-cos(t))\" equationx=\"a*(t-sin(t))\" "
    L"createdBy=\"2\" selected=\"1\" >"
    L"<EquationParameter name=\"t\" type=\"1\" default=\"      0.00\" min=\"      0.00\" max=\"      0.00\" "
    L"defaultMin=\"      0.00\" defaultMax=\"   6.28319\" increment=\"     0.005\" minSet=\"0\" maxSet=\"0\" "
    L"value=\"      0.00\" minValue=\"  -1234.50\" maxValue=\"6.283185307179586\" defaultIncrement=\"     0.001\" "
    L"></EquationParameter>"
    L"<EquationParameter name=\"a\" type=\"2\" default=\"      1.00\" min=\"     -1.00\" max=\"      0.10\" "
    L"defaultMin=\"      0.00\" defaultMax=\"      0.00\" increment=\"      0.00\" minSet=\"-3\" maxSet=\"7\" "
    L"value=\"12345678.90\" minValue=\"      0.00\" maxValue=\"      0.00\" defaultIncrement=\"      0.00\" "
    L"></EquationParameter>"
    L"</Equation>"
    L"</EquationList>";

TEST(library_writer, document_text_is_exact)
{
    EXPECT_EQ(sampleList().ToXml(), kSampleText);
    EXPECT_EQ(CEquationList().ToXml(), L"<EquationList version=\"\" ></EquationList>");
    CEquation bare;
    EXPECT_EQ(bare.ToXml(), L"<Equation type=\"0\" name=\"\" equationy=\"\" equationx=\"\" createdBy=\"0\" "
                            L"selected=\"0\" ></Equation>");
}

TEST(library_writer, fields_are_encoded)
{
    CEquationList list;
    list.SetVersion(L"v=2 <beta>");
    auto equation = std::make_shared<CEquation>();
    equation->SetName(L"a<b & caf\u00e9");
    equation->SetEquationY(L"x=2");
    list.AddEquation(equation);
    EXPECT_EQ(list.ToXml(), L"<EquationList version=\"v=3D2 &lt;beta&gt;\" ><Equation type=\"0\" "
                            L"name=\"a&lt;b &amp; caf=EF=BF=A9\" equationy=\"x=3D2\" equationx=\"\" createdBy=\"0\" "
                            L"selected=\"0\" ></Equation></EquationList>");
}

TEST(library_writer, values_round_trip_exactly)
{
    const CEquationList original = sampleList();
    CEquationList read;
    ASSERT_EQ(read.LoadFromXml(original.ToXml()), 1);
    EXPECT_EQ(read.GetVersion(), L"1.0");
    ASSERT_EQ(read.GetEquations().size(), 1u);
    const CEquation& a = *original.GetEquations()[0];
    const CEquation& b = *read.GetEquations()[0];
    EXPECT_EQ(b.GetType(), a.GetType());
    EXPECT_EQ(b.GetName(), a.GetName());
    EXPECT_EQ(b.GetEquationY(), a.GetEquationY());
    EXPECT_EQ(b.GetEquationX(), a.GetEquationX());
    EXPECT_EQ(b.GetCreatedBy(), 2);
    EXPECT_EQ(b.GetSelected(), 1);
    ASSERT_EQ(b.GetParameters().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        expectSameParameter(*a.GetParameters()[i], *b.GetParameters()[i]);
    // The small increment stays drawable.
    EXPECT_EQ(b.FindParameter(L"t")->GetIncrement(), 0.005);
    EXPECT_EQ(read.ToXml(), original.ToXml());
}

TEST(default_library, layout_of_the_built_in_text)
{
    const std::wstring& text = DefaultLibraryText();
    EXPECT_TRUE(text.starts_with(L"<EquationList><Equation type=\"3\" name=\"Cayley")) << narrow(text.substr(0, 80));
    EXPECT_TRUE(text.ends_with(L"</Equation></EquationList>"));
    EXPECT_EQ(text.find(L"version"), std::wstring::npos);
    EXPECT_EQ(text.find(L" >"), std::wstring::npos);
    EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
    EXPECT_NE(text.find(L"defaultMax=\"   6.28319\" increment=\"   0.10000\""), std::wstring::npos);
    EXPECT_NE(text.find(L"value=\"  10.00000\""), std::wstring::npos);
}

TEST(default_library, loads_four_curves)
{
    CEquationList list;
    ASSERT_EQ(list.LoadFromXml(DefaultLibraryText()), 1);
    EXPECT_EQ(list.GetVersion(), L"");
    EXPECT_EQ(summary(list), L"Cayley's Sextic(th,a);Cycloid(t,a);Deltoid(fi,b);Epicycloid(fi,a,b)");
    struct Row {
        int type;
        const wchar_t* y;
        const wchar_t* x;
    };
    const Row rows[] = {
        {ExplicitPolar, L"4*a*(cos(1/3*th))^3", L""},
        {ParametricCartesian, L"a*(1-cos(t))", L"a*(t-sin(t))"},
        {ParametricCartesian, L"2*b*sin(fi) - b*sin(2*fi)", L"2*b*cos(fi) + b*cos(2*fi)"},
        {ParametricCartesian, L"(a+b)*sin(fi)-b*sin(((a+b)/b)*fi)", L"(a+b)*cos(fi)-b*cos(((a+b)/b)*fi)"},
    };
    ASSERT_EQ(list.GetEquations().size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const CEquation& e = *list.GetEquations()[i];
        SCOPED_TRACE(narrow(e.GetName()));
        EXPECT_EQ(e.GetType(), rows[i].type);
        EXPECT_EQ(e.GetEquationY(), rows[i].y);
        EXPECT_EQ(e.GetEquationX(), rows[i].x);
        EXPECT_EQ(e.GetCreatedBy(), 0);
        EXPECT_EQ(e.GetSelected(), 0);
        EXPECT_TRUE(ValidateParameters(e));
        for (const CEquationParameterPtr& p : e.GetParameters()) {
            const ParameterFields& f = p->Fields();
            ParameterFields expected{.name = f.name, .type = f.type};
            if (f.type == RunningVariable) {
                expected.defaultMax = expected.maxValue = 6.28319;
                expected.increment = 0.1;
            } else {
                expected.type = Constant;
                expected.defaultValue = 1;
                expected.value = 10;
            }
            expectSameParameter(*p, CEquationParameter(expected));
        }
    }
    // Written back, the five decimals keep their value.
    EXPECT_EQ(list.GetEquations()[0]->GetParameters()[0]->ToXml(),
              L"<EquationParameter name=\"th\" type=\"1\" default=\"      0.00\" min=\"      0.00\" "
              L"max=\"      0.00\" defaultMin=\"      0.00\" defaultMax=\"   6.28319\" increment=\"      0.10\" "
              L"minSet=\"0\" maxSet=\"0\" value=\"      0.00\" minValue=\"      0.00\" maxValue=\"   6.28319\" "
              L"defaultIncrement=\"      0.00\" ></EquationParameter>");
}

struct ReadRow {
    const char* name;
    const wchar_t* document;
    int result;
    const wchar_t* summary;
};

const ReadRow kReadRows[] = {
    {"empty text", L"", 0, L""},
    {"root named differently", L"<Library><Equation name=\"a\"/></Library>", 0, L""},
    {"list below another root", L"<Root><EquationList><Equation name=\"a\"/></EquationList></Root>", 0, L""},
    {"root without equations", L"<EquationList version=\"3\"></EquationList>", 1, L""},
    {"empty element root", L"<EquationList/>", 1, L""},
    {"list as second top level element", L"<Other/><EquationList><Equation name=\"a\"/></EquationList>", 1, L"a()"},
    {"duplicate names both kept", L"<EquationList><Equation name=\"c\"/><Equation name=\"c\"/></EquationList>", 1,
     L"c();c()"},
    {"stray end tag between equations",
     L"<EquationList><Equation name=\"a\"></Equation></Stray><Equation name=\"b\"></Equation></EquationList>", 1,
     L"a();b()"},
    {"parameter closed by the end of its equation",
     L"<EquationList><Equation name=\"a\"><EquationParameter name=\"p\"></Equation></EquationList>", 1, L"a(p)"},
    // Elements left open at the end are closed implicitly and lose their children.
    {"document cut off inside a parameter",
     L"<EquationList><Equation name=\"a\"><EquationParameter name=\"p\"></EquationParameter><EquationParameter "
     L"name=\"q\"",
     1, L""},
    {"other elements and deeper nesting skipped",
     L"<EquationList><Note/><Equation name=\"a\"><Extra><EquationParameter name=\"deep\"/></Extra>"
     L"<EquationParameter name=\"p\"><EquationParameter name=\"inner\"/></EquationParameter></Equation></EquationList>",
     1, L"a(p)"},
    {"similar element names not matched",
     L"<EquationList><EquationX name=\"x\"/><Equations name=\"y\"/><Equation name=\"a\"><EquationParameters "
     L"name=\"z\"/></Equation></EquationList>",
     1, L"a()"},
    {"declaration comments and whitespace skipped",
     L"<?xml version=\"1.0\"?>\n<!-- curves -->\n<EquationList>\n  <Equation name=\"a\">\n    "
     L"<EquationParameter name=\"p\" />\n  </Equation>\n</EquationList>\n",
     1, L"a(p)"},
};

class ReadRows : public testing::TestWithParam<ReadRow> {};

TEST_P(ReadRows, reads_what_the_parser_indexed)
{
    CEquationList list;
    list.AddEquation(std::make_shared<CEquation>());  // replaced by every load
    EXPECT_EQ(list.LoadFromXml(GetParam().document), GetParam().result);
    EXPECT_EQ(summary(list), GetParam().summary);
}

INSTANTIATE_TEST_SUITE_P(library_reader, ReadRows, testing::ValuesIn(kReadRows), rowName<ReadRow>);

TEST(library_reader, duplicate_name_finds_the_first)
{
    CEquationList list;
    ASSERT_EQ(list.LoadFromXml(L"<EquationList><Equation name=\"c\" type=\"1\"/><Equation name=\"c\" type=\"3\"/>"
                               L"</EquationList>"),
              1);
    ASSERT_EQ(list.GetEquations().size(), 2u);
    EXPECT_EQ(list.FindEquation(L"c"), list.GetEquations()[0]);
    EXPECT_EQ(list.FindEquation(L"c")->GetType(), 1);
}

TEST(library_reader, missing_and_malformed_attributes)
{
    CEquationList list;
    ASSERT_EQ(list.LoadFromXml(L"<EquationList><Equation unknown=\"7\" selected='1'>"
                               L"<EquationParameter/>"
                               L"<EquationParameter name='p' type=\" 12abc\" default=\"abc\" min=\"1e3\" max=\"-\" "
                               L"increment=\"+0.5\" minSet=\"7x\" maxSet=\" -3\" value=\"1,5\" minValue=\"\" "
                               L"maxValue=\"2.5.1\" defaultIncrement=\"  .25e1\"/>"
                               L"</Equation></EquationList>"),
              1);
    ASSERT_EQ(list.GetEquations().size(), 1u);
    const CEquation& e = *list.GetEquations()[0];
    EXPECT_EQ(e.GetType(), 0);
    EXPECT_EQ(e.GetName(), L"");
    EXPECT_EQ(e.GetEquationY(), L"");
    EXPECT_EQ(e.GetSelected(), 1);
    EXPECT_EQ(list.GetSelected().get(), &e);
    ASSERT_EQ(e.GetParameters().size(), 2u);
    expectSameParameter(*e.GetParameters()[0], CEquationParameter());
    expectSameParameter(*e.GetParameters()[1],
                        CEquationParameter({.name = L"p", .type = 12, .defaultValue = 0, .min = 1000, .max = 0,
                                            .increment = 0.5, .minSet = 7, .maxSet = -3, .value = 1,
                                            .minValue = 0, .maxValue = 2.5, .defaultIncrement = 2.5}));
}

// The reader takes each start tag apart once; it must see the same values the markup
// parser's GetAttribute returns, on every oddity of attribute syntax.
TEST(library_reader, attributes_read_like_the_parser)
{
    const wchar_t* const tags[] = {
        L"<E a=\"1\" b='2' c=3 d>",
        L"<E a=\"x>y\" b=\"2\">",
        L"<E a = \"1\"  a=\"2\" aa=\"3\">",
        L"<E \"a\"=\"q\" b=v/>",
        L"<E a=\"1\"/>",
        L"<E a=/>",
        L"<E =x a=1 =\"y\" b>",
        L"<E a=\"&lt;&amp;&#65;\" b=&quot;>",
        L"<E\ta\n=\r\"1\"\tb=''>",
        L"<E a?b=\"1\">",
        L"<E/a=\"1\">",
        L"<E a=\"1\"b=\"2\">",
        L"<E a='x\"y' b=\"p'q\">",
        L"<E>",
        L"<E ''=\"empty name\">",
    };
    const std::wstring names[] = {L"a", L"b", L"c", L"d", L"aa", L"x", L"y", L"E", L""};
    plotwright::model::StartTagAttributes attributes;
    for (const wchar_t* tag : tags) {
        SCOPED_TRACE(narrow(tag));
        const std::wstring text = std::wstring(tag) + L"</E>";
        CXmlDocument document;
        document.ParseText(text);
        ASSERT_TRUE(document.FindElement(L""));
        const XmlElementRecord& record = document.GetCurrentRecord();
        attributes.read(std::wstring_view(text).substr(record.start, record.startTagLength));
        for (const std::wstring& name : names)
            EXPECT_EQ(attributes.value(name), document.GetAttribute(name)) << "attribute " << narrow(name);
    }
}

} // namespace
