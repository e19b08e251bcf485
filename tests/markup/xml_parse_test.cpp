// Parse outcomes (well-formedness and the exact first message with its offset), the
// shape of the element tree after repairs, and empty-element detection.

#include "markup/xml_document.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// Names a parameterised row after its case: "stray end tag" -> "stray_end_tag".
template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

struct ParseCase {
    const char* name;
    const wchar_t* text;
    bool wellFormed;
    const wchar_t* message;
    long long errorAt;  // the character the message is about, -1 for none
};

const ParseCase kParseCases[] = {
    {"empty document", L"", false, L"Empty document", -1},
    {"only a comment", L"<!-- nothing -->", false, L"No root element", -1},
    {"only whitespace", L" \t\r\n", false, L"No root element", -1},
    {"two top-level elements", L"<a/><b></b>", false, L"Root element has sibling", 4},
    {"root checks replace an earlier error", L"<a></x></a><b/>", false, L"Root element has sibling", 11},
    {"stray end tag between children", L"<r><a/></x><b/></r>", false,
     L"No start tag for end tag 'x' at offset 7", 7},
    {"end tag of a prefix is stray", L"<ab></a></ab>", false, L"No start tag for end tag 'a' at offset 4", 4},
    {"outer end tag closes inner element", L"<a><b><c/></a>", false,
     L"End tag 'a' at offset 11 does not match start tag 'b' at offset 3", 10},
    {"innermost implicitly closed element is named", L"<a><b><c></a>", false,
     L"End tag 'a' at offset 10 does not match start tag 'c' at offset 6", 9},
    {"element not ended at end of text", L"<r a='1'>text", false, L"Element 'r' at offset 0 not ended", 0},
    {"children of an unended root become its siblings", L"<r><a/>", false, L"Root element has sibling", 3},
    {"first error wins", L"<r></x></y></r>", false, L"No start tag for end tag 'x' at offset 3", 3},
    {"incorrect ! tag", L"<r><!x></r>", false, L"Incorrect ! tag at offset 3", 3},
    {"incorrect comment tag", L"<r><!-x></r>", false, L"Incorrect comment tag at offset 3", 3},
    {"incorrect CDATA opening", L"<r><![x]></r>", false, L"Incorrect tag at offset 3", 3},
    {"space after <", L"<r>< a></r>", false, L"Incorrect tag name character at offset 3", 3},
    {"digit starts a tag name", L"<r><1/></r>", false, L"Incorrect tag name character at offset 3", 3},
    {"bracket in a document type", L"<!DOCTYPE r [<![x]>]><r/>", false, L"Incorrect ! tag at offset 13", 13},
    {"comment unterminated", L"<r><!-- x", false, L"Comment at offset 3 unterminated", 3},
    {"comment closed by its own opening", L"<r><!--></r>", false, L"Comment at offset 3 unterminated", 3},
    {"processing instruction unterminated", L"<r><?pi x>", false,
     L"Processing instruction at offset 3 unterminated", 3},
    {"CDATA section unterminated", L"<r><![CDATA[x]>", false, L"CDATA Section at offset 3 unterminated", 3},
    {"document type unterminated", L"<r><!DOCTYPE r [<!ELEMENT r ANY>", false,
     L"Doctype at offset 3 unterminated", 3},
    {"document type ends inside a nested comment", L"<r><!DOCTYPE r [<!-- >", false,
     L"Doctype at offset 3 unterminated", 3},
    {"start tag unterminated inside a quote", L"<r><a x='>'", false, L"Element tag at offset 3 unterminated", 3},
    {"end tag unterminated", L"<r></r", false, L"Element end tag at offset 3 unterminated", 3},
    {"lone < at the end", L"<r><", false, L"tag at offset 3 unterminated", 3},
    {"error node runs to the end", L"<r><1", false, L"tag at offset 3 unterminated", 3},
    {"non-ASCII name", L"<\u00e9l\u00e8ve></\u00e9l\u00e8ve>", true, L"", -1},
    {"skipped constructs", L"<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e \"a>b\"><!-- ]> --><?p ?>]>\n"
                           L"<r>text &amp; > <![CDATA[<x>]]><!-- <y> --></r>\n",
     true, L"", -1},
    {"> inside quoted values", L"<r a=\"x>y\" b='>' c='\"'/>", true, L"", -1},
    {"quotes of both kinds in a long tag",
     L"<r a='x\">y' b=\"p'>q\" c=\"0123456789abcdef>0123456789abcdef\" d='0123456789abcdef\"' e=\"'\"/>",
     true, L"", -1},
};

class ParseOutcome : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseOutcome, ReportsWellFormednessAndFirstMessage)
{
    const ParseCase& row = GetParam();
    CXmlDocument document;
    EXPECT_EQ(document.ParseText(row.text), row.wellFormed);
    EXPECT_EQ(document.GetResultText(), row.message);
    EXPECT_EQ(document.GetErrorOffset(), row.errorAt);
}

INSTANTIATE_TEST_SUITE_P(Markup, ParseOutcome, testing::ValuesIn(kParseCases),
                         rowName<ParseCase>);

TEST(Markup, parse_construction_reads_as_empty_document)
{
    CXmlDocument document;
    EXPECT_EQ(document.GetResultText(), L"Empty document");
    EXPECT_FALSE(document.FindElement(L""));
}

TEST(Markup, parse_again_discards_previous_index_and_message)
{
    CXmlDocument document;
    document.ParseText(L"<a><b/></x></a>");
    ASSERT_TRUE(document.FindElement(L"a"));
    ASSERT_TRUE(document.EnterElement());
    EXPECT_TRUE(document.ParseText(L"<c/>"));
    EXPECT_EQ(document.GetResultText(), L"");
    EXPECT_EQ(document.GetElementCount(), 2);
    EXPECT_FALSE(document.FindElement(L"b"));
    EXPECT_TRUE(document.FindElement(L"c"));
}

// The tree as a walk by FindElement sees it: the "id" of each element, children in [].
std::wstring treeOf(CXmlDocument& document)
{
    std::wstring out;
    while (document.FindElement(L"")) {
        if (!out.empty())
            out += L' ';
        out += document.GetAttribute(L"id");
        document.EnterElement();
        const std::wstring children = treeOf(document);
        document.LeaveElement();
        if (!children.empty())
            out += L'[' + children + L']';
    }
    return out;
}

struct TreeCase {
    const char* name;
    const wchar_t* text;
    const wchar_t* tree;
};

const TreeCase kTreeCases[] = {
    {"well-formed nesting", L"<r id='r'><a id='a'><b id='b'/></a><c id='c'></c></r>", L"r[a[b] c]"},
    {"stray end tag keeps following children",
     L"<r id='r'><a id='a'/></x><b id='b'/><c id='c'/></r>", L"r[a b c]"},
    {"children of an implicitly closed element follow it",
     L"<r id='r'><a id='a'><b id='b'><c id='c'/><d id='d'><e id='e'/></d></a><f id='f'/></r>",
     L"r[a[b c d[e]] f]"},
    {"several elements closed by one end tag",
     L"<r id='r'><a id='a'><b id='b'><x id='x'/><c id='c'><y id='y'/></r>", L"r[a b x c y]"},
    {"open elements at the end of text become top-level",
     L"<r id='r'><a id='a'><b id='b'><c id='c'>", L"r a b c"},
    {"unquoted value before /> opens an element", L"<r id='r'><a id=a/><b id='b'/></r>", L"r[a/ b]"},
};

class TreeShape : public testing::TestWithParam<TreeCase> {};

TEST_P(TreeShape, WalkVisitsElementsInRepairedOrder)
{
    CXmlDocument document;
    document.ParseText(GetParam().text);
    EXPECT_EQ(treeOf(document), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(Markup, TreeShape, testing::ValuesIn(kTreeCases),
                         rowName<TreeCase>);

TEST(Markup, parse_records_offsets_and_flags)
{
    CXmlDocument document;
    document.ParseText(L"<r><a x=\"1\"><b></a><c/></r>");
    ASSERT_TRUE(document.FindElement(L"r"));
    const XmlElementRecord& r = document.GetCurrentRecord();
    EXPECT_EQ(r.start, 0);
    EXPECT_EQ(r.length, 27);
    EXPECT_EQ(r.startTagLength, 3);
    EXPECT_EQ(r.endTagLength, 4);
    ASSERT_TRUE(document.EnterElement());
    ASSERT_TRUE(document.FindElement(L"a"));
    const XmlElementRecord& a = document.GetCurrentRecord();
    EXPECT_EQ(a.length, 19 - 3);
    EXPECT_TRUE(a.has(XmlElementRecord::FirstChild));
    EXPECT_FALSE(a.has(XmlElementRecord::NotEnded));
    ASSERT_TRUE(document.EnterElement());
    ASSERT_TRUE(document.FindElement(L"b"));
    const XmlElementRecord& b = document.GetCurrentRecord();
    EXPECT_EQ(b.start, 12);
    EXPECT_EQ(b.length, 3);
    EXPECT_EQ(b.endTagLength, 0);
    EXPECT_TRUE(b.has(XmlElementRecord::NotEnded));
}

struct EmptyTagCase {
    const char* name;
    const wchar_t* tag;
    bool empty;
};

const EmptyTagCase kEmptyTagCases[] = {
    {"name then slash", L"<a/>", true},
    {"space before slash", L"<a />", true},
    {"tab before slash", L"<a\t/>", true},
    {"double-quoted value before slash", L"<a x=\"1\"/>", true},
    {"single-quoted value before slash", L"<a x='1'/>", true},
    {"unquoted value before slash", L"<a x=1/>", false},
    {"valueless attribute before slash", L"<a x/>", false},
    {"slash not before >", L"<a / >", false},
    {"slash quoted", L"<a x=\"/\">", false},
};

TEST(Markup, parse_empty_element_detection)
{
    for (const EmptyTagCase& row : kEmptyTagCases) {
        SCOPED_TRACE(row.name);
        CXmlDocument document;
        // An empty element leaves the outer one to its own end tag; a non-empty one is
        // closed implicitly by it.
        const std::wstring text = std::wstring(L"<r>") + row.tag + L"</r>";
        EXPECT_EQ(document.ParseText(text), row.empty);
        ASSERT_TRUE(document.FindElement(L"r"));
        ASSERT_TRUE(document.EnterElement());
        ASSERT_TRUE(document.FindElement(L"a"));
        const XmlElementRecord& record = document.GetCurrentRecord();
        EXPECT_EQ(record.length, record.startTagLength);
        EXPECT_EQ(record.has(XmlElementRecord::NotEnded), !row.empty);
    }
}

} // namespace
