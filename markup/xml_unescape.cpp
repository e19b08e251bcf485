#include "markup/xml_document.h"

#include <cstdint>

namespace {

struct NamedReference {
    std::wstring_view name;  // after "&", with its ";"
    wchar_t character;
};

constexpr NamedReference kNamedReferences[] = {
    {L"lt;", L'<'}, {L"amp;", L'&'}, {L"gt;", L'>'}, {L"apos;", L'\''}, {L"quot;", L'"'},
};

// Between "&#" and ";" at most this many characters.
constexpr std::size_t kMaxNumericLength = 7;

int digitValue(wchar_t c, int base)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (base == 16 && c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (base == 16 && c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// The character of the numeric reference whose text after "&#" is `body` (";"
// excluded), or 0 when it yields none. Only a lower-case "x" selects hexadecimal; the
// value is read up to the first non-digit and kept to 16 bits, as the documents this
// parser reads were written for 16-bit characters. A result of 0 is refused so that
// no reference can plant a NUL in the text.
wchar_t numericReference(std::wstring_view body)
{
    int base = 10;
    if (!body.empty() && body.front() == L'x') {
        base = 16;
        body.remove_prefix(1);
    }
    std::uint32_t value = 0;
    for (const wchar_t c : body) {
        const int digit = digitValue(c, base);
        if (digit < 0)
            break;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    return static_cast<wchar_t>(value & 0xFFFFu);
}

} // namespace

std::wstring UnescapeText(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t amp = text.find(L'&', i);
        if (amp == std::wstring_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, amp - i));
        i = amp + 1;
        const std::wstring_view rest = text.substr(i);

        bool decoded = false;
        for (const NamedReference& reference : kNamedReferences) {
            if (rest.starts_with(reference.name)) {
                out += reference.character;
                i += reference.name.size();
                decoded = true;
                break;
            }
        }
        if (decoded)
            continue;
        if (rest.starts_with(L'#')) {
            const std::size_t semicolon = rest.substr(1, kMaxNumericLength + 1).find(L';');
            if (semicolon != std::wstring_view::npos) {
                const wchar_t character = numericReference(rest.substr(1, semicolon));
                if (character != 0) {
                    out += character;
                    i += semicolon + 2;
                    continue;
                }
            }
        }
        out += L'&';
    }
    return out;
}
