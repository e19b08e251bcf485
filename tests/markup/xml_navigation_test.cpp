// Walking a document by element name, the return values of the navigation calls, and
// attribute lookup in the current element's start tag.

#include "markup/xml_document.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kLibrary[] =
    L"<EquationList version=\"2\" >"
    L"<Equation type=\"2\" name=\"Cycloid\" >"
    L"<EquationParameter name=\"t\" type=\"1\" ></EquationParameter>"
    L"<EquationParameter name=\"a\" type=\"2\" ></EquationParameter>"
    L"</Equation>"
    L"<Note/>"
    L"<Equation type=\"3\" name=\"Rose\" >"
    L"<EquationParameter name=\"th\" type=\"1\" ></EquationParameter>"
    L"</Equation>"
    L"</EquationList>";

TEST(Markup, navigation_walks_a_library_by_name)
{
    CXmlDocument document;
    ASSERT_TRUE(document.ParseText(kLibrary)) << document.GetResultText();
    ASSERT_TRUE(document.FindElement(L"EquationList"));
    EXPECT_EQ(document.GetAttribute(L"version"), L"2");
    ASSERT_TRUE(document.EnterElement());

    std::wstring seen;
    while (document.FindElement(L"Equation")) {
        seen += document.GetAttribute(L"name") + L"(";
        ASSERT_TRUE(document.EnterElement());
        while (document.FindElement(L"EquationParameter"))
            seen += document.GetAttribute(L"name") + L" ";
        ASSERT_TRUE(document.LeaveElement());
        seen += L")";
    }
    EXPECT_EQ(seen, L"Cycloid(t a )Rose(th )");
    ASSERT_TRUE(document.LeaveElement());
    EXPECT_EQ(document.GetAttribute(L"version"), L"2");
    EXPECT_FALSE(document.LeaveElement());
}

TEST(Markup, navigation_return_values)
{
    CXmlDocument document;
    document.ParseText(L"<r><a/><b><c/></b></r>");
    EXPECT_FALSE(document.EnterElement()) << "no current element yet";
    EXPECT_FALSE(document.LeaveElement()) << "already at the top";
    EXPECT_EQ(document.GetAttribute(L"r"), L"");

    ASSERT_TRUE(document.FindElement(L"r"));
    ASSERT_TRUE(document.EnterElement());
    ASSERT_TRUE(document.FindElement(L"b"));
    EXPECT_FALSE(document.FindElement(L"a")) << "a lies before the current element";
    ASSERT_TRUE(document.EnterElement());
    ASSERT_TRUE(document.FindElement(L"c"));
    // Leaving remembers the child: entering again resumes after it.
    ASSERT_TRUE(document.LeaveElement());
    ASSERT_TRUE(document.EnterElement());
    EXPECT_FALSE(document.FindElement(L"c"));
    ASSERT_TRUE(document.LeaveElement());
    ASSERT_TRUE(document.LeaveElement());
    EXPECT_FALSE(document.LeaveElement());
    EXPECT_FALSE(document.FindElement(L"")) << "the root has no sibling";
}

TEST(Markup, navigation_finds_either_top_level_element)
{
    CXmlDocument document;
    EXPECT_FALSE(document.ParseText(L"<a/><b/>"));
    EXPECT_TRUE(document.FindElement(L"b"));
    CXmlDocument again;
    again.ParseText(L"<a/><b/>");
    EXPECT_TRUE(again.FindElement(L"a"));
}

struct FindCase {
    const char* name;
    const wchar_t* children;
    const wchar_t* search;
    const wchar_t* found;  // the id of the element found, nullptr when none
};

const FindCase kFindCases[] = {
    {"longer names do not match", L"<EquationList/><EquationParameter/>", L"Equation", nullptr},
    {"exact name after longer ones", L"<EquationList/><EquationParameter/><Equation id='e'/>", L"Equation", L"e"},
    {"shorter name does not match", L"<Equation/>", L"EquationList", nullptr},
    {"case matters", L"<equation/><Equation id='E'/>", L"Equation", L"E"},
    {"empty name matches any", L"<x id='x'/><y/>", L"", L"x"},
    {"search name continues after a space", L"<a id='a'/>", L"a b", L"a"},
    {"name ends at =", L"<a=1 id='a'/>", L"a", L"a"},
    {"first of several matches", L"<a id='1'/><a id='2'/>", L"a", L"1"},
};

TEST(Markup, navigation_find_element_name_matching)
{
    for (const FindCase& row : kFindCases) {
        SCOPED_TRACE(row.name);
        CXmlDocument document;
        document.ParseText(std::wstring(L"<r>") + row.children + L"</r>");
        ASSERT_TRUE(document.FindElement(L"r"));
        ASSERT_TRUE(document.EnterElement());
        const bool found = document.FindElement(row.search);
        EXPECT_EQ(found, row.found != nullptr);
        if (found && row.found) {
            EXPECT_EQ(document.GetAttribute(L"id"), row.found);
        }
    }
}

struct AttributeCase {
    const char* name;
    const wchar_t* tag;
    const wchar_t* attribute;
    const wchar_t* value;
};

const AttributeCase kAttributeCases[] = {
    {"double quoted", L"<e a=\"x y\">", L"a", L"x y"},
    {"single quoted", L"<e a='x \"y\"'>", L"a", L"x \"y\""},
    {"absent", L"<e a=\"1\">", L"b", L""},
    {"written twice gives the first", L"<e a=\"1\" a=\"2\">", L"a", L"1"},
    {"without = gives its own name", L"<e checked other=\"1\">", L"checked", L"checked"},
    {"unquoted value", L"<e a=12 b=3>", L"b", L"3"},
    {"unquoted value keeps / and ?", L"<e a=x/y?z>", L"a", L"x/y?z"},
    {"spaces around =", L"<e a = \"1\">", L"a", L"1"},
    {"> inside quotes", L"<e a=\"1>2\">", L"a", L"1>2"},
    {"references decoded once", L"<e a=\"&lt;&amp;lt;&#65;\">", L"a", L"<&lt;A"},
    {"prefix of an attribute name", L"<e type=\"1\">", L"typ", L""},
    {"attribute name prefix of search", L"<e typ=\"1\">", L"type", L""},
    {"the tag name is no attribute", L"<e a=\"1\">", L"e", L""},
    {"attribute after an empty-element slash", L"<e a=\"1\" / b=\"2\">", L"b", L""},
    {"newline and tab separate", L"<e\na=\"1\"\tb=\"2\">", L"b", L"2"},
    {"non-ASCII value", L"<e a=\"\u00e9\U0001F600\">", L"a", L"\u00e9\U0001F600"},
};

TEST(Markup, attribute_lookup)
{
    for (const AttributeCase& row : kAttributeCases) {
        SCOPED_TRACE(row.name);
        CXmlDocument document;
        document.ParseText(std::wstring(row.tag) + L"</e>");
        ASSERT_TRUE(document.FindElement(L"e"));
        EXPECT_EQ(document.GetAttribute(row.attribute), row.value);
    }
}

TEST(Markup, attribute_unclosed_quote_stays_in_its_tag)
{
    // The scanner ends this start tag at the second ">", while the attribute reader
    // opens a value at the later quote; that value must not run on into <f>.
    CXmlDocument document;
    document.ParseText(L"<e a=x'y \"z'><f b=\"1\"/></e>");
    ASSERT_TRUE(document.FindElement(L"e"));
    EXPECT_EQ(document.GetAttribute(L"a"), L"x'y");
    EXPECT_EQ(document.GetAttribute(L"z'"), L"z'");
    EXPECT_EQ(document.GetAttribute(L"b"), L"");
}

TEST(Markup, index_crosses_block_boundaries)
{
    constexpr int kElements = 70000;  // more than one block of 65,536 records
    std::wstring text = L"<r>";
    for (int i = 0; i < kElements; ++i)
        text += L"<e i=\"" + std::to_wstring(i) + L"\"><f/></e>";
    text += L"</r>";

    CXmlDocument document;
    ASSERT_TRUE(document.ParseText(text));
    EXPECT_EQ(document.GetElementCount(), 2 + 2 * kElements);
    ASSERT_TRUE(document.FindElement(L"r"));
    ASSERT_TRUE(document.EnterElement());
    int visited = 0;
    while (document.FindElement(L"e")) {
        ASSERT_EQ(document.GetAttribute(L"i"), std::to_wstring(visited));
        ASSERT_TRUE(document.EnterElement());
        ASSERT_TRUE(document.FindElement(L"f"));
        ASSERT_TRUE(document.LeaveElement());
        ++visited;
    }
    EXPECT_EQ(visited, kElements);
}

} // namespace
