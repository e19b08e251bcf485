// Reference decoding: named and numeric references, and the forms left as written.

#include "markup/xml_document.h"

#include <gtest/gtest.h>

namespace {

struct ReferenceCase {
    const char* name;
    const wchar_t* text;
    std::wstring decoded;
};

const ReferenceCase kReferenceCases[] = {
    {"named references", L"&lt;&amp;&gt;&apos;&quot;", L"<&>'\""},
    {"decoded once only", L"&amp;lt;", L"&lt;"},
    {"decimal", L"&#65;", L"A"},
    {"hexadecimal lower-case x", L"&#x41;", L"A"},
    {"hexadecimal digits in either case", L"&#x4a;&#x4A;", L"JJ"},
    {"upper-case X stays", L"&#X41;", L"&#X41;"},
    {"value 0 stays", L"&#0;", L"&#0;"},
    {"no digits stays", L"&#;&#x;", L"&#;&#x;"},
    {"unknown name stays", L"&nbsp;", L"&nbsp;"},
    {"named without semicolon stays", L"&lt &amp", L"&lt &amp"},
    {"named cut off by the end", L"&l", L"&l"},
    {"no semicolon stays", L"&#65 x", L"&#65 x"},
    {"seven characters before the semicolon", L"&#0000065;", L"A"},
    {"eight characters before the semicolon", L"&#00000065;", L"&#00000065;"},
    {"digits end at the first non-digit", L"&#65z;", L"A"},
    {"high bits dropped", L"&#x1F600;", std::wstring(1, static_cast<wchar_t>(0xF600))},
    {"high bits dropped, decimal", L"&#65601;", L"A"},
    {"only high bits set stays", L"&#x10000;", L"&#x10000;"},
    {"lone ampersands", L"a & b &", L"a & b &"},
    {"ampersand before a reference", L"&&lt;", L"&<"},
    {"text around references", L"x&#x3C;y&gt;z", L"x<y>z"},
    {"characters above U+FFFF copied", L"\U0001F600&amp;", L"\U0001F600&"},
};

TEST(Markup, references_unescape)
{
    for (const ReferenceCase& row : kReferenceCases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(UnescapeText(row.text), row.decoded);
    }
}

} // namespace
