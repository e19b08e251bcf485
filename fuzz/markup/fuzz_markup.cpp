// Feeds arbitrary text through CXmlDocument: parse, walk every element, read
// attributes, and check that the repaired element tree is sound. The first byte picks
// how the rest becomes wide text: UTF-8, or raw 16- or 32-bit code units (the latter
// reach characters above U+FFFF and values no encoding allows).

#include "base/utf8_text.h"
#include "markup/wide_search.h"
#include "markup/xml_document.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::wstring decodeInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return {};
    const std::uint8_t mode = data[0] % 3;
    ++data;
    --size;
    std::wstring text;
    if (mode == 0)
        return plotwright::base::wideFromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    if (mode == 1) {
        for (std::size_t i = 0; i + 1 < size; i += 2)
            text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        return text;
    }
    for (std::size_t i = 0; i + 3 < size; i += 4) {
        std::uint32_t unit;
        std::memcpy(&unit, data + i, sizeof unit);
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

const std::wstring kAttributeNames[] = {L"", L"a", L"id", L"name", L"x y", L"type="};

// Visits the children of the entered element and returns how many elements it saw.
int walk(CXmlDocument& document, const std::wstring& text, int depth)
{
    int seen = 0;
    while (document.FindElement(L"")) {
        ++seen;
        const XmlElementRecord& record = document.GetCurrentRecord();
        check(record.start >= 0 && record.startTagLength >= 2);
        check(static_cast<std::size_t>(record.start) + static_cast<std::size_t>(record.length) <= text.size());
        check(record.length >= record.startTagLength);
        check(text[static_cast<std::size_t>(record.start)] == L'<');
        check(text[static_cast<std::size_t>(record.start + record.startTagLength - 1)] == L'>');
        for (const std::wstring& name : kAttributeNames)
            document.GetAttribute(name);

        check(document.EnterElement());
        seen += walk(document, text, depth + 1);
        check(document.LeaveElement());
    }
    check(depth > 0 || !document.LeaveElement());
    return seen;
}

// The start-tag end search one character at a time, to check the vectorised one.
const wchar_t* referenceTagEnd(const wchar_t* p, const wchar_t* end)
{
    wchar_t quote = 0;
    for (; p < end; ++p) {
        if (quote) {
            if (*p == quote)
                quote = 0;
        } else if (*p == L'>') {
            return p;
        } else if (*p == L'"' || *p == L'\'') {
            quote = *p;
        }
    }
    return end;
}

// A second traversal that only follows elements named "a", to exercise name matching.
void walkNamed(CXmlDocument& document)
{
    while (document.FindElement(L"a")) {
        document.GetAttribute(L"a");
        document.EnterElement();
        walkNamed(document);
        document.LeaveElement();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring text = decodeInput(data, size);
    CXmlDocument document;
    const bool wellFormed = document.ParseText(text);
    check(!wellFormed || document.GetResultText().empty());

    // Every element must hang in the tree exactly once after the repairs.
    const int seen = walk(document, text, 0);
    check(seen == document.GetElementCount() - 1);

    CXmlDocument named;
    named.ParseText(text);
    walkNamed(named);

    for (std::size_t from = 0; from < text.size(); from += 1 + from / 2) {
        const wchar_t* begin = text.data() + from;
        const wchar_t* end = text.data() + text.size();
        check(plotwright::markup::findTagEnd(begin, end) == referenceTagEnd(begin, end));
    }

    UnescapeText(text);
    const std::wstring roundTrip =
        plotwright::base::wideFromUtf8(plotwright::base::utf8FromWide(text));
    if (size > 0 && data[0] % 3 == 0)
        check(roundTrip == text);
    return 0;
}
